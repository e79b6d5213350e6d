#include "NSTabItemCloseButtonCell.h"

#include "utilities/CGDrawing.h"

#include <QPainter>

NSTabItemCloseButtonCell::NSTabItemCloseButtonCell(QWidget* parent) : QAbstractButton(parent) {
    setFixedSize(sizeHint());
    setFocusPolicy(Qt::NoFocus);
}

void NSTabItemCloseButtonCell::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    m_mouseInside = true;
    update();
}

void NSTabItemCloseButtonCell::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    m_mouseInside = false;
    update();
}

void NSTabItemCloseButtonCell::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_mouseInside || isDown()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.3f));
        CGUtilities::CGContextFillRoundedRect(painter, QRectF(rect()), 2, 2);
    }
    painter.setPen(
        QPen(isEnabled() ? palette().color(QPalette::WindowText) : palette().color(QPalette::Mid), 1.5));
    const QRectF cross = QRectF(rect()).adjusted(4, 4, -4, -4);
    painter.drawLine(cross.topLeft(), cross.bottomRight());
    painter.drawLine(cross.topRight(), cross.bottomLeft());
}
