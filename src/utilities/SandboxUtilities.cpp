#include "SandboxUtilities.h"

#include "AlertUtilities.h"
#include "CocoaUtilities.h"
#include "StringPathUtilities.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <unistd.h>

namespace SandboxUtilities {

namespace {

UserDefaults& defaults() {
    return UserDefaults::standardUserDefaults();
}

bool sandboxed() {
    return ApplicationUtilities::isSandboxed();
}

// Access is what the file system grants: a folder must be readable and searchable.
bool isReadable(const QString& path) {
    if (path.isEmpty()) return false;
    const int mode = QFileInfo(path).isDir() ? R_OK | X_OK : R_OK;
    return ::access(QFile::encodeName(path).constData(), mode) == 0;
}

// A bookmark of the item, possible only when it can be read already; empty otherwise.
QByteArray makeBookmark(const QString& path) {
    const QString expanded = StringPathUtilities::stringByExpandingTildeInPath(path);
    return isReadable(expanded) ? StringBookmarkUtilities::bookmarkData(path) : QByteArray();
}

bool startAccessing(const QByteArray& bookmark) {
    const QUrl url = DataBookmarkUtilities::startAccessingBookmarkURL(bookmark);
    return !url.isEmpty() && isReadable(url.toLocalFile());
}

// Asks the user to locate the folder: true with the located folder's bookmark in bookmark, false
// when the panel or the location alert is cancelled.
bool locate(const QString& path, QByteArray& bookmark) {
    for (;;) {
        OpenPanel panel = LocateDirectoryPanel(path);
        if (PanelPresenter::shared().runModal(panel) != NSModalResponseOK || panel.chosenPaths.isEmpty())
            return false;
        const QStringList& chosen = panel.chosenPaths;
        if (ComparePathsForSandbox(chosen.last(), path)) {
            bookmark = makeBookmark(chosen.last());
            return !bookmark.isEmpty();
        }
        if (AlertUtilities::runModal(LocationSelectionErrorAlert(path)) != NSAlertFirstButtonReturn)
            return false;
    }
}

} // namespace

void StartAccessingBookmarks() {
    const QVariantMap bookmarks = defaults().dictionaryForKey(kApplicationBookmarks);
    for (auto it = bookmarks.cbegin(); it != bookmarks.cend(); ++it) startAccessing(it.value().toByteArray());
}

bool StartAccessingBookmark(const QString& path) {
    if (!sandboxed()) return true;
    if (path.isEmpty()) return false;
    const QByteArray registered = GetRegisteredBookmark(path);
    if (!registered.isEmpty()) return startAccessing(registered);
    const QByteArray bookmark = makeBookmark(path);
    if (bookmark.isEmpty() || !startAccessing(bookmark)) return false;
    RegisterBookmark(path, bookmark);
    return true;
}

bool StartAccessingBookmark(const QString& path, bool request) {
    return StartAccessingBookmark(path) || (request && RequestDirectoryAccessOutsideContainer(path));
}

bool StartAccessingBookmark(const QString& path, const QString& key) {
    if (!sandboxed()) return true;
    const QByteArray bookmark = makeBookmark(path);
    if (bookmark.isEmpty()) return false;
    defaults().setObjectForKey(bookmark, key);
    return startAccessing(bookmark);
}

bool RequestDirectoryAccessOutsideContainer(const QString& path) {
    if (!sandboxed()) return true;
    if (path.isEmpty()) return false;
    QByteArray bookmark = makeBookmark(path);
    if (bookmark.isEmpty() && !locate(path, bookmark)) return false;
    if (!startAccessing(bookmark)) return false;
    RegisterBookmark(path, bookmark);
    return true;
}

bool RequestDirectoryAccessOutsideContainer(const QString& path, const QString& key, bool reset) {
    if (!sandboxed()) return true;
    if (path.isEmpty()) return false;
    if (reset) RelinquishDirectoryAccess(key);
    if (defaults().dataForKey(key).isEmpty()) {
        QByteArray bookmark = makeBookmark(path);
        if (bookmark.isEmpty() && !locate(path, bookmark)) return false;
        defaults().setObjectForKey(bookmark, key);
    }
    return startAccessing(defaults().dataForKey(key));
}

void RelinquishDirectoryAccess(const QString& key) {
    const QByteArray bookmark = defaults().dataForKey(key);
    if (bookmark.isEmpty()) return;
    DataBookmarkUtilities::stopAccessingBookmarkURL(bookmark);
    defaults().removeObjectForKey(key);
}

bool RequestDirectoryAccess(const QString& path, const QString& title, const QString& message,
                            const QString& key) {
    const QByteArray stored = defaults().dataForKey(key);
    if (!stored.isEmpty()) return startAccessing(stored);
    OpenPanel panel = LocateDirectoryPanel(path);
    panel.title = title;
    panel.message = message;
    if (PanelPresenter::shared().runModal(panel) != NSModalResponseOK || panel.chosenPaths.isEmpty())
        return false;
    const QByteArray bookmark = makeBookmark(panel.chosenPaths.last());
    if (!startAccessing(bookmark)) return false;
    defaults().setObjectForKey(bookmark, key);
    return true;
}

void RegisterBookmark(const QString& path, const QByteArray& bookmark) {
    QVariantMap bookmarks = defaults().dictionaryForKey(kApplicationBookmarks);
    const QString key = RegisterPath(path);
    if (bookmarks.contains(key)) return;
    bookmarks.insert(key, bookmark);
    defaults().setObjectForKey(bookmarks, kApplicationBookmarks);
}

QByteArray GetRegisteredBookmark(const QString& path) {
    return defaults().dictionaryForKey(kApplicationBookmarks).value(RegisterPath(path)).toByteArray();
}

QString RegisterPath(const QString& path) {
    return path;
}

bool ComparePathsForSandbox(const QString& chosen, const QString& requested) {
    const QString expanded = StringPathUtilities::stringByExpandingTildeInPath(requested);
    return QDir::cleanPath(chosen) == QDir::cleanPath(expanded) ||
           StringPathUtilities::comparePaths(chosen, expanded);
}

OpenPanel LocateDirectoryPanel(const QString& path) {
    OpenPanel panel;
    panel.canChooseFiles = false;
    panel.canChooseDirectories = true;
    panel.allowsMultipleSelection = false;
    panel.canCreateDirectories = false;
    panel.title = QStringLiteral("Locate Folder");
    panel.message =
        QStringLiteral("%1 doesn't have access to the folder \"%2\" which is outside the sandbox. "
                       "You will only need to locate the folder once.")
            .arg(ApplicationUtilities::name(), StringPathUtilities::displayName(path));
    panel.prompt = QStringLiteral("Choose");
    panel.directory = StringPathUtilities::fileURL(path).toLocalFile();
    return panel;
}

Alert LocationSelectionErrorAlert(const QString& path) {
    Alert alert = AlertUtilities::alertWithMessage(
        QStringLiteral("The location you selected (%1) does the match the folder %2 needs to access.")
            .arg(StringPathUtilities::stringByAbbreviatingWithTildeInPath(path),
                 ApplicationUtilities::name()));
    alert.buttons = QStringList{QStringLiteral("Try Again"), QStringLiteral("Cancel")};
    return alert;
}

QString ExpandTildeInPathForSystemUser(const QString& path) {
    return StringPathUtilities::stringByExpandingTildeOutsideContainer(path);
}

} // namespace SandboxUtilities
