#pragma once

#include "Card.h"
#include "SheetFolderRecord.h"
#include "foundation/Array.h"

#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QSet>
#include <QStringList>
#include <QVariantMap>

// A sheet: a folder "<title>.qxsheet" holding "info.plist" (the sheet's archive) and one
// "<uuid>.qxcard" per top-level card. Card files are read when the sheet is opened and written when
// they changed. Another device syncing the folder may change it under the sheet: the folder's
// modification date tells the sheet browser, and every save compares each card file with the version
// read or written (SheetFolderRecord) before writing. Every file is written atomically, inside the
// folder, never through a symbolic link. Main thread only.
class TSheet : public TObject {
    T_OBJECT(TSheet, TObject)
public:
    static inline const QString kInfoFile = QStringLiteral("info.plist");
    static inline const QString kCardExtension = QStringLiteral("qxcard");
    // Archives larger than this are not read: no card or sheet comes near it, and reading one whole
    // would take the memory of the machine.
    static constexpr qint64 kMaximumArchiveSize = qint64(256) * 1024 * 1024;

    // A new sheet at the path: its folder and "info.plist" are made at once.
    static TSheet* Create(const QString& path);
    using TObject::Create;
    // The sheet read from the folder's info.plist (autoreleased); null, with one diagnostic line,
    // when there is no readable info.plist.
    static TSheet* SheetFromPath(const QString& path);

    void Initialize() override;
    void EncodeData(TArchiver* archiver) override;
    void DecodeData(TArchiver* archiver) override;
    void Show() const;

    void LoadCards();
    bool IsLoaded() const { return m_loaded; }

    TObjectArray* GetCards() const { return m_cards.get(); }
    TObjectArray* GetAllCards() const;          // autoreleased
    TObjectArray* GetMiniaturizedCards() const; // autoreleased
    // The uuids of "cards": the loaded cards, and those whose file is missing or unreadable, in order.
    QStringList GetCardIdentifiers() const { return m_order; }
    TCard* FindCardWithUUID(const QString& uuid) const;
    QString FindCard(const QString& uuid) const; // the card file's path when it exists
    // A uuid of "cards" that names a file in the folder and nothing outside it.
    static bool IsCardName(const QString& uuid);
    void AddCard(TCard* card);
    void RemoveCard(TCard* card, bool deleteFile);
    void ReorderCard(TCard* card, qint64 index);
    void PerformDelete();

    QString GetPath() const { return m_path; }
    QString GetUUID() const { return m_uuid; }
    QString GetTitle() const;
    QString GetInfoPath() const { return m_path + QLatin1Char('/') + kInfoFile; }
    QString GetCardPath(const QString& uuid) const;
    QDateTime GetModifiedDate() const { return m_recordedDate; }
    void SetPath(const QString& path);
    QImage GetPreviewImage() const;
    void SetPreviewImage(const QImage& image);
    bool IsFavorite() const { return m_favorite; }
    // The open sheet's next save writes the mark; any other sheet's info.plist takes it at once.
    void SetFavorite(bool favorite);
    void SetModified(bool modified);
    void SetAllModified(bool modified);
    bool IsModified() const;

    // The save pass: the cards that changed or whose file is missing, then the sheet's own archive
    // when it changed. A card file that is not the version read or written (changed, deleted or added
    // elsewhere) asks "Resolve Conflict" first, and the version given up is moved to the Trash (the
    // person is told where). False when the folder is gone or a file could not be written: reported
    // once, with an offer to save the sheet in another folder; the flags of what was not written stay
    // set, so the next save tries again.
    bool Save();
    // The same pass for one card and its tabs (the card window's Save); after a conflict it saves the
    // whole sheet.
    bool SaveCard(TCard* card);
    // After a failed save: the changed cards go to a recovery folder, and the person is told.
    void KeepUnsavedForRecovery();
    // "Resolve Conflict": NSAlertFirstButtonReturn for "No" (keep this version), NSAlertSecondButtonReturn
    // for "Yes", NSModalResponseAbort when nobody answered: this version goes to the Trash and nothing
    // is overwritten; the other version is then taken as for "Yes" (so the question is not asked again
    // at every save), unless the program is ending.
    qint32 ResolveConflict();
    // The folder changed elsewhere (the sheet browser noticed): when a card file is not the version
    // read or written, the conflict question is asked as a save asks it; "No" saves this version,
    // "Yes" sets reloadPending. Otherwise only the folder's new date is recorded.
    void ResolveOutsideChanges();
    // Cards read from files another device added, once the person kept this version (the caller shows
    // them; the sheet holds them already).
    QList<Ref<TCard>> TakeArrivedCards();

    void UpdateModifiedDate();
    // Sets the path and makes the folder if needed; writes nothing else.
    bool Save(const QString& path);

    // Set when the user took the other device's version; the sheet manager reloads the sheet.
    bool reloadPending = false;

    // The folder's modification date, at the precision the sheet compares it.
    static QDateTime FolderDate(const QString& path);

protected:
    TSheet() = default;
    void Deallocate() override;

private:
    bool MakeFolder();
    bool SaveFavorite();
    void Report(const QString& message) const;
    QStringList CardFilesInFolder() const;
    // Reads the card's file (recorded as the version read) and appends the card; null when the file
    // can't be read or holds no card. renamed: the file held another uuid.
    TCard* ReadCard(const QString& uuid, bool* renamed);

    // Saving (SheetSaving.cpp).
    struct OutsideChange {
        QString uuid;
        SheetFolderRecord::State state;
    };
    enum class Resolution { Kept, Taken, Undecided };
    bool SavePass(TCard* only);
    enum class Outcome { Saved, Failed, MovedElsewhere };
    Outcome SaveOnce(TCard* only);
    bool WriteCard(TCard* card, QStringList* failures, bool* changedAgain);
    QByteArray CardBytes(TCard* card) const;
    bool WriteInfo(QStringList* failures);
    QByteArray InfoBytes(TArchiver* archiver) const;
    bool MergeOutsideInfo(QByteArray* bytes, QString* error);
    void TakeInfo(const QVariantMap& stored, const QVariantMap& written);
    static QSet<QString> ArchiveKeys();
    QString RefusedCardName(const QString& uuid) const;
    QList<OutsideChange> FindOutsideChanges();
    Resolution Resolve(const QList<OutsideChange>& changes);
    void TakeArrivedCard(const QString& uuid);
    bool ChangedSinceRecorded(const QString& uuid);
    QString KeepAside(const QString& title, const QString& uuid, const QString& label, const QString& name,
                      const QByteArray* bytes, bool* inTrash, const QString& extension = kCardExtension);
    void TellKept(const QString& message, const QStringList& names, const QList<bool>& inTrash) const;
    bool ReportSaveFailure(const QStringList& reasons);
    bool SaveElsewhere();

    QString m_path;
    QString m_uuid;
    Ref<TObjectArray> m_cards;
    QStringList m_order; // every uuid of "cards", loaded or kept
    EncodedImage m_preview;
    QStringList m_listedUUIDs; // "cards" as read, until LoadCards
    bool m_hasListedUUIDs = false;
    bool m_listsFolder = false; // "cards" was damaged: the folder's card files are the list
    bool m_loaded = false;
    bool m_modified = false;
    QDateTime m_recordedDate;
    bool m_favorite = false;
    QSet<QString> m_filesAtLoad; // card files in the folder when the cards were read
    SheetFolderRecord m_record;  // the card files and info.plist as last read or written
    QVariantMap m_infoBase;      // info.plist as last read or written: what a change elsewhere is told by
    QSet<QString> m_removed;     // uuids of cards removed here: not taken back from another device's list
    QSet<QString> m_binaryCards; // uuids of cards read from binary files: written binary again
    bool m_binaryInfo = false;   // info.plist was read as a binary list: written binary again
    QHash<QString, QByteArray> m_keptBytes; // uuid -> this device's version last put aside
    QSet<QString> m_asideNames;             // versions given up, named by this sheet (never taken for cards)
    QList<Ref<TCard>> m_arrived;
    bool m_saving = false;
    bool m_failureReported = false;
    KeptArchiveKeys m_kept;
};
