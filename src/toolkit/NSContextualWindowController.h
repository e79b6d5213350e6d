#pragma once

#include "toolkit/NSFadeWindowController.h"

#include <QWidget>

// A frameless, clear, shadowless tool window that can still become the active window.
class NSContextualWindow : public QWidget {
    Q_OBJECT
public:
    NSContextualWindow();
};

// A fading window controller for short-lived windows that belong to a context, such as a popup
// beside a control. It closes its window by itself, by its behaviour, when the window stops being
// the active one or the program is deactivated, and deletes itself once the window closed. While a
// window-modal dialog (a sheet) is open on the window it stays open. Main thread only.
class NSContextualWindowController : public NSFadeWindowController {
    Q_OBJECT
public:
    enum Behavior : qint32 {
        CloseOnResignationAndDeactivation = 0, // the first unless the delegate says no
        StayOpen = 1,
        CloseOnDeactivation = 2,
    };

    // An NSContextualWindow when none is given.
    explicit NSContextualWindowController(QWidget* window = nullptr);
    ~NSContextualWindowController() override;

    qint32 behavior() const { return m_behavior; }
    void setBehavior(qint32 behavior) { m_behavior = behavior; }
    // The delegate's answer; yes without one.
    bool shouldCloseForWindowResignation();

    void windowDidResignKey();
    void applicationWillResignActive();
    void windowWillBeginSheet();
    void windowDidEndSheet();

protected:
    // Closes now when the window stopped being active during its first fade-in and the delegate,
    // asked again, agrees.
    void windowDidFadeIn() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    qint32 m_behavior = CloseOnResignationAndDeactivation;
    bool m_wantsCloseAfterFadedIn = false;
    bool m_didFadeIn = false;
    bool m_wasShown = false;
    qint32 m_savedSheetBehavior = CloseOnResignationAndDeactivation;
    const QObject* m_sheet = nullptr; // compared only: it may be going when its end is told
};
