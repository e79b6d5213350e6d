#include "Questions.h"

#include <utility>
#include <vector>

namespace Questions {

namespace {
Open* g_innermost = nullptr;
bool g_quitRequested = false;
} // namespace

Open::Open(std::function<void()> end) : m_end(std::move(end)), m_outer(g_innermost) {
    g_innermost = this;
}

Open::~Open() {
    // Questions end innermost first; one ended out of order is taken out where it stands.
    for (Open** link = &g_innermost; *link; link = &(*link)->m_outer)
        if (*link == this) {
            *link = m_outer;
            break;
        }
}

bool isOpen() {
    return g_innermost != nullptr;
}

bool quitRequested() {
    return g_quitRequested;
}

void requestQuit() {
    g_quitRequested = true;
    // Gathered first: ending a question may close others.
    std::vector<std::function<void()>> ends;
    for (Open* open = g_innermost; open; open = open->m_outer)
        if (open->m_end) ends.push_back(std::exchange(open->m_end, {}));
    for (const auto& end : ends) end();
}

void reset() {
    g_quitRequested = false;
}

} // namespace Questions
