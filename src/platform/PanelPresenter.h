#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

// An open panel as the user sees it: what it offers to choose and where it starts. The presenter
// fills chosenPaths when the user confirms.
struct OpenPanel {
    QString title;
    QString prompt;
    QString message;
    bool canChooseFiles = true;
    bool canChooseDirectories = false;
    bool allowsMultipleSelection = false;
    bool canCreateDirectories = false;
    QStringList allowedMimeTypes;  // empty: any file
    QStringList allowedExtensions; // without the dot; empty: any (kinds no MIME type names)
    QString directory;             // empty: the presenter's choice
    QStringList chosenPaths;
};

// The answers of a panel.
enum : int {
    NSModalResponseCancel = 0,
    NSModalResponseOK = 1,
};

// Runs open panels. The program installs the file-dialog presenter (platform/app) at start-up;
// tests install a ScriptedPanelPresenter, so no test waits on a dialog. Without one installed, a
// panel is written as a diagnostic line and cancelled. Main thread only.
class PanelPresenter {
public:
    virtual ~PanelPresenter() = default;

    // Runs the panel modally over window (null: over the application); NSModalResponseOK with the
    // panel's chosenPaths filled, or NSModalResponseCancel.
    virtual int runModal(OpenPanel& panel, QObject* window = nullptr) = 0;

    static PanelPresenter& shared();
    // Installs a presenter (not owned); null goes back to the diagnostic one.
    static void setShared(PanelPresenter* presenter);
};

// Records every panel and answers from a script: the queued choices in order (an empty list
// cancels), then cancel. For tests.
class ScriptedPanelPresenter : public PanelPresenter {
public:
    int runModal(OpenPanel& panel, QObject* window = nullptr) override;

    void setNextChoice(const QStringList& paths) { m_choices.push_back(paths); }
    const std::vector<OpenPanel>& panels() const { return m_panels; }

private:
    std::deque<QStringList> m_choices;
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
