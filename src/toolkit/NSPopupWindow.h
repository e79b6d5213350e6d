#pragma once

#include "toolkit/NSContextualWindowController.h"
#include "toolkit/WindowPlacement.h"

#include <QList>
#include <QPointer>
#include <QRectF>
#include <QSizeF>

class NSPopupBackgroundView;

// Notices of popup windows (object: the popup's window), and the one that closes them all (no
// object).
inline const QString NSPopupWindowWillShowNotification = QStringLiteral("NSPopupWindowWillShowNotification");
inline const QString NSPopupWindowDidShowNotification = QStringLiteral("NSPopupWindowDidShowNotification");
inline const QString NSPopupWindowWillHideNotification = QStringLiteral("NSPopupWindowWillHideNotification");
inline const QString NSPopupWindowDidHideNotification = QStringLiteral("NSPopupWindowDidHideNotification");
inline const QString NSPopupWindowCloseAllNotification = QStringLiteral("NSPopupWindowCloseAllNotification");

// Shows a view in a frameless, arrowed window beside a target rectangle of another view. It lies
// at the preferred edge of the target, else at another edge or where it overflows least, keeps
// inside the screen, points its arrow at the target, fades in and out posting the notices above,
// and closes as a contextual window does. Placement edges: -2 the side with the most room (for
// popupInView), -1 none, 0 above, 1 left, 2 right, 3 below the target; arrow edges as
// NSPopupBackgroundView's. Coordinates are Qt's global ones (y-down).
//
// The popup owns its content view (and content view controller, the same widget or its owner).
// Whoever makes one owns it until it is shown; from then it deletes itself once its window closed.
// The most recently made popup is the shared one. Main thread only.
class NSPopupWindow : public NSContextualWindowController {
    Q_OBJECT
public:
    static constexpr int kTargetOffset = 10;

    NSPopupWindow();
    // The view shown at its present size.
    explicit NSPopupWindow(QWidget* contentView);
    ~NSPopupWindow() override;

    static NSPopupWindow* sharedController();
    // A shared popup exists and its window is visible.
    static bool isOpen();
    // Closes every visible popup.
    static void closeAll();

    NSPopupBackgroundView* backgroundView() const { return m_backgroundView; }
    void loadBackgroundView();
    // The previous content view is deleted.
    void setContentView(QWidget* view, const QSizeF& size);
    QWidget* contentView() const { return m_contentView; }
    void setContentViewController(QWidget* controller, const QSizeF& contentSize);
    void setContentViewController(QWidget* controller);
    QWidget* contentViewController() const { return m_contentViewController; }
    void setContentSize(const QSizeF& size);
    void setContentInset(const QSizeF& inset);

    // Shows the popup beside the rectangle (in the view's coordinates) on the first call; later
    // calls with the same view, or none, move it after the target. Another view is refused.
    void popupInView(QWidget* view, const QRectF& rect, qint32 preferredEdge);
    void setTargetFrame(const QRectF& target) { m_targetFrame = target; }
    QRectF targetFrame() const { return m_targetFrame; }
    void setArrowEdge(qint32 edge) { m_arrowEdge = edge; }
    qint32 arrowEdge() const { return m_arrowEdge; }
    void setPreferredEdge(qint32 edge) { m_preferredEdge = edge; }
    qint32 preferredEdge() const { return m_preferredEdge; }
    int targetOffset() const { return kTargetOffset; }
    bool isTargetEmpty() const { return m_targetFrame.isEmpty(); }
    bool isVisible() const;
    void closeAfterDelay(double seconds);

    // Placement (frames of the whole window, global coordinates).
    // The screen's available area where the target is (the window's without one), inset by 8.
    QRectF screenFrame() const;
    QRectF frameForEdge(qint32 edge, bool adjustEdge = true);
    bool isEdgeAvailable(qint32 edge, const QRectF& screenFrame) const;
    QList<qint32> availableEdgesInScreenFrame(const QRectF& screenFrame) const;
    qint32 mostAvailableEdgeForRect(const QRectF& target) const;
    void reposition();

    // Hooks with their defaults.
    virtual QSizeF shouldResize(const QSizeF& size) { return size; }
    // Whether the standard frame is drawn.
    virtual bool drawBackground(QPainter& /*painter*/, const QRectF& /*background*/,
                                const QRectF& /*content*/, const QRectF& /*arrow*/, qint32 /*arrowEdge*/) {
        return true;
    }
    virtual void adjustBackgroundFrame(QRectF* /*frame*/, double /*backgroundOffset*/, qint32 /*arrowEdge*/) {
    }
    virtual void adjustContentFrame(QRectF* /*frame*/, qint32 /*arrowEdge*/) {}
    virtual void contentViewFrameChanged() {}

protected:
    void windowWillFadeIn() override;
    void windowDidFadeIn() override;
    void windowWillFadeOut() override;
    void windowDidFadeOut() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    WindowPlacement::ArrowedRequest request(const QRectF& screen) const;
    void setArrowEdgeForSide(std::optional<WindowPlacement::Side> side);

    QRectF m_targetFrame;
    qint32 m_arrowEdge = 0;
    QPointer<NSPopupBackgroundView> m_backgroundView;
    QPointer<QWidget> m_contentView;
    QPointer<QWidget> m_contentViewController;
    bool m_stickyPreferredEdge = true;
    qint32 m_preferredEdge = 0;
    QPointer<QWidget> m_targetView;
    bool m_repositioning = false;
    bool m_adjustArrowInset = true;
    bool m_poppedUp = false;
};

// Pops a view up in one call. The view is the popup's content and, when it is an
// NSFadeWindowDelegate, its delegate; the popup owns it and lives until it closes. The others
// act on the shared popup when it shows the view.
namespace NSPopupViewControllerUtilities {

template <class Window = NSPopupWindow>
NSPopupWindow* popupInView(QWidget* viewController, QWidget* view, const QRectF& rect, qint32 preferredEdge,
                           const QSizeF& contentSize = {}) {
    auto* popup = new Window;
    popup->setContentViewController(viewController);
    popup->setDelegate(dynamic_cast<NSFadeWindowDelegate*>(viewController));
    if (!contentSize.isEmpty()) popup->setContentSize(contentSize);
    popup->popupInView(view, rect, preferredEdge);
    return popup;
}

bool isPopupOpen(const QWidget* viewController);
void setPopupWindowContentSize(const QWidget* viewController, const QSizeF& size);
void repositionPopupWindow(const QWidget* viewController);
void closePopupWindow(const QWidget* viewController);

} // namespace NSPopupViewControllerUtilities
