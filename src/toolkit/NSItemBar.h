#pragma once

#include "ItemBarLayout.h"
#include "NSDraggingInfo.h"
#include "NSItemBarDelegate.h"

#include <QFont>
#include <QList>
#include <QVariantList>
#include <QWidget>
#include <memory>

class NSBarItem;
class QMenu;

// A horizontal strip of bar items laid out from left to right, filled directly or from a data
// source, reporting every change to an optional delegate (neither is owned). It animates items
// into place, can centre them and fit its own width to them; items can be dragged along it or out
// of it, and content dropped between them. Owns its items (they are its child widgets). Timers
// (the arrangement throttle, drag tracking) run on the platform scheduler. Main thread only.
class NSItemBar : public QWidget {
    Q_OBJECT
public:
    static constexpr qint32 kNoDropIndex = ItemBarLayout::kNoDropIndex;

    explicit NSItemBar(QWidget* parent = nullptr);
    ~NSItemBar() override;

    // Settings take effect at the next arrangement or drag.
    void setItemMargin(qint32 margin) { m_itemMargin = margin; }
    double itemMargin() const { return m_itemMargin; }
    void setItemOffset(const QPointF& offset) { m_itemOffset = offset; }
    QPointF itemOffset() const { return m_itemOffset; }
    void setEdgeInset(double inset) { m_edgeInset = inset; }
    double edgeInset() const { return m_edgeInset; }
    void setCenterHorizontally(bool centre) { m_centerHorizontally = centre; }
    bool centerHorizontally() const { return m_centerHorizontally; }
    void setResizeToWidth(bool resize) { m_resizeToWidth = resize; }
    bool resizeToWidth() const { return m_resizeToWidth; }
    void setArrangingAllowsRemoval(bool allows) { m_arrangingAllowsRemoval = allows; }
    bool arrangingAllowsRemoval() const { return m_arrangingAllowsRemoval; }
    void setArrangingRequiresCommandKey(bool required) { m_arrangingRequiresCommandKey = required; }
    bool arrangingRequiresCommandKey() const { return m_arrangingRequiresCommandKey; }
    void setArrangingRequiresEditMode(bool required) { m_arrangingRequiresEditMode = required; }
    bool arrangingRequiresEditMode() const { return m_arrangingRequiresEditMode; }
    void setAnimationDuration(double seconds) { m_animationDuration = seconds; }
    double animationDuration() const { return m_animationDuration; }
    void setDelegate(NSItemBarDelegate* delegate) { m_delegate = delegate; }
    NSItemBarDelegate* delegate() const { return m_delegate; }
    void setDataSource(NSItemBarDataSource* dataSource) { m_dataSource = dataSource; }
    NSItemBarDataSource* dataSource() const { return m_dataSource; }

    const QList<NSBarItem*>& items() const { return m_items; }
    qsizetype count() const { return m_items.size(); }
    bool isTrackingDrag() const { return m_trackingDrag; }
    bool isReloadingData() const { return m_reloadingData; }
    static double defaultItemWidth() { return 64.0; }
    static QFont contextualMenuFont();
    static QStringList dragTypes();

    // The item list. Each change notifies (will, change, did, then items-changed unless
    // reloading); none arranges: the caller sends arrangeItems. The bar takes ownership of an
    // added item; a removed one is released at the next turn of the event loop unless re-added.
    void addItem(NSBarItem* item);
    void insertItemAtIndex(NSBarItem* item, qint64 index); // clamped to the list
    void removeItem(NSBarItem* item);
    void removeItemAtIndex(qint64 index);
    void removeAllItems();
    void setItems(const QList<NSBarItem*>& items);
    void moveItemToIndex(NSBarItem* item, qint64 index);
    NSBarItem* itemAtIndex(qint64 index) const;      // null outside the list
    qint64 indexOfItem(const NSBarItem* item) const; // -1 when absent
    // Items without a represented object are skipped.
    QVariantList representedObjects() const;

    // Refills the bar from the data source (a programming error without one) and arranges.
    void reloadData();
    virtual void arrangeItems();
    void arrangeItemsWithDuration(double seconds);
    double calculateItemWidth() const;
    // Every item takes the bar's height, then the bar arranges.
    void frameChanged();

    // Drag and drop. Locations are in the bar's coordinates.
    qint32 dropTrackingIndex() const { return m_dropTrackingIndex; }
    double dropIndicatorWidth() const { return m_dropIndicatorWidth; }
    QPointF draggingLocation() const { return m_draggingLocation; }
    qint32 dropIndexForDrag(const NSDraggingInfo& info) const;
    quint64 dragOperationForPasteboard(const QMimeData* pasteboard) const;
    void updateDropTrackingOutsideOfEventStream();
    virtual quint64 draggingEntered(const NSDraggingInfo& info);
    virtual quint64 draggingUpdated(const NSDraggingInfo& info);
    virtual void draggingExited(const NSDraggingInfo& info);
    virtual void draggingEnded();
    virtual bool performDragOperation(const NSDraggingInfo& info);

    // The context menu: the delegate's entries and "Add Separator" when the data source takes
    // separators; null when the delegate cancels it or nothing is offered. Owned by the caller.
    std::unique_ptr<QMenu> contextualMenu();
    // Pops the menu up at the global point (it deletes itself when closed).
    void popupContextualMenu(const QPoint& globalPoint);
    void addSeparatorItem();

    // Sent by the item that is the source of a drag.
    void itemDraggingWillBegin(NSBarItem* item, const QPointF& point);
    void itemDraggingMoved(NSBarItem* item, const QPointF& point);
    void itemDraggingEnded(NSBarItem* item, const QPointF& point, quint64 operation);

signals:
    void contextualMenuShown(QMenu* menu);

protected:
    // The slots of the items in order, each item refitted first when refit is set.
    QList<ItemBarLayout::Slot> layoutSlots(bool refit) const;
    ItemBarLayout::Settings layoutSettings() const;
    // Seconds on the scheduler's clock.
    static double now();

    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    friend class NSBarItem;
    void placeItem(NSBarItem* item, const QRectF& target);
    void animationDidStop(bool finished);
    void itemDestroyed(NSBarItem* item) { m_items.removeAll(item); }
    void stopDragTimer();
    void setDropTrackingIndex(qint32 index);
    bool takePasteboardItem(const QMimeData* pasteboard, qint32 dropIndex);

    QList<NSBarItem*> m_items;
    double m_itemMargin = 4.0;
    QPointF m_itemOffset;
    NSItemBarDelegate* m_delegate = nullptr;
    NSItemBarDataSource* m_dataSource = nullptr;
    double m_dragTime = 0;
    double m_arrangeTime = 0;
    double m_animationDuration = 0.25;
    bool m_reloadingData = false;
    bool m_resizeToWidth = false;
    double m_edgeInset = 0;
    qint32 m_dropTrackingIndex = kNoDropIndex;
    double m_dropIndicatorWidth = 0;
    QPointF m_draggingLocation;
    bool m_arrangingRequiresCommandKey = false;
    bool m_arrangingRequiresEditMode = false;
    bool m_arrangingAllowsRemoval = true;
    bool m_dragTimer = false;
    bool m_trackingDrag = false;
    bool m_centerHorizontally = false;
    bool m_resizingToWidth = false;
};
