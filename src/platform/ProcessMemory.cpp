#include "ProcessMemory.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

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
    // Away from the main thread (or before its loop exists) at once.
    const QCoreApplication* application = QCoreApplication::instance();
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (!application || !dispatcher || QThread::currentThread() != application->thread()) {
        releaseFreed();
        return;
    }
    static QMetaObject::Connection pending;
    if (pending) return;
    pending = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, dispatcher, [] {
        QObject::disconnect(pending);
        pending = {};
        releaseFreed();
    });
}

} // namespace ProcessMemory
