#include "AlertPresenter.h"

#include "Diagnostics.h"
#include "Questions.h"

namespace {

AlertPresenter* g_installed = nullptr;

// Writes the alert out and answers its default button.
class DiagnosticAlertPresenter : public AlertPresenter {
public:
    int runModal(const Alert& alert, QObject*) override {
        Diagnostics::line(
            QStringLiteral("Alert: %1 %2").arg(alert.messageText, alert.informativeText).trimmed());
        return Questions::quitRequested() ? NSModalResponseAbort : NSAlertFirstButtonReturn;
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
    bool ended = false;
    if (!m_meanwhile.empty()) {
        const Questions::Open open([&ended] { ended = true; });
        const auto action = std::move(m_meanwhile.front());
        m_meanwhile.pop_front();
        if (action) action();
    }
    if (m_answers.empty()) return ended ? NSModalResponseAbort : NSAlertFirstButtonReturn;
    const int next = m_answers.front();
    m_answers.pop_front();
    return ended ? NSModalResponseAbort : next;
}

int ScriptedAlertPresenter::runModal(const Alert& alert, QObject* window) {
    // Once a quit was asked for, nothing is shown.
    if (Questions::quitRequested()) return NSModalResponseAbort;
    m_questions.push_back({alert, window, false});
    return answer();
}

void ScriptedAlertPresenter::beginSheet(const Alert& alert, QObject* window, std::function<void(int)> done) {
    const bool shown = !Questions::quitRequested();
    if (shown) m_questions.push_back({alert, window, true});
    const int chosen = shown ? answer() : NSModalResponseAbort;
    if (done) done(chosen);
}
