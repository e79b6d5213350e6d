#pragma once

#include "HotKeyBackend.h"

#include <QObject>
#include <QPointer>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

class QSocketNotifier;

// Hot keys as passive key grabs on the root window of the X11 display, over a connection of its own
// whose events a socket notifier reads on the main thread. Each combination is grabbed with every
// state of Caps Lock and Num Lock; a grab another client holds fails the registration and releases
// what it had grabbed. Autorepeat presses of a held key are not delivered.
class X11HotKeyBackend : public QObject, public HotKeyBackend {
    Q_OBJECT
public:
    // Connects to the display named by DISPLAY; null when that fails. The parent owns it.
    static X11HotKeyBackend* create(QObject* parent);
    ~X11HotKeyBackend() override;

    qint32 registerHotKey(quint32 keyCode, quint32 modifiers, EventHotKeyID id, QObject* target,
                          EventHotKeyRef* ref) override;
    qint32 unregisterHotKey(EventHotKeyRef ref) override;

    // The X keysym of a Qt key; 0 when there is none.
    static quint32 keysymForKey(quint32 key);
    // The X modifier mask of a Carbon mask (lock bits dropped).
    static quint16 modifierMaskFor(quint32 modifiers);

private:
    struct Grab {
        EventHotKeyRef ref;
        std::vector<xcb_keycode_t> keycodes;
        quint16 modifiers;
        quint16 numLock;
        EventHotKeyID id;
        QPointer<QObject> target;
    };

    X11HotKeyBackend(xcb_connection_t* connection, xcb_window_t root, QObject* parent);
    quint16 numLockMask();
    std::vector<quint16> lockVariants(quint16 numLock) const;
    void ungrab(const Grab& grab);
    void readEvents();
    void readEventsLater();
    void handleEvent(const xcb_generic_event_t* event);

    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    xcb_key_symbols_t* m_symbols;
    QSocketNotifier* m_notifier = nullptr;
    std::vector<Grab> m_grabs;
    EventHotKeyRef m_next = 1;
    xcb_keycode_t m_releasedKey = 0;
    xcb_timestamp_t m_releaseTime = 0;
};
