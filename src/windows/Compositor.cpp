#include "Compositor.h"

#include <QGuiApplication>
#include <optional>
#include <xcb/xcb.h>

namespace Compositor {
namespace {

std::optional<bool> forced;

bool x11CompositorRuns() {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    bool owned = false;
    if (connection && !xcb_connection_has_error(connection)) {
        const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screenNumber);
        xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 1, static_cast<quint16>(name.size()), name.constData()),
            nullptr);
        if (atom && atom->atom != XCB_ATOM_NONE) {
            xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
                connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
            owned = owner && owner->owner != XCB_WINDOW_NONE;
            free(owner);
        }
        free(atom);
    }
    if (connection) xcb_disconnect(connection);
    return owned;
}

} // namespace

bool isRunning() {
    if (forced) return *forced;
    const QString platform = QGuiApplication::platformName();
    if (platform.startsWith(QLatin1String("wayland"))) return true;
    if (platform == QLatin1String("xcb")) return x11CompositorRuns();
    return false;
}

void setForced(bool running) {
    forced = running;
}

void clearForced() {
    forced.reset();
}

} // namespace Compositor
