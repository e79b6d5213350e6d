#include "NSSeparatorBarItem.h"

#include "utilities/CGDrawing.h"
#include "utilities/CGUtilities.h"

NSSeparatorBarItem* NSSeparatorBarItem::separatorItem() {
    auto* item = new NSSeparatorBarItem(QRectF(0, 0, 1.0, 0));
    item->setRepresentedObject(stringValue());
    return item;
}

void NSSeparatorBarItem::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF bounds = rect();
    const double half = bounds.height() / 2;
    const QRectF lower(bounds.left(), bounds.top() + half, bounds.width(), half);
    const QRectF upper(bounds.left(), bounds.top(), bounds.width(), half);
    // Vertical gradients run from a rect's bottom edge to its top edge.
    CGUtilities::CGContextFillRectWithGradient(painter, false, CGUtilities::kCGRGBColorClear,
                                               CGUtilities::kCGRGBColorBlack, lower);
    CGUtilities::CGContextFillRectWithGradient(painter, false, CGUtilities::kCGRGBColorBlack,
                                               CGUtilities::kCGRGBColorClear, upper);
}
