#pragma once

#include <functional>

// Knows which questions (alerts, panels) are open and whether the program was asked to end while
// one was. A question nobody answered counts as its cancel answer: a quit asked for while one is
// open ends every open question unanswered, and questions asked after it are answered unanswered
// without being shown, so the save that runs at the end asks nothing. Presenters register each
// question they show with a Questions::Open for its lifetime. Main thread only.
namespace Questions {

// Marks the program as ending and ends every open question unanswered, innermost first.
void requestQuit();
// Whether the program was asked to end; questions are answered unanswered from then on.
bool quitRequested();
// Whether a question is open now.
bool isOpen();
// Forgets a quit request (tests, and a program object made again in one process).
void reset();

class Open {
public:
    // end: ends the question unanswered (closes its dialog); may be empty.
    explicit Open(std::function<void()> end = {});
    ~Open();
    Open(const Open&) = delete;
    Open& operator=(const Open&) = delete;

private:
    friend void requestQuit();
    std::function<void()> m_end;
    Open* m_outer;
};

} // namespace Questions
