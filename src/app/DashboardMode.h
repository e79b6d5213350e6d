#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <map>
#include <memory>
#include <optional>

class TEffectsWindowController;

inline const QString kDashboardTransitionInKey = QStringLiteral("DashboardTransitionInKey");
inline const QString kDashboardTransitionOutKey = QStringLiteral("DashboardTransitionOutKey");

// One zoom of window snapshots: scale and opacity from where the layer stands to the targets.
struct EffectsAnimation {
    QString marker; // kDashboardTransitionInKey, kDashboardTransitionOutKey or empty
    QList<QPointer<QWidget>> windows;
    double duration = 0;
    double toScale = 1.0;
    double toOpacity = 1.0;
};

// Runs the effects window's animations and reports their start and end to the controller
// (animationDidStart, animationDidStop). The real one animates the effects window; tests drive a
// fake one.
class EffectsAnimator {
public:
    virtual ~EffectsAnimator() = default;
    virtual void start(TEffectsWindowController* controller, int id, const EffectsAnimation& animation) = 0;
};

// Hears the dashboard transitions; every call is optional.
class TEffectsDelegate {
public:
    virtual ~TEffectsDelegate() = default;
    virtual void dashboardWillTransitionIn(TEffectsWindowController*, const QList<QPointer<QWidget>>&) {}
    virtual void dashboardDidTransitionIn(TEffectsWindowController*, const QList<QPointer<QWidget>>&) {}
    virtual void dashboardWillTransitionOut(TEffectsWindowController*, const QList<QPointer<QWidget>>&) {}
    virtual void dashboardDidTransitionOut(TEffectsWindowController*, const QList<QPointer<QWidget>>&) {}
    // A transition stopped before its end: the windows are back as they were before it.
    virtual void dashboardTransitionInterrupted(TEffectsWindowController*, const QList<QPointer<QWidget>>&) {}
};

// A snapshot of a window at its frame.
struct EffectsSnapshot {
    QRect frame;
    QImage image;
};

// The clear full-screen window above everything that draws the zoom of card-window snapshots when the
// program is left and entered in dashboard mode. Without a compositor the transitions are immediate
// (the animator reports each animation's end at once).
class TEffectsWindowController : public QObject {
    Q_OBJECT
public:
    static TEffectsWindowController* sharedController();
    // A controller over the animator (owned); for tests.
    explicit TEffectsWindowController(std::unique_ptr<EffectsAnimator> animator, QObject* parent = nullptr);
    ~TEffectsWindowController() override;

    TEffectsDelegate* delegate() const { return m_delegate; }
    void setDelegate(TEffectsDelegate* delegate) { m_delegate = delegate; }
    bool isAnimating() const { return m_animationCount > 0; }
    int animationCount() const { return m_animationCount; }
    // The cards are zoomed away: from the first zoom-out until a zoom-in ends.
    bool isDashboardOpen() const { return m_dashboardLayer.has_value(); }
    const std::optional<QList<EffectsSnapshot>>& dashboardLayer() const { return m_dashboardLayer; }

    void dashboardTransitionWindows(const QList<QPointer<QWidget>>& windows, bool in, double duration);
    QWidget* window();

    // Animation callbacks. An animation that stops unfinished counts as ended too: the layer is dropped
    // and the delegate hears that the windows are back, so a transition never leaves the mode stuck.
    void animationDidStart(int id);
    void animationDidStop(int id, bool finished);

    // The current scale and opacity of the dashboard layer (the real animator moves them).
    double dashboardScale = 1.0;
    double dashboardOpacity = 1.0;

private:
    void applicationDidChangeScreenParameters();
    void orderOut();

    std::unique_ptr<EffectsAnimator> m_animator;
    QPointer<QWidget> m_window;
    std::optional<QList<EffectsSnapshot>> m_dashboardLayer;
    std::map<int, EffectsAnimation> m_animations;
    int m_nextId = 1;
    int m_animationCount = 0;
    TEffectsDelegate* m_delegate = nullptr;
};

// What dashboard mode moves and asks of the rest of the program; the application delegate answers.
class DashboardHost {
public:
    virtual ~DashboardHost() = default;
    virtual QList<QPointer<QWidget>> cardWindows() const = 0;
    // The shared full-screen desktop window.
    virtual QWidget* desktopWindow() = 0;
    // Fits the desktop window to the screen before it is shown.
    virtual void repositionDesktop() = 0;
    // A card window's own floating level; the normal level for other windows.
    virtual qint32 floatingLevel(QWidget* window) const = 0;
    // Hides the program, so the next one becomes active.
    virtual void hideApplication() = 0;
    virtual void beep() = 0;
    virtual void saveActiveSheet() = 0;
    // Folder changes that arrived while inactive are shown (sheet browser, dashboard view).
    virtual void reloadDataIfNeeded() = 0;
};

// The application delegate's side of dashboard mode and of "hide on deactivate".
class DashboardMode : public QObject, public TEffectsDelegate {
    Q_OBJECT
public:
    DashboardMode(DashboardHost* host, TEffectsWindowController* effects, QObject* parent = nullptr);

    void setDashboardModeEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }
    // From now on a change of the "dashboardMode" preference turns the mode on or off at once.
    void followPreference();
    // A card window became the active one: over the desktop window while that is shown.
    void windowDidBecomeKey(QWidget* window);
    void placeWindowsAboveDesktop(bool above);
    void toggleDashboardState();
    void activate() { toggleDashboardState(); }
    void deactivate();
    void advanceCurrentProcess() { m_host->hideApplication(); }

    void applicationWillBecomeActive() { m_host->reloadDataIfNeeded(); }
    void applicationDidBecomeActive();
    void applicationWillResignActive();
    void applicationDidResignActive();

    bool isDeactivating() const { return m_deactivating; }
    bool becameActiveFirstTime() const { return m_becameActiveFirstTime; }
    // Whether a card window hides while the program is inactive.
    static bool hidesOnDeactivate(const QWidget* window);

    void dashboardDidTransitionIn(TEffectsWindowController*,
                                  const QList<QPointer<QWidget>>& windows) override;
    void dashboardWillTransitionOut(TEffectsWindowController*,
                                    const QList<QPointer<QWidget>>& windows) override;
    void dashboardDidTransitionOut(TEffectsWindowController*, const QList<QPointer<QWidget>>&) override;
    void dashboardTransitionInterrupted(TEffectsWindowController*,
                                        const QList<QPointer<QWidget>>& windows) override;

private:
    void setHidesOnDeactivate(bool hides);
    void setDesktopAlpha(double alpha);

    DashboardHost* m_host;
    TEffectsWindowController* m_effects;
    bool m_enabled = false;
    QPointer<QWidget> m_raisedWindow;
    bool m_deactivating = false;
    bool m_becameActiveFirstTime = false;
};
