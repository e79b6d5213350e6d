#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QMimeData;
class QObject;
class TCard;
class TCardItem;
class TListCard;
class TTreeNode;

// What a drop into an outline asks of the outline's controller. Implemented by the outline
// controller; the drop code holds it only for the call.
class OutlineDropHost {
public:
    virtual ~OutlineDropHost() = default;
    virtual TListCard* dropCard() const = 0;
    // True while a filter is shown: nothing is dragged out or dropped in.
    virtual bool isFiltered() const = 0;
    // Undoable "Add Item": the item goes into parent (the card's root row) at index (-1 appends);
    // the parent retains it.
    virtual void insertDroppedItem(TCardItem* item, TTreeNode* parent, qint64 index) = 0;
    // Undoable "Move Item": index counts the parent's children without the item (-1 appends).
    virtual void moveDroppedItem(TCardItem* item, TTreeNode* parent, qint64 index) = 0;
    // The class name of a new row: "TTask" or "TListItem".
    virtual QString dropItemClass() const = 0;
    // The model changed without undo steps; the outline shows the tree afresh.
    virtual void reloadAfterDrop() = 0;
    // The card's tree changed without an undo step, so the steps of its window no longer apply.
    virtual void clearUndoHistory(TCard* card) = 0;
    // The window alerts are shown over (null: the application).
    virtual QObject* alertWindow() const { return nullptr; }
};

// Dragging rows out of an outline and dropping rows, cards, images, files, links and text into it.
// Row drags carry this process's token and the rows' identities, never an address: a payload of
// another process or naming a row that is gone is refused. Main thread only.
namespace OutlineDragDrop {

// Drag operations as the outline answers them.
enum DragOperation : quint32 { kDragOperationNone = 0, kDragOperationCopy = 1, kDragOperationGeneric = 4 };

// The types an outline accepts, in the order it registers them.
QStringList draggedTypes();

// Writes a drag of the rows: their references under "TCardItem.wrapper" and a link to the last row
// as text. False, and nothing written, while a filter is shown, without rows or with more than a
// drag carries (PasteboardUtilities::kMaximumItems).
bool writeItems(const QList<TCardItem*>& items, bool filtered, QMimeData& pasteboard);
// The rows of a row drag, in order, rows whose parent row is also dragged left out; empty when the
// pasteboard holds none, or when it comes from another process or names a row that is gone.
QList<TCardItem*> draggedItems(const QMimeData& pasteboard);
// Whether the pasteboard holds a row drag (of this process or not).
bool hasDraggedItems(const QMimeData& pasteboard);

// The operation a drop onto parent (null: the card's root) gets: none while filtered, onto a row
// that takes no children, or (unless copying) for rows dropped into themselves or a row below
// them; a copy with the Alt key down; else generic.
DragOperation validateDrop(const QMimeData& pasteboard, const TCardItem* parent, bool filtered, bool altDown);

// Takes the drop at index of parent (null: the card's root; -1 appends); copy is a drop whose
// source offers copying alone. Answers whether anything was taken. Several rows or items dropped at
// one index keep their order.
bool acceptDrop(OutlineDropHost& host, const QMimeData& pasteboard, TCardItem* parent, qint64 index,
                bool copy);

} // namespace OutlineDragDrop
