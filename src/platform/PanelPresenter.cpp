#include "PanelPresenter.h"

#include "Diagnostics.h"

namespace {

PanelPresenter* g_installed = nullptr;

// Writes the panel out and cancels it.
class DiagnosticPanelPresenter : public PanelPresenter {
public:
    int runModal(const OpenPanel& panel, QStringList*) override {
        Diagnostics::line(QStringLiteral("Open panel: %1 %2").arg(panel.title, panel.message).trimmed());
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

int ScriptedPanelPresenter::runModal(const OpenPanel& panel, QStringList* chosen) {
    m_panels.push_back(panel);
    if (m_answers.empty()) return NSModalResponseCancel;
    const Answer next = m_answers.front();
    m_answers.pop_front();
    if (next.response == NSModalResponseOK && chosen) *chosen = next.chosen;
    return next.response;
}
