#include "SheetFolderScan.h"

#include "SheetItemsFile.h"
#include "SheetTree.h"
#include "utilities/TypeIdentifiers.h"

#include <QDir>
#include <QFileInfo>

namespace {

using Entry = SheetFolderScan::Entry;

// Whether the folder at path (below top) is, through a link, top or one of the folders between them:
// entering it would walk the same folders again and again.
bool loopsBack(const QString& path, const QString& top) {
    const QString real = QFileInfo(path).canonicalFilePath();
    if (real.isEmpty()) return true;
    for (QString above = QFileInfo(path).path(); above.size() >= top.size();
         above = QFileInfo(above).path()) {
        if (QFileInfo(above).canonicalFilePath() == real) return true;
        if (above == top || above == QFileInfo(above).path()) break;
    }
    return false;
}

// A folder that is no document (sheet bundles and other packages are not entered).
bool isPlainFolder(const QString& path, const Entry& entry) {
    return entry.identity && entry.identity->folder &&
           !TypeIdentifiers::isPackageExtension(StringPathUtilities::extension(path));
}

} // namespace

// Its own entries, or with deep every entry at any depth (sheet bundles and links back up are not
// entered). Hidden entries are left out. Each entry is looked at once.
QList<Entry> SheetFolderScan::list(const QString& folder, bool deep, const QString& top) {
    QList<Entry> entries;
    const QStringList names = QDir(folder).entryList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& name : names) {
        if (name.startsWith(QLatin1Char('.'))) continue;
        const QString path = folder + QLatin1Char('/') + name;
        Entry entry{name, StringPathUtilities::fileIdentity(path)};
        entry.bundle = entry.identity && entry.identity->folder &&
                       QFileInfo(path).suffix() == SheetTree::kSheetExtension;
        entry.group = !entry.bundle && isPlainFolder(path, entry) && !loopsBack(path, top);
        entries.append(entry);
        if (deep && entry.group)
            for (Entry& below : list(path, true, top)) {
                below.relative = name + QLatin1Char('/') + below.relative;
                entries.append(std::move(below));
            }
    }
    return entries;
}

namespace {

// Lists folder and, unless deep, every group folder below it.
void listAll(SheetFolderScan& scan, const QString& folder) {
    const QList<Entry>& entries = scan.listings[folder] =
        SheetFolderScan::list(folder, scan.deep, scan.folder);
    if (scan.deep) return;
    for (const Entry& entry : entries)
        if (entry.group) listAll(scan, folder + QLatin1Char('/') + entry.relative);
}

} // namespace

SheetFolderScan SheetFolderScan::read(const QString& folder, bool deep, const QStringList& sheetPaths) {
    SheetFolderScan scan;
    scan.folder = folder;
    scan.deep = deep;
    scan.exists = QFileInfo(folder).isDir();
    for (const QString& path : sheetPaths) scan.sheets.insert(path, StringPathUtilities::fileIdentity(path));
    if (!scan.exists) return scan;
    scan.itemsDate = SheetItemsFile::modifiedDate(folder);
    listAll(scan, folder);
    return scan;
}

QList<Entry> SheetFolderScan::entries(const QString& folder) const {
    const auto found = listings.constFind(folder);
    return found != listings.cend() ? *found : list(folder, deep, this->folder);
}

std::optional<StringPathUtilities::FileIdentity> SheetFolderScan::sheetIdentity(const QString& path) const {
    const auto found = sheets.constFind(path);
    return found != sheets.cend() ? *found : StringPathUtilities::fileIdentity(path);
}

QDateTime SheetFolderScan::sheetDate(const QString& path) const {
    const std::optional<StringPathUtilities::FileIdentity> identity = sheetIdentity(path);
    return identity && identity->folder ? identity->modified : QDateTime();
}
