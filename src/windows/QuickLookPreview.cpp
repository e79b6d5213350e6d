#include "QuickLookPreview.h"

#include "GenericCardWindowController.h"
#include "platform/Workspace.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeDatabase>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {
QuickLookPreview* g_shared = nullptr;
const QSize kLargest(800, 600);
} // namespace

QString QuickLookDataSource::previewItemTitle(qint64 index) {
    return previewItemURL(index).fileName();
}

QuickLookPreview* QuickLookPreview::shared() {
    if (!g_shared) g_shared = new QuickLookPreview; // kept until exit
    return g_shared;
}

bool QuickLookPreview::exists() {
    return g_shared != nullptr;
}

QuickLookPreview::QuickLookPreview() : QWidget(nullptr, Qt::Tool) {
    setAttribute(Qt::WA_QuitOnClose, false);
    m_pages = new QStackedWidget(this);
    m_imageLabel = new QLabel(m_pages);
    m_imageLabel->setAlignment(Qt::AlignCenter);
    m_textView = new QPlainTextEdit(m_pages);
    m_textView->setReadOnly(true);
    m_pages->addWidget(m_imageLabel);
    m_pages->addWidget(m_textView);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pages);
    resize(480, 360);
}

QuickLookPreview::Kind QuickLookPreview::kindOf(const QUrl& url) {
    if (!url.isValid() || url.isEmpty()) return Kind::None;
    if (!url.isLocalFile()) return Kind::External;
    const QFileInfo info(url.toLocalFile());
    if (!info.exists()) return Kind::None;
    if (!info.isFile()) return Kind::External;
    QImageReader reader(info.filePath());
    if (reader.canRead()) return Kind::Image;
    if (QMimeDatabase().mimeTypeForFile(info).inherits(QStringLiteral("text/plain"))) return Kind::Text;
    return Kind::External;
}

void QuickLookPreview::setDataSource(QObject* source) {
    m_source = source;
    m_index = 0;
}

QuickLookDataSource* QuickLookPreview::dataSource() const {
    return dynamic_cast<QuickLookDataSource*>(m_source.data());
}

void QuickLookPreview::setCurrentPreviewItemIndex(qint64 index) {
    m_index = index;
    if (isVisible()) showCurrentItem();
}

void QuickLookPreview::reloadData() {
    QuickLookDataSource* source = dataSource();
    const qint64 count = source ? source->numberOfPreviewItems() : 0;
    m_index = count > 0 ? std::clamp<qint64>(m_index, 0, count - 1) : 0;
    if (isVisible()) showCurrentItem();
}

void QuickLookPreview::makeKeyAndOrderFront(QWidget* from) {
    auto* controller = dynamic_cast<QuickLookPanelController*>(
        TGenericCardWindowController::controllerOfWidget(from ? from : QApplication::activeWindow()));
    if (controller && controller->acceptsPreviewPanelControl()) {
        if (m_controllerObject && m_controller != controller) m_controller->endPreviewPanelControl(this);
        m_controller = controller;
        m_controllerObject = dynamic_cast<QObject*>(controller);
        controller->beginPreviewPanelControl(this);
    }
    showCurrentItem();
}

void QuickLookPreview::orderOut() {
    close();
}

QString QuickLookPreview::shownText() const {
    return m_shownKind == Kind::Text ? m_textView->toPlainText() : QString();
}

void QuickLookPreview::showCurrentItem() {
    m_shownKind = Kind::None;
    m_shownImage = QImage();
    QuickLookDataSource* source = dataSource();
    if (!source || m_index < 0 || m_index >= source->numberOfPreviewItems()) {
        hide();
        return;
    }
    const QUrl url = source->previewItemURL(m_index);
    const Kind kind = kindOf(url);
    if (kind == Kind::Image) {
        QImageReader reader(url.toLocalFile());
        reader.setAutoTransform(true);
        m_shownImage = reader.read();
        if (m_shownImage.isNull()) {
            hide();
            return;
        }
        const QSize size = m_shownImage.size().boundedTo(kLargest);
        m_imageLabel->setPixmap(
            QPixmap::fromImage(m_shownImage.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        m_pages->setCurrentWidget(m_imageLabel);
        resize(size.expandedTo(QSize(160, 120)));
    } else if (kind == Kind::Text) {
        QFile file(url.toLocalFile());
        if (!file.open(QIODevice::ReadOnly)) {
            hide();
            return;
        }
        m_textView->setPlainText(QString::fromUtf8(file.read(kTextLimit)));
        m_pages->setCurrentWidget(m_textView);
        resize(kLargest);
    } else {
        if (kind == Kind::External) Workspace::shared().openURL(url);
        hide();
        return;
    }
    m_shownKind = kind;
    setWindowTitle(source->previewItemTitle(m_index));
    show();
    raise();
    activateWindow();
}

void QuickLookPreview::keyPressEvent(QKeyEvent* event) {
    QuickLookDataSource* source = dataSource();
    const qint64 count = source ? source->numberOfPreviewItems() : 0;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        if (m_index > 0) setCurrentPreviewItemIndex(m_index - 1);
        return;
    case Qt::Key_Right:
    case Qt::Key_Down:
        if (m_index + 1 < count) setCurrentPreviewItemIndex(m_index + 1);
        return;
    case Qt::Key_Escape:
    case Qt::Key_Space:
        close();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void QuickLookPreview::closeEvent(QCloseEvent* event) {
    if (m_controllerObject) m_controller->endPreviewPanelControl(this);
    m_controller = nullptr;
    m_controllerObject = nullptr;
    QWidget::closeEvent(event);
}
