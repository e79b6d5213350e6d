#include "windows/ImageAndTextItemViewController.h"

#include "model/CardItems.h"
#include "windows/CardTextView.h"

#include <QLabel>
#include <QPixmap>

#include <cmath>

TImageAndTextItem* TImageAndTextItemViewController::imageAndTextItem() const {
    TCardItem* item = cardItem();
    return item && item->IsMember(TImageAndTextItem::StaticClass()) ? static_cast<TImageAndTextItem*>(item)
                                                                    : nullptr;
}

QWidget* TImageAndTextItemViewController::loadView() {
    QWidget* root = TTextItemViewController::loadView();
    m_imageView = new QLabel(root);
    m_imageView->setScaledContents(true);
    return root;
}

void TImageAndTextItemViewController::setImage(const QImage& image) {
    m_image = image;
    m_imageView->setPixmap(QPixmap::fromImage(image));
}

QSizeF TImageAndTextItemViewController::imageSize() const {
    TImageAndTextItem* item = imageAndTextItem();
    return item ? item->GetImageSize() : QSizeF();
}

void TImageAndTextItemViewController::setImageSize(const QSizeF& size) {
    m_imageView->resize(int(std::ceil(size.width())), int(std::ceil(size.height())));
}

void TImageAndTextItemViewController::update() {
    TTextItemViewController::update();
    if (!m_imageView) return;
    if (TImageAndTextItem* item = imageAndTextItem()) setImage(item->GetImage(imageBound()));
    setImageSize(imageSize());
}

QSize TImageAndTextItemViewController::imageBound() const {
    const double ratio = m_imageView ? m_imageView->devicePixelRatioF() : 1.0;
    const QSizeF size = imageSize() * ratio;
    return QSize(int(std::ceil(size.width())), int(std::ceil(size.height()))).expandedTo(QSize(1, 1));
}

QRectF TImageAndTextItemViewController::textViewFrame() const {
    QRectF frame = TTextItemViewController::textViewFrame();
    if (m_imageView && !m_imageView->isHidden()) {
        const double right = m_imageView->geometry().right() + 1;
        frame.setWidth(frame.width() - (m_imageView->width() + kRightMargin));
        frame.moveLeft(right);
    } else {
        frame.adjust(kTextInset, 0, -kTextInset, 0);
        frame.setHeight(std::max(frame.height(), kMinimumTextHeight));
    }
    return frame;
}

double TImageAndTextItemViewController::rowHeight() const {
    const double text = TTextItemViewController::rowHeight();
    if (!m_imageView || m_imageView->isHidden()) return text;
    return std::max(text, m_imageView->height() + kImageGap);
}

void TImageAndTextItemViewController::recalculateRow() {
    TTextItemViewController::recalculateRow();
    const double middle = rowView()->height() / 2.0;
    for (QWidget* view : {static_cast<QWidget*>(m_imageView), static_cast<QWidget*>(editor())})
        if (view) view->move(view->x(), int(std::floor(middle - view->height() / 2.0)));
}
