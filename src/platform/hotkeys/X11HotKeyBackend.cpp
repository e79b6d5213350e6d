#include "X11HotKeyBackend.h"

#include <QChar>
#include <QCoreApplication>
#include <QMetaObject>
#include <QSocketNotifier>
#include <X11/keysym.h>
#include <cstdlib>
#include <memory>

namespace {

constexpr quint16 kModifierBits = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_LOCK | XCB_MOD_MASK_CONTROL |
                                  XCB_MOD_MASK_1 | XCB_MOD_MASK_2 | XCB_MOD_MASK_3 | XCB_MOD_MASK_4 |
                                  XCB_MOD_MASK_5;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <class T> using XcbReply = std::unique_ptr<T, FreeDeleter>;

} // namespace

X11HotKeyBackend* X11HotKeyBackend::create(QObject* parent) {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (!connection || xcb_connection_has_error(connection)) {
        if (connection) xcb_disconnect(connection);
        return nullptr;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
    if (!it.rem) {
        xcb_disconnect(connection);
        return nullptr;
    }
    return new X11HotKeyBackend(connection, it.data->root, parent);
}

X11HotKeyBackend::X11HotKeyBackend(xcb_connection_t* connection, xcb_window_t root, QObject* parent)
    : QObject(parent), m_connection(connection), m_root(root), m_symbols(xcb_key_symbols_alloc(connection)) {
    m_notifier = new QSocketNotifier(xcb_get_file_descriptor(connection), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &X11HotKeyBackend::readEvents);
}

X11HotKeyBackend::~X11HotKeyBackend() {
    delete m_notifier;
    m_notifier = nullptr;
    // Closing the connection releases every grab it holds.
    if (m_symbols) xcb_key_symbols_free(m_symbols);
    xcb_disconnect(m_connection);
}

quint32 X11HotKeyBackend::keysymForKey(quint32 key) {
    if (key >= 0x20 && key <= 0xff) return QChar(static_cast<char16_t>(key)).toLower().unicode();
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35) return XK_F1 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Escape:
        return XK_Escape;
    case Qt::Key_Tab:
        return XK_Tab;
    case Qt::Key_Backtab:
        return XK_ISO_Left_Tab;
    case Qt::Key_Backspace:
        return XK_BackSpace;
    case Qt::Key_Return:
        return XK_Return;
    case Qt::Key_Enter:
        return XK_KP_Enter;
    case Qt::Key_Insert:
        return XK_Insert;
    case Qt::Key_Delete:
        return XK_Delete;
    case Qt::Key_Pause:
        return XK_Pause;
    case Qt::Key_Print:
        return XK_Print;
    case Qt::Key_SysReq:
        return XK_Sys_Req;
    case Qt::Key_Clear:
        return XK_Clear;
    case Qt::Key_Home:
        return XK_Home;
    case Qt::Key_End:
        return XK_End;
    case Qt::Key_Left:
        return XK_Left;
    case Qt::Key_Up:
        return XK_Up;
    case Qt::Key_Right:
        return XK_Right;
    case Qt::Key_Down:
        return XK_Down;
    case Qt::Key_PageUp:
        return XK_Prior;
    case Qt::Key_PageDown:
        return XK_Next;
    case Qt::Key_Menu:
        return XK_Menu;
    case Qt::Key_Help:
        return XK_Help;
    default:
        return 0;
    }
}

quint16 X11HotKeyBackend::modifierMaskFor(quint32 modifiers) {
    quint16 mask = 0;
    if (modifiers & HotKeyModifiers::shiftKey) mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & HotKeyModifiers::cmdKey) mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & HotKeyModifiers::optionKey) mask |= XCB_MOD_MASK_1;
    if (modifiers & HotKeyModifiers::controlKey) mask |= XCB_MOD_MASK_4;
    return mask;
}

// The modifier bit Num Lock sets in this keyboard mapping; 0 when it sets none.
quint16 X11HotKeyBackend::numLockMask() {
    XcbReply<xcb_get_modifier_mapping_reply_t> reply(
        xcb_get_modifier_mapping_reply(m_connection, xcb_get_modifier_mapping(m_connection), nullptr));
    XcbReply<xcb_keycode_t> numLock(xcb_key_symbols_get_keycode(m_symbols, XK_Num_Lock));
    if (!reply || !numLock) return 0;
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply.get());
    const int perModifier = reply->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier)
        for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t code = codes[modifier * perModifier + i];
            if (code == XCB_NO_SYMBOL) continue;
            for (const xcb_keycode_t* n = numLock.get(); *n != XCB_NO_SYMBOL; ++n)
                if (*n == code) return static_cast<quint16>(1u << modifier);
        }
    return 0;
}

std::vector<quint16> X11HotKeyBackend::lockVariants(quint16 numLock) const {
    std::vector<quint16> variants{0, XCB_MOD_MASK_LOCK};
    if (numLock && numLock != XCB_MOD_MASK_LOCK) {
        variants.push_back(numLock);
        variants.push_back(static_cast<quint16>(numLock | XCB_MOD_MASK_LOCK));
    }
    return variants;
}

qint32 X11HotKeyBackend::registerHotKey(quint32 keyCode, quint32 modifiers, EventHotKeyID id, QObject* target,
                                        EventHotKeyRef* ref) {
    if (ref) *ref = 0;
    if (!target || !ref) return HotKeyStatus::paramErr;
    const quint32 keysym = keysymForKey(keyCode);
    if (!keysym) return HotKeyStatus::eventHotKeyInvalidErr;

    Grab grab{0, {}, modifierMaskFor(modifiers), numLockMask(), id, target};
    if (XcbReply<xcb_keycode_t> codes{xcb_key_symbols_get_keycode(m_symbols, keysym)})
        for (const xcb_keycode_t* c = codes.get(); *c != XCB_NO_SYMBOL; ++c) grab.keycodes.push_back(*c);
    if (grab.keycodes.empty()) return HotKeyStatus::eventHotKeyInvalidErr;
    for (const Grab& other : m_grabs)
        if (other.modifiers == grab.modifiers)
            for (xcb_keycode_t code : grab.keycodes)
                for (xcb_keycode_t taken : other.keycodes)
                    if (code == taken) return HotKeyStatus::eventHotKeyExistsErr;

    // Grab every lock variant, then check each grab: one held elsewhere fails the whole key.
    std::vector<xcb_void_cookie_t> cookies;
    for (xcb_keycode_t code : grab.keycodes)
        for (quint16 locks : lockVariants(grab.numLock))
            cookies.push_back(xcb_grab_key_checked(m_connection, 1, m_root,
                                                   static_cast<quint16>(grab.modifiers | locks), code,
                                                   XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    bool refused = false;
    for (xcb_void_cookie_t cookie : cookies)
        if (XcbReply<xcb_generic_error_t> error{xcb_request_check(m_connection, cookie)}) refused = true;
    readEventsLater();
    if (refused) {
        ungrab(grab);
        return HotKeyStatus::eventHotKeyExistsErr;
    }
    grab.ref = m_next++;
    *ref = grab.ref;
    m_grabs.push_back(std::move(grab));
    return HotKeyStatus::noErr;
}

void X11HotKeyBackend::ungrab(const Grab& grab) {
    for (xcb_keycode_t code : grab.keycodes)
        for (quint16 locks : lockVariants(grab.numLock))
            xcb_ungrab_key(m_connection, code, m_root, static_cast<quint16>(grab.modifiers | locks));
    xcb_flush(m_connection);
}

qint32 X11HotKeyBackend::unregisterHotKey(EventHotKeyRef ref) {
    for (auto it = m_grabs.begin(); it != m_grabs.end(); ++it) {
        if (it->ref != ref) continue;
        ungrab(*it);
        m_grabs.erase(it);
        return HotKeyStatus::noErr;
    }
    return HotKeyStatus::eventHotKeyInvalidErr;
}

// Round trips may leave events queued that the socket will not announce again.
void X11HotKeyBackend::readEventsLater() {
    QMetaObject::invokeMethod(this, &X11HotKeyBackend::readEvents, Qt::QueuedConnection);
}

void X11HotKeyBackend::readEvents() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
        handleEvent(event);
        std::free(event);
    }
    if (xcb_connection_has_error(m_connection) && m_notifier) m_notifier->setEnabled(false);
}

void X11HotKeyBackend::handleEvent(const xcb_generic_event_t* event) {
    switch (event->response_type & 0x7f) {
    case XCB_MAPPING_NOTIFY:
        xcb_refresh_keyboard_mapping(m_symbols, reinterpret_cast<xcb_mapping_notify_event_t*>(
                                                    const_cast<xcb_generic_event_t*>(event)));
        break;
    case XCB_KEY_RELEASE: {
        const auto* key = reinterpret_cast<const xcb_key_release_event_t*>(event);
        m_releasedKey = key->detail;
        m_releaseTime = key->time;
        break;
    }
    case XCB_KEY_PRESS: {
        const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
        // An autorepeat press comes with the time of the release just before it.
        const bool repeat = key->detail == m_releasedKey && key->time == m_releaseTime;
        m_releasedKey = 0;
        if (repeat) break;
        for (const Grab& grab : m_grabs) {
            const quint16 state = key->state & kModifierBits & ~(XCB_MOD_MASK_LOCK | grab.numLock);
            if (state != grab.modifiers || !grab.target) continue;
            for (xcb_keycode_t code : grab.keycodes)
                if (code == key->detail) {
                    QCoreApplication::postEvent(grab.target, new HotKeyPressEvent(grab.id));
                    return;
                }
        }
        break;
    }
    default:
        break;
    }
}
