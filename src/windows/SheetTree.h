#pragma once

#include "SheetFolderScan.h"
#include "SheetTreeHost.h"
#include "foundation/Object.h"
#include "model/SheetManager.h"

#include <QDateTime>
#include <QFutureWatcher>
#include <QImage>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class SheetFolderWatcher;

// The sheet browser's tree of the sheet folder: group items for sub-folders, sheet items for sheet
// bundles, separators kept from "SheetItems.plist". Reconciles the tree with the folder, stores it,
// reloads sheets changed by another program (asking through the shared AlertPresenter when the
// active sheet changed, a copy of the version given up kept aside), and watches the folder.
// Owned by the sheet browser; registered sheets belong to the shared TSheetManager and the tree
// only points at them. Main thread only; a reload in the background reads the folder on a worker
// thread and applies what it read here.
class SheetTree {
public:
    static inline const QString kSheetExtension = QStringLiteral("qxsheet");

    // host is not owned and outlives the tree.
    explicit SheetTree(SheetTreeHost* host);
    ~SheetTree();

    // The sheet folder; a new one closes the active sheet, unregisters every sheet, drops the tree
    // and watches the new folder.
    QString sheetFolderPath() const { return m_folder; }
    void setSheetFolderPath(const QString& folder);

    // Not owned; null before the first reload.
    TSheetManagerItem* root() const { return m_root.get(); }
    bool showGroupRows() const { return m_showGroupRows; }
    bool showAsList() const { return m_showAsList; }
    QDateTime sheetItemsModifiedDate() const { return m_itemsDate; }
    SheetFolderWatcher* directoryMonitor() const { return m_watcher.get(); }

    // Reads the folder and brings the tree in step, now.
    void reload();
    // The same with the folder read on a worker thread; what it read is applied on this thread,
    // then the host hears reloadedInBackground. Asked again while a read runs, the newest read alone
    // is applied; a reload now, or a new folder, drops the read before.
    void reloadInBackground();
    bool isReloadingInBackground() const { return m_scan != nullptr; }
    // Waits for the read in the background and applies it (tests).
    void waitForBackgroundReload();
    // The halves of a reload: what to read (made here, run anywhere), and what was read applied
    // (here). Apart for measuring this thread's share.
    std::function<SheetFolderScan()> scanJob() const;
    void apply(const SheetFolderScan& scan);

    void syncSheetsFromFolder(const QString& folder, TSheetManagerItem* parent, bool* changed);
    // Writes "SheetItems.plist" and records its date; a failure is reported and false returned. An
    // unreadable list that could not be moved aside is not written over (false).
    bool saveState();
    bool saveStateInBackground() { return saveState(); }
    void reloadDirectoryMonitor();
    bool containsSheet(const TSheet* sheet) const;
    void reloadPreview(TSheet* sheet);
    void updateSheetPreview(TSheet* sheet);

    // Whether the change at the path below the sheet folder is this program's own write.
    bool isOwnChange(const QString& path) const;

    static bool isSheetBundle(const QString& path);
    static bool isGroupItem(const TSheetManagerItem* item);
    static bool isSeparatorItem(const TSheetManagerItem* item);
    // The items below root, depth first, each before its children (none for null).
    static QList<TSheetManagerItem*> descendants(const TSheetManagerItem* root);

private:
    // Applies scan, or a read made now, until no reload is asked for meanwhile.
    void runReload(std::optional<SheetFolderScan> scan);
    void backgroundScanFinished();
    // The same with the folder as scan read it, finding registered sheets through lookup (one for
    // the whole pass).
    void syncSheetsFromFolder(const SheetFolderScan& scan, const QString& folder, TSheetManagerItem* parent,
                              bool* changed, SheetLookup& lookup);
    void examineChangedSheets(const SheetFolderScan& scan);
    void noteUnreadable(const QString& path);
    void resolveActiveSheet(TSheetManagerItem* item, TSheet* sheet);
    void reloadSheet(TSheetManagerItem* item, TSheet* sheet);
    void keepUnreadableItems();
    // Asks about the bundles the last pass could not read.
    void reportUnreadable();

    SheetTreeHost* m_host;
    QString m_folder;
    Ref<TSheetManagerItem> m_root;
    bool m_showGroupRows = true;
    bool m_showAsList = false;
    QDateTime m_itemsDate;
    QSet<QString> m_reportedUnreadable;
    // An unreadable "SheetItems.plist" that could not be moved aside is never written over.
    bool m_itemsFileHeld = false;
    QStringList m_unreadable; // met by the running pass, asked about after it
    // A reload asked for while one runs (from inside a question it asks) runs after it.
    bool m_reloading = false;
    bool m_reloadAgain = false;
    // The read in the background, whether another was asked for meanwhile, and what a read must
    // match to be applied (a reload now or a new folder moves it on).
    std::unique_ptr<QFutureWatcher<SheetFolderScan>> m_scan;
    bool m_scanAgain = false;
    quint64 m_generation = 0;
    quint64 m_scanGeneration = 0;
    std::unique_ptr<SheetFolderWatcher> m_watcher;
};
