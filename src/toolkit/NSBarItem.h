#pragma once

#include "NSDraggingInfo.h"
#include "NSItemBar.h"
#include "NSViewController.h"

#include <QMouseEvent>
#include <QPointer>
#include <QVariant>
#include <QWidget>

class QGraphicsOpacityEffect;

// One view of an item bar: a tab, a badge, a button, a space or a separator. It knows its bar
// (non-owning; the bar sets it), carries a represented object, may host a view or a view
// controller's view, and is the drag source when the user drags it along or out of its bar.
// While in a bar it is the bar's child widget; the bar owns it. An item taken out of its bar is
// deleted at the next turn of the event loop unless it was added to a bar again by then; one
// being dragged lives until its drag ends.
// Main thread only.
class NSBarItem : public QWidget {
    Q_OBJECT
public:
    explicit NSBarItem(const QRectF& frame = {}, QWidget* parent = nullptr);
    static NSBarItem* initWithWidth(double width);
    // Hosts the view (the item takes it as its only child, sized with the item).
    static NSBarItem* initWithView(QWidget* view);
    // Hosts the controller's view; the item owns the controller.
    static NSBarItem* initWithViewController(NSViewController* controller);
    ~NSBarItem() override;

    void setViewController(NSViewController* controller); // owned by the item
    NSViewController* viewController() const { return m_viewController; }
    void setRepresentedObject(const QVariant& object) { m_representedObject = object; }
    QVariant representedObject() const { return m_representedObject; }

    NSItemBar* itemBar() const { return m_itemBar; }
    // Sent by the bar only: joins the bar's view tree (fading in when the bar animates) or, with
    // null, leaves the view tree.
    void setItemBar(NSItemBar* bar);

    QRectF frame() const { return QRectF(geometry()); }
    void setFrame(const QRectF& frame);
    void setWidth(double width);
    double verticalOffset() const { return m_verticalOffset; }
    void setverticalOffset(double offset) { m_verticalOffset = offset; }
    bool isClipped() const { return m_clipped; }
    void setClipped(bool clipped) { m_clipped = clipped; }
    bool isEnabled() const { return m_enabled; }
    // Also enables or disables the item's child controls.
    void setEnabled(bool enabled);
    bool isDragging() const { return m_dragging; }
    qint64 itemIndex() const { return m_itemIndex; }
    void setItemIndex(qint64 index) { m_itemIndex = index; }
    QPointF mouseDownLocation() const { return m_mouseDownLocation; }
    // Whether the item stands in a view (the item being dragged does not).
    bool hasSuperview() const { return parentWidget() != nullptr; }

    // The frame grown by the bar's item margin on every side (the plain frame without a bar).
    QRectF boundingFrame() const;
    // Height 0, so the next arrangement places the item without animation.
    void invalidate();
    // Sent by the bar before it places the item.
    virtual void itemWillArrange() {}
    // Non-zero when the item wants pointer moves between enter and exit (mouse tracking).
    virtual int trackingActivityFlags() const { return 0; }
    void updateTrackingAreas() { setMouseTracking(trackingActivityFlags() != 0); }
    // Opacity, 1 when opaque.
    double alphaValue() const;
    void setAlphaValue(double alpha);

    // Starting a drag.
    bool mouseDraggedShouldArrange(const QInputEvent* event) const;
    // Starts a drag when the pointer (item coordinates) moved 3 points or more from the press.
    void mouseDragged(const QPointF& location, const QInputEvent* event);
    // Writes the item's bar-item entry, then the delegate's data.
    void addItemsToPasteboard(QMimeData* pasteboard);

    // The drag-source callbacks (screen points).
    virtual void draggingSessionWillBegin(const QPointF& point);
    virtual void draggingSessionMovedToPoint(const QPointF& point);
    virtual void draggingSessionEnded(const QPointF& point, quint64 operation);

    // The drop side, passed to the bar (info in the bar's coordinates).
    virtual quint64 draggingEntered(const NSDraggingInfo& info);
    virtual quint64 draggingUpdated(const NSDraggingInfo& info);
    virtual void draggingExited(const NSDraggingInfo& info);
    bool performDragOperation(const NSDraggingInfo& info);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // Records the press; a double click goes to the bar's delegate. A release where the press was,
    // with no drag between, is a click for the delegate.
    virtual void mouseDown(QMouseEvent* event);
    void resizeEvent(QResizeEvent* event) override;
    // Makes the view the item's content, sized with the item.
    void hostView(QWidget* view);

private:
    quint64 passDragToBar(const NSDraggingInfo& info, bool entered);
    NSDraggingInfo infoInBar(const QMimeData* data, const QPointF& local) const;

    QPointer<NSItemBar> m_itemBar;
    QVariant m_representedObject;
    QPointer<NSViewController> m_viewController;
    QPointF m_mouseDownLocation;
    bool m_dragging = false;
    bool m_clickPending = false;
    qint64 m_itemIndex = 0;
    bool m_enabled = false;
    double m_verticalOffset = 0;
    bool m_clipped = false;
    QGraphicsOpacityEffect* m_opacity = nullptr;
    QPointer<QWidget> m_hostedView;
    quint64 m_serial;
    friend class BarItemPasteboard;
    friend class NSItemBar;
};
