#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

// An open panel as the user sees it: what it says, where it opens and what may be chosen.
struct OpenPanel {
    QString title;
    QString message;
    QString prompt;    // the choose button's text; empty: the toolkit's own
    QString directory; // where it opens
    bool canChooseFiles = true;
    bool canChooseDirectories = false;
    bool allowsMultipleSelection = false;
    bool canCreateDirectories = true;
    bool treatsFilePackagesAsDirectories = false;
};

// The answers of a panel.
enum : int {
    NSModalResponseCancel = 0,
    NSModalResponseOK = 1,
};

// Runs open panels. The program installs a file-dialog presenter (platform/app) at start-up; tests
// install a ScriptedPanelPresenter, so no test waits on a dialog. Without one installed, a panel is
// written as a diagnostic line and cancelled. Main thread only.
class PanelPresenter {
public:
    virtual ~PanelPresenter() = default;

    // Runs the panel modally; on OK chosen receives the chosen paths, in order.
    virtual int runModal(const OpenPanel& panel, QStringList* chosen) = 0;

    static PanelPresenter& shared();
    // Installs a presenter (not owned); null goes back to the diagnostic one.
    static void setShared(PanelPresenter* presenter);
};

// Records every panel and answers from a script: the queued answers in order, then Cancel. For tests.
class ScriptedPanelPresenter : public PanelPresenter {
public:
    int runModal(const OpenPanel& panel, QStringList* chosen) override;

    void setNextAnswer(int answer, const QStringList& chosen = {}) { m_answers.push_back({answer, chosen}); }
    const std::vector<OpenPanel>& panels() const { return m_panels; }

private:
    struct Answer {
        int response;
        QStringList chosen;
    };
    std::deque<Answer> m_answers;
    std::vector<OpenPanel> m_panels;
};

// Installs a scripted presenter for one scope.
class ScopedScriptedPanelPresenter : public ScriptedPanelPresenter {
public:
    ScopedScriptedPanelPresenter() { PanelPresenter::setShared(this); }
    ~ScopedScriptedPanelPresenter() override { PanelPresenter::setShared(nullptr); }
    ScopedScriptedPanelPresenter(const ScopedScriptedPanelPresenter&) = delete;
    ScopedScriptedPanelPresenter& operator=(const ScopedScriptedPanelPresenter&) = delete;
};
