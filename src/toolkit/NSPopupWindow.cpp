#include "NSPopupWindow.h"

#include "platform/Diagnostics.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"
#include "toolkit/NSPopupBackgroundView.h"
#include "toolkit/ScreenProvider.h"

#include <QEvent>
#include <QWindow>
#include <cmath>

namespace {

using WindowPlacement::Side;

NSPopupWindow* g_shared = nullptr;
const QString kCloseKey = QStringLiteral("close");
constexpr double kScreenInset = 8.0;

std::optional<Side> sideForEdge(qint32 edge) {
    switch (edge) {
    case 0:
        return Side::Above;
    case 1:
        return Side::Left;
    case 2:
        return Side::Right;
    case 3:
        return Side::Below;
    default:
        return std::nullopt;
    }
}

qint32 edgeForSide(Side side) {
    switch (side) {
    case Side::Above:
        return 0;
    case Side::Left:
        return 1;
    case Side::Right:
        return 2;
    case Side::Below:
        return 3;
    }
    return -1;
}

// The side of the popup that carries the arrow for a placement.
qint32 arrowEdgeForSide(Side side) {
    switch (side) {
    case Side::Above:
        return 4;
    case Side::Left:
        return 2;
    case Side::Right:
        return 1;
    case Side::Below:
        return 3;
    }
    return 0;
}

} // namespace

NSPopupWindow::NSPopupWindow() {
    g_shared = this;
    m_adjustArrowInset = true;
    m_stickyPreferredEdge = true;
    loadBackgroundView();
    NotificationCenter::defaultCenter().addObserver(this, NSPopupWindowCloseAllNotification, nullptr,
                                                    [this](const Notification&) {
                                                        if (isVisible()) close();
                                                    });
    setFadeDuration(0.15);
    setReleasedWhenClosed(true);
}

NSPopupWindow::NSPopupWindow(QWidget* contentView) : NSPopupWindow() {
    setContentView(contentView, contentView ? QSizeF(contentView->size()) : QSizeF());
}

NSPopupWindow::~NSPopupWindow() {
    if (m_contentView) m_contentView->removeEventFilter(this);
    Scheduler::shared().cancelAll(this);
    NotificationCenter::defaultCenter().removeObserver(this);
    if (g_shared == this) g_shared = nullptr;
}

NSPopupWindow* NSPopupWindow::sharedController() {
    return g_shared;
}

bool NSPopupWindow::isOpen() {
    return g_shared && g_shared->isVisible();
}

void NSPopupWindow::closeAll() {
    NotificationCenter::defaultCenter().post(NSPopupWindowCloseAllNotification);
}

bool NSPopupWindow::isVisible() const {
    return window() && window()->isVisible();
}

void NSPopupWindow::loadBackgroundView() {
    delete m_backgroundView;
    m_backgroundView = NSPopupBackgroundView::backgroundViewForPopupWindow(this);
    m_backgroundView->setParent(window());
    m_backgroundView->move(0, 0);
    m_backgroundView->show();
}

void NSPopupWindow::setContentView(QWidget* view, const QSizeF& size) {
    if (!m_backgroundView) loadBackgroundView();
    m_adjustArrowInset = true;
    if (m_contentView != view) {
        delete m_contentView;
        m_contentView = view;
    }
    m_backgroundView->setContentSize(size);
    if (view) {
        view->setParent(m_backgroundView);
        view->show();
        view->installEventFilter(this);
    }
    if (m_targetView) reposition();
}

void NSPopupWindow::setContentViewController(QWidget* controller, const QSizeF& contentSize) {
    m_contentViewController = controller;
    setContentView(controller, contentSize);
}

void NSPopupWindow::setContentViewController(QWidget* controller) {
    setContentViewController(controller, controller ? QSizeF(controller->size()) : QSizeF());
}

void NSPopupWindow::setContentSize(const QSizeF& size) {
    if (!m_backgroundView) {
        Diagnostics::warning(QStringLiteral(
            "NSPopupWindow.setContentSize failed. NSPopupWindow content view did not yet load."));
        return;
    }
    m_adjustArrowInset = true;
    m_backgroundView->setContentSize(size);
    if (m_targetView) reposition();
}

void NSPopupWindow::setContentInset(const QSizeF& inset) {
    if (!m_backgroundView) {
        Diagnostics::warning(
            QStringLiteral("setContentInset failed. NSPopupWindow content view did not yet load."));
        return;
    }
    m_backgroundView->setContentInset(inset);
    m_backgroundView->setContentSize(m_backgroundView->contentSize());
}

void NSPopupWindow::popupInView(QWidget* view, const QRectF& rect, qint32 preferredEdge) {
    if (m_poppedUp && view && view != m_targetView) {
        Diagnostics::line(QStringLiteral("Warning: attempted to change NSPopupWindow view."));
        return;
    }
    m_preferredEdge = preferredEdge;
    const QRectF target =
        view ? QRectF(QPointF(view->mapToGlobal(rect.topLeft().toPoint())), rect.size()) : rect;
    if (preferredEdge == -2) m_preferredEdge = mostAvailableEdgeForRect(target);
    if (view && !m_poppedUp && !isVisible()) {
        // The popup stays on top where its view's window does.
        const bool onTop = view->window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        window()->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    }
    m_targetFrame = target;
    if (m_poppedUp) {
        reposition();
        return;
    }
    m_poppedUp = true;
    m_targetView = view;
    reposition();
    showWindow();
}

void NSPopupWindow::closeAfterDelay(double seconds) {
    if (isClosing()) return;
    Scheduler::shared().performAfterDelay(this, kCloseKey, seconds, [this] { close(); });
}

QRectF NSPopupWindow::screenFrame() const {
    const ScreenProvider& screens = ScreenProvider::shared();
    const QRect available = isTargetEmpty() ? screens.availableGeometry(window())
                                            : screens.availableGeometryAt(m_targetFrame.center().toPoint());
    return QRectF(available).adjusted(kScreenInset, kScreenInset, -kScreenInset, -kScreenInset);
}

WindowPlacement::ArrowedRequest NSPopupWindow::request(const QRectF& screen) const {
    return {m_targetFrame, QSizeF(m_backgroundView ? m_backgroundView->size() : QSize()), screen,
            double(kTargetOffset), m_adjustArrowInset ? NSPopupBackgroundView::kArrowInset : 0.0};
}

void NSPopupWindow::setArrowEdgeForSide(std::optional<Side> side) {
    m_arrowEdge = side ? arrowEdgeForSide(*side) : 0;
}

QRectF NSPopupWindow::frameForEdge(qint32 edge, bool adjustEdge) {
    const std::optional<Side> side = sideForEdge(edge);
    if (adjustEdge) setArrowEdgeForSide(side);
    if (!side) return {};
    return WindowPlacement::arrowedFrameBeside(request(screenFrame()), *side).frame;
}

bool NSPopupWindow::isEdgeAvailable(qint32 edge, const QRectF& screenFrame) const {
    const std::optional<Side> side = sideForEdge(edge);
    return side && WindowPlacement::fitsOnSide(request(screenFrame), *side);
}

QList<qint32> NSPopupWindow::availableEdgesInScreenFrame(const QRectF& screenFrame) const {
    QList<qint32> edges;
    for (Side side : WindowPlacement::sidesThatFit(request(screenFrame))) edges << edgeForSide(side);
    return edges;
}

qint32 NSPopupWindow::mostAvailableEdgeForRect(const QRectF& target) const {
    const QRect available = ScreenProvider::shared().availableGeometryAt(target.center().toPoint());
    const QRectF screen =
        QRectF(available).adjusted(kScreenInset, kScreenInset, -kScreenInset, -kScreenInset);
    return edgeForSide(WindowPlacement::mostAvailableSide(target, screen));
}

void NSPopupWindow::reposition() {
    if (!m_backgroundView) return;
    m_repositioning = true;
    const QRectF screen = screenFrame();
    const WindowPlacement::ArrowedRequest req = request(screen);
    const std::optional<Side> preferred = sideForEdge(m_preferredEdge);

    WindowPlacement::ArrowedPlacement placed{QRectF(QPointF(0, 0), req.size), std::nullopt, 0};
    if (!isTargetEmpty()) {
        setArrowEdgeForSide(preferred);
        if (preferred)
            placed = WindowPlacement::arrowedFrameBeside(req, *preferred);
        else
            placed.frame = QRectF();
    }
    placed = WindowPlacement::availableFrame(req, placed, preferred);
    setArrowEdgeForSide(placed.side);
    QRectF frame = WindowPlacement::constrainFrame(placed.frame, screen);
    double heightCut = placed.heightCut;

    // No room for the arrow between the corners: the first side that fits, if any.
    const QRectF local = m_targetFrame.translated(-frame.topLeft());
    const QRectF arrow = NSPopupBackgroundView::arrowFrameFor(
        NSPopupBackgroundView::backgroundFrameFor(frame.size(), m_arrowEdge), local, m_arrowEdge,
        NSPopupBackgroundView::arrowSizeForEdge(m_arrowEdge));
    if (arrow.isEmpty()) {
        const QList<Side> sides = WindowPlacement::sidesThatFit(req);
        if (!sides.isEmpty()) {
            const WindowPlacement::ArrowedPlacement fitting =
                WindowPlacement::arrowedFrameBeside(req, sides.first());
            frame = fitting.frame;
            heightCut = fitting.heightCut;
            setArrowEdgeForSide(sides.first());
        }
    }
    if (frame.intersects(m_targetFrame)) m_arrowEdge = 0;

    // Only the frame used shortens the content.
    QSizeF content = m_backgroundView->contentSize();
    if (heightCut > 0) content.rheight() = std::max(0.0, content.height() - heightCut);
    const QSizeF inset = m_backgroundView->contentInset();
    if (frame.bottom() > screen.bottom()) {
        const QSizeF resized = shouldResize({frame.width(), screen.height()});
        frame = QRectF(frame.left(), screen.top(), resized.width(), resized.height());
        content.rheight() = frame.height() + 2 * inset.height();
    }
    if (frame.left() < screen.left() || frame.right() > screen.right()) {
        const QSizeF resized = shouldResize({screen.width(), frame.height()});
        frame = QRectF(screen.left(), frame.top(), resized.width(), resized.height());
        content.rwidth() = frame.width() + 2 * inset.width();
    }

    m_backgroundView->setTargetFrame(m_targetFrame);
    m_backgroundView->setArrowEdge(m_arrowEdge);
    frame = WindowPlacement::truncated(frame);
    m_backgroundView->setGeometry(QRectF(QPointF(0, 0), frame.size()).toRect());
    // The view's own size stays; only what it holds changes.
    const QSize kept = m_backgroundView->size();
    m_backgroundView->setContentSize(content);
    m_backgroundView->resize(kept);
    if (m_contentView) m_contentView->setGeometry(m_backgroundView->contentFrame().toRect());
    m_backgroundView->update();
    window()->setGeometry(frame.toRect());

    if (m_stickyPreferredEdge) {
        switch (m_arrowEdge) {
        case 1:
            m_preferredEdge = 2;
            break;
        case 2:
            m_preferredEdge = 1;
            break;
        case 3:
            m_preferredEdge = 3;
            break;
        case 4:
            m_preferredEdge = 0;
            break;
        default:
            break;
        }
    }
    m_repositioning = false;
    m_adjustArrowInset = false;
}

void NSPopupWindow::windowWillFadeIn() {
    NSContextualWindowController::windowWillFadeIn();
    NotificationCenter::defaultCenter().post(NSPopupWindowWillShowNotification, window());
}

void NSPopupWindow::windowDidFadeIn() {
    NSContextualWindowController::windowDidFadeIn();
    // Kept above the target's window.
    if (m_targetView && window()) {
        QWindow* own = window()->windowHandle();
        QWindow* target = m_targetView->window()->windowHandle();
        if (own && target) own->setTransientParent(target);
        window()->raise();
    }
    NotificationCenter::defaultCenter().post(NSPopupWindowDidShowNotification, window());
}

void NSPopupWindow::windowWillFadeOut() {
    NSContextualWindowController::windowWillFadeOut();
    NotificationCenter::defaultCenter().post(NSPopupWindowWillHideNotification, window());
}

void NSPopupWindow::windowDidFadeOut() {
    NSContextualWindowController::windowDidFadeOut();
    NotificationCenter::defaultCenter().post(NSPopupWindowDidHideNotification, window());
}

bool NSPopupWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_contentView && (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
        contentViewFrameChanged();
        return false;
    }
    return NSContextualWindowController::eventFilter(watched, event);
}

namespace NSPopupViewControllerUtilities {

bool isPopupOpen(const QWidget* viewController) {
    NSPopupWindow* shared = NSPopupWindow::sharedController();
    return shared && viewController && shared->contentView() == viewController;
}

void setPopupWindowContentSize(const QWidget* viewController, const QSizeF& size) {
    if (isPopupOpen(viewController)) NSPopupWindow::sharedController()->setContentSize(size);
}

void repositionPopupWindow(const QWidget* viewController) {
    if (viewController) setPopupWindowContentSize(viewController, QSizeF(viewController->size()));
}

void closePopupWindow(const QWidget* viewController) {
    if (isPopupOpen(viewController)) NSPopupWindow::sharedController()->close();
}

} // namespace NSPopupViewControllerUtilities
