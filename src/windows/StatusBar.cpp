#include "windows/StatusBar.h"

#include <QPainter>
#include <QPainterPath>

void TStatusBar::paintEvent(QPaintEvent* event) {
    NSItemBar::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), 4.0, 4.0);
    painter.fillPath(path, QColor(0, 0, 0, qRound(0.1 * 255)));
}
