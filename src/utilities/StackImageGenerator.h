#pragma once

#include "foundation/Array.h"

#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QSizeF>

// The face of a stack of cards: one image composed of the pictures of up to nine items, which a
// caller-given callback draws into the rects it is handed.
namespace StackImageGenerator {

enum : qint32 {
    kStackLayoutScatter = 0, // each item over the whole image, turned -45..45 degrees and scaled
                             // 90..100 % about the centre; the turns and scales add up item by item
    kStackLayoutPile = 1,    // up to 4 items in nested rects 6 points apart, the first on top
    kStackLayoutGrid = 2,    // a dark rounded backdrop and a 3 x 3 grid, row by row from the top left
};

// Draws item into rect of the painter. The item is the array's element as it stands.
using StackImageDrawCallback = void (*)(QPainter& context, const QRectF& rect, const TArrayValue& item,
                                        void* userData);

// The composed image, size in pixels; null for an empty array or a size no bitmap can have. An
// unknown layout gives a transparent image. The scatter draws its angles and scales from
// GetRandomNumber, so a fixed seed gives the same image. flipped mirrors each pile rect inside the
// image (they are centred, so they stay put).
QImage CompositeStackImageFromItems(qint32 layout, const TArray* items, bool flipped,
                                    StackImageDrawCallback callback, void* userData, const QSizeF& size);

} // namespace StackImageGenerator
