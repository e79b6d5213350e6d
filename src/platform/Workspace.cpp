#include "Workspace.h"

#include "AlertPresenter.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>

namespace {

Workspace* g_installed = nullptr;

Workspace::OpenFilesHandler& handlerSlot() {
    static Workspace::OpenFilesHandler handler;
    return handler;
}

} // namespace

Workspace& Workspace::shared() {
    if (g_installed) return *g_installed;
    static DesktopWorkspace desktop;
    return desktop;
}

void Workspace::setShared(Workspace* workspace) {
    g_installed = workspace;
}

void Workspace::setOpenFilesHandler(OpenFilesHandler handler) {
    handlerSlot() = std::move(handler);
}

const Workspace::OpenFilesHandler& Workspace::openFilesHandler() {
    return handlerSlot();
}

bool DesktopWorkspace::openURL(const QUrl& url) {
    if (url.isValid() && QDesktopServices::openUrl(url)) return true;
    // Said where the person sees it, not only on the terminal.
    Alert alert;
    alert.messageText = QStringLiteral("The address could not be opened.");
    alert.informativeText = url.isValid()
                                ? QStringLiteral("No program on this computer opens %1").arg(url.toString())
                                : QStringLiteral("\"%1\" is not a valid address.").arg(url.toString());
    alert.style = Alert::Style::Informational;
    AlertPresenter::shared().beginSheet(alert, nullptr, {});
    return false;
}

bool DesktopWorkspace::selectFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(info.absoluteFilePath()).toString()} << QString();
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
    if (reply.type() == QDBusMessage::ReplyMessage) return true;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absolutePath()));
}

bool DesktopWorkspace::moveToTrash(const QString& path, QString* trashedPath) {
    QString newPath;
    const bool ok = QFile::moveToTrash(path, &newPath);
    if (trashedPath) *trashedPath = ok ? newPath : QString();
    return ok;
}

void DesktopWorkspace::openFilesWithThisApplication(const QStringList& paths) {
    QObject* app = QCoreApplication::instance();
    if (!app || paths.isEmpty()) return;
    QMetaObject::invokeMethod(
        app,
        [paths] {
            if (const OpenFilesHandler& handler = openFilesHandler()) handler(paths);
        },
        Qt::QueuedConnection);
}

bool RecordingWorkspace::openURL(const QUrl& url) {
    requests.append({QStringLiteral("openURL"), {url.toString()}});
    return true;
}

bool RecordingWorkspace::selectFile(const QString& path) {
    requests.append({QStringLiteral("selectFile"), {path}});
    return true;
}

bool RecordingWorkspace::moveToTrash(const QString& path, QString* trashedPath) {
    requests.append({QStringLiteral("moveToTrash"), {path}});
    if (trashedPath) *trashedPath = QString();
    if (!trashResult || trashFolder.isEmpty()) return trashResult;
    const QString target = trashFolder + QLatin1Char('/') + QFileInfo(path).fileName();
    if (QFileInfo::exists(target) || !QFile::rename(path, target)) return false;
    if (trashedPath) *trashedPath = target;
    return true;
}

void RecordingWorkspace::openFilesWithThisApplication(const QStringList& paths) {
    requests.append({QStringLiteral("openFiles"), paths});
}
