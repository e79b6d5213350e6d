#include "PanelPresenter.h"

#include "Diagnostics.h"

namespace {

PanelPresenter* g_installed = nullptr;

// Writes the panel out and cancels it.
class DiagnosticPanelPresenter : public PanelPresenter {
public:
    int runModal(OpenPanel& panel, QObject*) override {
        Diagnostics::line(QStringLiteral("Open panel: %1 %2").arg(panel.title, panel.directory).trimmed());
        panel.chosenPaths.clear();
        return NSModalResponseCancel;
    }
};

} // namespace

PanelPresenter& PanelPresenter::shared() {
    if (g_installed) return *g_installed;
    static DiagnosticPanelPresenter fallback;
    return fallback;
}

void PanelPresenter::setShared(PanelPresenter* presenter) {
    g_installed = presenter;
}

int ScriptedPanelPresenter::runModal(OpenPanel& panel, QObject*) {
    m_panels.push_back(panel);
    panel.chosenPaths.clear();
    if (m_choices.empty()) return NSModalResponseCancel;
    panel.chosenPaths = m_choices.front();
    m_choices.pop_front();
    return panel.chosenPaths.isEmpty() ? NSModalResponseCancel : NSModalResponseOK;
}
