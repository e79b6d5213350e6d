#pragma once

#include <QDateTime>
#include <QString>

class TSheetManagerItem;

// "SheetItems.plist" in the sheet folder: the sheet browser's tree (order, groups, separators and
// expanded states) as the archive of its root item, each item under the name of its file. Main
// thread only.
namespace SheetItemsFile {

inline const QString kFileName = QStringLiteral("SheetItems.plist");

QString path(const QString& sheetFolder);
// The tree stored in the folder: a new root (count 1, owned by the caller) whose items' paths hold
// their stored names alone; null when the file is missing or holds no item tree (then unreadable, when
// given, tells whether a file was there).
TSheetManagerItem* read(const QString& sheetFolder, bool* unreadable = nullptr);
// Renames an unreadable file aside ("SheetItems (unreadable).plist", numbered when taken), so the
// next write does not replace it; the new path, or empty when it could not be moved.
QString keepAside(const QString& sheetFolder);
// Replaces the file whole with the archive of root. On failure the old file stays, error gets a
// reason and false is returned.
bool write(const QString& sheetFolder, TSheetManagerItem* root, QString* error = nullptr);
// The file's modification date; invalid when it is missing.
QDateTime modifiedDate(const QString& sheetFolder);

} // namespace SheetItemsFile
