#include "windows/AttachmentRowViewControllers.h"

#include "model/Card.h"
#include "model/CardItems.h"
#include "model/Globals.h"
#include "model/ListCard.h"
#include "model/Memoleaf.h"
#include "model/Task.h"
#include "model/Themes.h"
#include "platform/Workspace.h"
#include "utilities/FileObjectUtilities.h"
#include "utilities/ImageUtilities.h"
#include "windows/CardTextView.h"
#include "windows/LinkInfoPopovers.h"
#include "windows/LinkURL.h"
#include "windows/RowControllers.h"
#include "windows/TaskRowViewController.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QMimeDatabase>
#include <QMouseEvent>
#include <QPointer>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QTextDocument>
#include <QThreadPool>

#include <cmath>

namespace {

constexpr quint32 fourCharCode(const char (&code)[5]) {
    return (quint32(quint8(code[0])) << 24) | (quint32(quint8(code[1])) << 16) |
           (quint32(quint8(code[2])) << 8) | quint32(quint8(code[3]));
}

TURLAttachmentViewController::PreviewHandler& previewHandler() {
    static TURLAttachmentViewController::PreviewHandler handler;
    return handler;
}

QImage hyperLinkImage() {
    const QImage image = ImageUtilities::imageWithResource(QStringLiteral("images/HyperLink.png"));
    if (!image.isNull()) return image;
    return QIcon::fromTheme(QStringLiteral("insert-link")).pixmap(32).toImage();
}

// Replaces the editor's content without it counting as an edit of the item.
void replaceContent(TCardTextView* editor, const std::function<void(QTextCursor&)>& fill) {
    const QSignalBlocker blocker(editor);
    QTextDocument* document = editor->document();
    document->clear();
    QTextCursor cursor(document);
    fill(cursor);
}

QTextCharFormat linkFormat(const QFont& font, const QString& href) {
    QTextCharFormat format;
    format.setFont(font);
    if (!href.isEmpty()) {
        format.setAnchor(true);
        format.setAnchorHref(href);
        format.setFontUnderline(true);
        format.setForeground(QApplication::palette().link());
    }
    return format;
}

// The row's item as the kind T; null for an item of another kind.
template <class T> T* itemAs(TCardItem* item) {
    return item && item->IsMember(T::StaticClass()) ? static_cast<T*>(item) : nullptr;
}

} // namespace

// TURLAttachmentViewController

TURLAttachment* TURLAttachmentViewController::urlAttachment() const {
    return itemAs<TURLAttachment>(cardItem());
}

QWidget* TURLAttachmentViewController::infoController() {
    return urlAttachment() ? new TURLInfoViewController(urlAttachment()) : nullptr;
}

void TURLAttachmentViewController::awakeFromNib() {
    TAttachmentViewController::awakeFromNib();
    editor()->setReadOnly(true);
    editor()->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse);
}

void TURLAttachmentViewController::setLinkText(const QString& text, const QUrl& link, double width) {
    TURLAttachment* item = urlAttachment();
    if (!item || !editor()) return;
    const QFont font = item->GetDefaultFont();
    const QString shown = width > 0 ? QFontMetricsF(font).elidedText(text, Qt::ElideMiddle, width) : text;
    replaceContent(editor(), [&](QTextCursor& cursor) {
        cursor.insertText(shown, linkFormat(font, link.isEmpty() ? QString() : link.toString()));
    });
}

void TURLAttachmentViewController::update() {
    TAttachmentViewController::update();
    TURLAttachment* item = urlAttachment();
    if (!item) return;
    m_linkText = item->GetPlainText();
    setLinkText(m_linkText, item->GetURL(), 0);
    // Own links in any letter case, as the link handling takes them.
    const QImage icon = LinkURL::isOwnScheme(item->GetURL())
                            ? hyperLinkImage()
                            : ImageUtilities::imageWithSystemIcon(fourCharCode("ilht"));
    if (!icon.isNull()) setImage(icon);
}

void TURLAttachmentViewController::recalculateRow() {
    TAttachmentViewController::recalculateRow();
    if (!editor() || !urlAttachment()) return;
    // One line, cut in the middle to the text view's width.
    setLinkText(m_linkText, urlAttachment()->GetURL(), editor()->width());
    if (QAbstractButton* button = infoButton()) {
        const double middle = rowView()->height() / 2.0;
        button->move(button->x(), int(std::floor(middle - button->height() / 2.0)));
    }
}

QUrl TURLAttachmentViewController::previewItemURL() const {
    TURLAttachment* item = urlAttachment();
    return item ? item->GetURL() : QUrl();
}

QString TURLAttachmentViewController::previewItemTitle() const {
    return previewItemURL().fileName();
}

QRectF TURLAttachmentViewController::sourceFrameOnScreenForPreviewItem() const {
    QLabel* view = imageView();
    if (!view) return {};
    return QRectF(view->mapToGlobal(QPoint(0, 0)), QSizeF(view->size()));
}

bool TURLAttachmentViewController::showPreview() const {
    const QUrl url = previewItemURL();
    if (url.isEmpty()) return false;
    if (LinkURL::isOwnScheme(url)) return LinkURL::open(url);
    if (previewHandler()) return previewHandler()(url, previewItemTitle());
    return LinkURL::open(LinkURL::openable(url));
}

void TURLAttachmentViewController::setPreviewHandler(PreviewHandler handler) {
    previewHandler() = std::move(handler);
}

// TFileAttachmentViewController

TFileAttachment* TFileAttachmentViewController::fileAttachment() const {
    return itemAs<TFileAttachment>(cardItem());
}

QWidget* TFileAttachmentViewController::infoController() {
    return fileAttachment() ? new TFileInfoViewController(fileAttachment()) : nullptr;
}

void TFileAttachmentViewController::update() {
    TURLAttachmentViewController::update();
    TFileAttachment* item = fileAttachment();
    if (!item) return;
    const QString path = item->GetPath();
    const QSizeF size = imageSize();
    const QSize pixels(std::max(1, int(std::ceil(size.width()))), std::max(1, int(std::ceil(size.height()))));
    // A file that is gone (a path from another machine) stays as stored and shows as missing.
    m_missing = path.isEmpty() || !QFileInfo::exists(path);
    const QImage icon = m_missing ? QImage() : StringFileObjectUtilities::fileImage(path, pixels);
    setImage(icon.isNull() ? UnknownFileIcon() : icon);
    setImageSize(size);
    editor()->setToolTip(m_missing ? tr("The file can't be found: %1").arg(path) : path);
    if (size.width() > 16.0) generateQuickLookPreview();
}

TFileAttachmentViewController::Thumbnail TFileAttachmentViewController::makeThumbnail(const QString& path,
                                                                                      const QSize& size) {
    Thumbnail thumbnail;
    if (!QFileInfo::exists(path) || size.isEmpty()) return thumbnail;
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
    if (type.name().startsWith(QLatin1String("image/"))) {
        QImageReader reader(path);
        reader.setAutoTransform(true);
        const QSize own = reader.size();
        if (own.isValid()) reader.setScaledSize(own.scaled(size, Qt::KeepAspectRatio));
        thumbnail.image = reader.read();
    }
    if (thumbnail.image.isNull()) thumbnail.iconName = type.iconName();
    return thumbnail;
}

void TFileAttachmentViewController::generateQuickLookPreview() {
    TFileAttachment* item = fileAttachment();
    if (!item) return;
    // Read here: the item is not touched off the main thread.
    const QString path = item->GetPath();
    const QSizeF points = imageSize();
    const QSize size(int(std::ceil(points.width())), int(std::ceil(points.height())));
    const QPointer<TFileAttachmentViewController> row(this);
    QThreadPool::globalInstance()->start([row, path, size] {
        const Thumbnail thumbnail = makeThumbnail(path, size);
        if (thumbnail.image.isNull() && thumbnail.iconName.isEmpty()) return;
        QMetaObject::invokeMethod(
            qApp,
            [row, thumbnail, size] {
                if (!row) return; // the row went meanwhile
                QImage image = thumbnail.image;
                if (image.isNull()) {
                    const QIcon icon = QIcon::fromTheme(thumbnail.iconName);
                    if (!icon.isNull()) image = icon.pixmap(size).toImage();
                }
                if (!image.isNull()) row->quickLookPreviewChanged(image);
            },
            Qt::QueuedConnection);
    });
}

void TFileAttachmentViewController::quickLookPreviewChanged(const QImage& image) {
    setImage(image);
    setImageSize(imageSize());
}

// TMailAttachmentViewController

void TMailAttachmentViewController::awakeFromNib() {
    TURLAttachmentViewController::awakeFromNib();
    const QImage icon = ImageUtilities::imageWithSystemIcon(fourCharCode("ilma"));
    if (!icon.isNull()) setImage(icon);
}

// TImageAttachmentViewController

TImageAttachment* TImageAttachmentViewController::imageAttachment() const {
    return itemAs<TImageAttachment>(cardItem());
}

void TImageAttachmentViewController::awakeFromNib() {
    TAttachmentViewController::awakeFromNib();
    imageView()->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    imageView()->setGeometry(0, 0, 0, 0);
    editor()->hide();
}

QSizeF TImageAttachmentViewController::shownSize() const {
    TImageAttachment* item = imageAttachment();
    if (!item) return {};
    // From the picture's header: nothing is decoded to lay the row out.
    const QSize pixels = item->GetImagePixelSize();
    if (pixels.isEmpty()) return {};
    auto* self = const_cast<TImageAttachmentViewController*>(this);
    const double room = self->rowView()->width() - kImageMargin;
    const double width = std::max(0.0, std::min(room, double(pixels.width())));
    const double height =
        std::max(0.0, std::min(double(pixels.height()), room / pixels.width() * pixels.height()));
    return {width, height};
}

double TImageAttachmentViewController::rowHeight() const {
    return shownSize().height();
}

QSize TImageAttachmentViewController::imageBound() const {
    const double ratio = imageView() ? imageView()->devicePixelRatioF() : 1.0;
    const QSizeF size = shownSize() * ratio;
    return QSize(int(std::ceil(size.width())), int(std::ceil(size.height()))).expandedTo(QSize(1, 1));
}

void TImageAttachmentViewController::recalculateRow() {
    TAttachmentViewController::recalculateRow();
    TImageAttachment* item = imageAttachment();
    if (!item || !imageView()) return;
    QWidget* row = rowView();
    const QSizeF shown = shownSize();
    const QRectF frame(imageView()->x(), (row->height() - shown.height()) / 2.0, shown.width(),
                       shown.height());
    imageView()->setGeometry(frame.toAlignedRect());
    // Decoded again only when the frame outgrew the decoded picture or shrank well below it.
    const QSize bound = imageBound();
    const QSize decoded = image().size();
    if (decoded.width() < bound.width() - 1 || decoded.height() < bound.height() - 1 ||
        decoded.width() * 4 > bound.width() * 5 || decoded.height() * 4 > bound.height() * 5)
        setImage(item->GetImage(bound));
}

// TCardAttachmentViewController

TCardAttachment* TCardAttachmentViewController::cardAttachment() const {
    return itemAs<TCardAttachment>(cardItem());
}

void TCardAttachmentViewController::awakeFromNib() {
    TAttachmentViewController::awakeFromNib();
    editor()->setReadOnly(true);
    editor()->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse);
}

void TCardAttachmentViewController::update() {
    TAttachmentViewController::update();
    TCardAttachment* item = cardAttachment();
    TCard* attached = item ? item->GetCard() : nullptr;
    if (!attached || !editor()) return;
    const QTextCharFormat format = linkFormat(item->GetDefaultFont(), attached->GetUUID());
    replaceContent(editor(), [&](QTextCursor& cursor) { cursor.insertText(attached->GetTitle(), format); });
    TCardTheme* theme = attached->GetTheme();
    if (!theme) return;
    QImage icon;
    if (attached->IsMember(TMemoleaf::StaticClass()))
        icon = theme->GetImage(QStringLiteral("noteRowImage"));
    else if (card() && card()->IsMember(TListCard::StaticClass()))
        icon = theme->GetImage(QStringLiteral("listRowImage"));
    if (!icon.isNull()) setImage(icon);
}

bool TCardAttachmentViewController::clickedOnCardLink(const QString& uuid) {
    if (uuid.isEmpty()) return false;
    if (TCardControllerProtocol* controller = owner()) controller->openCardWithUUID(uuid);
    return true;
}

bool TCardAttachmentViewController::eventFilter(QObject* watched, QEvent* event) {
    if (editor() && watched == editor()->viewport() && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QString anchor = editor()->anchorAt(mouse->position().toPoint());
        // The link names the card by its uuid: it never goes to the desktop.
        if (mouse->button() == Qt::LeftButton && !anchor.isEmpty()) return clickedOnCardLink(anchor);
    }
    return TAttachmentViewController::eventFilter(watched, event);
}

namespace RowControllers {

void registerAttachmentAndTaskRows() {
    TCardItem::RegisterViewRepresentationClass(TTask::StaticClass(), QStringLiteral("TTaskViewController"));
    const auto maker = [](auto* tag) -> Maker {
        using T = std::remove_pointer_t<decltype(tag)>;
        return [](TCardItem* item, TCard* card) -> TCardItemRowViewController* { return new T(item, card); };
    };
    registerMaker(QStringLiteral("TTaskViewController"), maker(static_cast<TTaskViewController*>(nullptr)));
    registerMaker(QStringLiteral("TURLAttachmentViewController"),
                  maker(static_cast<TURLAttachmentViewController*>(nullptr)));
    registerMaker(QStringLiteral("TFileAttachmentViewController"),
                  maker(static_cast<TFileAttachmentViewController*>(nullptr)));
    registerMaker(QStringLiteral("TMailAttachmentViewController"),
                  maker(static_cast<TMailAttachmentViewController*>(nullptr)));
    registerMaker(QStringLiteral("TImageAttachmentViewController"),
                  maker(static_cast<TImageAttachmentViewController*>(nullptr)));
    registerMaker(QStringLiteral("TCardAttachmentViewController"),
                  maker(static_cast<TCardAttachmentViewController*>(nullptr)));
}

} // namespace RowControllers
