#include "SheetItemsFile.h"

#include "foundation/Archiver.h"
#include "model/SheetManager.h"

#include <QFileInfo>

namespace SheetItemsFile {

QString path(const QString& sheetFolder) {
    return sheetFolder + QLatin1Char('/') + kFileName;
}

TSheetManagerItem* read(const QString& sheetFolder) {
    const QString file = path(sheetFolder);
    if (!QFileInfo(file).isFile()) return nullptr;
    TObject* object = AllocateFromArchive(FSRef{file});
    if (MemberOfClass(object, TSheetManagerItem::StaticClass()))
        return static_cast<TSheetManagerItem*>(object);
    if (object) object->Release();
    return nullptr;
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
