#pragma once

#include "platform/NotificationCenter.h"

#include <QCoreApplication>
#include <QEvent>
#include <QStringList>

// Runs the deletions that deleteLater() asked for.
inline void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Records the names of the notices posted about one object.
class NoticeRecorder {
public:
    explicit NoticeRecorder(const void* object) {
        NotificationCenter::defaultCenter().addObserver(this, QString(), object,
                                                        [this](const Notification& n) { names << n.name; });
    }
    ~NoticeRecorder() { NotificationCenter::defaultCenter().removeObserver(this); }
    NoticeRecorder(const NoticeRecorder&) = delete;
    NoticeRecorder& operator=(const NoticeRecorder&) = delete;
    QStringList names;
};
