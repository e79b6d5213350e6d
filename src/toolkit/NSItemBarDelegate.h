#pragma once

#include "NSDraggingInfo.h"

#include <QImage>
#include <QPointF>
#include <QString>

class NSBarItem;
class NSDraggingSession;
class NSItemBar;
class QMenu;
class QMimeData;

// What an item bar reports to its delegate. Every method is optional: the defaults do nothing and
// answer as a bar without a delegate would. A method that replaces the bar's own behaviour returns
// whether it handled the event; false lets the bar do its own.
class NSItemBarDelegate {
public:
    virtual ~NSItemBarDelegate() = default;

    virtual void willAddItemToBar(NSItemBar*, NSBarItem*) {}
    virtual void didAddItemToBar(NSItemBar*, NSBarItem*) {}
    virtual void willRemoveItemFromBar(NSItemBar*, NSBarItem*) {}
    virtual void didRemoveItemFromBar(NSItemBar*, NSBarItem*) {}
    virtual void itemBarItemsChanged(NSItemBar*) {}
    virtual void itemBarItemsArranged(NSItemBar*) {}
    virtual void itemBarResized(NSItemBar*) {}
    // A press and release on the item without a drag between.
    virtual void itemClicked(NSItemBar*, NSBarItem*) {}
    virtual void itemDoubleClicked(NSItemBar*, NSBarItem*) {}
    // May add entries to the menu; false shows no menu.
    virtual bool willPopupContextualMenu(NSItemBar*, QMenu*) { return true; }
    // Asked on every drag enter and move over the bar (item null) or one of its items; false
    // refuses the drop.
    virtual bool acceptDrop(NSItemBar*, const NSDraggingInfo&, NSBarItem*) { return true; }
    virtual void willMoveItemToIndex(NSItemBar*, NSBarItem*, qint64) {}
    virtual void didMoveItemToIndex(NSItemBar*, NSBarItem*, qint64) {}
    // A new item for dropped data that is not an item of this bar (owned by the caller, who adds
    // it to the bar); null takes nothing.
    virtual NSBarItem* addItemForPasteboardItem(NSItemBar*, const QMimeData*) { return nullptr; }
    // Adds the delegate's own data to a drag of the item, after the bar-item entry.
    virtual void addDataForItemAtIndex(NSItemBar*, NSBarItem*, qint64, QMimeData*) {}
    // The drag image of the item; a null image lets the bar make one from the item.
    virtual QImage imageForDraggingItem(NSItemBar*, NSBarItem*) { return {}; }
    virtual void draggingItemWillBeginAtPoint(NSItemBar*, NSBarItem*, NSDraggingSession*, const QPointF&) {}
    // True when the delegate gave its own feedback in place of the bar's cursor.
    virtual bool draggingItemMovedToPoint(NSItemBar*, NSBarItem*, NSDraggingSession*, const QPointF&) {
        return false;
    }
    // True when the delegate took over the end of the drag (removal or restore of the item).
    virtual bool draggingItemEndedAtPoint(NSItemBar*, NSBarItem*, NSDraggingSession*, const QPointF&,
                                          quint64) {
        return false;
    }
};

// Fills an item bar. The count and the items are required; the two insertions are optional and
// answer false by default (nothing taken).
class NSItemBarDataSource {
public:
    virtual ~NSItemBarDataSource() = default;

    virtual qint32 itemBarItemCount(NSItemBar* bar) = 0;
    // A new item for the index (owned by the caller, who adds it to the bar), or null.
    virtual NSBarItem* itemBarCreateItemForIndex(NSItemBar* bar, qint32 index) = 0;
    // Takes dropped data in at the index; true when the item for it can now be made.
    virtual bool insertObjectForPasteboardItem(NSItemBar*, const QMimeData*, qint64) { return false; }
    // Whether insertObjectForIdentifier can take the identifier (the bar offers "Add Separator"
    // only then), and the taking itself, at the index.
    virtual bool canInsertObjectForIdentifier(NSItemBar*, const QString&) { return false; }
    virtual bool insertObjectForIdentifier(NSItemBar*, const QString&, qint64) { return false; }
};
