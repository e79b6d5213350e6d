#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

// The program-wide hidden state: hiding every shown top-level window of the program at once (the
// activation hot key, "hide on deactivate") and bringing back exactly those windows. Main thread
// only.
class ApplicationActivation {
public:
    static ApplicationActivation& shared();

    // Hides the shown top-level windows and remembers them; nothing while already hidden.
    void hideAll();
    // Shows again the windows hideAll hid that still exist, in their order; nothing while not hidden.
    void restore();
    bool isHidden() const { return m_hidden; }

private:
    QList<QPointer<QWidget>> m_hiddenWindows;
    bool m_hidden = false;
};
