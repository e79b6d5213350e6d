#pragma once

#include "toolkit/DelegatePointer.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

// What a fading window tells its delegate, each with the window. Optional: the defaults do
// nothing, and a delegate that does not answer shouldCloseForWindowResignation lets a contextual
// window close.
class NSFadeWindowDelegate {
public:
    virtual ~NSFadeWindowDelegate() = default;
    virtual void windowWillFadeIn(QWidget* /*window*/) {}
    virtual void windowDidFadeIn(QWidget* /*window*/) {}
    virtual void windowWillFadeOut(QWidget* /*window*/) {}
    virtual void windowDidFadeOut(QWidget* /*window*/) {}
    // Asked by a contextual window when its window stops being the active one.
    virtual bool shouldCloseForWindowResignation(QWidget* /*window*/) { return true; }
};

// Shows and closes a window by fading its opacity between a minimum and a maximum, in steps on
// the platform scheduler (60 a second), or at once with a duration of 0. A fade that starts while
// another runs takes over from the opacity reached; only the last one reports its end, judged by
// its direction. A close asked for while a fade runs happens when that fade ends. The controller
// owns its window; with releasedWhenClosed it deletes itself (later, on the event loop) once its
// window closed, else it belongs to whoever made it. The delegate is not owned. Main thread only.
class NSFadeWindowController : public QObject {
    Q_OBJECT
public:
    explicit NSFadeWindowController(QWidget* window, QObject* parent = nullptr);
    ~NSFadeWindowController() override;

    QWidget* window() const { return m_window; }

    void setFadeDuration(double seconds);
    void setFadeInDuration(double seconds) { m_fadeInDuration = seconds; }
    void setFadeOutDuration(double seconds) { m_fadeOutDuration = seconds; }
    double fadeInDuration() const { return m_fadeInDuration; }
    double fadeOutDuration() const { return m_fadeOutDuration; }
    void setMinimumOpacity(double opacity) { m_minimumOpacity = opacity; }
    void setMaximumOpacity(double opacity) { m_maximumOpacity = opacity; }
    double minimumOpacity() const { return m_minimumOpacity; }
    double maximumOpacity() const { return m_maximumOpacity; }
    void setReleasedWhenClosed(bool released) { m_releasedWhenClosed = released; }
    bool isReleasedWhenClosed() const { return m_releasedWhenClosed; }
    NSFadeWindowDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(NSFadeWindowDelegate* delegate) { m_delegate = delegate; }

    bool isFadedIn() const;
    bool isFadedOut() const;
    // A fade is running.
    bool isAnimating() const;
    bool isClosing() const { return m_wantsClose; }

    // Fades to the maximum; at its end the window is shown, raised and activated when asked.
    void fadeIn(bool orderFront);
    // Fades to the minimum; at its end the window is hidden when asked.
    void fadeOut(bool orderOut);

    // Shows the window, fading it in from the minimum.
    virtual void showWindow();
    // Fades the window out, then closes it.
    virtual void close();
    void showWindowWithDuration(double seconds);
    void closeWithDuration(double seconds);

protected:
    // Hooks for subclasses, run before the delegate hears of the same change.
    virtual void windowWillFadeIn() {}
    virtual void windowWillFadeOut() {}
    virtual void windowDidFadeIn();
    virtual void windowDidFadeOut();
    // The window accepted its close. Subclasses that override it call this one.
    virtual void windowWillClose();

    double alphaValue() const;
    void setAlphaValue(double alpha);

private:
    enum class Fade { None, In, Out };
    void beginFade(Fade fade, bool order);
    void fadeEnded(Fade fade);
    void startFade(Fade fade, double duration, double to);
    void fadeStep();
    void closeWindow();

    QPointer<QWidget> m_window;
    DelegatePointer<NSFadeWindowDelegate> m_delegate;
    bool m_wantsOrderOut = false;
    bool m_wantsOrderFront = false;
    bool m_wantsClose = false;
    bool m_closeWhenFadeEnds = false;
    bool m_windowClosed = false;
    bool m_closingAtOnce = false;
    bool m_closeFadeEnded = false; // the fade-out of a close has just ended
    double m_fadeInDuration = 0.15;
    double m_fadeOutDuration = 0.15;
    bool m_releasedWhenClosed = false;
    bool m_didReleaseAfterClosing = false;
    double m_minimumOpacity = 0.0;
    double m_maximumOpacity = 1.0;
    Fade m_fade = Fade::None;
    double m_fadeFrom = 0;
    double m_fadeTo = 0;
    int m_fadeSteps = 0;
    int m_fadeStep = 0;
    double m_fadeInterval = 0;
};
