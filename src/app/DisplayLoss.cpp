#include "DisplayLoss.h"

#include "platform/Diagnostics.h"

#include <QGuiApplication>
#include <QThread>
#include <QtGui/qguiapplication_platform.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <utility>
#include <xcb/xcb.h>

namespace DisplayLoss {
namespace {

std::function<void()> g_save;
bool g_registered = false;
xcb_connection_t* g_connection = nullptr;

void atExit() {
    if (!g_save || !g_connection || !xcb_connection_has_error(g_connection)) return;
    if (QThread::currentThread() != qApp->thread()) return;
    // Nothing handles a stop signal's byte any more: a signal now ends the program at once.
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) std::signal(signal, SIG_DFL);
    Diagnostics::line(QStringLiteral("The display went away; saving and ending."));
    const std::function<void()> save = std::exchange(g_save, {});
    save();
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(1);
}

} // namespace

void install(std::function<void()> save) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return;
    g_connection = x11->connection();
    if (!g_registered) g_registered = std::atexit(atExit) == 0;
    g_save = std::move(save);
}

void uninstall() {
    g_save = {};
}

} // namespace DisplayLoss
