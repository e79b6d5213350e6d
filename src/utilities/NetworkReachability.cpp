#include "NetworkReachability.h"

#include "platform/Diagnostics.h"
#include "platform/NotificationCenter.h"

#include <QNetworkInformation>
#include <QObject>

namespace NetworkReachability {

namespace {

// The system's network information. Unknown reachability, or no backend at all, counts as
// reachable; a network that reaches only the local net or the site does not reach the internet.
class SystemReachabilitySource : public ReachabilitySource {
public:
    std::optional<quint32> flags() override {
        QNetworkInformation* info = information();
        if (!info) return kFlagReachable;
        switch (info->reachability()) {
        case QNetworkInformation::Reachability::Unknown:
        case QNetworkInformation::Reachability::Online:
            return kFlagReachable;
        case QNetworkInformation::Reachability::Disconnected:
        case QNetworkInformation::Reachability::Local:
        case QNetworkInformation::Reachability::Site:
            return 0u;
        }
        return kFlagReachable;
    }
    void watch(std::function<void()> changed) override {
        unwatch();
        if (QNetworkInformation* info = information())
            m_connection = QObject::connect(info, &QNetworkInformation::reachabilityChanged, info,
                                            [changed = std::move(changed)] { changed(); });
    }
    void unwatch() override { QObject::disconnect(m_connection); }

private:
    static QNetworkInformation* information() {
        static bool tried = false;
        if (!tried) {
            tried = true;
            // The platform's own backend only: asking by feature loads every backend there is (the
            // glib one brings GIO and a thread of its own) for a check made a few times a day.
            if (!QNetworkInformation::loadDefaultBackend())
                Diagnostics::line(QStringLiteral("No network information: the network counts as reachable."));
        }
        return QNetworkInformation::instance();
    }

    QMetaObject::Connection m_connection;
};

ReachabilitySource* g_installed = nullptr;
bool g_monitoring = false;
qint32 g_postedStatus = kNotReachable;

ReachabilitySource& source() {
    if (g_installed) return *g_installed;
    static SystemReachabilitySource system;
    return system;
}

void postChange() {
    if (!g_monitoring) return;
    g_postedStatus = GetNetworkReachability();
    NotificationCenter::defaultCenter().post(SCNetworkReachabilityChangedNotification, &g_postedStatus);
}

} // namespace

ReachabilitySource::~ReachabilitySource() {
    if (g_installed != this) return;
    g_installed = nullptr;
    g_monitoring = false;
}

void ManualReachabilitySource::setFlags(std::optional<quint32> flags) {
    const bool changed = flags != m_flags;
    m_flags = flags;
    if (changed && m_changed) m_changed();
}

void setSource(ReachabilitySource* installed) {
    if (g_monitoring) {
        source().unwatch();
        g_monitoring = false;
    }
    g_installed = installed;
}

qint32 GetNetworkReachability() {
    return GetReachabilityStatus(source().flags());
}

qint32 GetNetworkReachabilityWithHostName(const QString& host) {
    return host.isEmpty() ? kNotReachable : GetNetworkReachability();
}

qint32 GetReachabilityStatus(std::optional<quint32> flags) {
    return flags ? GetReachabilityStatus(*flags) : kNotReachable;
}

qint32 GetReachabilityStatus(quint32 flags) {
    if (!(flags & kFlagReachable)) return kNotReachable;
    qint32 status = kNotReachable;
    if (!(flags & kFlagConnectionRequired)) status = kReachable;
    if ((flags & (kFlagConnectionOnDemand | kFlagConnectionOnTraffic)) &&
        !(flags & kFlagInterventionRequired))
        status = kReachable;
    if (flags & kFlagIsDirect) status = kReachableDirectly;
    return status;
}

void StartMonitoringNetworkReachability() {
    if (g_monitoring) {
        Diagnostics::line(QStringLiteral("Already monitoring!"));
        return;
    }
    g_monitoring = true;
    source().watch(postChange);
}

void StopMonitoringNetworkReachability() {
    if (!g_monitoring) {
        Diagnostics::line(QStringLiteral("Network reachability is not being monitored."));
        return;
    }
    source().unwatch();
    g_monitoring = false;
}

bool IsMonitoringNetworkReachability() {
    return g_monitoring;
}

} // namespace NetworkReachability
