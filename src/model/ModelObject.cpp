#include "ModelObject.h"

#include "Card.h"
#include "CardItems.h"
#include "ListCard.h"
#include "Memoleaf.h"
#include "SheetManager.h"
#include "Stack.h"
#include "Task.h"
#include "foundation/Archiver.h"
#include "foundation/Object.h"
#include "foundation/TreeNode.h"
#include "platform/Diagnostics.h"
#include "platform/PlistCodec.h"
#include "platform/VariantKinds.h"

#include <QHash>
#include <QUuid>
#include <algorithm>

namespace {

bool keyBefore(const std::pair<QString, QVariant>& entry, const QString& key) {
    return entry.first < key;
}

QStringList sortedKeys(const QSet<QString>& keys) {
    QStringList sorted(keys.begin(), keys.end());
    sorted.sort();
    return sorted;
}

} // namespace

void KeptArchiveKeys::take(const TArchiver* archiver, const QSet<QString>& known) {
    takeSorted(archiver, sortedKeys(known));
}

void KeptArchiveKeys::takeSorted(const TArchiver* archiver, const QStringList& known) {
    m_values.clear();
    m_unknown.clear();
    // The stored keys come in order, so one walk along the known ones tells them apart.
    qsizetype next = 0;
    archiver->ForEachStoredValue([&](const QString& key, const QVariant& stored) {
        while (next < known.size() && known[next] < key) ++next;
        if (next == known.size() || known[next] != key) {
            m_unknown.append(key);
            m_values.append({key, archiver->GetKeyValue(key)});
        } else if (VariantKinds::isNumber(stored) ||
                   stored.metaType() == QMetaType::fromType<PlistCodec::ExactDate>()) {
            // Only numbers and exact dates are written back as stored (writeReal, writeDate); text and
            // bytes are not kept twice.
            m_values.append({key, stored});
        }
    });
}

void KeptArchiveKeys::take(const TArchiver* archiver, TObjectClass objectClass,
                           const std::function<void(QSet<QString>& keys)>& addKeys) {
    static QHash<TObjectClass, QStringList> byClass;
    auto known = byClass.constFind(objectClass);
    if (known == byClass.cend()) {
        QSet<QString> keys;
        addKeys(keys);
        known = byClass.insert(objectClass, sortedKeys(keys));
    }
    takeSorted(archiver, *known);
}

QVariant KeptArchiveKeys::storedValue(const QString& key) const {
    const auto at = std::lower_bound(m_values.cbegin(), m_values.cend(), key, keyBefore);
    return at != m_values.cend() && at->first == key ? at->second : QVariant();
}

void KeptArchiveKeys::keep(const TArchiver* archiver, const QString& key) {
    if (!archiver->ContainsKey(key) || m_unknown.contains(key)) return;
    const auto at = std::lower_bound(m_values.begin(), m_values.end(), key, keyBefore);
    if (at != m_values.end() && at->first == key)
        at->second = archiver->GetKeyValue(key);
    else
        m_values.insert(at, {key, archiver->GetKeyValue(key)});
    m_unknown.append(key);
}

void KeptArchiveKeys::restore(TArchiver* archiver) const {
    for (const QString& key : m_unknown) archiver->SetValue(key, storedValue(key));
}

void KeptArchiveKeys::writeReal(TArchiver* archiver, const QString& key, double value, bool unit) const {
    const QVariant raw = storedValue(key);
    bool ok = false;
    double stored = raw.toDouble(&ok);
    if (unit) stored = !(stored > 0) ? 0.0 : std::min(stored, 1.0);
    if (ok && raw.typeId() != QMetaType::Bool && static_cast<float>(stored) == static_cast<float>(value))
        archiver->SetValue(key, raw);
    else
        archiver->SetFloatValue(key, static_cast<float>(value));
}

void KeptArchiveKeys::writeDate(TArchiver* archiver, const QString& key, const QDateTime& value) const {
    const QVariant raw = storedValue(key);
    if (raw.metaType() == QMetaType::fromType<PlistCodec::ExactDate>() && raw.toDateTime() == value)
        archiver->SetValue(key, raw);
    else
        archiver->SetValue(key, value);
}

void KeptArchiveKeys::writeRect(TArchiver* archiver, const QString& key, const QRectF& rect) const {
    writeReal(archiver, key + QStringLiteral(".origin.x"), rect.x());
    writeReal(archiver, key + QStringLiteral(".origin.y"), rect.y());
    writeSize(archiver, key + QStringLiteral(".size"), rect.size());
}

void KeptArchiveKeys::writeSize(TArchiver* archiver, const QString& key, const QSizeF& size) const {
    writeReal(archiver, key + QStringLiteral(".width"), size.width());
    writeReal(archiver, key + QStringLiteral(".height"), size.height());
}

void DropChildrenNotOf(TTreeNode* node, TObjectClass cls) {
    TObjectArray* children = node ? node->GetChildren() : nullptr;
    if (!children) return;
    for (qint64 i = children->Limit(); i >= 0; --i) {
        const TObject* child = children->GetObjectValue(i);
        if (MemberOfClass(child, cls)) continue;
        Diagnostics::warning(node->ClassName() + QStringLiteral(" holds a ") +
                             (child ? child->ClassName() : QStringLiteral("null")) +
                             QStringLiteral(" as a child; dropped."));
        children->RemoveValue(i); // quietly: decoding is no change
    }
}

QString NewUUIDString() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

void RegisterModelClasses() {
    static bool registered = false;
    if (registered) return;
    registered = true;
    RegisterFoundationClasses();
    for (TObjectClass cls :
         {TCard::StaticClass(), TListCard::StaticClass(), TMemoleaf::StaticClass(), TStack::StaticClass(),
          TListItem::StaticClass(), TFileAttachment::StaticClass(), TURLAttachment::StaticClass(),
          TMailAttachment::StaticClass(), TImageAttachment::StaticClass(), TSeperatorItem::StaticClass(),
          TCardAttachment::StaticClass(), TCardColumn::StaticClass(), TJobslate::StaticClass(),
          TTask::StaticClass(), TSheet::StaticClass(), TSheetManagerItem::StaticClass(),
          TSheetManagerGroupItem::StaticClass(), TSheetManagerSeperatorItem::StaticClass()})
        RegisterClass(cls);
}
