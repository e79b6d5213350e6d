#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

// An alert as the user sees it: a message, an informative text shown as plain text exactly as it
// stands, and its buttons from the default one on (none: one "Ok" button).
struct Alert {
    enum class Style { Warning, Informational, Critical };
    QString messageText;
    QString informativeText;
    QStringList buttons;
    Style style = Style::Warning;
};

// The answers: which button was chosen, counted from the default one, or none. A question nobody
// answered (the program was asked to end while it was open, or its window went) gets
// NSModalResponseAbort, which every caller takes as its cancel (or safest) answer, never as a button.
enum : int {
    NSModalResponseAbort = -1001,
    NSAlertFirstButtonReturn = 1000,
    NSAlertSecondButtonReturn = 1001,
    NSAlertThirdButtonReturn = 1002,
};

// Shows alerts. The program installs the message-box presenter (platform/app) at start-up; tests
// install a ScriptedAlertPresenter, so no test ever waits on a dialog. Without one installed, an
// alert is written as a diagnostic line and answered with its default button. Every presenter
// registers the questions it shows with Questions and, once a quit was asked for, answers
// NSModalResponseAbort without showing anything. Main thread only.
class AlertPresenter {
public:
    virtual ~AlertPresenter() = default;

    // Shows the alert modally over window (null: over the application) and answers the button.
    virtual int runModal(const Alert& alert, QObject* window = nullptr) = 0;
    // Shows the alert attached to window and returns at once; done (may be empty) hears the answer.
    virtual void beginSheet(const Alert& alert, QObject* window, std::function<void(int)> done) = 0;

    static AlertPresenter& shared();
    // Installs a presenter (not owned); null goes back to the diagnostic one.
    static void setShared(AlertPresenter* presenter);
};

// Records every alert it shows and answers from a script: the queued answers in order, then the
// default button; after a quit was asked for it shows nothing and answers NSModalResponseAbort. An action
// queued with whileAsking runs while the next question is open (the sheet reloads, a quit is asked for); a
// quit asked for then leaves the question unanswered. For tests.
class ScriptedAlertPresenter : public AlertPresenter {
public:
    struct Question {
        Alert alert;
        QObject* window = nullptr;
        bool sheet = false;
    };

    int runModal(const Alert& alert, QObject* window = nullptr) override;
    void beginSheet(const Alert& alert, QObject* window, std::function<void(int)> done) override;

    void setNextAnswer(int answer) { m_answers.push_back(answer); }
    void whileAsking(std::function<void()> action) { m_meanwhile.push_back(std::move(action)); }
    const std::vector<Question>& questions() const { return m_questions; }

private:
    int answer();
    std::deque<int> m_answers;
    std::deque<std::function<void()>> m_meanwhile;
    std::vector<Question> m_questions;
};

// Installs a scripted presenter for one scope.
class ScopedScriptedAlertPresenter : public ScriptedAlertPresenter {
public:
    ScopedScriptedAlertPresenter() { AlertPresenter::setShared(this); }
    ~ScopedScriptedAlertPresenter() override { AlertPresenter::setShared(nullptr); }
    ScopedScriptedAlertPresenter(const ScopedScriptedAlertPresenter&) = delete;
    ScopedScriptedAlertPresenter& operator=(const ScopedScriptedAlertPresenter&) = delete;
};
