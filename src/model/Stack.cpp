#include "Stack.h"

#include "foundation/Archiver.h"
#include "platform/Diagnostics.h"

namespace {
const QString kSheet = QStringLiteral("sheet");

TStack::SheetLookup& sheetLookup() {
    static TStack::SheetLookup function;
    return function;
}
} // namespace

void TStack::SetSheetLookup(SheetLookup lookup) {
    sheetLookup() = std::move(lookup);
}

TStack* TStack::Create(const QString& sheetUUID, const QString& sheetTitle) {
    TStack* stack = Allocate();
    stack->m_sheetUUID = sheetUUID;
    stack->SetInitialTitle(sheetTitle);
    stack->Initialize();
    return stack;
}

void TStack::CopyInstanceVariables(TObject* source) {
    TCard::CopyInstanceVariables(source);
    m_sheetUUID = static_cast<const TStack*>(source)->m_sheetUUID;
}

void TStack::AddArchiveKeys(QSet<QString>& keys) const {
    TCard::AddArchiveKeys(keys);
    keys.insert(kSheet);
}

void TStack::EncodeData(TArchiver* archiver) {
    TCard::EncodeData(archiver);
    // The uuid is kept whether or not the sheet is loaded.
    if (m_sheetUUID.isEmpty()) {
        Diagnostics::line(QStringLiteral("DEAD STACK!"));
        archiver->Remove(kSheet);
    } else {
        Diagnostics::line(QStringLiteral("encode stack: ") + m_sheetUUID);
        archiver->SetValue(kSheet, m_sheetUUID);
    }
}

void TStack::DecodeData(TArchiver* archiver) {
    TCard::DecodeData(archiver);
    m_sheetUUID = archiver->GetStringValue(kSheet);
}

TSheet* TStack::GetSheet() const {
    return sheetLookup() && !m_sheetUUID.isEmpty() ? sheetLookup()(m_sheetUUID) : nullptr;
}
