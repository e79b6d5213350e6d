#pragma once

#include "toolkit/DelegatePointer.h"

#include <QImage>
#include <QLabel>

struct OpenPanel;
class NSEditableImageView;

// What an editable image view tells its delegate. Optional: the defaults do nothing.
class NSEditableImageViewDelegate {
public:
    virtual ~NSEditableImageViewDelegate() = default;
    virtual void imageViewChanged(NSEditableImageView* /*view*/) {}
    virtual void imageViewChangedNewPath(NSEditableImageView* /*view*/, const QString& /*path*/) {}
    // The panel may still be changed here.
    virtual void imageViewWillShowPanel(NSEditableImageView* /*view*/, OpenPanel& /*panel*/) {}
    virtual void imageViewWillHidePanel(NSEditableImageView* /*view*/, const OpenPanel& /*panel*/) {}
};

// An image view whose picture the user may replace: with choosesImage set, a click opens an open
// panel for an image file (through the platform panel presenter) starting in the directory. A
// picture that loads replaces the shown one and is reported with its path; a file that does not
// load changes and reports nothing. Every new image is reported by imageViewChanged, once even
// when the delegate sets another image from that call. The delegate is not owned. Owned by its
// parent widget; main thread only.
class NSEditableImageView : public QLabel {
    Q_OBJECT
public:
    explicit NSEditableImageView(QWidget* parent = nullptr);

    void setImage(const QImage& image);
    QImage image() const { return m_image; }
    void setDelegate(NSEditableImageViewDelegate* delegate) { m_delegate = delegate; }
    NSEditableImageViewDelegate* delegate() const { return m_delegate.get(); }
    void setDirectoryURL(const QString& directory) { m_directory = directory; }
    QString directoryURL() const { return m_directory; }
    void setChoosesImage(bool chooses) { m_choosesImage = chooses; }
    bool choosesImage() const { return m_choosesImage; }

    // Runs the open panel and takes the chosen picture.
    void chooseImage();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showImage();

    DelegatePointer<NSEditableImageViewDelegate> m_delegate;
    QString m_directory;
    bool m_choosesImage = false;
    bool m_settingImage = false;
    QImage m_image;
};
