#include "NSSpaceBarItem.h"

NSSpaceBarItem* NSSpaceBarItem::spaceItemOfWidth(qint32 width) {
    auto* item = new NSSpaceBarItem(QRectF(0, 0, width, 0));
    item->setRepresentedObject(stringValue());
    return item;
}
