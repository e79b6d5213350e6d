#pragma once

#include "platform/AlertPresenter.h"
#include "platform/PanelPresenter.h"

#include <QByteArray>
#include <QString>

// Access to folders outside the application's sandbox, through bookmarks kept in the user defaults.
// This system has no sandbox: the application counts as sandboxed only when the environment holds
// APP_SANDBOX_CONTAINER_ID, a bookmark is the folder's file URL (StringBookmarkUtilities), and access
// through it is granted when the folder is readable. Not sandboxed, the requests succeed at once and
// store nothing. Panels run through the shared PanelPresenter, alerts through the shared
// AlertPresenter; nothing is reported to the user here. Main thread only.
namespace SandboxUtilities {

// In the standard user defaults: folder path -> bookmark data. Entries are only ever added.
inline const QString kApplicationBookmarks = QStringLiteral("ApplicationBookmarks");

// Starts access to every registered bookmark; failures are ignored.
void StartAccessingBookmarks();
// True when not sandboxed; false for an empty path. Through the registered bookmark, else through
// one made from the path, registered when access begins.
bool StartAccessingBookmark(const QString& path);
// The same; on failure, with request, asks for the folder (RequestDirectoryAccessOutsideContainer).
bool StartAccessingBookmark(const QString& path, bool request);
// True when not sandboxed. A bookmark made from the path, stored under the key: whether access began.
bool StartAccessingBookmark(const QString& path, const QString& key);
inline bool StartAccessingBookmark(const QString& path, const char* key) {
    return StartAccessingBookmark(path, QString::fromUtf8(key));
}
// True when not sandboxed; false for an empty path. A bookmark made from the path, else one of the
// folder the user locates in the locate panel (the same folder: another one brings up the location
// alert, whose "Try Again" asks again); registered under the path. Whether access began.
bool RequestDirectoryAccessOutsideContainer(const QString& path);
// The same with the bookmark under the key (with reset, the key's bookmark is given up first).
bool RequestDirectoryAccessOutsideContainer(const QString& path, const QString& key, bool reset = false);
// Stops access through the key's bookmark and removes the key.
void RelinquishDirectoryAccess(const QString& key);
// The key's bookmark, else a folder chosen in a panel with this title and message, stored under the
// key. Whether access began; false when the panel is cancelled.
bool RequestDirectoryAccess(const QString& path, const QString& title, const QString& message,
                            const QString& key);

// Building blocks.
void RegisterBookmark(const QString& path, const QByteArray& bookmark); // a registered path keeps its own
QByteArray GetRegisteredBookmark(const QString& path);                  // empty when none
QString RegisterPath(const QString& path);                              // the key of a path: the path
// Whether the folder the user located is the one requested (the same item on disk).
bool ComparePathsForSandbox(const QString& chosen, const QString& requested);
OpenPanel LocateDirectoryPanel(const QString& path);
Alert LocationSelectionErrorAlert(const QString& path);
// A leading "~" becomes the user's real home folder.
QString ExpandTildeInPathForSystemUser(const QString& path);

} // namespace SandboxUtilities
