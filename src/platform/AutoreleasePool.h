#pragma once

#include <vector>

// Something that can be entered in an autorelease pool: the pool calls autoreleaseDrained()
// once per entry when it drains.
class Autoreleasable {
public:
    virtual void autoreleaseDrained() = 0;

protected:
    ~Autoreleasable() = default;
};

// A scope of deferred releases. Pools nest; add() enters the innermost one. When no scope is
// open, entries go to a root pool that drains on the next turn of the event loop (or at drainRoot()).
// An object added while a pool drains is drained by the same pass.
class AutoreleasePool {
public:
    AutoreleasePool();
    ~AutoreleasePool();
    AutoreleasePool(const AutoreleasePool&) = delete;
    AutoreleasePool& operator=(const AutoreleasePool&) = delete;

    void drain();
    int size() const;

    static void add(Autoreleasable* object);
    // Forgets every pending entry of an object that is going away, so no drain touches it.
    static void forget(Autoreleasable* object);
    static void drainRoot();
    static int depth();

private:
    static AutoreleasePool& root();
    struct RootTag {};
    explicit AutoreleasePool(RootTag);

    std::vector<Autoreleasable*> m_entries;
    AutoreleasePool* m_outer = nullptr;
    bool m_isRoot = false;
};
