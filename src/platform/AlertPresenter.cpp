#include "AlertPresenter.h"

#include "Diagnostics.h"

namespace {

AlertPresenter* g_installed = nullptr;

// Writes the alert out and answers its default button.
class DiagnosticAlertPresenter : public AlertPresenter {
public:
    int runModal(const Alert& alert, QObject*) override {
        Diagnostics::line(
            QStringLiteral("Alert: %1 %2").arg(alert.messageText, alert.informativeText).trimmed());
        return NSAlertFirstButtonReturn;
    }
    void beginSheet(const Alert& alert, QObject* window, std::function<void(int)> done) override {
        const int answer = runModal(alert, window);
        if (done) done(answer);
    }
};

} // namespace

AlertPresenter& AlertPresenter::shared() {
    if (g_installed) return *g_installed;
    static DiagnosticAlertPresenter fallback;
    return fallback;
}

void AlertPresenter::setShared(AlertPresenter* presenter) {
    g_installed = presenter;
}

int ScriptedAlertPresenter::answer() {
    if (m_answers.empty()) return NSAlertFirstButtonReturn;
    const int next = m_answers.front();
    m_answers.pop_front();
    return next;
}

int ScriptedAlertPresenter::runModal(const Alert& alert, QObject* window) {
    m_questions.push_back({alert, window, false});
    return answer();
}

void ScriptedAlertPresenter::beginSheet(const Alert& alert, QObject* window, std::function<void(int)> done) {
    m_questions.push_back({alert, window, true});
    const int chosen = answer();
    if (done) done(chosen);
}
