#include "WindowLevel.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <xcb/xcb.h>

namespace WindowLevel {
namespace {

constexpr quint32 kAllDesktops = 0xFFFFFFFF;

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, quint16(qstrlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return result;
}

// The window's desktop property (read when it is mapped) and the request to the window manager
// (for a window it already manages).
void putOnAllDesktops(QWidget* window) {
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !window->windowHandle()) return;
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) return;
    const xcb_atom_t desktop = atom(connection, "_NET_WM_DESKTOP");
    if (desktop == XCB_ATOM_NONE) return;
    const auto id = xcb_window_t(window->winId());
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, desktop, XCB_ATOM_CARDINAL, 32, 1,
                        &kAllDesktops);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (screen) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = id;
        message.type = desktop;
        message.data.data32[0] = kAllDesktops;
        message.data.data32[1] = 2; // from a pager-like source: taken at once
        xcb_send_event(connection, 0, screen->root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
    }
    xcb_flush(connection);
}

class AllDesktopsFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) putOnAllDesktops(static_cast<QWidget*>(watched));
        return false;
    }
};

} // namespace

void setLevel(QWidget* window, qint32 level) {
    if (!window) return;
    window->setProperty("windowLevel", level);
    Qt::WindowFlags flags = window->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, level > kNormalLevel);
    flags.setFlag(Qt::WindowStaysOnBottomHint, level < kNormalLevel);
    if (flags == window->windowFlags()) return;
    const bool visible = window->isVisible();
    window->setWindowFlags(flags);
    if (visible) window->show();
}

qint32 level(const QWidget* window) {
    return window ? window->property("windowLevel").toInt() : kNormalLevel;
}

void showOnAllDesktops(QWidget* window) {
    if (!window || window->property("allDesktops").toBool()) return;
    window->setProperty("allDesktops", true);
    window->installEventFilter(new AllDesktopsFilter(window));
    if (window->isVisible()) putOnAllDesktops(window);
}

} // namespace WindowLevel
