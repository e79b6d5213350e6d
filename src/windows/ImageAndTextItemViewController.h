#pragma once

#include "windows/TextItemViewController.h"

#include <QImage>
#include <QSizeF>

class QLabel;
class TImageAndTextItem;

// A row with an image left of its text: the base of the attachment rows. The row is as high as the
// taller of text and image (plus 4 points); both are centred in it. Main thread only.
class TImageAndTextItemViewController : public TTextItemViewController {
    Q_OBJECT
public:
    static constexpr double kRightMargin = 20.0;
    static constexpr double kImageGap = 4.0;

    using TTextItemViewController::TTextItemViewController;

    TImageAndTextItem* imageAndTextItem() const;
    QLabel* imageView() const { return m_imageView; }
    QImage image() const { return m_image; }
    void setImage(const QImage& image);
    QSizeF imageSize() const;
    void setImageSize(const QSizeF& size);

    void update() override;
    QRectF textViewFrame() const override;
    double rowHeight() const override;
    void recalculateRow() override;

protected:
    QWidget* loadView() override;
    // The pixels the row shows its picture in: the picture is decoded to fit them, never whole.
    virtual QSize imageBound() const;

private:
    QLabel* m_imageView = nullptr; // owned by the row's view
    QImage m_image;
};
