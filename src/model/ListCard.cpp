#include "ListCard.h"

#include "Globals.h"
#include "Preferences.h"
#include "foundation/Archiver.h"
#include "platform/UserDefaults.h"
#include "utilities/UserDefaultsUtilities.h"

#include <QFontDatabase>

namespace {

const QString kRowNumberingKey = QStringLiteral("rowNumbering");
const QString kRoot = QStringLiteral("root");

} // namespace

// TListItem

TListItem* TListItem::Create(const QString& text) {
    return CreateWithText<TListItem>(text);
}

TListItem* TListItem::Create(const AttributedString& text) {
    return CreateWithText<TListItem>(text);
}

void TListItem::CopyInstanceVariables(TObject* source) {
    TTextItem::CopyInstanceVariables(source);
    m_rowNumbering = static_cast<const TListItem*>(source)->m_rowNumbering;
}

void TListItem::AddArchiveKeys(QSet<QString>& keys) const {
    TTextItem::AddArchiveKeys(keys);
    keys.insert(kRowNumberingKey);
}

void TListItem::EncodeData(TArchiver* archiver) {
    TTextItem::EncodeData(archiver);
    archiver->SetIntegerValue(kRowNumberingKey, m_rowNumbering);
}

void TListItem::DecodeData(TArchiver* archiver) {
    TTextItem::DecodeData(archiver);
    m_rowNumbering = archiver->GetIntegerValue(kRowNumberingKey);
}

std::optional<AttributedString> TListItem::ExportText() const {
    if (m_markerString.isEmpty()) return GetText();
    AttributedString text(m_markerString + QLatin1Char(' '));
    text.append(GetText());
    return text;
}

QFont TListItem::GetDefaultFont() const {
    return UserDefaultsUtilities::fontForKey(NSPrefs(), kPreferenceKeyListFont)
        .value_or(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
}

void TListItem::SetRowNumbering(qint32 numbering) {
    m_rowNumbering = numbering;
    SetModified(true);
}

void TListItem::SetMarkerString(const QString& marker) {
    m_markerString = marker;
    SetModified(true);
}

bool TListItem::HasMarker() const {
    const TTreeNode* parent = GetParent();
    return parent && parent->IsMember(TListItem::StaticClass()) &&
           static_cast<const TListItem*>(parent)->m_rowNumbering != 0;
}

// TListCard

void TListCard::Initialize() {
    TCard::Initialize();
    if (!m_root) {
        Ref<TListItem> root = Ref<TListItem>::adopt(TListItem::Create());
        root->m_rowNumbering =
            static_cast<qint32>(NSPrefs().integerForKey(kPreferenceKeyDefaultRowNumbering));
        SetRoot(root.get());
    }
}

void TListCard::Deallocate() {
    SetRoot(nullptr);
    TCard::Deallocate();
}

void TListCard::SetRoot(TListItem* root) {
    if (m_root) m_root->SetOwningCard(nullptr);
    m_root = Ref<TListItem>::retain(root);
    if (m_root) m_root->SetOwningCard(this);
}

void TListCard::CopyInstanceVariables(TObject* source) {
    TCard::CopyInstanceVariables(source);
    const auto* card = static_cast<const TListCard*>(source);
    SetRoot(nullptr);
    if (card->m_root) {
        Ref<TListItem> root = Ref<TListItem>::adopt(static_cast<TListItem*>(card->m_root->Copy()));
        SetRoot(root.get());
    }
}

void TListCard::AddArchiveKeys(QSet<QString>& keys) const {
    TCard::AddArchiveKeys(keys);
    keys.insert(kRoot);
}

void TListCard::EncodeData(TArchiver* archiver) {
    TCard::EncodeData(archiver);
    // A root that could not be read stays in the file as it was until rows are added here.
    if (m_root && !(Kept().keeps(kRoot) && !m_root->HasChildren())) m_root->ArchiveObject(archiver, kRoot);
}

void TListCard::DecodeData(TArchiver* archiver) {
    TCard::DecodeData(archiver);
    if (!archiver->ContainsKey(kRoot)) return;
    TObject* root = AllocateFromArchive(archiver, kRoot, nullptr);
    if (root && root->IsMember(TListItem::StaticClass()))
        SetRoot(static_cast<TListItem*>(root));
    else
        Kept().keep(archiver, kRoot);
    if (root) root->Release();
}

TObjectArray* TListCard::GetAllItems() const {
    return m_root ? m_root->GetAllChildren() : TObjectArray::Instance();
}

std::optional<AttributedString> TListCard::ExportText() const {
    AttributedString target;
    if (m_root) ExportItemText(0, m_root.get(), target);
    if (NSPrefs().boolForKey(kPreferenceKeyExportAsPlainText)) target.removeAttributes();
    return target;
}

void TListCard::ExportItemText(qint32 depth, const TCardItem* parent, AttributedString& target) const {
    for (qint64 i = 0; i < parent->ChildCount(); ++i) {
        const TTreeNode* node = parent->GetChild(i);
        if (!node || !node->IsMember(TCardItem::StaticClass())) continue;
        const auto* child = static_cast<const TCardItem*>(node);
        if (const std::optional<AttributedString> text = child->ExportText()) {
            target.append(QString(depth, QLatin1Char('\t')));
            target.append(*text);
            target.append(QStringLiteral("\n"));
        }
        if (child->HasChildren()) ExportItemText(depth + 1, child, target);
    }
}

// Markers

QString IntToLetter(qint64 n) {
    // One letter per block of 26 ("a", "b", ...), then the letter of the rest: 27 "aa", 53 "aba".
    // Letters past "z" start again at "a", and the marker stops at 255 characters.
    const auto letter = [](qint64 position) {
        return QChar(u'a' + static_cast<char16_t>((position - 1) % 26));
    };
    QString result;
    for (qint64 k = 1; n > 0 && result.size() < 255; ++k, n -= 26) result += letter(n <= 26 ? n : k);
    return result;
}

QString IntToRoman(qint64 n) {
    if (n < 1 || n > 3999) return QString::number(n);
    static const std::pair<int, const char*> numerals[] = {
        {1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"}, {90, "XC"}, {50, "L"},
        {40, "XL"},  {10, "X"},   {9, "IX"},  {5, "V"},    {4, "IV"},  {1, "I"}};
    QString result;
    for (const auto& [value, text] : numerals)
        while (n >= value) {
            result += QLatin1String(text);
            n -= value;
        }
    return result;
}

QString ListMarker(const TListItem* item, const QString& prefix, const QString& suffix) {
    if (!item) return {};
    const TTreeNode* parent = item->GetParent();
    const qint32 numbering = parent && parent->IsMember(TListItem::StaticClass())
                                 ? static_cast<const TListItem*>(parent)->GetRowNumbering()
                                 : kRowNumberingNone;
    const qint64 position = item->GetIndex() + 1;
    QString marker;
    switch (numbering) {
    case kRowNumberingDecimal:
        marker = QString::number(position);
        break;
    case kRowNumberingUpperLetters:
        marker = IntToLetter(position).toUpper();
        break;
    case kRowNumberingLowerLetters:
        marker = IntToLetter(position);
        break;
    case kRowNumberingUpperRoman:
        marker = IntToRoman(position);
        break;
    case kRowNumberingLowerRoman:
        marker = IntToRoman(position).toLower();
        break;
    case kRowNumberingOutline:
        marker = QString::number(position);
        for (const TTreeNode* above = parent; above && above->GetParent(); above = above->GetParent())
            marker.prepend(QString::number(above->GetIndex() + 1) + QLatin1Char('.'));
        break;
    default:
        return prefix;
    }
    return marker + suffix;
}

QString ListMarker(const TListItem* item) {
    const QVariant prefix = NSPrefs().objectForKey(kPreferenceKeyListPrefix);
    return ListMarker(item, prefix.isValid() ? prefix.toString() : QStringLiteral("-"),
                      NSPrefs().stringForKey(kPreferenceKeyListSuffix));
}

QString UpdateListMarker(TListItem* item, const QString& shownMarker) {
    const QString marker = ListMarker(item);
    if (item && marker != shownMarker) item->SetShownMarkerString(marker);
    return marker;
}
