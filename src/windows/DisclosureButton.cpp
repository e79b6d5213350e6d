#include "windows/DisclosureButton.h"

#include <QPainter>
#include <QStyleOption>

DisclosureButton::DisclosureButton(QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setFocusPolicy(Qt::NoFocus);
}

void DisclosureButton::setImages(const QImage& image, const QImage& alternateImage) {
    m_image = image;
    m_alternateImage = alternateImage;
    updateGeometry();
    update();
}

QSize DisclosureButton::sizeHint() const {
    if (!m_image.isNull()) return (QSizeF(m_image.size()) / m_image.devicePixelRatio()).toSize();
    return {16, 16};
}

void DisclosureButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QImage& shown = isChecked() && !m_alternateImage.isNull() ? m_alternateImage : m_image;
    if (!shown.isNull()) {
        QRectF target(QPointF(), QSizeF(shown.size()) / shown.devicePixelRatio());
        target.moveCenter(QRectF(rect()).center());
        painter.drawImage(target, shown);
        return;
    }
    QStyleOption option;
    option.initFrom(this);
    option.state |= QStyle::State_Children;
    if (isChecked()) option.state |= QStyle::State_Open;
    style()->drawPrimitive(QStyle::PE_IndicatorBranch, &option, &painter, this);
}
