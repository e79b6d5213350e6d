#pragma once

#include <QEvent>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QtGlobal>

// Global hot keys: key combinations that reach the program whatever window or program has the
// keyboard. A backend grabs a combination for an object; each press posts a HotKeyPressEvent to that
// object, so presses arrive on the main thread through the event loop.
//
// Key codes are Qt::Key values (Qt::Key_J, Qt::Key_F5); 0 is no key. Modifiers are the Carbon mask
// below, mapped as Qt maps them: cmdKey is Ctrl, optionKey Alt, controlKey Super (Meta), shiftKey
// Shift. Caps Lock and Num Lock never matter: a hot key works whatever their state.
//
// HotKeyBackend::shared() picks the backend once: key grabs on the X11 display under the xcb
// platform, else a backend that registers nothing and says so in one diagnostic line.
// Main thread only.

struct EventHotKeyID {
    quint32 signature = 0;
    quint32 id = 0;
    friend bool operator==(const EventHotKeyID&, const EventHotKeyID&) = default;
};

// A registration; 0 is none.
using EventHotKeyRef = quint64;

namespace HotKeyModifiers {
enum : quint32 {
    cmdKey = 0x0100,
    shiftKey = 0x0200,
    alphaLock = 0x0400, // ignored: lock keys never matter
    optionKey = 0x0800,
    controlKey = 0x1000,
};
} // namespace HotKeyModifiers

// Statuses of registration.
namespace HotKeyStatus {
enum : qint32 {
    noErr = 0,
    unimpErr = -4,                 // no hot keys on this display
    paramErr = -50,                // no target, or a number out of range
    eventHotKeyExistsErr = -9878,  // another program, or another registration here, holds the key
    eventHotKeyInvalidErr = -9879, // a key code with no key on this keyboard, or an unknown reference
};
} // namespace HotKeyStatus

// Posted to the registering object for every press of its hot key.
class HotKeyPressEvent : public QEvent {
public:
    explicit HotKeyPressEvent(EventHotKeyID id) : QEvent(eventType()), m_id(id) {}
    static QEvent::Type eventType();
    EventHotKeyID hotKeyID() const { return m_id; }

private:
    EventHotKeyID m_id;
};

class HotKeyBackend {
public:
    virtual ~HotKeyBackend() = default;

    // Grabs the combination for the target; 0 and the reference, or a status (HotKeyStatus).
    virtual qint32 registerHotKey(quint32 keyCode, quint32 modifiers, EventHotKeyID id, QObject* target,
                                  EventHotKeyRef* ref) = 0;
    // Releases the grab; 0, or eventHotKeyInvalidErr for a reference not registered here.
    virtual qint32 unregisterHotKey(EventHotKeyRef ref) = 0;

    // The process's backend, made on first use. setShared installs one (not owned); null restores.
    static HotKeyBackend& shared();
    static void setShared(HotKeyBackend* backend);
};

// Registers nothing: every registration answers unimpErr, and the first one says why in one line.
class NoHotKeyBackend : public HotKeyBackend {
public:
    qint32 registerHotKey(quint32 keyCode, quint32 modifiers, EventHotKeyID id, QObject* target,
                          EventHotKeyRef* ref) override;
    qint32 unregisterHotKey(EventHotKeyRef ref) override;

private:
    bool m_reported = false;
};

// For tests: records registrations, refuses a combination registered twice, and presses on request.
class RecordingHotKeyBackend : public HotKeyBackend {
public:
    struct Registration {
        EventHotKeyRef ref;
        quint32 keyCode;
        quint32 modifiers;
        EventHotKeyID id;
        QPointer<QObject> target;
    };
    qint32 registerHotKey(quint32 keyCode, quint32 modifiers, EventHotKeyID id, QObject* target,
                          EventHotKeyRef* ref) override;
    qint32 unregisterHotKey(EventHotKeyRef ref) override;

    const QList<Registration>& registrations() const { return m_registrations; }
    // Posts a press to the target of the registered combination; false when none is registered.
    bool press(quint32 keyCode, quint32 modifiers);

private:
    QList<Registration> m_registrations;
    EventHotKeyRef m_next = 1;
};
