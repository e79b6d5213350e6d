#pragma once

#include "platform/CoreTypes.h"

#include <QIcon>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QUrl>

// A path string taken as a file-system object: its type, flags, icon and file reference. Nothing
// raises or reports: a failure gives false, a null value, the empty reference or the path itself.
namespace StringFileObjectUtilities {

// By the extension alone (the file is never read); false without one.
bool conformsToUTIdentifier(const QString& path, const QString& identifier);
// With matchAll, true when it conforms to every one (an empty list: true); else to any.
bool conformsToUTIdentifiers(const QString& path, const QStringList& identifiers, bool matchAll);
bool isHidden(const QString& path);    // an existing item whose name starts with a dot
bool isDirectory(const QString& path); // packages included
bool isFolder(const QString& path);    // a directory that is no package
bool isPackage(const QString& path);   // a folder that is a document ("qxsheet", "qxtheme", ...)
bool isFound(const QString& path);
bool isBusy(const QString& path);
// The hidden-extension flag has no form on this file system: always false, and setting it
// changes nothing.
bool isExtensionHidden(const QString& path);
void setExtensionHidden(const QString& path, bool hidden);
bool isAlias(const QString& path); // a symbolic link
// What the link at the path leads to, chains followed; the path itself when it is no link or
// leads nowhere.
QString pathWithResolvedAlias(const QString& path);
FSRef fsRef(const QString& path);
QString stringWithFSRef(const FSRef& ref); // null for a reference without a path
QString initWithFSRef(const FSRef& ref);
QString stringWithFSObjectName(const FSRef& ref); // null when nothing is there
QIcon copyFileIcon(const QString& path);          // null when nothing is there
// The icon drawn at the size on a clear background; null when nothing is there.
QImage fileImage(const QString& path, const QSize& size);

} // namespace StringFileObjectUtilities

namespace URLFileObjectUtilities {
QUrl fileURLWithFSRef(const FSRef& ref); // empty for the empty reference
}
