#pragma once

#include <QObject>
#include <QString>
#include <deque>
#include <vector>

// A save panel as the user sees it: its title, the proposed name, the one extension it allows. The
// presenter fills chosenPath when the user confirms.
struct SavePanel {
    QString title;
    QString nameFieldStringValue;
    QString allowedExtension;
    bool canCreateDirectories = true;
    bool extensionHidden = true;
    QString chosenPath;
};

// Runs save panels: a file dialog for real, a script in tests (installed with setShared), so no test
// waits on a dialog. Answers NSModalResponseOK (1) or NSModalResponseCancel (0). Main thread only.
class SavePanelPresenter {
public:
    virtual ~SavePanelPresenter() = default;
    virtual int runModal(SavePanel& panel, QObject* window = nullptr) = 0;
    static SavePanelPresenter& shared();
    // Installs a presenter (not owned); null goes back to the file dialog.
    static void setShared(SavePanelPresenter* presenter);
};

// Answers from a script: the queued paths in order (an empty one cancels), then cancel.
class ScriptedSavePanelPresenter : public SavePanelPresenter {
public:
    ScriptedSavePanelPresenter() { setShared(this); }
    ~ScriptedSavePanelPresenter() override { setShared(nullptr); }
    int runModal(SavePanel& panel, QObject* window = nullptr) override;
    void setNextChoice(const QString& path) { m_choices.push_back(path); }
    const std::vector<SavePanel>& panels() const { return m_panels; }

private:
    std::deque<QString> m_choices;
    std::vector<SavePanel> m_panels;
};
