#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

// The program's resources by file name, and folder listings as full paths.
namespace BundleUtilities {
// The resources folder joined with the name, whether or not the file exists.
QString pathForResource(const QString& name);
QUrl URLForResource(const QString& name);
// The translation of the key, the key itself without one.
QString localizedString(const QString& key);
} // namespace BundleUtilities

namespace FileManagerUtilities {
// The entries of the folder (all of its tree with recursive) as full paths, in the file system's
// order; empty when the folder can't be read, with the reason in error.
QStringList directoryContents(const QString& folder, bool recursive = false, QString* error = nullptr);
QStringList directoryContents(const QString& folder, QString* error);
// Of the resources folder's sub-folder (null: the resources folder itself).
QStringList resourceDirectoryContents(const QString& name = QString());
bool directoryExistsAtPath(const QString& path);
// One folder; its parent must exist.
bool createDirectoryAtPath(const QString& path, QString* error = nullptr);
// An empty file; false when anything is already there.
bool createFileAtPath(const QString& path, QString* error = nullptr);
// Into the folder under the item's own name; false when that name is taken there.
bool moveItemAtPathToDirectory(const QString& path, const QString& folder, QString* error = nullptr);
QString pathForTemporaryFile();             // nothing is created
QString volumeForPath(const QString& path); // the volume's root folder; null when unknown
} // namespace FileManagerUtilities
