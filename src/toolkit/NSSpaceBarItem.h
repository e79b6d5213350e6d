#pragma once

#include "NSBarItem.h"

// An empty gap in an item bar. Its represented object is its marker "|%|".
class NSSpaceBarItem : public NSBarItem {
    Q_OBJECT
public:
    using NSBarItem::NSBarItem;
    static QString stringValue() { return QStringLiteral("|%|"); }
    // New space items, owned by the caller until added to a bar.
    static NSSpaceBarItem* spaceItemOfWidth(qint32 width);
    static NSSpaceBarItem* spaceItem() { return spaceItemOfWidth(4); }
};
