#include "HotKeyBackend.h"

#include "X11HotKeyBackend.h"
#include "platform/Diagnostics.h"

#include <QCoreApplication>
#include <QGuiApplication>

namespace {
HotKeyBackend* g_installed = nullptr;
} // namespace

QEvent::Type HotKeyPressEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

HotKeyBackend& HotKeyBackend::shared() {
    if (g_installed) return *g_installed;
    static QPointer<X11HotKeyBackend> x11;
    static NoHotKeyBackend none;
    if (!x11 && qobject_cast<QGuiApplication*>(QCoreApplication::instance()) &&
        QGuiApplication::platformName() == QLatin1String("xcb"))
        x11 = X11HotKeyBackend::create(QCoreApplication::instance());
    if (x11) return *x11;
    return none;
}

void HotKeyBackend::setShared(HotKeyBackend* backend) {
    g_installed = backend;
}

// --- NoHotKeyBackend -------------------------------------------------------------------------------

qint32 NoHotKeyBackend::registerHotKey(quint32, quint32, EventHotKeyID, QObject*, EventHotKeyRef* ref) {
    if (ref) *ref = 0;
    if (!m_reported) {
        m_reported = true;
        const QString platform =
            QCoreApplication::instance() ? QGuiApplication::platformName() : QStringLiteral("none");
        Diagnostics::warning(QStringLiteral("global hot keys need an X11 display (platform \"") + platform +
                             QStringLiteral("\"); no hot key is registered."));
    }
    return HotKeyStatus::unimpErr;
}

qint32 NoHotKeyBackend::unregisterHotKey(EventHotKeyRef) {
    return HotKeyStatus::eventHotKeyInvalidErr;
}

// --- RecordingHotKeyBackend ------------------------------------------------------------------------

qint32 RecordingHotKeyBackend::registerHotKey(quint32 keyCode, quint32 modifiers, EventHotKeyID id,
                                              QObject* target, EventHotKeyRef* ref) {
    if (ref) *ref = 0;
    if (!target || !ref || keyCode == 0) return HotKeyStatus::paramErr;
    for (const Registration& r : m_registrations)
        if (r.keyCode == keyCode && r.modifiers == modifiers) return HotKeyStatus::eventHotKeyExistsErr;
    *ref = m_next++;
    m_registrations.append({*ref, keyCode, modifiers, id, target});
    return HotKeyStatus::noErr;
}

qint32 RecordingHotKeyBackend::unregisterHotKey(EventHotKeyRef ref) {
    for (qsizetype i = 0; i < m_registrations.size(); ++i) {
        if (m_registrations[i].ref != ref) continue;
        m_registrations.removeAt(i);
        return HotKeyStatus::noErr;
    }
    return HotKeyStatus::eventHotKeyInvalidErr;
}

bool RecordingHotKeyBackend::press(quint32 keyCode, quint32 modifiers) {
    for (const Registration& r : m_registrations) {
        if (r.keyCode != keyCode || r.modifiers != modifiers || !r.target) continue;
        QCoreApplication::postEvent(r.target, new HotKeyPressEvent(r.id));
        return true;
    }
    return false;
}
