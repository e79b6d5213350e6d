#include "NSSlideWindowController.h"

#include "platform/Diagnostics.h"
#include "platform/Scheduler.h"
#include "toolkit/ScreenProvider.h"
#include "toolkit/WindowCloseWatcher.h"

#include <QCursor>
#include <QDragEnterEvent>
#include <QGuiApplication>
#include <algorithm>
#include <cmath>

namespace {

const QString kSlideKey = QStringLiteral("slide");
const QString kMouseKey = QStringLiteral("mouse");

bool alongX(qint32 edge) {
    return edge == SlideGeometry::Left || edge == SlideGeometry::Right;
}

} // namespace

namespace SlideGeometry {

double fullExtent(qint32 edge, const QSizeF& size) {
    return alongX(edge) ? size.width() : size.height();
}

QRectF windowFrame(const QRectF& available, qint32 edge, const QSizeF& size, double extent) {
    const double e = std::clamp(extent, 0.0, alongX(edge) ? available.width() : available.height());
    if (alongX(edge)) {
        const double h = std::min(size.height(), available.height());
        const double x = edge == Left ? available.left() : available.left() + available.width() - e;
        return {x, available.top() + available.height() - h, e, h};
    }
    const double w = std::min(size.width(), available.width());
    const double y = edge == Top ? available.top() : available.top() + available.height() - e;
    return {available.left(), y, w, e};
}

QPointF contentOffset(qint32 edge, const QSizeF& size, double extent, double shown) {
    switch (edge) {
    case Left:
        return {extent - size.width(), 0};
    case Right:
        return {shown - extent, 0};
    case Top:
        return {0, extent - size.height()};
    default:
        return {0, shown - extent};
    }
}

double stepAmount(double exposed, double ratio, double minimum) {
    return std::max(exposed / ratio, minimum);
}

} // namespace SlideGeometry

NSSlideWindowController::NSSlideWindowController(QWidget* window, QObject* parent)
    : QObject(parent), m_window(window ? window : new QWidget) {
    m_window->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    m_windowSize = m_window->size();
    new WindowCloseWatcher(m_window, [this] { windowWillClose(); });
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            &NSSlideWindowController::applicationStateChanged);
    setup();
}

NSSlideWindowController::~NSSlideWindowController() {
    Scheduler::shared().cancelAll(this);
    delete m_window;
}

void NSSlideWindowController::setup() {
    if (!m_didSetup) {
        m_slideRatio = 6.0;
        setAnimationDuration(0.5);
        setSlidingEnabled(true, false, false);
        m_collapsed = true;
        m_expanded = false;
        reposition();
        m_didSetup = true;
    }
    if (auto* background = qobject_cast<NSSlideWindowBackgroundView*>(m_contentView.data()))
        background->setSlideWindow(this);
}

void NSSlideWindowController::setContentView(QWidget* view) {
    if (m_contentView && m_contentView != view) delete m_contentView;
    m_contentView = view;
    if (view) {
        view->setParent(m_window);
        view->show();
    }
    setup();
    setExtent(m_extent);
}

void NSSlideWindowController::setWindowSize(const QSizeF& size) {
    m_windowSize = size;
    reposition();
}

void NSSlideWindowController::setScreenProvider(ScreenProvider* provider) {
    m_screens = provider;
    reposition();
}

bool NSSlideWindowController::isAnimating() const {
    return Scheduler::shared().isPending(this, kSlideKey);
}

void NSSlideWindowController::setSlidingEnabled(bool enabled, bool display, bool) {
    const bool changed = enabled != m_slidingEnabled;
    m_slidingEnabled = enabled;
    if (!display || !changed) return;
    if (enabled)
        collapse();
    else
        expand();
}

void NSSlideWindowController::toggle() {
    if (m_expanded)
        slideIn();
    else
        slideOut();
}

void NSSlideWindowController::expand() {
    placeAtOnce(true);
}

void NSSlideWindowController::collapse() {
    placeAtOnce(false);
}

void NSSlideWindowController::placeAtOnce(bool expanded) {
    Diagnostics::line(expanded ? QStringLiteral("expand") : QStringLiteral("collapse"));
    invalidateTimer();
    m_slidingIn = m_slidingOut = false;
    m_expanded = expanded;
    m_collapsed = !expanded;
    reposition();
}

void NSSlideWindowController::slideOut() {
    if (m_slidingOut || !m_slidingEnabled) return;
    startSlide(true);
}

void NSSlideWindowController::slideIn() {
    if (m_slidingIn || !m_slidingEnabled) return;
    startSlide(false);
}

void NSSlideWindowController::startSlide(bool out) {
    const bool animated = m_animationDuration > 0;
    // The opposite slide, when this one interrupts it, is over.
    m_slidingOut = out && animated;
    m_slidingIn = !out && animated;
    if (m_delegate) {
        // A delegate may drop the controller from its notice.
        const QPointer<NSSlideWindowController> self(this);
        if (out)
            m_delegate->slideWindowWillExpand(m_window);
        else
            m_delegate->slideWindowWillCollapse(m_window);
        if (!self) return;
    }
    if (isAnimating())
        invalidateTimer();
    else if (!m_didSlideFirstTime)
        reposition();
    if (animated) {
        Scheduler::shared().scheduleRepeating(this, kSlideKey, m_animationDuration, [this, out] {
            if (out)
                slideOutAnimation();
            else
                slideInAnimation();
        });
    } else if (out) {
        setExtent(destinationLocation());
        m_expanded = true;
        m_collapsed = false;
    } else {
        m_expanded = false;
        m_collapsed = true;
        reposition();
    }
    m_didSlideFirstTime = true;
}

void NSSlideWindowController::slideOutAnimation() {
    const double step = SlideGeometry::stepAmount(exposedAmount(), m_slideRatio, minimumSlideAmount());
    m_collapsed = false;
    const double next = m_extent + step;
    if (destinationLocation() > next) {
        setExtent(next);
        return;
    }
    m_expanded = true;
    m_slidingOut = false;
    setExtent(destinationLocation());
    invalidateTimer();
    if (m_delegate) m_delegate->slideWindowDidExpand(m_window);
}

void NSSlideWindowController::slideInAnimation() {
    const double step = SlideGeometry::stepAmount(exposedAmount(), m_slideRatio, minimumSlideAmount());
    m_expanded = false;
    const double next = m_extent - step;
    if (startLocation() < next) {
        setExtent(next);
        return;
    }
    m_collapsed = true;
    m_slidingIn = false;
    setExtent(startLocation());
    invalidateTimer();
    if (m_delegate) {
        const QPointer<NSSlideWindowController> self(this);
        m_delegate->slideWindowDidCollapse(m_window);
        if (!self) return;
    }
    if (m_releaseWhenCollapsed) close();
}

void NSSlideWindowController::invalidateTimer() {
    Scheduler::shared().cancelPrevious(this, kSlideKey);
}

void NSSlideWindowController::reposition() {
    if (!m_slidingEnabled) {
        m_expanded = true;
        m_collapsed = false;
    }
    setExtent(m_collapsed ? startLocation() : destinationLocation());
}

bool NSSlideWindowController::shouldClose() {
    if (!m_slidingEnabled) return false;
    return !m_delegate || m_delegate->slideWindowShouldClose(m_window);
}

void NSSlideWindowController::close() {
    if (m_window) m_window->close();
}

void NSSlideWindowController::windowWillClose() {
    if (m_releaseWhenCollapsed) deleteLater();
}

double NSSlideWindowController::startLocation() const {
    return std::min(m_exposedEdge, destinationLocation());
}

double NSSlideWindowController::destinationLocation() const {
    return SlideGeometry::fullExtent(m_slideEdge, m_windowSize);
}

double NSSlideWindowController::minimumSlideAmount() const {
    return destinationLocation() / 15.0;
}

void NSSlideWindowController::setExtent(double extent) {
    m_extent = extent;
    if (!m_window) return;
    ScreenProvider& screens = m_screens ? *m_screens : ScreenProvider::shared();
    const QRectF frame = SlideGeometry::windowFrame(QRectF(screens.availableGeometry(m_window)), m_slideEdge,
                                                    m_windowSize, extent);
    m_window->setGeometry(frame.toRect());
    if (m_contentView) {
        const bool alongWidth = m_slideEdge == SlideGeometry::Left || m_slideEdge == SlideGeometry::Right;
        const QSizeF content = alongWidth ? QSizeF(m_windowSize.width(), frame.height())
                                          : QSizeF(frame.width(), m_windowSize.height());
        const QPointF offset = SlideGeometry::contentOffset(m_slideEdge, content, extent,
                                                            alongWidth ? frame.width() : frame.height());
        m_contentView->setGeometry(QRectF(offset, content).toRect());
    }
}

void NSSlideWindowController::applicationStateChanged(Qt::ApplicationState state) {
    if (!m_window) return;
    if (state == Qt::ApplicationActive) {
        if (m_hiddenWhileInactive) m_window->show();
        m_hiddenWhileInactive = false;
    } else if (m_window->isVisible() && hidesWhileInactive()) {
        m_hiddenWhileInactive = true;
        m_window->hide();
    }
}

NSSlideWindowBackgroundView::NSSlideWindowBackgroundView(QWidget* parent) : QWidget(parent) {
    setAcceptDrops(true);
    setMouseTracking(true);
}

NSSlideWindowBackgroundView::~NSSlideWindowBackgroundView() {
    Scheduler::shared().cancelAll(this);
}

qint32 NSSlideWindowBackgroundView::edge() const {
    return m_slideWindow ? m_slideWindow->slideEdge() : SlideGeometry::Left;
}

bool NSSlideWindowBackgroundView::isTimerPending() const {
    return Scheduler::shared().isPending(this, kMouseKey);
}

void NSSlideWindowBackgroundView::startMouseTimer(double seconds,
                                                  void (NSSlideWindowBackgroundView::*tick)()) {
    Scheduler::shared().scheduleRepeating(this, kMouseKey, seconds, [this, tick] { (this->*tick)(); });
}

void NSSlideWindowBackgroundView::stopMouseTimer() {
    Scheduler::shared().cancelPrevious(this, kMouseKey);
}

QPoint NSSlideWindowBackgroundView::pointerLocation() const {
    return QCursor::pos();
}

void NSSlideWindowBackgroundView::mouseEntered() {
    startMouseTimer(mouseEnteredDelay(), &NSSlideWindowBackgroundView::mouseEnteredAfterDelay);
}

void NSSlideWindowBackgroundView::mouseEnteredAfterDelay() {
    const QPoint location = pointerLocation();
    if (location != m_mouseLocation) {
        m_mouseLocation = location;
        return;
    }
    stopMouseTimer();
    if (m_slideWindow) m_slideWindow->slideOut();
}

void NSSlideWindowBackgroundView::mouseExited() {
    if (!m_slideWindow || !m_slideWindow->shouldClose()) return;
    startMouseTimer(mouseExitedDelay(), &NSSlideWindowBackgroundView::mouseExitedAfterDelay);
}

void NSSlideWindowBackgroundView::mouseExitedAfterDelay() {
    if (window()->frameGeometry().contains(pointerLocation())) return;
    // Held out for now (a menu of the window is open): asked again at the next tick.
    if (m_slideWindow && m_slideWindow->isSlidingEnabled() && !m_slideWindow->shouldClose()) return;
    stopMouseTimer();
    if (m_slideWindow) m_slideWindow->slideIn();
}

void NSSlideWindowBackgroundView::draggingEntered() {
    startMouseTimer(1.0, &NSSlideWindowBackgroundView::mouseEnteredAfterDelay);
}

void NSSlideWindowBackgroundView::draggingExited() {
    if (!m_slideWindow || !m_slideWindow->shouldClose()) return;
    startMouseTimer(1.0, &NSSlideWindowBackgroundView::mouseExitedAfterDelay);
}

void NSSlideWindowBackgroundView::draggingEnded() {
    stopMouseTimer();
    if (m_slideWindow) m_slideWindow->slideIn();
}

void NSSlideWindowBackgroundView::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    mouseEntered();
}

void NSSlideWindowBackgroundView::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    mouseExited();
}

void NSSlideWindowBackgroundView::dragEnterEvent(QDragEnterEvent* event) {
    draggingEntered();
    event->acceptProposedAction();
}

void NSSlideWindowBackgroundView::dragLeaveEvent(QDragLeaveEvent* event) {
    QWidget::dragLeaveEvent(event);
    draggingExited();
}

void NSSlideWindowBackgroundView::dropEvent(QDropEvent* event) {
    // The view takes no drops of its own; the drag is over.
    event->ignore();
    draggingEnded();
}
