#pragma once

#include "utilities/StringPathUtilities.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// What a reload of the sheet folder reads from disk, gathered in one pass that touches no model
// object, so it can run on a worker thread: the folders' entries with one status call each, and the
// dates and identities of the registered sheets' folders. The reload applies it on the main thread;
// whatever it lacks (a sheet registered since) is read there.
struct SheetFolderScan {
    // An entry of a folder, relative to it, with what one status call told of it.
    struct Entry {
        QString relative;
        std::optional<StringPathUtilities::FileIdentity> identity;
        bool bundle = false; // a sheet bundle
        bool group = false;  // a plain folder that does not lead back up
    };

    QString folder;
    bool deep = false; // sub-folders listed with their folder, not as groups
    bool exists = false;
    QDateTime itemsDate; // of "SheetItems.plist"
    // Each folder's entries by its path; with groups every group folder is listed.
    QHash<QString, QList<Entry>> listings;
    // The sheets' folders given to read, by path.
    QHash<QString, std::optional<StringPathUtilities::FileIdentity>> sheets;

    // Reads the folder (deep: its entries at any depth in one listing) and the sheets' folders.
    static SheetFolderScan read(const QString& folder, bool deep, const QStringList& sheetPaths);

    // The entries of folder, which lies in top (with deep its entries at any depth).
    static QList<Entry> list(const QString& folder, bool deep, const QString& top);
    // The folder's entries as read, or read now when it was not listed (made since).
    QList<Entry> entries(const QString& folder) const;

    std::optional<StringPathUtilities::FileIdentity> sheetIdentity(const QString& path) const;
    // The folder date of a sheet's folder (see TSheet::FolderDate), read now when not scanned.
    QDateTime sheetDate(const QString& path) const;
};
