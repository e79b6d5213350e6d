#pragma once

#include "Card.h"

#include <functional>

class TSheet;

// A card that stands for a whole sheet, known by the sheet's uuid (never by a pointer a reload could
// free). The sheet manager installs the lookup from uuid to sheet.
class TStack : public TCard {
    T_OBJECT(TStack, TCard)
public:
    using SheetLookup = std::function<TSheet*(const QString& uuid)>;
    static void SetSheetLookup(SheetLookup lookup);

    // A stack for the sheet of that uuid, titled with the sheet's title.
    static TStack* Create(const QString& sheetUUID, const QString& sheetTitle);
    using TCard::Create;
    void CopyInstanceVariables(TObject* source) override;
    void EncodeData(TArchiver* archiver) override;
    void DecodeData(TArchiver* archiver) override;

    // The sheet, when it is loaded; null otherwise.
    TSheet* GetSheet() const;
    QString GetSheetUUID() const { return m_sheetUUID; }
    void SetSheetUUID(const QString& uuid) { m_sheetUUID = uuid; }

protected:
    TStack() = default;
    void AddArchiveKeys(QSet<QString>& keys) const override;

private:
    QString m_sheetUUID;
};
