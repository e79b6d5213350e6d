#include "DashboardCells.h"

#include "DashboardViewController.h"
#include "LinkURL.h"
#include "SheetBrowserWindowController.h"
#include "model/CardItems.h"
#include "model/Globals.h"
#include "model/ModelContracts.h"
#include "model/SheetManager.h"
#include "model/Task.h"
#include "platform/AlertPresenter.h"
#include "platform/Diagnostics.h"
#include "platform/Workspace.h"
#include "toolkit/NSBarItem.h"
#include "toolkit/NSItemBar.h"
#include "utilities/DateUtilities.h"

#include <QCompleter>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
TDashboardViewController* dashboard() {
    return TDashboardViewController::sharedController();
}

void showError(const QString& what, const QString& why) {
    Alert alert;
    alert.messageText = what;
    alert.informativeText = why;
    alert.style = Alert::Style::Critical;
    AlertPresenter::shared().runModal(alert);
}

QHBoxLayout* rowLayout(QWidget* view) {
    auto* layout = new QHBoxLayout(view);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(4);
    return layout;
}
} // namespace

// The cell view.

TDashboardCellView::TDashboardCellView(QWidget* parent) : QWidget(parent) {}

TDashboardCellViewController* TDashboardCellView::controller() const {
    return m_controller;
}

void TDashboardCellView::setController(TDashboardCellViewController* controller) {
    m_controller = controller;
}

void TDashboardCellView::enterEvent(QEnterEvent* event) {
    if (m_controller) m_controller->mouseEntered();
    QWidget::enterEvent(event);
}

void TDashboardCellView::leaveEvent(QEvent* event) {
    if (m_controller) m_controller->mouseExited();
    QWidget::leaveEvent(event);
}

void TDashboardCellView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_controller) m_controller->updateLayout();
}

// The base controller.

TDashboardCellViewController::TDashboardCellViewController(QObject* parent) : NSViewController(parent) {}

QWidget* TDashboardCellViewController::loadView() {
    auto* view = new TDashboardCellView;
    view->setObjectName(QString::fromLatin1(metaObject()->className()));
    view->setController(this);
    view->resize(200, rowHeight());
    awakeFromNib(view);
    return view;
}

bool TDashboardCellViewController::isExpanded() const {
    return m_outlineView && m_outlineView->isItemExpanded(m_rowItem);
}

QFont TDashboardCellViewController::headerTextFont() {
    QFont font;
    font.setPointSizeF(11);
    font.setBold(true);
    return font;
}

QFont TDashboardCellViewController::standardRowTextFont() {
    QFont font;
    font.setPointSizeF(11);
    return font;
}

void TDashboardCellViewController::mouseEntered() {
    if (m_itemBar) m_itemBar->show();
}

void TDashboardCellViewController::mouseExited() {
    if (m_itemBar) m_itemBar->hide();
}

void TDashboardCellViewController::updateLayout() {
    if (!m_itemBar || !isViewLoaded()) return;
    QRect frame = m_itemBar->geometry();
    frame.moveLeft(view()->width() - (frame.width() + 4));
    m_itemBar->setGeometry(frame);
}

void TDashboardCellViewController::setUpItemBar(TDashboardCellView* view) {
    m_itemBar = new NSItemBar(view);
    // The bar lies over the row's text at its right end; the text must not show through it.
    m_itemBar->setAutoFillBackground(true);
    m_itemBar->setGeometry(0, 0, 0, kRowHeight);
    m_itemBar->hide();
    m_itemBar->setAnimationDuration(0);
    m_itemBar->setResizeToWidth(true);
    updateItemBar();
    updateLayout();
}

QToolButton* TDashboardCellViewController::makeButton(const QString& text, const QString& toolTip,
                                                      int width) {
    auto* button = new QToolButton;
    button->setText(text);
    button->setToolTip(toolTip);
    button->setAutoRaise(true);
    button->setFixedSize(width, kRowHeight - 4);
    return button;
}

QLabel* TDashboardCellViewController::makeLabel(QWidget* parent, const QString& text, const QFont& font,
                                                QPalette::ColorRole role) {
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    label->setForegroundRole(role);
    return label;
}

namespace {
// Sets the buttons as the bar's items and arranges it.
void fillBar(NSItemBar* bar, const QList<QToolButton*>& buttons) {
    QList<NSBarItem*> items;
    for (QToolButton* button : buttons) {
        NSBarItem* item = NSBarItem::initWithView(button);
        item->setWidth(button->width());
        items.append(item);
    }
    bar->setItems(items);
    bar->arrangeItems();
}
} // namespace

// Group rows.

TDashboardGroupCellViewController::TDashboardGroupCellViewController(TDashboardGroupRowItem* group)
    : m_group(group) {}

void TDashboardGroupCellViewController::awakeFromNib(TDashboardCellView* view) {
    m_textField = makeLabel(view, m_group->GetTitle().toUpper(), headerTextFont(), QPalette::PlaceholderText);
    rowLayout(view)->addWidget(m_textField, 1);
    setUpItemBar(view);
}

QString TDashboardGroupCellViewController::accessibleText() const {
    return m_group->GetTitle().toUpper();
}

void TDashboardGroupCellViewController::updateItemBar() {
    QToolButton* action = makeButton(QStringLiteral("\u2699"), QStringLiteral("Actions"));
    QToolButton* add = makeButton(QStringLiteral("+"), QStringLiteral("New Folder"));
    connect(add, &QToolButton::clicked, this, [this] { addFolder(); });
    m_toggleButton =
        makeButton(isExpanded() ? QStringLiteral("Hide") : QStringLiteral("Show"), QString(), 46);
    QFont bold = m_toggleButton->font();
    bold.setBold(true);
    bold.setPointSizeF(11);
    m_toggleButton->setFont(bold);
    connect(m_toggleButton, &QToolButton::clicked, this, [this] { toggleState(); });
    fillBar(m_itemBar, {action, add, m_toggleButton});
}

void TDashboardGroupCellViewController::toggleState() {
    if (!outlineView()) return;
    if (isExpanded())
        outlineView()->collapseItem(m_group);
    else
        outlineView()->expandItem(m_group);
    updateItemBar();
}

void TDashboardGroupCellViewController::addFolder() {
    TDashboardViewController* shared = dashboard();
    const QString folder = shared ? shared->sheetFolderPath() : QString();
    const QString path = QDir(folder).filePath(QStringLiteral("Untitled"));
    QString why;
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        why = QStringLiteral("the sheet folder does not exist");
    else if (QFileInfo::exists(path))
        why = QStringLiteral("an item named \u201cUntitled\u201d already exists");
    else if (!QDir(folder).mkdir(QStringLiteral("Untitled")))
        why = QStringLiteral("the folder could not be created");
    if (!why.isEmpty()) {
        showError(QStringLiteral("The folder \u201cUntitled\u201d could not be made."), why);
        return;
    }
    shared->reloadGroupLater(TDashboardViewController::kSheets);
}

// Sheet rows.

TDashboardSheetCellViewController::TDashboardSheetCellViewController(TSheet* sheet)
    : m_sheet(Ref<TSheet>::retain(sheet)) {}

TDashboardSheetCellViewController::~TDashboardSheetCellViewController() = default;

void TDashboardSheetCellViewController::awakeFromNib(TDashboardCellView* view) {
    auto* image = new QLabel(view);
    image->setFixedSize(20, 20);
    const QImage preview = m_sheet->GetPreviewImage();
    if (!preview.isNull())
        image->setPixmap(
            QPixmap::fromImage(preview.scaled(20, 20, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    m_labelField = makeLabel(view, m_sheet->GetTitle(), standardRowTextFont());
    QHBoxLayout* layout = rowLayout(view);
    layout->addWidget(image);
    layout->addWidget(m_labelField, 1);
    setUpItemBar(view);
}

QString TDashboardSheetCellViewController::accessibleText() const {
    return m_sheet->GetTitle();
}

void TDashboardSheetCellViewController::updateItemBar() {
    QToolButton* remove = makeButton(QStringLiteral("\u2212"), QStringLiteral("Delete Sheet"));
    remove->setAutoRaise(false);
    connect(remove, &QToolButton::clicked, this, [this] { deleteSheet(); });
    m_favoriteButton = makeButton(QString(), QStringLiteral("Favorite"));
    m_favoriteButton->setAutoRaise(false);
    connect(m_favoriteButton, &QToolButton::clicked, this, [this] { toggleFavorite(); });
    updateFavoriteButton();
    fillBar(m_itemBar, {remove, m_favoriteButton});
}

void TDashboardSheetCellViewController::updateFavoriteButton() {
    if (!m_favoriteButton) return;
    m_favoriteButton->setText(m_sheet->IsFavorite() ? QStringLiteral("\u2605") : QStringLiteral("\u2606"));
    m_favoriteButton->setObjectName(m_sheet->IsFavorite() ? QStringLiteral("FavoriteTemplate")
                                                          : QStringLiteral("ImportantTemplate"));
}

void TDashboardSheetCellViewController::toggleFavorite() {
    m_sheet->SetFavorite(!m_sheet->IsFavorite());
    updateFavoriteButton();
    if (TDashboardViewController* shared = dashboard())
        shared->reloadGroupLater(TDashboardViewController::kFavorites);
}

void TDashboardSheetCellViewController::deleteSheet() {
    // The question runs its own loop, in which the rows may be built again and this one go: from
    // here on only the sheet is used.
    const Ref<TSheet> sheet = m_sheet;
    Alert alert;
    alert.style = Alert::Style::Warning;
    alert.buttons = {QStringLiteral("OK"), QStringLiteral("Cancel")};
    alert.messageText = QStringLiteral("Delete the sheet \"%1\"?").arg(sheet->GetTitle());
    alert.informativeText =
        QStringLiteral("The sheet will be moved to the trash and can be recovered later.");
    if (AlertPresenter::shared().runModal(alert) != NSAlertFirstButtonReturn) return;

    // The sheet's files go first, the active sheet closed without writing into them: when they
    // cannot be trashed, nothing else changes.
    if (!SheetBrowserWindowController::trashSheets(sheet->GetPath(), sheet->GetTitle(), {sheet.get()}))
        return;
    if (TDashboardViewController* shared = dashboard()) {
        if (TSheetBrowserWindowController* browser = shared->sheetBrowser()) browser->reload();
        shared->reloadLater();
    }
}

// Folder rows.

TDashboardFolderCellViewController::TDashboardFolderCellViewController(const QString& path) : m_path(path) {
    setDraggable(true);
}

void TDashboardFolderCellViewController::awakeFromNib(TDashboardCellView* view) {
    auto* image = new QLabel(view);
    image->setFixedSize(16, 16);
    image->setPixmap(view->style()->standardIcon(QStyle::SP_DirIcon).pixmap(16, 16));
    m_labelField = new QLineEdit(QFileInfo(m_path).fileName(), view);
    m_labelField->setFont(standardRowTextFont());
    m_labelField->setFrame(false);
    QPalette palette = m_labelField->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    m_labelField->setPalette(palette);
    connect(m_labelField, &QLineEdit::editingFinished, this, [this] { titleChanged(m_labelField->text()); });
    QHBoxLayout* layout = rowLayout(view);
    layout->addWidget(image);
    layout->addWidget(m_labelField, 1);
}

QString TDashboardFolderCellViewController::accessibleText() const {
    return QFileInfo(m_path).fileName();
}

bool TDashboardFolderCellViewController::titleChanged(const QString& edited) {
    const QFileInfo old(m_path);
    const QString name = edited.trimmed();
    if (name == old.fileName()) return true;
    const bool unsafe = name.isEmpty() || name.startsWith(QLatin1Char('.')) ||
                        name.contains(QLatin1Char('/')) || name.contains(QChar(0));
    if (unsafe) {
        if (m_labelField) m_labelField->setText(old.fileName());
        showError(QStringLiteral("The folder \u201c%1\u201d could not be renamed.").arg(old.fileName()),
                  QStringLiteral("the name \u201c%1\u201d cannot be used").arg(edited));
        return false;
    }
    QString newPath = old.dir().filePath(name);
    const QString extension = old.suffix();
    if (!extension.isEmpty() && !name.endsWith(QLatin1Char('.') + extension))
        newPath += QLatin1Char('.') + extension;
    Diagnostics::line(QStringLiteral("move ") + m_path + QStringLiteral(" to ") + newPath);
    QString why;
    if (QFileInfo::exists(newPath))
        why = QStringLiteral("an item with that name already exists");
    else if (!QDir().rename(m_path, newPath))
        why = QStringLiteral("the folder could not be moved");
    if (!why.isEmpty()) {
        Diagnostics::line(why);
        if (m_labelField) m_labelField->setText(old.fileName());
        showError(QStringLiteral("The folder \u201c%1\u201d could not be renamed.").arg(old.fileName()), why);
        return false;
    }
    // The registered sheets inside the folder follow it.
    const QString prefix = m_path + QLatin1Char('/');
    for (TObject* object : *TSheetManager::SharedManager()->GetSheets()) {
        auto* sheet = static_cast<TSheet*>(object);
        if (sheet->GetPath().startsWith(prefix))
            sheet->SetPath(newPath + sheet->GetPath().mid(m_path.size()));
    }
    m_path = newPath;
    if (m_labelField) m_labelField->setText(QFileInfo(newPath).fileName());
    return true;
}

// Task rows.

TDashboardTaskCellViewController::TDashboardTaskCellViewController(TTask* task, TJobslate* card)
    : m_task(Ref<TTask>::retain(task)), m_card(Ref<TJobslate>::retain(card)) {}

TDashboardTaskCellViewController::~TDashboardTaskCellViewController() = default;

void TDashboardTaskCellViewController::awakeFromNib(TDashboardCellView* view) {
    auto* gotoButton = makeButton(QStringLiteral("\u276F"), QStringLiteral("Show the Task"));
    gotoButton->setParent(view);
    connect(gotoButton, &QToolButton::clicked, this, [this] { gotoEvent(); });
    m_textField = makeLabel(view, m_task->GetPlainText(), standardRowTextFont());
    QFont status = headerTextFont();
    m_statusField = makeLabel(view, QString(), status);
    m_labelField = makeLabel(view, QStringLiteral("In \"%1\"").arg(m_card->GetTitle()), standardRowTextFont(),
                             QPalette::PlaceholderText);
    auto* column = new QVBoxLayout;
    column->setSpacing(0);
    column->addWidget(m_textField);
    column->addWidget(m_statusField);
    column->addWidget(m_labelField);
    QHBoxLayout* layout = rowLayout(view);
    layout->addLayout(column, 1);
    layout->addWidget(gotoButton);
    updateDate();
}

void TDashboardTaskCellViewController::updateDate() {
    const QDateTime due = m_task->GetDueDate();
    if (!due.isValid() || !m_statusField) return;
    const bool withTime = DateUtilities::isToday(due) || DateUtilities::isTomorrow(due);
    const QString text =
        DateUtilities::dateString(due, DateUtilities::kShortStyle,
                                  withTime ? DateUtilities::kShortStyle : DateUtilities::kNoStyle, true);
    if (!text.isEmpty()) m_statusField->setText(QStringLiteral("Due ") + text);
}

QString TDashboardTaskCellViewController::accessibleText() const {
    return m_task->GetPlainText();
}

void TDashboardTaskCellViewController::gotoEvent() {
    const QString link = URISchemeProtocol() + QStringLiteral("goto?item=%1").arg(m_task->GetUUID());
    Diagnostics::line(link);
    LinkURL::open(QUrl(link));
}

// Attachment rows.

TDashboardAttachmentCellViewController::TDashboardAttachmentCellViewController(TAttachment* attachment)
    : m_attachment(Ref<TAttachment>::retain(attachment)) {}

TDashboardAttachmentCellViewController::~TDashboardAttachmentCellViewController() = default;

void TDashboardAttachmentCellViewController::awakeFromNib(TDashboardCellView* view) {
    m_imageView = new QLabel(view);
    m_imageView->setFixedSize(16, 16);
    m_textField = makeLabel(view, QString(), standardRowTextFont());
    if (m_attachment->IsMember(TFileAttachment::StaticClass())) {
        const QString path = static_cast<TFileAttachment*>(m_attachment.get())->GetPath();
        m_imageView->setPixmap(QFileIconProvider().icon(QFileInfo(path)).pixmap(16, 16));
        m_textField->setText(m_attachment->GetPlainText());
    } else if (m_attachment->IsMember(TURLAttachment::StaticClass())) {
        m_imageView->setPixmap(view->style()->standardIcon(QStyle::SP_DriveNetIcon).pixmap(16, 16));
        m_textField->setText(m_attachment->GetPlainText());
    }
    QHBoxLayout* layout = rowLayout(view);
    layout->addWidget(m_imageView);
    layout->addWidget(m_textField, 1);
    setUpItemBar(view);
}

void TDashboardAttachmentCellViewController::updateItemBar() {
    QToolButton* reveal = makeButton(QStringLiteral("\u2192"), QStringLiteral("Show"));
    connect(reveal, &QToolButton::clicked, this, [this] { this->reveal(); });
    fillBar(m_itemBar, {reveal});
}

QString TDashboardAttachmentCellViewController::accessibleText() const {
    return m_attachment->GetPlainText();
}

void TDashboardAttachmentCellViewController::reveal() {
    if (m_attachment->IsMember(TFileAttachment::StaticClass())) {
        const QString path = static_cast<TFileAttachment*>(m_attachment.get())->GetPath();
        if (!path.isEmpty()) Workspace::shared().selectFile(path);
    } else if (m_attachment->IsMember(TURLAttachment::StaticClass())) {
        Workspace::shared().openURL(static_cast<TURLAttachment*>(m_attachment.get())->GetURL());
    }
}

// The search row.

TDashboardFilterCellViewController::TDashboardFilterCellViewController()
    : m_recentSearches{QStringLiteral("a"), QStringLiteral("b")} {}

void TDashboardFilterCellViewController::awakeFromNib(TDashboardCellView* view) {
    m_searchField = new QLineEdit(view);
    m_searchField->setPlaceholderText(QStringLiteral("Search"));
    m_searchField->setClearButtonEnabled(true);
    m_searchField->setCompleter(new QCompleter(m_recentSearches, m_searchField));
    rowLayout(view)->addWidget(m_searchField, 1);
}
