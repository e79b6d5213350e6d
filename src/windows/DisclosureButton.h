#pragma once

#include <QAbstractButton>
#include <QImage>

// The triangle that opens and closes an outline row: a checkable button, checked while the row is
// open. It shows its image (closed) and alternate image (open) when it has them, else the style's
// branch triangle. Owned by its parent widget; main thread only.
class DisclosureButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit DisclosureButton(QWidget* parent = nullptr);

    QImage image() const { return m_image; }
    QImage alternateImage() const { return m_alternateImage; }
    void setImages(const QImage& image, const QImage& alternateImage);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
    QImage m_alternateImage;
};
