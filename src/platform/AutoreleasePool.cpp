#include "AutoreleasePool.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>

namespace {
AutoreleasePool* g_innermost = nullptr;
int g_depth = 0;
bool g_rootDrainPosted = false;
} // namespace

AutoreleasePool::AutoreleasePool() : m_outer(g_innermost) {
    g_innermost = this;
    ++g_depth;
}

AutoreleasePool::AutoreleasePool(RootTag) : m_isRoot(true) {}

AutoreleasePool::~AutoreleasePool() {
    drain();
    if (m_isRoot) return;
    g_innermost = m_outer;
    --g_depth;
}

AutoreleasePool& AutoreleasePool::root() {
    static AutoreleasePool pool{RootTag{}};
    return pool;
}

void AutoreleasePool::drain() {
    // Entries appended while draining are handled by this same pass; a null entry was forgotten.
    for (size_t i = 0; i < m_entries.size(); ++i) {
        Autoreleasable* object = m_entries[i];
        if (!object) continue;
        m_entries[i] = nullptr;
        object->autoreleaseDrained();
    }
    m_entries.clear();
}

int AutoreleasePool::size() const {
    return static_cast<int>(std::count_if(m_entries.begin(), m_entries.end(), [](auto* e) { return e; }));
}

void AutoreleasePool::add(Autoreleasable* object) {
    if (g_innermost) {
        g_innermost->m_entries.push_back(object);
        return;
    }
    root().m_entries.push_back(object);
    if (!g_rootDrainPosted && QCoreApplication::instance()) {
        g_rootDrainPosted = true;
        QTimer::singleShot(0, QCoreApplication::instance(), [] { drainRoot(); });
    }
}

void AutoreleasePool::forget(Autoreleasable* object) {
    auto clear = [object](AutoreleasePool& pool) {
        std::replace(pool.m_entries.begin(), pool.m_entries.end(), object,
                     static_cast<Autoreleasable*>(nullptr));
    };
    for (AutoreleasePool* pool = g_innermost; pool; pool = pool->m_outer) clear(*pool);
    clear(root());
}

void AutoreleasePool::drainRoot() {
    g_rootDrainPosted = false;
    root().drain();
}

int AutoreleasePool::depth() {
    return g_depth;
}
