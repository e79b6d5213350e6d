#include "SheetItemsFile.h"

#include "foundation/Archiver.h"
#include "model/SheetManager.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

namespace SheetItemsFile {

QString path(const QString& sheetFolder) {
    return sheetFolder + QLatin1Char('/') + kFileName;
}

namespace {

constexpr unsigned long kRereadDelayMs = 200;

TSheetManagerItem* readOnce(const QString& file) {
    TObject* object = AllocateFromArchive(FSRef{file});
    if (MemberOfClass(object, TSheetManagerItem::StaticClass()))
        return static_cast<TSheetManagerItem*>(object);
    if (object) object->Release();
    return nullptr;
}

} // namespace

TSheetManagerItem* read(const QString& sheetFolder, bool* unreadable) {
    const QString file = path(sheetFolder);
    if (unreadable) *unreadable = QFileInfo::exists(file);
    if (!QFileInfo(file).isFile()) return nullptr;
    TSheetManagerItem* root = readOnce(file);
    // A sync client may be writing it this moment: one more look before it counts as damaged.
    if (!root) {
        QThread::msleep(kRereadDelayMs);
        if (QFileInfo(file).isFile()) root = readOnce(file);
    }
    if (root && unreadable) *unreadable = false;
    return root;
}

QString keepAside(const QString& sheetFolder) {
    const QString base = QFileInfo(kFileName).completeBaseName();
    QString target;
    for (int n = 1; target.isEmpty() || QFileInfo::exists(target); ++n)
        target =
            sheetFolder + QLatin1Char('/') + base +
            (n > 1 ? QStringLiteral(" (unreadable %1).plist").arg(n) : QStringLiteral(" (unreadable).plist"));
    return QFile::rename(path(sheetFolder), target) ? target : QString();
}

bool write(const QString& sheetFolder, TSheetManagerItem* root, QString* error) {
    if (!root) return false;
    TArchiver* archiver = root->CopyArchive();
    const bool ok = archiver->Save(path(sheetFolder), true) == 0;
    archiver->Release();
    if (!ok && error) *error = QStringLiteral("The sheet list could not be written to ") + path(sheetFolder);
    return ok;
}

QDateTime modifiedDate(const QString& sheetFolder) {
    const QFileInfo info(path(sheetFolder));
    return info.exists() ? info.lastModified() : QDateTime();
}

} // namespace SheetItemsFile
