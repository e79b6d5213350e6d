#include "SheetBrowserRows.h"

#include "SheetBrowserWindowController.h"
#include "model/SheetManager.h"
#include "platform/NotificationCenter.h"
#include "toolkit/NSLabelField.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

QColor adjusted(const QColor& colour, double amount) {
    const auto clamp = [](double v) { return std::clamp(v, 0.0, 1.0); };
    return QColor::fromRgbF(float(clamp(colour.redF() + amount)), float(clamp(colour.greenF() + amount)),
                            float(clamp(colour.blueF() + amount)), colour.alphaF());
}

const QColor kListSelectionColour(11, 91, 221);

} // namespace

void DrawListSelection(QPainter& painter, const QRectF& rect, const QColor& colour) {
    painter.save();
    painter.setOpacity(colour.alphaF());
    QColor opaque = colour;
    opaque.setAlphaF(1.0);
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0, adjusted(opaque, 0.1));
    gradient.setColorAt(1, adjusted(opaque, -0.1));
    painter.fillRect(rect, gradient);
    const QColor line(0, 0, 0, 128);
    painter.fillRect(QRectF(rect.left(), rect.top(), rect.width(), 1), line);
    painter.fillRect(QRectF(rect.left(), rect.bottom() - 1, rect.width(), 1), line);
    painter.fillRect(QRectF(rect.left(), rect.center().y(), rect.width(), rect.height() / 2),
                     QColor(0, 0, 0, 26));
    painter.restore();
}

// TSheetCellView

TSheetCellView::TSheetCellView(QWidget* parent) : QWidget(parent) {}

bool TSheetCellView::isSelected() const {
    if (!m_browser) return false;
    TSheetManagerItem* selected = m_browser->selectedItem();
    const auto* controller =
        selected ? static_cast<TSheetCellViewController*>(selected->GetViewRepresentation()) : nullptr;
    return controller && controller->cellView() == this;
}

QImage TSheetCellView::cellImage(bool selected) {
    QImage image(208, 92, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(4.5, 2.5, 199, 87), 6, 6);
    painter.fillPath(path, selected ? QColor(255, 255, 255, 90) : QColor(0, 0, 0, 40));
    painter.setPen(QPen(selected ? QColor(255, 255, 255, 200) : QColor(255, 255, 255, 60), 1));
    painter.drawPath(path);
    return image;
}

void TSheetCellView::paintEvent(QPaintEvent*) {
    if (!m_browser || m_browser->isList()) return;
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), cellImage(isSelected()));
}

// TSheetCellViewController

TSheetCellViewController::TSheetCellViewController(TSheetManagerItem* item,
                                                   SheetBrowserWindowController* browser)
    : m_item(item), m_browser(browser) {}

TSheetCellViewController::~TSheetCellViewController() {
    NotificationCenter::defaultCenter().removeObserver(this);
}

void TSheetCellViewController::detach() {
    NotificationCenter::defaultCenter().removeObserver(this);
    m_item = nullptr;
}

void TSheetCellViewController::makeContentView() {
    m_contentView = new TSheetCellView;
    m_contentView->setBrowser(m_browser);
    m_contentView->setFixedHeight(rowHeight());
}

QWidget* TSheetCellViewController::loadView() {
    makeContentView();
    m_imageView = new QLabel(m_contentView);
    m_imageView->setGeometry(54, 6, 100, 62);
    m_imageView->setScaledContents(true);
    m_labelField = new NSLabelField(m_contentView);
    m_labelField->setGeometry(8, 70, 192, 20);
    awakeFromNib();
    return m_contentView;
}

void TSheetCellViewController::awakeFromNib() {
    if (!m_item) return;
    setPreviewImage(m_item->GetImage());
    if (!m_labelField) return;
    QFont font = m_labelField->font();
    font.setBold(true);
    font.setPointSizeF(12);
    m_labelField->setFont(font);
    QPalette palette = m_labelField->palette();
    palette.setColor(QPalette::Text, Qt::white);
    m_labelField->setPalette(palette);
    m_labelField->setAlignment(Qt::AlignCenter);
    m_labelField->setText(m_item->GetTitle());
    m_labelField->setAcceptDrops(false);
    NotificationCenter::defaultCenter().addObserver(
        this, QString::fromLatin1(kNSLabelFieldDidResignActiveNotification), m_labelField,
        [this](const Notification&) { titleChanged(); });
}

void TSheetCellViewController::setPreviewImage(const QImage& image) {
    if (m_imageView) m_imageView->setPixmap(QPixmap::fromImage(image));
}

void TSheetCellViewController::editTitle() {
    view();
    if (m_labelField) m_labelField->makeFirstResponder();
}

QRectF TSheetCellViewController::scaledRectForWindow(const QRectF& windowFrame,
                                                     const QRectF& screenFrame) const {
    if (!m_imageView || screenFrame.isEmpty()) return {};
    const double sx = m_imageView->width() / screenFrame.width();
    const double sy = m_imageView->height() / screenFrame.height();
    // The window's place on its own screen, so a window on a second monitor lands in the preview too.
    const QRectF inPreview((windowFrame.x() - screenFrame.x()) * sx, (windowFrame.y() - screenFrame.y()) * sy,
                           windowFrame.width() * sx, windowFrame.height() * sy);
    return inPreview.translated(m_imageView->mapToGlobal(QPoint(0, 0)));
}

void TSheetCellViewController::titleChanged() {
    if (!m_labelField || !m_browser || !m_item) return;
    if (!m_browser->renameItem(m_item, m_labelField->text())) m_labelField->setText(m_item->GetTitle());
}

// List, group and separator rows

QWidget* TSheetListViewController::loadView() {
    makeContentView();
    auto* layout = new QHBoxLayout(m_contentView);
    layout->setContentsMargins(6, 2, 6, 2);
    m_imageView = new QLabel;
    m_imageView->setFixedSize(18, 18);
    m_imageView->setScaledContents(true);
    m_labelField = new NSLabelField;
    layout->addWidget(m_imageView);
    layout->addWidget(m_labelField, 1);
    awakeFromNib();
    return m_contentView;
}

void TSheetListViewController::awakeFromNib() {
    TSheetCellViewController::awakeFromNib();
    m_labelField->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

QWidget* TSheetSeperatorViewController::loadView() {
    makeContentView();
    auto* line = new QWidget(m_contentView);
    line->setGeometry(8, 4, 192, 1);
    line->setStyleSheet(QStringLiteral("background: rgba(255, 255, 255, 60);"));
    return m_contentView;
}

TSheetCellViewController* makeSheetRowController(TSheetManagerItem* item, bool list,
                                                 SheetBrowserWindowController* browser) {
    if (MemberOfClass(item, TSheetManagerSeperatorItem::StaticClass()))
        return new TSheetSeperatorViewController(item, browser);
    if (MemberOfClass(item, TSheetManagerGroupItem::StaticClass()))
        return new TSheetGroupViewController(item, browser);
    if (list) return new TSheetListViewController(item, browser);
    return new TSheetCellViewController(item, browser);
}

// TSheetTableRowView

TSheetTableRowView::TSheetTableRowView(qint32 mode, QWidget* parent) : QWidget(parent), m_mode(mode) {}

TSheetTableRowView* TSheetTableRowView::viewWithMode(qint32 mode, QWidget* parent) {
    return new TSheetTableRowView(mode, parent);
}

void TSheetTableRowView::setSelected(bool selected) {
    if (selected == m_selected) return;
    m_selected = selected;
    QWidget::update();
    if (m_content) m_content->update();
}

void TSheetTableRowView::setDropTarget(bool target) {
    if (target == m_dropTarget) return;
    m_dropTarget = target;
    QWidget::update();
}

void TSheetTableRowView::setContent(QWidget* view) {
    m_content = view;
    if (!view) return;
    view->setParent(this);
    view->setGeometry(rect());
    view->show();
}

void TSheetTableRowView::resizeEvent(QResizeEvent*) {
    if (m_content) m_content->setGeometry(rect());
}

void TSheetTableRowView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_mode == List && m_selected) DrawListSelection(painter, rect(), kListSelectionColour);
    if (m_dropTarget) {
        painter.setPen(QPen(Qt::white, 2));
        painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
}
