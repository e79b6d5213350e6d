#include "NSEditableImageView.h"

#include "platform/PanelPresenter.h"

#include <QImageReader>
#include <QMouseEvent>
#include <QPixmap>

NSEditableImageView::NSEditableImageView(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignCenter);
}

void NSEditableImageView::setImage(const QImage& image) {
    m_image = image;
    showImage();
    if (!m_delegate || m_settingImage) return;
    m_settingImage = true;
    m_delegate->imageViewChanged(this);
    m_settingImage = false;
}

void NSEditableImageView::showImage() {
    if (m_image.isNull()) {
        setPixmap(QPixmap());
        return;
    }
    QImage shown = m_image;
    if (shown.width() > width() || shown.height() > height())
        shown = shown.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    setPixmap(QPixmap::fromImage(shown));
}

void NSEditableImageView::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    showImage();
}

void NSEditableImageView::mousePressEvent(QMouseEvent* event) {
    if (m_choosesImage && isEnabled() && event->button() == Qt::LeftButton) {
        chooseImage();
        return;
    }
    QLabel::mousePressEvent(event);
}

void NSEditableImageView::chooseImage() {
    OpenPanel panel;
    panel.canChooseFiles = true;
    panel.canChooseDirectories = false;
    panel.allowsMultipleSelection = false;
    panel.canCreateDirectories = false;
    for (const QByteArray& type : QImageReader::supportedMimeTypes())
        panel.allowedMimeTypes << QString::fromLatin1(type);
    panel.directory = m_directory;
    if (m_delegate) m_delegate->imageViewWillShowPanel(this, panel);
    if (PanelPresenter::shared().runModal(panel, window()) == NSModalResponseOK &&
        !panel.chosenPaths.isEmpty()) {
        const QString path = panel.chosenPaths.last();
        QImageReader reader(path);
        reader.setAutoTransform(true);
        const QImage picture = reader.read();
        // A file that is no picture leaves the old one, unreported.
        if (!picture.isNull()) {
            setImage(picture);
            if (m_delegate) m_delegate->imageViewChangedNewPath(this, path);
        }
    }
    if (m_delegate) m_delegate->imageViewWillHidePanel(this, panel);
}
