#pragma once

#include "NSBarItem.h"

// A thin vertical line in an item bar, opaque black in the middle fading out toward both ends.
// Its represented object is its marker "---".
class NSSeparatorBarItem : public NSBarItem {
    Q_OBJECT
public:
    using NSBarItem::NSBarItem;
    static QString stringValue() { return QStringLiteral("---"); }
    // A new separator 1 point wide, owned by the caller until added to a bar.
    static NSSeparatorBarItem* separatorItem();

protected:
    void paintEvent(QPaintEvent* event) override;
};
