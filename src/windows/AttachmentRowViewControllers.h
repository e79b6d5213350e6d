#pragma once

#include "windows/ImageAndTextItemViewController.h"

#include <QImage>
#include <QSize>
#include <QUrl>
#include <functional>

class TCardAttachment;
class TFileAttachment;
class TImageAttachment;
class TURLAttachment;

// The rows of outline items that point elsewhere: links, files, mail messages, images and other
// cards. Image-and-text rows whose text is a link the user opens, not edits. Main thread only,
// except the file row's thumbnail, which is made on a pool thread.
class TAttachmentViewController : public TImageAndTextItemViewController {
    Q_OBJECT
public:
    using TImageAndTextItemViewController::TImageAndTextItemViewController;
};

// A web or program link: its name as one link line, cut in the middle when too long; an info
// popover edits name, address and icon size. Serves as a preview item.
class TURLAttachmentViewController : public TAttachmentViewController {
    Q_OBJECT
public:
    using TAttachmentViewController::TAttachmentViewController;

    TURLAttachment* urlAttachment() const;
    bool wrappingEnabled() const override { return false; }
    bool displayInfoButton() const override { return true; }
    QWidget* infoController() override;
    void update() override;
    void recalculateRow() override;

    // The preview item: the item's URL, its file name, where the row's image is on screen and
    // that image.
    QUrl previewItemURL() const;
    QString previewItemTitle() const;
    QRectF sourceFrameOnScreenForPreviewItem() const;
    QImage transitionImageForPreviewItem() const { return image(); }
    // Shows the item's preview: the installed preview window, else the desktop's default program.
    bool showPreview() const;
    using PreviewHandler = std::function<bool(const QUrl& url, const QString& title)>;
    static void setPreviewHandler(PreviewHandler handler);

protected:
    void awakeFromNib() override;
    // The link line's text, cut in the middle to the width when wider.
    void setLinkText(const QString& text, const QUrl& link, double width);

private:
    QString m_linkText;
};

// A file: the file's icon, then a thumbnail made off the main thread when the icon is larger
// than 16 points. A file that is gone shows as missing and keeps its stored path; its info popover
// offers to locate it.
class TFileAttachmentViewController : public TURLAttachmentViewController {
    Q_OBJECT
public:
    using TURLAttachmentViewController::TURLAttachmentViewController;

    TFileAttachment* fileAttachment() const;
    QWidget* infoController() override;
    void update() override;
    bool isFileMissing() const { return m_missing; }

    // Starts making the thumbnail on a pool thread. The result comes back through the event loop
    // and is dropped when the row is gone by then.
    void generateQuickLookPreview();
    void quickLookPreviewChanged(const QImage& image);

    // What a thumbnail is made of (pool thread): an image file read at the size, else the name of
    // the icon theme's icon of the file's type, taken on the main thread.
    struct Thumbnail {
        QImage image;
        QString iconName;
    };
    static Thumbnail makeThumbnail(const QString& path, const QSize& size);

private:
    bool m_missing = false;
};

// A mail message link ("message:"): the mail icon, no info popover.
class TMailAttachmentViewController : public TURLAttachmentViewController {
    Q_OBJECT
public:
    using TURLAttachmentViewController::TURLAttachmentViewController;
    bool displayInfoButton() const override { return false; }

protected:
    void awakeFromNib() override;
};

// An image shown alone, as wide as the row allows but never larger than itself.
class TImageAttachmentViewController : public TAttachmentViewController {
    Q_OBJECT
public:
    static constexpr double kImageMargin = 20.0;
    using TAttachmentViewController::TAttachmentViewController;

    TImageAttachment* imageAttachment() const;
    QRectF textViewFrame() const override { return {}; }
    double rowHeight() const override;
    void recalculateRow() override;

protected:
    void awakeFromNib() override;
    // The frame the picture is shown in, in pixels.
    QSize imageBound() const override;

private:
    QSizeF shownSize() const; // the picture's frame in the row, in points
};

// Another card: its title as a link that opens the card in the card window.
class TCardAttachmentViewController : public TAttachmentViewController {
    Q_OBJECT
public:
    using TAttachmentViewController::TAttachmentViewController;

    TCardAttachment* cardAttachment() const;
    void update() override;
    // Opens the attached card; true when the row handled the link.
    bool clickedOnCardLink(const QString& uuid);

protected:
    void awakeFromNib() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

namespace RowControllers {
// The makers of the attachment and task rows.
void registerAttachmentAndTaskRows();
} // namespace RowControllers
