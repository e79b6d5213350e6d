#pragma once

#include "platform/Diagnostics.h"
#include "platform/NotificationCenter.h"
#include "platform/calendar/EKEventStore.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <QTimeZone>
#include <ostream>

// Counts the store's change notices.
struct ChangeCounter {
    explicit ChangeCounter(const EKEventStore* store) {
        NotificationCenter::defaultCenter().addObserver(this, EKEventStoreChangedNotification, store,
                                                        [this](const Notification&) { ++count; });
    }
    ~ChangeCounter() { NotificationCenter::defaultCenter().removeObserver(this); }
    int count = 0;
};

// Collects the warnings written while it lives.
struct WarningCapture {
    QStringList messages() const { return capture.lines().filter(QRegularExpression("^Warning: ")); }
    Diagnostics::Capture capture;
};

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(bytes);
}

inline void copyFixtureCalendar(const QString& name, const QString& root) {
    const QString from = QStringLiteral(JOBSLATE_FIXTURES "/calendar/") + name;
    QDir().mkpath(root + u'/' + name);
    for (const QString& file : QDir(from).entryList(QDir::Files))
        QFile::copy(from + u'/' + file, root + u'/' + name + u'/' + file);
}

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '[' << list.join(QStringLiteral(", ")).toStdString() << ']';
}

// A file of tests/fixtures/calendar/cases.
inline QByteArray calendarCase(const QString& name) {
    return readFile(QStringLiteral(JOBSLATE_FIXTURES "/calendar/cases/") + name);
}

inline QTimeZone berlin() {
    return QTimeZone("Europe/Berlin");
}
