#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

#include <functional>

// Where drawing left paint on a transparent canvas.
struct Ink {
    QRect bounds; // of every painted pixel; null when none
    int pixels = 0;
    int outside = 0; // painted pixels outside the box given
};

inline Ink inkOf(
    const QImage& image, const QRect& box = QRect(),
    const std::function<bool(QColor)>& counts = [](QColor c) { return c.alpha() > 0; }) {
    Ink ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            if (!counts(image.pixelColor(x, y))) continue;
            ++ink.pixels;
            ink.bounds |= QRect(x, y, 1, 1);
            if (!box.isNull() && !box.contains(x, y)) ++ink.outside;
        }
    return ink;
}

inline QImage transparentCanvas(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}
