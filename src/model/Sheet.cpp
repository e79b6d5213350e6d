#include "Sheet.h"

#include "Globals.h"
#include "ModelContracts.h"
#include "SheetManager.h"
#include "foundation/Archiver.h"
#include "platform/AlertPresenter.h"
#include "platform/AtomicFile.h"
#include "platform/Diagnostics.h"
#include "platform/NotificationCenter.h"
#include "platform/PlistCodec.h"
#include "platform/ProcessMemory.h"
#include "platform/Scheduler.h"
#include "utilities/Clock.h"
#include "utilities/StringPathUtilities.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace {

const QString kUUID = QStringLiteral("uuid");
const QString kCards = QStringLiteral("cards");
const QString kFavorite = QStringLiteral("favorite");
const QString kPreviewImage = QStringLiteral("previewImage");
const QString kBundleIdentifier = QStringLiteral("CFBundleIdentifier");
const QString kChildren = QStringLiteral("children");

bool isFolder(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

// Whether the archive at path may be read: a regular file (through links) lying in the folder itself,
// of a sane size. A link leaving the folder, a pipe or a device is never read, and so never written.
bool isReadableArchive(const QString& folder, const QString& path) {
    const QFileInfo link(path);
    const QString target = link.canonicalFilePath();
    if (target.isEmpty()) return false;
    const QFileInfo file(target);
    if (!file.isFile() || file.size() > TSheet::kMaximumArchiveSize) return false;
    const QString home = QFileInfo(folder).canonicalFilePath();
    return !home.isEmpty() && file.absolutePath() == home;
}

// A card is known by the name of its file: the archive's own uuid, when it differs or is missing, gives
// way to it (else the card would be written to a file the sheet never reads). True when renamed.
bool nameCardAfterFile(TArchiver* archiver, const QString& uuid) {
    const QString stored = archiver->GetStringValue(kUUID);
    if (stored == uuid) return false;
    archiver->SetValue(kUUID, uuid);
    if (stored.isEmpty()) return true;
    const QString tabs = QStringLiteral("tabIdentifiers");
    if (archiver->ContainsKey(tabs)) {
        QVariantList identifiers = archiver->GetValue(tabs).toList();
        for (QVariant& identifier : identifiers)
            if (identifier.toString() == stored) identifier = uuid;
        archiver->SetValue(tabs, identifiers);
    }
    const QString selected = QStringLiteral("selectedTabIdentifier");
    if (archiver->GetStringValue(selected) == stored) archiver->SetValue(selected, uuid);
    return true;
}

// Where the missing-events notice waits for its 1 s: one for all sheets, so sheets read together
// make one notice.
const char* const kMissingEventsOwner = "TSheet.displayMissingEventsNotice";

} // namespace

TSheet* TSheet::Create(const QString& path) {
    TSheet* sheet = Allocate();
    sheet->m_path = path;
    sheet->Initialize();
    return sheet;
}

TSheet* TSheet::SheetFromPath(const QString& path) {
    const QString infoPath = path + QLatin1Char('/') + kInfoFile;
    if (!StringPathUtilities::doesFileExist(infoPath)) {
        Diagnostics::warning(QStringLiteral("info.plist for ") + infoPath + QStringLiteral(" is missing."));
        return nullptr;
    }
    // Read once: the bytes decoded are the version recorded, so a change made elsewhere meanwhile is
    // told at the next save.
    TObject* object = nullptr;
    SheetFolderRecord record;
    QVariantMap stored;
    bool binary = false;
    if (isReadableArchive(path, infoPath)) {
        const std::optional<QByteArray> bytes = record.read(path, kInfoFile);
        const QVariant parsed = bytes ? PlistCodec::decode(*bytes) : QVariant();
        if (parsed.typeId() == QMetaType::QVariantMap) {
            stored = parsed.toMap();
            binary = bytes->startsWith("bplist");
            TArchiver* archiver = TArchiver::CreateWithDictionary(stored);
            QString folder = path;
            object = AllocateFromArchive(archiver, &folder);
            archiver->Release();
        }
    }
    if (object && !object->IsMember(StaticClass())) {
        object->Release();
        object = nullptr;
    }
    if (!object) {
        Diagnostics::warning(QStringLiteral("The sheet ") + path + QStringLiteral(" can't be read."));
        return nullptr;
    }
    auto* sheet = static_cast<TSheet*>(object);
    sheet->m_record = std::move(record);
    sheet->m_infoBase = stored;
    sheet->m_binaryInfo = binary;
    sheet->m_recordedDate = FolderDate(sheet->m_path);
    sheet->Autorelease();
    return sheet;
}

void TSheet::Initialize() {
    TObject::Initialize();
    if (!DidInitializeFromArchive() && m_uuid.isEmpty()) m_uuid = NewUUIDString();
    if (!m_cards) m_cards = Ref<TObjectArray>::adopt(TObjectArray::Create());
    if (!DidInitializeFromArchive() && !m_path.isEmpty() && !QFileInfo::exists(m_path)) {
        if (MakeFolder()) {
            // A new sheet is a sheet on disk at once.
            TArchiver* archiver = CopyArchive();
            archiver->SetValue(kBundleIdentifier, QStringLiteral("com.brasswick.jobslate.sheet"));
            const QByteArray bytes = archiver->CopyXMLData();
            archiver->Release();
            if (bytes.isNull() || !m_record.write(m_path, kInfoFile, bytes)) {
                Report(QStringLiteral("WARNING: error saving sheet properties for ") + m_path);
                m_modified = true; // the next save tries again
            } else {
                m_infoBase = PlistCodec::decode(bytes).toMap();
            }
            UpdateModifiedDate();
        }
    }
}

bool TSheet::MakeFolder() {
    QString error;
    if (AtomicFile::makeFolder(m_path, &error)) return true;
    Alert alert;
    alert.messageText = QStringLiteral("The sheet can't be created.");
    alert.informativeText = error;
    AlertPresenter::shared().runModal(alert);
    return false;
}

void TSheet::Deallocate() {
    m_cards = {};
    TObject::Deallocate();
}

void TSheet::EncodeData(TArchiver* archiver) {
    m_kept.restore(archiver);
    TObject::EncodeData(archiver);
    archiver->SetValue(kUUID, m_uuid);
    archiver->SetValue(kCards, GetCardIdentifiers());
    archiver->SetBooleanValue(kFavorite, m_favorite);
    m_preview.write(archiver, kPreviewImage);
    archiver->Remove(kChildren);
}

void TSheet::DecodeData(TArchiver* archiver) {
    TObject::DecodeData(archiver);
    m_kept.take(archiver, ArchiveKeys());
    if (const auto* folder = static_cast<const QString*>(GetInitializationParameters())) m_path = *folder;
    m_uuid = archiver->GetStringValue(kUUID);
    m_favorite = archiver->GetBooleanValue(kFavorite);
    if (archiver->ContainsKey(kCards)) {
        m_listedUUIDs.clear();
        const QVariant cards = archiver->GetValue(kCards);
        // A damaged list is no list: the card files of the folder stand in for it when the cards are read.
        m_listsFolder = cards.typeId() != QMetaType::QVariantList;
        QSet<QString> listed;
        for (const QVariant& uuid : cards.toList())
            if (uuid.typeId() == QMetaType::QString && !uuid.toString().isEmpty() &&
                !listed.contains(uuid.toString())) {
                listed.insert(uuid.toString());
                m_listedUUIDs.append(uuid.toString());
            }
        m_hasListedUUIDs = true;
        m_order = m_listedUUIDs;
    }
    m_preview.read(archiver, kPreviewImage);
}

QSet<QString> TSheet::ArchiveKeys() {
    return {TArchiver::kClassKey,
            TArchiver::kObjectPropertiesKey,
            kUUID,
            kCards,
            kFavorite,
            kPreviewImage,
            kChildren};
}

// Takes what info.plist holds after a merge with a version written elsewhere: the card list and its
// order, the favourite mark, the preview, and the keys this sheet only keeps. written: what this sheet
// would have written, to tell which values came from elsewhere.
void TSheet::TakeInfo(const QVariantMap& stored, const QVariantMap& written) {
    TArchiver* archiver = TArchiver::CreateWithDictionary(stored);
    TObject::DecodeData(archiver);
    m_kept = KeptArchiveKeys();
    m_kept.take(archiver, ArchiveKeys());
    m_favorite = archiver->GetBooleanValue(kFavorite);
    QStringList order;
    for (const QVariant& uuid : archiver->GetValue(kCards).toList())
        if (uuid.typeId() == QMetaType::QString && !uuid.toString().isEmpty() &&
            !order.contains(uuid.toString()))
            order.append(uuid.toString());
    m_order = order;
    // The cards follow the list.
    QList<TCard*> cards;
    for (TObject* card : *m_cards) cards.append(static_cast<TCard*>(card));
    std::stable_sort(cards.begin(), cards.end(), [&](TCard* a, TCard* b) {
        const auto at = [&](TCard* card) {
            const qsizetype index = m_order.indexOf(card->GetUUID());
            return index < 0 ? m_order.size() : index;
        };
        return at(a) < at(b);
    });
    for (qsizetype i = 0; i < cards.size(); ++i)
        m_cards->Reorder(m_cards->GetIndex(static_cast<const void*>(cards[i])), i);
    if (stored.value(kPreviewImage) != written.value(kPreviewImage)) m_preview.read(archiver, kPreviewImage);
    archiver->Release();
}

void TSheet::Show() const {
    Diagnostics::line(GetTitle() + QStringLiteral(" (") + m_uuid + QStringLiteral(")"));
}

QStringList TSheet::CardFilesInFolder() const {
    QStringList names;
    for (const QFileInfo& entry : QDir(m_path).entryInfoList(QDir::Files | QDir::Hidden | QDir::System))
        if (entry.suffix() == kCardExtension && !AtomicFile::isTemporaryName(entry.fileName()))
            names.append(entry.fileName());
    return names;
}

void TSheet::LoadCards() {
    if (!m_hasListedUUIDs) return;
    // Cards added before the files were read stay (their uuids are in the order already).
    const Ref<TObjectArray> earlier = m_cards;
    m_cards = Ref<TObjectArray>::adopt(TObjectArray::Create());
    const QStringList files = CardFilesInFolder();
    m_filesAtLoad = QSet<QString>(files.begin(), files.end());
    if (m_listsFolder) {
        m_listedUUIDs.clear();
        for (const QString& name : files) m_listedUUIDs.append(QFileInfo(name).completeBaseName());
        m_listedUUIDs.sort();
        QSet<QString> listed(m_listedUUIDs.begin(), m_listedUUIDs.end());
        for (const QString& uuid : std::as_const(m_order))
            if (!listed.contains(uuid)) {
                listed.insert(uuid);
                m_listedUUIDs.append(uuid);
            }
        m_order = m_listedUUIDs;
    }
    QList<TCard*> renamed;
    for (const QString& uuid : std::as_const(m_listedUUIDs)) {
        const QString path = GetCardPath(uuid);
        if (!IsCardName(uuid) || !QFileInfo::exists(path)) {
            // Kept in "cards": a sync may still bring the file.
            Diagnostics::line(QStringLiteral("The card file for ID \"") + uuid +
                              QStringLiteral("\" was not found in sheet bundle."));
            continue;
        }
        bool named = false;
        if (TCard* card = ReadCard(uuid, &named)) {
            if (named) renamed.append(card);
            continue;
        }
        // Left on disk as it is and kept in "cards"; never taken for a stray file.
        Alert alert;
        alert.messageText = QStringLiteral("Error Loading Sheet");
        alert.informativeText = QStringLiteral("The card file for ID \"") + uuid +
                                QStringLiteral("\" could not be unarchived. The file is left as it is in the "
                                               "sheet.");
        AlertPresenter::shared().runModal(alert);
    }
    // Tasks whose events were not found while decoding are told in one notice.
    Scheduler::shared().performAfterDelay(
        kMissingEventsOwner, QString::fromLatin1(kMissingEventsOwner), 1.0, [] {
            if (TAppController* delegate = ModelContracts::applicationDelegate())
                delegate->displayMissingEventsNotice();
        });
    if (earlier)
        for (TObject* card : *earlier)
            if (!FindCardWithUUID(static_cast<TCard*>(card)->GetUUID()))
                m_cards->AppendValue(static_cast<const void*>(card));
    m_loaded = true;
    m_listedUUIDs.clear();
    // What reading the files needed only meanwhile.
    ProcessMemory::releaseFreedWhenIdle();
    m_hasListedUUIDs = false;
    SetModified(m_listsFolder); // a repaired list is written by the next save
    m_listsFolder = false;
    // Their files hold another uuid: written again under the one they are known by.
    for (TCard* card : std::as_const(renamed)) card->SetModified(true);
}

TCard* TSheet::ReadCard(const QString& uuid, bool* renamed) {
    const QString path = GetCardPath(uuid);
    if (!isReadableArchive(m_path, path)) return nullptr;
    const std::optional<QByteArray> bytes = m_record.read(m_path, QFileInfo(path).fileName());
    const QVariant parsed = bytes ? PlistCodec::decode(*bytes) : QVariant();
    if (parsed.typeId() != QMetaType::QVariantMap) return nullptr;
    if (bytes->startsWith("bplist"))
        m_binaryCards.insert(uuid);
    else
        m_binaryCards.remove(uuid);
    TArchiver* archiver = TArchiver::CreateWithDictionary(parsed.toMap());
    *renamed = nameCardAfterFile(archiver, uuid);
    TObject* object = AllocateFromArchive(archiver, nullptr);
    archiver->Release();
    if (!object) return nullptr;
    if (!object->IsMember(TCard::StaticClass())) {
        object->Release();
        return nullptr;
    }
    auto* card = static_cast<TCard*>(object);
    m_cards->AppendValue(static_cast<const void*>(card));
    card->ClearModifiedForAll();
    card->Release();
    return card;
}

TObjectArray* TSheet::GetAllCards() const {
    TObjectArray* all = TObjectArray::Instance();
    for (TObject* object : *m_cards)
        for (TObject* card : *static_cast<TCard*>(object)->GetAllChildrenIncludingSelf())
            all->AppendValue(static_cast<const void*>(card));
    return all;
}

TObjectArray* TSheet::GetMiniaturizedCards() const {
    TObjectArray* cards = TObjectArray::Instance();
    for (TObject* object : *m_cards)
        if (static_cast<TCard*>(object)->IsMiniaturized())
            cards->AppendValue(static_cast<const void*>(object));
    return cards;
}

TCard* TSheet::FindCardWithUUID(const QString& uuid) const {
    for (TObject* object : *m_cards)
        if (static_cast<TCard*>(object)->GetUUID() == uuid) return static_cast<TCard*>(object);
    return nullptr;
}

bool TSheet::IsCardName(const QString& uuid) {
    return !uuid.isEmpty() && uuid != QLatin1String(".") && uuid != QLatin1String("..") &&
           !uuid.contains(QLatin1Char('/')) && !uuid.contains(QChar(0));
}

QString TSheet::GetCardPath(const QString& uuid) const {
    return m_path + QLatin1Char('/') + uuid + QLatin1Char('.') + kCardExtension;
}

QString TSheet::FindCard(const QString& uuid) const {
    const QString path = GetCardPath(uuid);
    return QFileInfo::exists(path) ? path : QString();
}

void TSheet::AddCard(TCard* card) {
    if (!card) return;
    m_removed.remove(card->GetUUID());
    m_cards->AppendValue(static_cast<const void*>(card));
    m_order.removeAll(card->GetUUID());
    m_order.append(card->GetUUID());
    SetModified(true);
}

void TSheet::RemoveCard(TCard* card, bool deleteFile) {
    if (!card) return;
    const QString path = GetCardPath(card->GetUUID());
    const QString name = QFileInfo(path).fileName();
    if (deleteFile && ChangedSinceRecorded(card->GetUUID())) {
        // Edited elsewhere since it was read here: that version is kept, in the Trash.
        bool trashed = false;
        const QString aside = KeepAside(card->GetTitle(), card->GetUUID(), QStringLiteral("other version"),
                                        name, nullptr, &trashed);
        if (!aside.isEmpty())
            TellKept(QStringLiteral("The card's file had been changed on another device; that version was "
                                    "moved to the Trash."),
                     {aside}, {trashed});
        m_record.forget(name);
        UpdateModifiedDate();
    } else if (deleteFile && QFileInfo::exists(path)) {
        Diagnostics::line(QStringLiteral("* delete card at ") + path);
        QFile::remove(path);
        m_record.forget(name);
        UpdateModifiedDate();
    }
    m_removed.insert(card->GetUUID());
    m_order.removeAll(card->GetUUID());
    m_cards->RemoveValue(static_cast<const void*>(card));
    SetModified(true);
}

void TSheet::ReorderCard(TCard* card, qint64 index) {
    const qint64 from = m_cards->GetIndex(static_cast<const void*>(card));
    if (from < 0) return;
    m_cards->Reorder(from, index);
    // Kept uuids stay where they are among the cards.
    const qint64 at = m_cards->GetIndex(static_cast<const void*>(card));
    m_order.removeAll(card->GetUUID());
    const qint64 before =
        at + 1 < m_cards->Count()
            ? m_order.indexOf(static_cast<TCard*>(m_cards->GetObjectValue(at + 1))->GetUUID())
            : -1;
    if (before >= 0)
        m_order.insert(before, card->GetUUID());
    else
        m_order.append(card->GetUUID());
    SetModified(true);
}

void TSheet::PerformDelete() {
    for (TObject* card : *GetAllCards()) static_cast<TCard*>(card)->PerformClose();
}

QString TSheet::GetTitle() const {
    return StringPathUtilities::lastPathComponentWithoutExtension(m_path);
}

void TSheet::SetPath(const QString& path) {
    const bool renamed = QFileInfo(path).fileName() != QFileInfo(m_path).fileName();
    if (renamed) Diagnostics::line(QStringLiteral("path changed ") + m_path + QStringLiteral(" ") + path);
    m_path = path;
    m_recordedDate = FolderDate(m_path);
    if (renamed) SetModified(true);
}

QImage TSheet::GetPreviewImage() const {
    const QImage preview = m_preview.image();
    return preview.isNull() ? UnknownFileIcon() : preview;
}

void TSheet::SetPreviewImage(const QImage& image) {
    m_preview.set(image);
    m_modified = true;
}

void TSheet::SetFavorite(bool favorite) {
    if (favorite == m_favorite) return;
    m_favorite = favorite;
    // No save comes to a sheet that is not open; one whose file can't take the mark keeps it marked.
    if (TSheetManager::SharedManager()->GetActiveSheet() == this || !SaveFavorite()) SetModified(true);
}

bool TSheet::SaveFavorite() {
    // Only the mark changes in the file: the rest of it may be newer than what this sheet read.
    const QString path = GetInfoPath();
    if (!isReadableArchive(m_path, path)) return false;
    const bool dateSeen = m_recordedDate.isValid() && FolderDate(m_path) == m_recordedDate;
    TArchiver* archiver = TArchiver::CreateWithPath(path);
    int result = archiver->Load();
    if (result == 0) {
        archiver->SetBooleanValue(kFavorite, m_favorite);
        const QByteArray bytes = InfoBytes(archiver);
        result = bytes.isNull() ? -2 : AtomicFile::write(path, bytes) ? 0 : -1;
    }
    archiver->Release();
    if (result != 0) {
        Report(QStringLiteral("WARNING: error ") + QString::number(result) +
               QStringLiteral(" saving sheet properties for ") + m_path);
        return false;
    }
    // The mark on disk is this side's: a later change here is not taken for one made elsewhere.
    m_infoBase.insert(kFavorite, m_favorite);
    // A change from elsewhere that came before stays noticed.
    if (dateSeen) UpdateModifiedDate();
    return true;
}

void TSheet::SetModified(bool modified) {
    m_modified = modified;
    if (modified) NotificationCenter::defaultCenter().post(kCardModifiedNotification);
}

void TSheet::SetAllModified(bool modified) {
    m_modified = modified;
    // Cleared down to the tab cards: a flag left on one would make the next save ask again.
    for (TObject* card : *m_cards) {
        if (modified)
            static_cast<TCard*>(card)->SetModified(true);
        else
            static_cast<TCard*>(card)->ClearModifiedForAll();
    }
    if (modified) NotificationCenter::defaultCenter().post(kCardModifiedNotification);
}

bool TSheet::IsModified() const {
    if (m_modified) return true;
    for (TObject* card : *GetAllCards())
        if (static_cast<TCard*>(card)->IsModified()) return true;
    return false;
}

QDateTime TSheet::FolderDate(const QString& path) {
    // Compared at whole milliseconds, the precision the date is set with.
    const std::optional<StringPathUtilities::FileIdentity> identity = StringPathUtilities::fileIdentity(path);
    return identity && identity->folder ? identity->modified : QDateTime();
}

void TSheet::Report(const QString& message) const {
    Diagnostics::warning(message);
    if (TAppController* delegate = ModelContracts::applicationDelegate()) delegate->reportSaveError(message);
}

void TSheet::UpdateModifiedDate() {
    m_recordedDate = QDateTime();
    if (!isFolder(m_path)) return;
    QString error;
    if (!StringPathUtilities::setFileAttributeObjectValueError(
            m_path, StringPathUtilities::kNSFileModificationDate, Clock::shared().now(), &error))
        Diagnostics::line(error);
    m_recordedDate = FolderDate(m_path);
}

bool TSheet::Save(const QString& path) {
    m_path = path;
    return isFolder(m_path) || MakeFolder();
}
