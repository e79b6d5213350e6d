#include "ProcessMemory.h"

#include <QAbstractEventDispatcher>
#include <QMetaObject>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace ProcessMemory {

namespace {

void releaseFreed() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace

void releaseFreedWhenIdle() {
    static QMetaObject::Connection pending;
    if (pending) return;
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher) {
        releaseFreed();
        return;
    }
    pending = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, dispatcher, [] {
        QObject::disconnect(pending);
        pending = {};
        releaseFreed();
    });
}

} // namespace ProcessMemory
