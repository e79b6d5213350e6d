#pragma once

#include <QString>
#include <vector>

// Shows a desktop notification.
class DesktopNotifier {
public:
    virtual ~DesktopNotifier() = default;
    virtual void notify(const QString& summary, const QString& body) = 0;
};

// Sends org.freedesktop.Notifications.Notify on the session bus without waiting for the answer.
// Without a session bus it writes one diagnostic line and shows nothing.
class DBusDesktopNotifier : public DesktopNotifier {
public:
    void notify(const QString& summary, const QString& body) override;

private:
    bool m_reportedMissingBus = false;
};

// Keeps what it was asked to show; for tests.
class RecordingDesktopNotifier : public DesktopNotifier {
public:
    struct Entry {
        QString summary;
        QString body;
    };
    void notify(const QString& summary, const QString& body) override { entries.push_back({summary, body}); }
    std::vector<Entry> entries;
};
