// Saving a sheet: the save pass, the conflict question when a card file changed elsewhere, and the
// report of a save that failed.

#include "Sheet.h"

#include "Globals.h"
#include "foundation/Archiver.h"
#include "platform/AlertPresenter.h"
#include "platform/ApplicationInfo.h"
#include "platform/AtomicFile.h"
#include "platform/Diagnostics.h"
#include "platform/PanelPresenter.h"
#include "platform/PlistCodec.h"
#include "platform/Questions.h"
#include "platform/Workspace.h"
#include "utilities/Clock.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <optional>

namespace {

const QString kCards = QStringLiteral("cards");
const QString kBundleIdentifier = QStringLiteral("CFBundleIdentifier");
const QString kPreviewImage = QStringLiteral("previewImage");
const QString kInfoExtension = QStringLiteral("plist");

QString fullDate(const QDateTime& date) {
    return date.isValid() ? date.toLocalTime().toString(Qt::ISODateWithMs) : QStringLiteral("(none)");
}

bool isFolder(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

bool anyModified(TCard* card) {
    for (TObject* node : *card->GetAllChildrenIncludingSelf())
        if (static_cast<TCard*>(node)->IsModified()) return true;
    return false;
}

// A title made fit for a file name: no slashes, no leading dots, at most 150 UTF-8 bytes.
QString fileNameBase(const QString& title) {
    QString base = title;
    base.replace(QLatin1Char('/'), QLatin1Char('-')).replace(QChar(0), QLatin1Char('-'));
    base = base.simplified();
    while (base.startsWith(QLatin1Char('.'))) base.remove(0, 1);
    // Cut by UTF-8 bytes, so the whole name stays well under a file name's 255 bytes in any script.
    while (base.toUtf8().size() > 150) base.chop(base.size() > 1 && base.back().isLowSurrogate() ? 2 : 1);
    if (base.isEmpty()) base = QStringLiteral("Untitled");
    return base;
}

// "<title> (<label>, <date>).<extension>": the name a version given up is kept under.
QString asideName(const QString& title, const QString& label, const QDateTime& when, int attempt,
                  const QString& extension) {
    const QString base = fileNameBase(title);
    const QString stamp = when.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH.mm.ss"));
    const QString count = attempt > 1 ? QStringLiteral(", %1").arg(attempt) : QString();
    return QStringLiteral("%1 (%2, %3%4).%5").arg(base, label, stamp, count, extension);
}

// The uuids of a "cards" value, in order, without repeats.
QStringList cardList(const QVariant& value) {
    QStringList uuids;
    for (const QVariant& uuid : value.toList())
        if (uuid.typeId() == QMetaType::QString && !uuid.toString().isEmpty() &&
            !uuids.contains(uuid.toString()))
            uuids.append(uuid.toString());
    return uuids;
}

QStringList onlyThose(const QStringList& list, const QSet<QString>& kept) {
    QStringList result;
    for (const QString& item : list)
        if (kept.contains(item)) result.append(item);
    return result;
}

// A three-way merge of info.plist: base as last read or written here, theirs on disk, mine to write.
// A value only one side changed comes from that side; the cards listed elsewhere since are added
// (unless removed here), and an order changed only elsewhere is taken. conflict: both sides changed a
// value differently (this side's is kept). The preview is a picture this program makes, never a
// conflict: this side's wins when it changed it.
struct InfoMerge {
    QVariantMap merged;
    bool conflict = false;
};

InfoMerge mergeInfo(const QVariantMap& base, const QVariantMap& theirs, const QVariantMap& mine,
                    const QSet<QString>& removedHere) {
    InfoMerge result{mine, false};
    QSet<QString> keys;
    for (const QVariantMap* map : {&base, &theirs, &mine})
        for (auto it = map->keyBegin(); it != map->keyEnd(); ++it) keys.insert(*it);
    keys.remove(kCards);
    for (const QString& key : std::as_const(keys)) {
        const bool inBase = base.contains(key), inTheirs = theirs.contains(key), inMine = mine.contains(key);
        const auto same = [](bool inA, const QVariant& a, bool inB, const QVariant& b) {
            return inA == inB && (!inA || a == b);
        };
        const QVariant b = base.value(key), t = theirs.value(key), m = mine.value(key);
        if (same(inMine, m, inTheirs, t) || same(inTheirs, t, inBase, b)) continue;
        if (same(inMine, m, inBase, b)) {
            if (inTheirs)
                result.merged.insert(key, t);
            else
                result.merged.remove(key);
            continue;
        }
        if (key != kPreviewImage) result.conflict = true;
    }

    const QStringList baseCards = cardList(base.value(kCards));
    const QStringList theirCards = cardList(theirs.value(kCards));
    QStringList cards = cardList(mine.value(kCards));
    for (const QString& uuid : theirCards)
        if (!baseCards.contains(uuid) && !cards.contains(uuid) && !removedHere.contains(uuid))
            cards.append(uuid);
    // The order of the cards every version lists.
    QSet<QString> common(baseCards.begin(), baseCards.end());
    common &= QSet<QString>(theirCards.begin(), theirCards.end());
    common &= QSet<QString>(cards.begin(), cards.end());
    const QStringList baseOrder = onlyThose(baseCards, common);
    const QStringList theirOrder = onlyThose(theirCards, common);
    const QStringList myOrder = onlyThose(cards, common);
    if (myOrder == baseOrder && theirOrder != baseOrder) {
        // Moved elsewhere only: the common cards take their places in the other order.
        qsizetype next = 0;
        for (QString& uuid : cards)
            if (common.contains(uuid)) uuid = theirOrder[next++];
    } else if (theirOrder != baseOrder && theirOrder != myOrder) {
        result.conflict = true;
    }
    if (mine.contains(kCards) || !cards.isEmpty()) result.merged.insert(kCards, cards);
    return result;
}

QByteArray archiveBytes(TObject* object, bool binary) {
    TArchiver* archiver = object->CopyArchive();
    const QByteArray bytes = binary ? archiver->CopyBinaryData() : archiver->CopyXMLData();
    archiver->Release();
    return bytes;
}

} // namespace

bool TSheet::Save() {
    return SavePass(nullptr);
}

bool TSheet::SaveCard(TCard* card) {
    return card && SavePass(card);
}

bool TSheet::SavePass(TCard* only) {
    // A save asked for while this one waits on a question (a timer, a quit) writes nothing.
    if (m_saving) return false;
    m_saving = true;
    Outcome outcome = SaveOnce(only);
    // Saved elsewhere: the whole sheet is written into its new folder.
    if (outcome == Outcome::MovedElsewhere) outcome = SaveOnce(nullptr);
    m_saving = false;
    return outcome == Outcome::Saved;
}

TSheet::Outcome TSheet::SaveOnce(TCard* only) {
    if (!isFolder(m_path))
        return ReportSaveFailure({QStringLiteral("The folder %1 is not there any more.").arg(m_path)})
                   ? Outcome::MovedElsewhere
                   : Outcome::Failed;
    const auto cards = [&] {
        QList<TCard*> list;
        if (only) list.append(only);
        if (!only)
            for (TObject* card : *m_cards) list.append(static_cast<TCard*>(card));
        return list;
    };
    const auto needsWrite = [&](TCard* card) {
        return anyModified(card) || AtomicFile::stampOf(GetCardPath(card->GetUUID())).isNull();
    };
    bool pending = !only && IsModified();
    for (TCard* card : cards()) pending = pending || needsWrite(card);
    if (!pending) return Outcome::Saved;

    QStringList failures;
    bool wrote = false;
    // A file that changed again while the question was open is not overwritten: the pass asks again.
    bool changedAgain = false;
    do {
        if (const QList<OutsideChange> outside = FindOutsideChanges(); !outside.isEmpty()) {
            switch (Resolve(outside)) {
            case Resolution::Taken:
                return Outcome::Saved;
            case Resolution::Undecided:
                return Outcome::Failed;
            case Resolution::Kept:
                only = nullptr;
                break;
            }
        }
        changedAgain = false;
        for (TCard* card : cards()) {
            if (!needsWrite(card)) continue;
            if (ChangedSinceRecorded(card->GetUUID())) {
                Diagnostics::line(QStringLiteral("card file changed again: ") + GetCardPath(card->GetUUID()));
                changedAgain = true;
                continue;
            }
            if (!QFileInfo::exists(GetCardPath(card->GetUUID())))
                Diagnostics::line(QStringLiteral("card path does not exist ") + GetCardPath(card->GetUUID()));
            bool changed = false;
            wrote = WriteCard(card, &failures, &changed) || wrote;
            changedAgain = changedAgain || changed;
        }
    } while (changedAgain);
    if (!only && m_modified) {
        if (WriteInfo(&failures)) {
            wrote = true;
            if (m_loaded) {
                // Only files that were there when the cards were read: a file arriving later is left alone.
                for (const QString& name : CardFilesInFolder()) {
                    const QString uuid = QFileInfo(name).completeBaseName();
                    if (m_order.contains(uuid) || !m_filesAtLoad.contains(name)) continue;
                    const QString path = m_path + QLatin1Char('/') + name;
                    Diagnostics::line(QStringLiteral("delete missing card file: ") + path);
                    Workspace::shared().moveToTrash(path);
                    m_filesAtLoad.remove(name);
                    m_record.forget(name);
                }
            }
        }
    }
    if (wrote) UpdateModifiedDate();
    if (failures.isEmpty()) {
        m_failureReported = false;
        return Outcome::Saved;
    }
    return ReportSaveFailure(failures) ? Outcome::MovedElsewhere : Outcome::Failed;
}

// The card's file as written: in the form it was read in (a binary list stays one, and keeps what XML
// can't hold, such as dates finer than a second).
QByteArray TSheet::CardBytes(TCard* card) const {
    return archiveBytes(card, m_binaryCards.contains(card->GetUUID()));
}

bool TSheet::WriteCard(TCard* card, QStringList* failures, bool* changedAgain) {
    if (const QString refused = RefusedCardName(card->GetUUID()); !refused.isEmpty()) {
        failures->append(refused);
        return false;
    }
    // The flags are cleared before the archive is made, so the file holds them cleared; a failed
    // write sets them again.
    QList<TCard*> modified;
    for (TObject* node : *card->GetAllChildrenIncludingSelf())
        if (static_cast<TCard*>(node)->IsModified()) modified.append(static_cast<TCard*>(node));
    for (TCard* node : modified) node->SetModified(false);
    const QByteArray bytes = CardBytes(card);
    QString error = QStringLiteral("The card \"%1\" can't be archived.").arg(card->GetTitle());
    if (bytes.isNull() || !m_record.write(m_path, card->GetUUID() + QLatin1Char('.') + kCardExtension, bytes,
                                          &error, changedAgain)) {
        Diagnostics::line(QStringLiteral("Error saving card ") + card->GetTitle() + QStringLiteral(": ") +
                          error);
        // Replaced elsewhere while it was written: the pass asks about it, nothing failed.
        if (!*changedAgain) failures->append(error);
        card->SetModified(true);
        for (TCard* node : modified) node->SetModified(true);
        return false;
    }
    return true;
}

bool TSheet::WriteInfo(QStringList* failures) {
    QString error = QStringLiteral("The sheet's properties can't be archived.");
    QByteArray bytes;
    // Replaced elsewhere while this version was written: merged again, a few times at most.
    bool changed = true;
    for (int attempt = 0; changed && attempt < 3; ++attempt) {
        TArchiver* archiver = CopyArchive();
        if (!archiver->ContainsKey(kBundleIdentifier))
            archiver->SetValue(kBundleIdentifier, QStringLiteral("com.brasswick.jobslate.sheet"));
        bytes = InfoBytes(archiver);
        archiver->Release();
        changed = false;
        if (bytes.isNull() || !MergeOutsideInfo(&bytes, &error) ||
            (!m_record.write(m_path, kInfoFile, bytes, &error, &changed) && !changed)) {
            changed = true;
            break;
        }
    }
    if (changed) {
        Diagnostics::line(QStringLiteral("WARNING: error saving sheet properties for ") + m_path);
        failures->append(error);
        return false;
    }
    m_infoBase = PlistCodec::decode(bytes).toMap();
    m_modified = false;
    return true;
}

// info.plist in the form it was read in (a binary list from a Mac keeps its exact dates).
QByteArray TSheet::InfoBytes(TArchiver* archiver) const {
    return m_binaryInfo ? archiver->CopyBinaryData() : archiver->CopyXMLData();
}

// info.plist changed elsewhere since this sheet last read or wrote it (another device reordered the
// cards, added one, marked the sheet): what only one side changed is taken from that side, and bytes
// become the merged file. Where both changed a value differently this sheet's value is written and
// the other version is put aside in the Trash first. False (nothing to write) when it can't be.
bool TSheet::MergeOutsideInfo(QByteArray* bytes, QString* error) {
    const SheetFolderRecord::State state = m_record.check(m_path, kInfoFile);
    if (state == SheetFolderRecord::State::Same) return true;
    // The version merged (recorded as read) is the one the write expects to replace; one that can't be
    // read (not a regular file of a sane size, never through a link) is replaced.
    const AtomicFile::FileStamp seen = AtomicFile::stampOf(GetInfoPath());
    const bool readable =
        state != SheetFolderRecord::State::Missing && seen.isFile && seen.size <= kMaximumArchiveSize;
    const std::optional<QByteArray> theirs = readable ? m_record.read(m_path, kInfoFile) : std::nullopt;
    if (!theirs) {
        m_record.forget(kInfoFile);
        return true;
    }
    if (*theirs == *bytes) return true;
    const QVariantMap mine = PlistCodec::decode(*bytes).toMap();
    const QVariant other = PlistCodec::decode(*theirs);
    InfoMerge merge{mine, true};
    if (other.typeId() == QMetaType::QVariantMap)
        merge = mergeInfo(m_infoBase, other.toMap(), mine, m_removed);
    if (merge.conflict) {
        bool trashed = false;
        const QString aside = KeepAside(GetTitle(), {}, QStringLiteral("other version"), {}, &*theirs,
                                        &trashed, kInfoExtension);
        if (aside.isEmpty()) {
            *error =
                QStringLiteral("The sheet's properties were changed elsewhere and that version could not be "
                               "put aside, so they were not overwritten.");
            return false;
        }
        TellKept(
            QStringLiteral("The other device's version of the sheet's properties was moved to the Trash."),
            {aside}, {trashed});
    }
    Diagnostics::line(QStringLiteral("  merged the sheet's properties changed elsewhere: ") + GetInfoPath());
    TakeInfo(merge.merged, mine);
    // What came from elsewhere is known now: a retry after a failed write merges nothing twice.
    if (other.typeId() == QMetaType::QVariantMap) m_infoBase = other.toMap();
    TArchiver* archiver = TArchiver::CreateWithDictionary(merge.merged);
    *bytes = InfoBytes(archiver);
    archiver->Release();
    return !bytes->isNull();
}

// Why the card's file can't be written: a symbolic link leading out of the folder, nowhere, or to
// another card's file. Empty when it can.
QString TSheet::RefusedCardName(const QString& uuid) const {
    const QFileInfo entry(GetCardPath(uuid));
    if (!IsCardName(uuid)) return QStringLiteral("\"%1\" is not a card file name.").arg(entry.fileName());
    if (!entry.isSymLink()) return {};
    const QFileInfo target(entry.canonicalFilePath());
    if (entry.canonicalFilePath().isEmpty() || target.absolutePath() != QFileInfo(m_path).canonicalFilePath())
        return QStringLiteral("The card file %1 is a link to a place outside the sheet folder; it was not "
                              "overwritten.")
            .arg(entry.fileName());
    if (target.suffix() == kCardExtension && target.fileName() != entry.fileName())
        return QStringLiteral(
                   "The card file %1 is a link to another card's file, %2; it was not overwritten.")
            .arg(entry.fileName(), target.fileName());
    return {};
}

// The card's file differs from the version this sheet last read or wrote (and may be written).
bool TSheet::ChangedSinceRecorded(const QString& uuid) {
    const QString name = uuid + QLatin1Char('.') + kCardExtension;
    return m_record.knows(name) && RefusedCardName(uuid).isEmpty() &&
           m_record.check(m_path, name) != SheetFolderRecord::State::Same;
}

QList<TSheet::OutsideChange> TSheet::FindOutsideChanges() {
    QList<OutsideChange> changes;
    for (TObject* object : *m_cards) {
        const QString uuid = static_cast<TCard*>(object)->GetUUID();
        // A file never read or written here has no version to compare; a refused name is reported.
        if (ChangedSinceRecorded(uuid))
            changes.append({uuid, m_record.check(m_path, uuid + QLatin1Char('.') + kCardExtension)});
    }
    // A sheet read but not loaded knows none of its cards; one made here knows them all.
    if (!m_loaded && DidInitializeFromArchive()) return changes;
    for (const QString& name : CardFilesInFolder()) {
        const QString uuid = QFileInfo(name).completeBaseName();
        if (m_filesAtLoad.contains(name) || m_asideNames.contains(name) || m_record.knows(name) ||
            !IsCardName(uuid) || FindCardWithUUID(uuid) || m_removed.contains(uuid))
            continue;
        changes.append({uuid, SheetFolderRecord::State::Unknown});
    }
    return changes;
}

TSheet::Resolution TSheet::Resolve(const QList<OutsideChange>& changes) {
    Diagnostics::line(QStringLiteral("*** warning: file mod date is different from last saved date."));
    Diagnostics::line(QStringLiteral("  last saved: ") + fullDate(m_recordedDate));
    Diagnostics::line(QStringLiteral("  file date: ") + fullDate(FolderDate(m_path)));
    for (const OutsideChange& change : changes)
        Diagnostics::line(QStringLiteral("  changed elsewhere: ") + change.uuid);
    const qint32 answer = ResolveConflict();
    QStringList kept;
    QList<bool> inTrash;
    const QString other = QStringLiteral("other version");
    auto keep = [&](TCard* card, const QString& label, const QString& name, const QByteArray* bytes) {
        bool trashed = false;
        const QString aside = KeepAside(card->GetTitle(), card->GetUUID(), label, name, bytes, &trashed);
        if (aside.isEmpty()) return false;
        kept.append(aside);
        inTrash.append(trashed);
        return true;
    };
    auto cannotKeep = [&] {
        Alert alert;
        alert.messageText = QStringLiteral("The sheet \"%1\" was not saved.").arg(GetTitle());
        alert.informativeText =
            QStringLiteral("The version you did not keep could not be put aside in %1, so nothing was "
                           "overwritten. The changes stay here until the sheet is saved.")
                .arg(m_path);
        AlertPresenter::shared().runModal(alert);
        if (!kept.isEmpty()) TellKept(QStringLiteral("Some versions were put aside."), kept, inTrash);
        return Resolution::Undecided;
    };

    if (answer == NSAlertFirstButtonReturn) {
        Diagnostics::line(QStringLiteral("  keep this version, overwrite file"));
        // Every other version is put aside before anything of it is overwritten.
        for (const OutsideChange& change : changes) {
            TCard* card = FindCardWithUUID(change.uuid);
            if (card && change.state == SheetFolderRecord::State::Changed &&
                !keep(card, other, change.uuid + QLatin1Char('.') + kCardExtension, nullptr))
                return cannotKeep();
        }
        for (const OutsideChange& change : changes) {
            if (change.state == SheetFolderRecord::State::Unknown) {
                TakeArrivedCard(change.uuid);
            } else if (TCard* card = FindCardWithUUID(change.uuid)) {
                // Written anew: no version of its own to compare with any more.
                m_record.forget(change.uuid + QLatin1Char('.') + kCardExtension);
                card->SetModified(true);
            }
        }
        if (!kept.isEmpty())
            TellKept(QStringLiteral("The other device's version was moved to the Trash."), kept, inTrash);
        return Resolution::Kept;
    }

    // This version gives way ("Yes", or nobody answered): what it holds that the folder does not is
    // put aside, once, and the other version is taken, so a question closed unanswered is not asked
    // again at every save.
    const bool answered = answer == NSAlertSecondButtonReturn;
    const QString label = answered ? other : QStringLiteral("this device's version");
    for (TObject* object : *m_cards) {
        auto* card = static_cast<TCard*>(object);
        if (!anyModified(card) && !AtomicFile::stampOf(GetCardPath(card->GetUUID())).isNull()) continue;
        const QByteArray bytes = CardBytes(card);
        if (m_keptBytes.value(card->GetUUID()) == bytes) continue;
        if (!keep(card, label, {}, &bytes)) return cannotKeep();
        m_keptBytes.insert(card->GetUUID(), bytes);
    }
    if (!answered && Questions::quitRequested()) {
        // The program is ending: nothing is overwritten or read again; the sheet's close keeps the
        // changes for recovery.
        Diagnostics::line(QStringLiteral("  no answer: nothing overwritten"));
        if (!kept.isEmpty())
            TellKept(
                QStringLiteral("Nothing was overwritten; this device's version was also moved to the Trash."),
                kept, inTrash);
        return Resolution::Undecided;
    }
    Diagnostics::line(answered ? QStringLiteral("  discard this version")
                               : QStringLiteral("  no answer: this version put aside, the other one taken"));
    SetAllModified(false);
    reloadPending = true;
    if (!kept.isEmpty())
        TellKept(answered ? QStringLiteral("This device's version was moved to the Trash.")
                          : QStringLiteral("Nobody answered, so the other device's version was kept; this "
                                           "device's version was moved to the Trash."),
                 kept, inTrash);
    return Resolution::Taken;
}

void TSheet::TakeArrivedCard(const QString& uuid) {
    // Listed either way: a file the sheet lists is never taken for a stray.
    if (!m_order.contains(uuid)) m_order.append(uuid);
    m_modified = true;
    bool renamed = false;
    TCard* card = ReadCard(uuid, &renamed);
    if (!card) return;
    if (renamed) card->SetModified(true);
    m_arrived.append(Ref<TCard>::retain(card));
}

QList<Ref<TCard>> TSheet::TakeArrivedCards() {
    return std::exchange(m_arrived, {});
}

// Puts a version aside in the folder under its "(<label>, <date>)" name, by renaming the file
// name or by writing bytes, then moves it to the Trash. The name given; empty when it could not be
// put aside (nothing changed then).
QString TSheet::KeepAside(const QString& title, const QString& uuid, const QString& label,
                          const QString& name, const QByteArray* bytes, bool* inTrash,
                          const QString& extension) {
    const QDateTime now = Clock::shared().now();
    QString base = title;
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const QString aside = asideName(base, label, now, attempt, extension);
        // A name already given in this session may be in the Trash by now: never reused.
        if (m_asideNames.contains(aside)) continue;
        QString error;
        bool taken = false;
        const bool done = bytes
                              ? AtomicFile::create(m_path + QLatin1Char('/') + aside, *bytes, &error, &taken)
                              : AtomicFile::renameInFolder(m_path, name, aside, &error, &taken);
        if (!done && taken) continue;
        if (!done && base != uuid && !uuid.isEmpty()) {
            // A title the file system refuses in a name: the card's uuid serves.
            Diagnostics::line(error);
            base = uuid;
            attempt = 0;
            continue;
        }
        if (!done) {
            Diagnostics::line(error);
            return {};
        }
        m_asideNames.insert(aside);
        QString trashed;
        *inTrash = Workspace::shared().moveToTrash(m_path + QLatin1Char('/') + aside, &trashed);
        Diagnostics::line(QStringLiteral("  kept the version given up as ") + aside);
        // The Trash may have given it another name: the person is told the one it has there.
        return *inTrash && !trashed.isEmpty() ? QFileInfo(trashed).fileName() : aside;
    }
    return {};
}

// After a save that failed, the cards changed here (and not already put aside) are written into
// "<data folder>/Recovered/<title> <date>/" before the sheet closes, and the person is told.
void TSheet::KeepUnsavedForRecovery() {
    QList<std::pair<QString, QByteArray>> unsaved;
    for (TObject* object : *m_cards) {
        auto* card = static_cast<TCard*>(object);
        if (!anyModified(card)) continue;
        const QByteArray bytes = CardBytes(card);
        if (!bytes.isNull() && m_keptBytes.value(card->GetUUID()) != bytes)
            unsaved.append({card->GetUUID(), bytes});
    }
    if (unsaved.isEmpty()) return;
    const QString stamp = Clock::shared().now().toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH.mm.ss"));
    const QString base = ApplicationInfo::dataFolder() + QStringLiteral("/Recovered/") +
                         fileNameBase(GetTitle()) + QLatin1Char(' ') + stamp;
    QString folder = base;
    for (int n = 2; QFileInfo::exists(folder); ++n) folder = base + QStringLiteral(" %1").arg(n);
    QString error;
    bool done = QDir().mkpath(QFileInfo(folder).absolutePath()) && AtomicFile::makeFolder(folder, &error);
    for (const auto& [uuid, bytes] : unsaved)
        done =
            done && AtomicFile::create(folder + QLatin1Char('/') + uuid + QLatin1Char('.') + kCardExtension,
                                       bytes, &error);
    Alert alert;
    alert.messageText = QStringLiteral("The changes to the sheet \"%1\" could not be saved.").arg(GetTitle());
    alert.informativeText =
        done ? QStringLiteral("The cards changed here were kept in the folder %1.").arg(folder)
             : QStringLiteral("They could not be kept in %1 either: %2").arg(folder, error);
    alert.style = Alert::Style::Warning;
    AlertPresenter::shared().runModal(alert);
    if (done) SetAllModified(false);
}

void TSheet::TellKept(const QString& message, const QStringList& names, const QList<bool>& inTrash) const {
    QStringList lines;
    for (qsizetype i = 0; i < names.size(); ++i)
        lines.append(inTrash.value(i)
                         ? QStringLiteral("\"%1\"").arg(names[i])
                         : QStringLiteral("\"%1\" (the Trash refused it: it is in the folder %2)")
                               .arg(names[i], m_path));
    Alert alert;
    alert.messageText = message;
    alert.informativeText = QStringLiteral("Kept as:\n") + lines.join(QLatin1Char('\n'));
    alert.style = Alert::Style::Informational;
    AlertPresenter::shared().runModal(alert);
}

qint32 TSheet::ResolveConflict() {
    Alert alert;
    alert.buttons = {QStringLiteral("No"), QStringLiteral("Yes")};
    alert.messageText = QStringLiteral("Resolve Conflict");
    alert.informativeText =
        QStringLiteral("The sheet \"%1\" has been changed on another device. Accept changes "
                       "coming from that other device?")
            .arg(GetTitle());
    alert.style = Alert::Style::Informational;
    return AlertPresenter::shared().runModal(alert);
}

void TSheet::ResolveOutsideChanges() {
    if (m_saving) return;
    const QList<OutsideChange> changes = FindOutsideChanges();
    if (changes.isEmpty()) {
        // Nothing this sheet read or wrote changed: the new date is no conflict.
        m_recordedDate = FolderDate(m_path);
        return;
    }
    m_saving = true;
    const Resolution resolution = Resolve(changes);
    m_saving = false;
    if (resolution == Resolution::Kept) Save();
}

// Tells the person once, until a save succeeds, naming the folder; true when the sheet now lives in
// another folder the person chose.
bool TSheet::ReportSaveFailure(const QStringList& reasons) {
    for (const QString& reason : reasons) Diagnostics::warning(reason);
    if (m_failureReported) return false;
    m_failureReported = true;
    Alert alert;
    alert.messageText = QStringLiteral("The sheet \"%1\" could not be saved in %2.").arg(GetTitle(), m_path);
    alert.informativeText = reasons.join(QLatin1Char('\n')) +
                            QStringLiteral("\n\nThe changes stay here and are saved when the folder can be "
                                           "written again. Choose Save Elsewhere… to save the sheet in "
                                           "another folder.");
    alert.buttons = {QStringLiteral("OK"), QStringLiteral("Save Elsewhere…")};
    alert.style = Alert::Style::Warning;
    if (AlertPresenter::shared().runModal(alert) != NSAlertSecondButtonReturn) return false;
    return SaveElsewhere();
}

bool TSheet::SaveElsewhere() {
    OpenPanel panel;
    panel.title = QStringLiteral("Save Elsewhere");
    panel.prompt = QStringLiteral("Save");
    panel.message = QStringLiteral("Choose the folder to save the sheet \"%1\" in.").arg(GetTitle());
    panel.canChooseFiles = false;
    panel.canChooseDirectories = true;
    panel.canCreateDirectories = true;
    panel.directory = QDir::homePath();
    if (PanelPresenter::shared().runModal(panel) != NSModalResponseOK || panel.chosenPaths.isEmpty())
        return false;
    const QString folder = panel.chosenPaths.first();
    const QString extension = QFileInfo(m_path).suffix();
    QString target = folder + QLatin1Char('/') + QFileInfo(m_path).fileName();
    for (int n = 2; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++n)
        target = QStringLiteral("%1/%2 %3.%4").arg(folder, GetTitle()).arg(n).arg(extension);
    QString error;
    if (!AtomicFile::makeFolder(target, &error)) {
        AlertPresenter::shared().runModal(
            {QStringLiteral("The sheet \"%1\" could not be saved.").arg(GetTitle()),
             error,
             {},
             Alert::Style::Warning});
        return false;
    }
    Diagnostics::line(QStringLiteral("saving the sheet elsewhere: ") + target);
    m_path = target;
    // A new folder: every file is written, none compared with what the old folder held.
    m_record.clear();
    m_filesAtLoad.clear();
    m_asideNames.clear();
    m_failureReported = false;
    SetAllModified(true);
    m_recordedDate = FolderDate(m_path);
    return true;
}
