#pragma once

#include "toolkit/DelegatePointer.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QWidget>

class ScreenProvider;
class NSSlideWindowController;

// What a slide window tells its delegate, each with the controller's window. Optional: the
// defaults do nothing, and a delegate that does not answer slideWindowShouldClose lets it close.
class NSSlideWindowDelegate {
public:
    virtual ~NSSlideWindowDelegate() = default;
    virtual void slideWindowWillExpand(QWidget* /*window*/) {}
    virtual void slideWindowDidExpand(QWidget* /*window*/) {}
    virtual void slideWindowWillCollapse(QWidget* /*window*/) {}
    virtual void slideWindowDidCollapse(QWidget* /*window*/) {}
    virtual bool slideWindowShouldClose(QWidget* /*window*/) { return true; }
};

// The slide window's geometry, in Qt's global (y-down) coordinates. A window at an edge is a strip
// against that edge of its screen's available area; its extent (the strip's width at the left and
// right edges, its height at the top and bottom) runs from the exposed edge, collapsed, to the
// window's whole size, expanded. Left and right windows stand on the area's bottom, top and bottom
// windows on its left. The content keeps its whole size and stays anchored to the strip's side
// away from the edge, so it appears as if the window slid in from beyond the edge. A window larger
// than the area is cut to it; its side at the edge stays in view.
namespace SlideGeometry {

enum Edge : qint32 { Left = 0, Right = 1, Top = 2, Bottom = 3 };

double fullExtent(qint32 edge, const QSizeF& size);
QRectF windowFrame(const QRectF& available, qint32 edge, const QSizeF& size, double extent);
// Where the content lies in the window: extent is the slid extent, shown the part of it the
// window's frame holds (less once the extent is larger than the screen).
QPointF contentOffset(qint32 edge, const QSizeF& size, double extent, double shown);
// One step: a part (1/ratio) of what is on screen, at least the minimum.
double stepAmount(double exposed, double ratio, double minimum);

} // namespace SlideGeometry

// Keeps a window at one screen edge, collapsed to a strip or expanded, and slides it between the
// two in timer steps on the platform scheduler (every duration/60 seconds), or at once when the
// duration is zero. The window is a frameless tool window that stays on top and hides while the
// program is inactive. The controller owns its window; with releaseWhenCollapsed it deletes
// itself (later, on the event loop) when its window closes, which the end of an animated collapse
// does. Delegates are not owned. Writes "expand" and "collapse" as diagnostic lines. Main thread
// only.
class NSSlideWindowController : public QObject {
    Q_OBJECT
public:
    // A new window when none is given.
    explicit NSSlideWindowController(QWidget* window = nullptr, QObject* parent = nullptr);
    ~NSSlideWindowController() override;

    QWidget* window() const { return m_window; }
    // Puts the view into the window (the window owns it); a background view gets the controller.
    void setContentView(QWidget* view);
    QWidget* contentView() const { return m_contentView; }
    // The window's whole size, expanded.
    void setWindowSize(const QSizeF& size);
    QSizeF windowSize() const { return m_windowSize; }
    // Where the screens come from (not owned); null: the shared provider.
    void setScreenProvider(ScreenProvider* provider);

    // Made once by the constructor; later calls only hand the controller to a background view.
    void setup();

    qint32 slideEdge() const { return m_slideEdge; }
    void setSlideEdge(qint32 edge) { m_slideEdge = edge; }
    double exposedEdge() const { return m_exposedEdge; }
    void setExposedEdge(double exposed) { m_exposedEdge = exposed; }
    NSSlideWindowDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(NSSlideWindowDelegate* delegate) { m_delegate = delegate; }
    // The duration of a whole slide in seconds; a step runs every duration/60 seconds.
    void setAnimationDuration(double seconds) { m_animationDuration = seconds / 60.0; }
    double stepInterval() const { return m_animationDuration; }
    void setSlideRatio(double ratio) { m_slideRatio = ratio; }
    void setReleaseWhenCollapsed(bool release) { m_releaseWhenCollapsed = release; }
    bool isExpanded() const { return m_expanded; }
    bool isCollapsed() const { return m_collapsed; }
    bool isSlidingIn() const { return m_slidingIn; }
    bool isSlidingOut() const { return m_slidingOut; }
    bool isSlidingEnabled() const { return m_slidingEnabled; }
    bool isAnimating() const;

    // With display, a change collapses (enabled) or expands (disabled) at once. The animation
    // argument is not used.
    void setSlidingEnabled(bool enabled, bool display, bool animation);
    void toggle();
    void expand();   // at once, without the delegate
    void collapse(); // at once, without the delegate
    void slideOut();
    void slideIn();
    void slideOutAnimation(); // one step
    void slideInAnimation();  // one step
    void invalidateTimer();
    // Puts the window at its collapsed or expanded place.
    virtual void reposition();
    // Whether leaving the window may slide it in: not with sliding disabled; else the delegate's.
    virtual bool shouldClose();
    void close();

    // Extents along the edge's axis: what is on screen now, the collapsed and the expanded one,
    // and the smallest step (1/15 of the whole extent).
    double exposedAmount() const { return m_extent; }
    double startLocation() const;
    double destinationLocation() const;
    double minimumSlideAmount() const;

protected:
    // The window closed; deletes the controller with releaseWhenCollapsed.
    virtual void windowWillClose();
    // Whether the window hides while the program is inactive (it shows again when it is active).
    virtual bool hidesWhileInactive() const { return true; }
    void setExtent(double extent);

private:
    void placeAtOnce(bool expanded);
    void startSlide(bool out);
    void applicationStateChanged(Qt::ApplicationState state);

    QPointer<QWidget> m_window;
    QPointer<QWidget> m_contentView;
    QSizeF m_windowSize;
    ScreenProvider* m_screens = nullptr;
    double m_extent = 0;
    bool m_expanded = false;
    bool m_collapsed = false;
    bool m_didSlideFirstTime = false;
    bool m_releaseWhenCollapsed = false;
    double m_exposedEdge = 0;
    qint32 m_slideEdge = SlideGeometry::Left;
    DelegatePointer<NSSlideWindowDelegate> m_delegate;
    double m_slideRatio = 6.0;
    bool m_slidingIn = false;
    bool m_slidingOut = false;
    bool m_slidingEnabled = false;
    double m_animationDuration = 0;
    bool m_didSetup = false;
    bool m_hiddenWhileInactive = false;
};

// A content view that slides its window out when the pointer rests over it (a whole tick of
// 0.2 s without moving) or a drag rests over it (1 s ticks), and back in 0.7 s (1 s for a drag)
// after the pointer left the window, when the controller agrees. Does not own the controller.
// Ticks run on the platform scheduler. Main thread only.
class NSSlideWindowBackgroundView : public QWidget {
    Q_OBJECT
public:
    explicit NSSlideWindowBackgroundView(QWidget* parent = nullptr);
    ~NSSlideWindowBackgroundView() override;

    void setSlideWindow(NSSlideWindowController* controller) { m_slideWindow = controller; }
    NSSlideWindowController* slideWindow() const { return m_slideWindow; }
    qint32 edge() const;
    double mouseEnteredDelay() const { return 0.2; }
    double mouseExitedDelay() const { return 0.7; }

    void mouseEntered();
    void mouseExited();
    void mouseEnteredAfterDelay();
    void mouseExitedAfterDelay();
    void draggingEntered();
    void draggingExited();
    void draggingEnded();
    bool isTimerPending() const;

protected:
    // The pointer in global coordinates.
    virtual QPoint pointerLocation() const;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void startMouseTimer(double seconds, void (NSSlideWindowBackgroundView::*tick)());
    void stopMouseTimer();

    QPointer<NSSlideWindowController> m_slideWindow;
    QPoint m_mouseLocation;
};
