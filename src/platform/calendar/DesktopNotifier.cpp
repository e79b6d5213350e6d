#include "platform/calendar/DesktopNotifier.h"

#include "platform/Diagnostics.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>
#include <QtDebug>

void DBusDesktopNotifier::notify(const QString& summary, const QString& body) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        if (!m_reportedMissingBus)
            Diagnostics::warning(QStringLiteral("No session bus: calendar alarms cannot be shown."));
        m_reportedMissingBus = true;
        return;
    }
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    message << QCoreApplication::applicationName() << quint32(0) << QString() << summary << body
            << QStringList() << QVariantMap() << qint32(-1);
    bus.send(message);
}
