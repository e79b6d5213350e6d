#pragma once

#include "windows/OutlineDragDrop.h"

#include <QObject>
#include <QPoint>

class TCardOutlineView;
class TOutlineViewController;

// Drags rows out of a card's outline and takes drops into it: watches the outline's viewport,
// works out where a drop lands from the pointer, and hands the drop to OutlineDragDrop with the
// outline's controller as its host (undoable insertions and moves). Made by the outline
// controller; owned by the outline widget. Main thread only.
class OutlineDragController : public QObject, public OutlineDropHost {
    Q_OBJECT
public:
    OutlineDragController(TOutlineViewController* controller, TCardOutlineView* outline);

    // Where a drop at the point of the viewport lands: onto a row (its middle half; index -1), just
    // before or after it (its top or bottom quarter; the first child of an open row with children),
    // or at the end of the root below the last row. A null parent is the card's root.
    struct DropTarget {
        TCardItem* parent = nullptr;
        qint64 index = -1;
    };
    DropTarget dropTargetAt(const QPoint& viewportPoint) const;

    // OutlineDropHost
    TListCard* dropCard() const override;
    bool isFiltered() const override;
    void insertDroppedItem(TCardItem* item, TTreeNode* parent, qint64 index) override;
    void moveDroppedItem(TCardItem* item, TTreeNode* parent, qint64 index) override;
    QString dropItemClass() const override;
    void reloadAfterDrop() override;
    void clearUndoHistory(TCard* card) override;
    QObject* alertWindow() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void startDrag();

    TOutlineViewController* m_controller; // not owned; owns the outline
    TCardOutlineView* m_outline;          // the parent
    QPoint m_pressPoint;
    qint64 m_pressRow = -1;
};
