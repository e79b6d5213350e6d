#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>

// Whether the network can be reached, and a notice when that changes. The answers come from a
// reachability source: by default the system's network information (QNetworkInformation) when the
// platform's backend loads, otherwise the network counts as reachable. Tests install a
// ManualReachabilitySource. Main thread only. Diagnostics: Diagnostics::line.
namespace NetworkReachability {

// Statuses.
enum : qint32 {
    kNotReachable = 0,
    kReachable = 1,
    kReachableDirectly = 2, // no gateway needed
};

// Reachability flags.
enum : quint32 {
    kFlagReachable = 0x2,
    kFlagConnectionRequired = 0x4,
    kFlagConnectionOnTraffic = 0x8,
    kFlagInterventionRequired = 0x10,
    kFlagConnectionOnDemand = 0x20,
    kFlagIsDirect = 0x20000,
};

// Posted on the default notification centre after each change of the watched status; the object
// points to the new status (a qint32, read it during delivery). No user info.
inline const QString SCNetworkReachabilityChangedNotification =
    QStringLiteral("SCNetworkReachabilityChangedNotification");

// Where the flags come from.
class ReachabilitySource {
public:
    // An installed source that goes away is uninstalled, and watching ends with it.
    virtual ~ReachabilitySource();
    // The flags of the network at large; null when they can't be read.
    virtual std::optional<quint32> flags() = 0;
    // Calls changed after each change of the flags until unwatch(); one watcher at a time. A call
    // already on its way when watching stops is ignored.
    virtual void watch(std::function<void()> changed) = 0;
    virtual void unwatch() = 0;
};

// Flags set by hand; setFlags tells the watcher when they change. For tests.
class ManualReachabilitySource : public ReachabilitySource {
public:
    std::optional<quint32> flags() override { return m_flags; }
    void watch(std::function<void()> changed) override { m_changed = std::move(changed); }
    void unwatch() override { m_changed = nullptr; }
    bool isWatched() const { return bool(m_changed); }
    void setFlags(std::optional<quint32> flags);

private:
    std::optional<quint32> m_flags = kFlagReachable;
    std::function<void()> m_changed;
};

// Installs the source the routines ask (not owned; null: the system's again). Stops watching first.
void setSource(ReachabilitySource* source);

// The status of the network at large; 0 when its flags can't be read.
qint32 GetNetworkReachability();
// The same for a host: the network at large decides (hosts are not probed one by one); 0 for an
// empty name.
qint32 GetNetworkReachabilityWithHostName(const QString& host);
// 0 when flags is null.
qint32 GetReachabilityStatus(std::optional<quint32> flags);
qint32 GetReachabilityStatus(quint32 flags);

// Watching: a second start, or a stop while not watching, writes a line and changes nothing.
void StartMonitoringNetworkReachability();
void StopMonitoringNetworkReachability();
bool IsMonitoringNetworkReachability();

} // namespace NetworkReachability
