#include "app/ApplicationIcon.h"
#include "app/Launcher.h"

#include "model/Globals.h"
#include "platform/app/AutoreleasingApplication.h"

#include <QDir>
#include <QFileInfo>
#include <csignal>
#include <cstdio>

int main(int argc, char** argv) {
    // A crash ends the program with the system's report rather than a handler of a library.
    for (int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE}) std::signal(signal, SIG_DFL);
    AutoreleasingApplication app(argc, argv);
    // The executable's name tells the editions apart; it sets the name before any setting is read.
    QCoreApplication::setApplicationName(
        BundleNameForExecutable(QFileInfo(QString::fromLocal8Bit(argv[0])).fileName()));
    QGuiApplication::setDesktopFileName(QFileInfo(QString::fromLocal8Bit(argv[0])).fileName());
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QGuiApplication::setWindowIcon(ApplicationIcon());

    Launcher launcher;
    QString error;
    if (const std::optional<int> code = launcher.start(app.arguments().mid(1), QDir::currentPath(), &error)) {
        if (*code != 0)
            std::fprintf(stderr, "%s could not start: %s\n", qPrintable(QCoreApplication::applicationName()),
                         qPrintable(error.isEmpty() ? QStringLiteral("unknown reason") : error));
        return *code;
    }
    return app.exec();
}
