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
QtMessageHandler g_previousHandler = nullptr;

void saveAndEnd() {
    if (!g_save || !g_connection || !xcb_connection_has_error(g_connection)) return;
    if (QThread::currentThread() != qApp->thread()) return;
    // Nothing handles a stop signal's byte any more: a signal now ends the program at once.
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) std::signal(signal, SIG_DFL);
    // Taken first: a warning the save prints comes back here.
    const std::function<void()> save = std::exchange(g_save, {});
    Diagnostics::line(QStringLiteral("The display went away; saving and ending."));
    save();
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(1);
}

// The platform plugin warns of the broken connection just before it calls exit(): saving here
// runs while every object of static lifetime is still there.
void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (g_previousHandler) g_previousHandler(type, context, message);
    if (type == QtWarningMsg) saveAndEnd();
}

// The fallback: the exit handlers run in reverse order of registration, so the objects of static
// lifetime made after install() are already gone here.
void atExit() {
    saveAndEnd();
}

} // namespace

void install(std::function<void()> save) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return;
    g_connection = x11->connection();
    if (!g_registered) {
        g_registered = std::atexit(atExit) == 0;
        g_previousHandler = qInstallMessageHandler(messageHandler);
    }
    g_save = std::move(save);
}

void uninstall() {
    g_save = {};
}

} // namespace DisplayLoss
