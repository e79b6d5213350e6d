#include "ApplicationIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// The picture on a 128 x 128 grid.
void paint(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF card(22, 14, 84, 100);
    painter.save();
    painter.translate(64, 64);
    painter.rotate(-8);
    painter.translate(-64, -64);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xc9, 0xd7, 0xe8));
    painter.drawRoundedRect(card, 8, 8);
    painter.restore();

    painter.setPen(QPen(QColor(0x8a, 0x96, 0xa6), 2));
    painter.setBrush(QColor(0xfd, 0xfb, 0xf3));
    painter.drawRoundedRect(card, 8, 8);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xf2, 0xc1, 0x4e));
    painter.drawRoundedRect(QRectF(22, 14, 84, 18), 8, 8);
    painter.drawRect(QRectF(22, 24, 84, 8));

    QPen tick(QColor(0x3d, 0x6f, 0xa8), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(tick);
    painter.setBrush(Qt::NoBrush);
    for (double y : {50.0, 72.0}) {
        QPainterPath path(QPointF(34, y));
        path.lineTo(39, y + 5);
        path.lineTo(48, y - 5);
        painter.drawPath(path);
    }
    tick.setWidth(3);
    painter.setPen(tick);
    painter.drawRoundedRect(QRectF(34, 88, 14, 12), 2, 2);

    painter.setPen(QPen(QColor(0x6b, 0x73, 0x80), 4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QLineF(58, 50, 92, 50));
    painter.drawLine(QLineF(58, 72, 88, 72));
    painter.drawLine(QLineF(58, 94, 84, 94));
}

} // namespace

QIcon ApplicationIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.scale(size / 128.0, size / 128.0);
        paint(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
