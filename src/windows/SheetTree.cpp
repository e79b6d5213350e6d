#include "SheetTree.h"

#include "SheetFolderScan.h"
#include "SheetFolderWatcher.h"
#include "SheetItemsFile.h"
#include "foundation/Archiver.h"
#include "model/ModelContracts.h"
#include "model/Preferences.h"
#include "platform/AlertPresenter.h"
#include "platform/Diagnostics.h"
#include "platform/UserDefaults.h"
#include "utilities/DateUtilities.h"
#include "utilities/FileObjectUtilities.h"
#include "utilities/StringPathUtilities.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <optional>
#include <utility>

namespace {

TSheetManager* manager() {
    return TSheetManager::SharedManager();
}

QString nameOf(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace

SheetTree::SheetTree(SheetTreeHost* host) : m_host(host) {}

SheetTree::~SheetTree() = default;

bool SheetTree::isSheetBundle(const QString& path) {
    const QFileInfo info(path);
    return info.suffix() == kSheetExtension && info.isDir();
}

bool SheetTree::isGroupItem(const TSheetManagerItem* item) {
    return MemberOfClass(item, TSheetManagerGroupItem::StaticClass());
}

bool SheetTree::isSeparatorItem(const TSheetManagerItem* item) {
    return MemberOfClass(item, TSheetManagerSeperatorItem::StaticClass());
}

QList<TSheetManagerItem*> SheetTree::descendants(const TSheetManagerItem* root) {
    QList<TSheetManagerItem*> items;
    if (!root) return items;
    for (qint64 i = 0; i < root->ChildCount(); ++i) {
        auto* child = static_cast<TSheetManagerItem*>(root->GetChild(i));
        items.append(child);
        items.append(descendants(child));
    }
    return items;
}

void SheetTree::setSheetFolderPath(const QString& folder) {
    if (!m_folder.isEmpty() && folder != m_folder) {
        manager()->Close();
        manager()->UnregisterAllSheets();
    }
    // A read of the folder before is not applied.
    ++m_generation;
    m_root = {};
    m_itemsDate = {};
    m_itemsFileHeld = false;
    m_folder = folder;
    reloadDirectoryMonitor();
}

void SheetTree::reload() {
    // A read begun in the background before this one is older than it.
    ++m_generation;
    if (m_reloading) {
        m_reloadAgain = true;
        return;
    }
    runReload(std::nullopt);
}

void SheetTree::runReload(std::optional<SheetFolderScan> scan) {
    m_reloading = true;
    do {
        m_reloadAgain = false;
        apply(scan ? *scan : scanJob()());
        scan.reset();
        reportUnreadable();
    } while (m_reloadAgain);
    m_reloading = false;
}

void SheetTree::reloadInBackground() {
    if (m_scan) {
        m_scanAgain = true;
        return;
    }
    m_scanAgain = false;
    m_scan = std::make_unique<QFutureWatcher<SheetFolderScan>>();
    m_scanGeneration = m_generation;
    QObject::connect(m_scan.get(), &QFutureWatcherBase::finished, m_scan.get(),
                     [this] { backgroundScanFinished(); });
    m_scan->setFuture(QtConcurrent::run(scanJob()));
}

void SheetTree::backgroundScanFinished() {
    // The watcher may be in its own signal: it goes after the event.
    QFutureWatcher<SheetFolderScan>* finished = m_scan.release();
    finished->disconnect();
    finished->deleteLater();
    SheetFolderScan scan = finished->result();
    if (m_scanAgain) {
        reloadInBackground();
        return;
    }
    if (m_scanGeneration != m_generation) return;
    if (m_reloading) {
        // A reload waiting for an answer: it runs again, reading the folder anew.
        m_reloadAgain = true;
        return;
    }
    runReload(std::move(scan));
    if (m_host) m_host->reloadedInBackground();
}

void SheetTree::waitForBackgroundReload() {
    while (m_scan) {
        m_scan->waitForFinished();
        backgroundScanFinished();
    }
}

std::function<SheetFolderScan()> SheetTree::scanJob() const {
    const bool deep = !UserDefaults::standardUserDefaults().boolForKey(kPreferenceKeyShowGroupRowsInBrowser);
    QStringList sheets;
    for (const TObject* sheet : *manager()->GetSheets())
        sheets.append(static_cast<const TSheet*>(sheet)->GetPath());
    return [folder = m_folder, deep, sheets] { return SheetFolderScan::read(folder, deep, sheets); };
}

void SheetTree::apply(const SheetFolderScan& scan) {
    if (!scan.exists) {
        Diagnostics::line(QStringLiteral("sheet folder path doesn't exist."));
        return;
    }
    bool changed = false;
    const bool groups = !scan.deep;
    const bool list = UserDefaults::standardUserDefaults().boolForKey(kPreferenceKeyShowSheetsAsList);
    if (groups != m_showGroupRows && m_root) {
        m_root->RemoveAllChildren();
        changed = true;
    }
    if (list != m_showAsList && m_root) m_root = {};
    m_showGroupRows = groups;
    m_showAsList = list;
    // The read's date is checked again: the list may have been saved here since.
    if (m_itemsDate.isValid() && m_itemsDate != scan.itemsDate && m_root &&
        m_itemsDate != SheetItemsFile::modifiedDate(m_folder)) {
        Diagnostics::line(QStringLiteral("sheet items changed"));
        m_root = {};
    }
    if (m_root) examineChangedSheets(scan);
    if (!m_root) {
        bool unreadable = false;
        TSheetManagerItem* stored = SheetItemsFile::read(m_folder, &unreadable);
        if (unreadable) keepUnreadableItems();
        m_root = Ref<TSheetManagerItem>::adopt(stored ? stored : TSheetManagerItem::Create(nullptr));
        // What was read is what the file holds now: not another writer's change next time.
        if (stored) m_itemsDate = SheetItemsFile::modifiedDate(m_folder);
    }
    SheetLookup lookup(manager()->GetSheets(), [&](const QString& path) { return scan.sheetIdentity(path); });
    syncSheetsFromFolder(scan, m_folder, m_root.get(), &changed, lookup);
    TSheet* active = manager()->GetActiveSheet();
    if (active && !manager()->ContainsSheet(active)) {
        manager()->Close();
        if (m_host) m_host->nextSheet();
    }
    if (changed) saveState();
}

void SheetTree::examineChangedSheets(const SheetFolderScan& scan) {
    for (TSheetManagerItem* item : descendants(m_root.get())) {
        TSheet* sheet = item->GetSheet();
        if (!sheet || scan.sheetDate(sheet->GetPath()) == sheet->GetModifiedDate()) continue;
        // Read again: the sheet may have been saved here since.
        const QDateTime diskDate = TSheet::FolderDate(sheet->GetPath());
        if (diskDate == sheet->GetModifiedDate()) continue;
        Diagnostics::line(QStringLiteral("* ") + sheet->GetTitle() + QStringLiteral(" changed externally."));
        Diagnostics::line(QStringLiteral("  last saved: ") +
                          DateUtilities::fullDateString(sheet->GetModifiedDate(), false));
        Diagnostics::line(QStringLiteral("  new file: ") + DateUtilities::fullDateString(diskDate, false));
        if (!TSheetManager::VerifySheet(sheet->GetPath())) {
            Diagnostics::line(sheet->GetTitle() + QStringLiteral(" is invalid."));
            continue;
        }
        if (sheet == manager()->GetActiveSheet()) {
            if (sheet->reloadPending) {
                sheet->SetAllModified(false);
                sheet->reloadPending = false;
                reloadSheet(item, sheet);
                continue;
            }
            resolveActiveSheet(item, sheet);
            continue;
        }
        Diagnostics::line(QStringLiteral("The sheet ") + sheet->GetTitle() +
                          QStringLiteral(" was modified externally."));
        if (m_host && UserDefaults::standardUserDefaults().boolForKey(kPreferenceKeySheetChangeNotifications))
            m_host->notify(QStringLiteral("Sheet Modified"),
                           QStringLiteral("The sheet \"%1\" has been updated to reflect changes.")
                               .arg(sheet->GetTitle()));
        reloadSheet(item, sheet);
    }
}

// The active sheet changed on disk: the sheet asks when a card file is not the version it read or
// wrote, and keeps the version given up in the Trash.
void SheetTree::resolveActiveSheet(TSheetManagerItem* item, TSheet* sheet) {
    const Ref<TSheet> keep = Ref<TSheet>::retain(sheet);
    sheet->ResolveOutsideChanges();
    if (manager()->GetActiveSheet() != sheet) return;
    if (!sheet->reloadPending) {
        manager()->ShowArrivedCards();
        return;
    }
    sheet->reloadPending = false;
    sheet->SetAllModified(false);
    reloadSheet(item, sheet);
}

void SheetTree::reloadSheet(TSheetManagerItem* item, TSheet* sheet) {
    TSheet* fresh = manager()->Reload(sheet);
    // The old sheet is gone either way: the item never keeps a pointer to it.
    item->SetSheet(fresh);
    if (fresh) reloadPreview(fresh);
}

void SheetTree::syncSheetsFromFolder(const QString& folder, TSheetManagerItem* parent, bool* changed) {
    const SheetFolderScan scan = scanJob()();
    SheetLookup lookup(manager()->GetSheets(), [&](const QString& path) { return scan.sheetIdentity(path); });
    syncSheetsFromFolder(scan, folder, parent, changed, lookup);
}

void SheetTree::syncSheetsFromFolder(const SheetFolderScan& scan, const QString& folder,
                                     TSheetManagerItem* parent, bool* changed, SheetLookup& lookup) {
    const QList<SheetFolderScan::Entry> entries = scan.entries(folder);
    QList<TSheetManagerItem*> children;
    // The children by name and by name in any case, each list in the children's order.
    QHash<QString, QList<TSheetManagerItem*>> byName;
    QHash<QString, QList<std::pair<QString, TSheetManagerItem*>>> byFoldedName;
    byName.reserve(parent->ChildCount());
    byFoldedName.reserve(parent->ChildCount());
    for (qint64 i = 0; i < parent->ChildCount(); ++i) {
        auto* child = static_cast<TSheetManagerItem*>(parent->GetChild(i));
        if (isSeparatorItem(child)) continue;
        // A stored name stands for an entry of this folder, whatever else it holds.
        if (!child->GetPath().isEmpty() && QDir::isRelativePath(child->GetPath()))
            child->SetPath(folder + QLatin1Char('/') + nameOf(child->GetPath()));
        children.append(child);
        const QString name = nameOf(child->GetPath());
        byName[name].append(child);
        byFoldedName[name.toCaseFolded()].append({name, child});
    }
    QSet<QString> names;
    names.reserve(entries.size());
    for (const SheetFolderScan::Entry& entry : entries) names.insert(nameOf(entry.relative));
    QSet<TSheetManagerItem*> claimed;
    claimed.reserve(children.size());
    // A sheet bundle claims a sheet item, a plain folder a group item; nothing else claims one.
    const auto find = [&](const QString& name, bool bundle) -> TSheetManagerItem* {
        const auto open = [&](TSheetManagerItem* child) {
            return !claimed.contains(child) && isGroupItem(child) != bundle;
        };
        for (TSheetManagerItem* child : byName.value(name))
            if (open(child)) return child;
        for (const auto& [childName, child] : byFoldedName.value(name.toCaseFolded()))
            if (open(child) && !names.contains(childName)) return child;
        return nullptr;
    };

    QList<TSheetManagerItem*> removals;
    const auto line = [&](const QString& entry) {
        Diagnostics::line(QStringLiteral("* ") + entry + QStringLiteral(" doesn't exist in ") +
                          nameOf(folder));
        *changed = true;
    };
    for (const SheetFolderScan::Entry& folderEntry : entries) {
        const QString& entry = folderEntry.relative;
        const QString path = folder + QLatin1Char('/') + entry;
        const bool bundle = folderEntry.bundle;
        const bool group = folderEntry.group;
        if (TSheetManagerItem* child = bundle || group ? find(nameOf(entry), bundle) : nullptr) {
            claimed.insert(child);
            if (bundle) {
                TSheet* sheet = manager()->RegisterSheet(path, lookup, folderEntry.identity);
                child->SetSheet(sheet);
                if (!sheet) {
                    noteUnreadable(path);
                    removals.append(child);
                }
            }
            child->SetPath(path);
            if (group && m_showGroupRows) syncSheetsFromFolder(scan, path, child, changed, lookup);
        } else if (group && m_showGroupRows) {
            line(entry);
            TSheetManagerGroupItem* item = TSheetManagerGroupItem::Create(path);
            parent->AddChild(item);
            item->Release();
            syncSheetsFromFolder(scan, path, item, changed, lookup);
        } else if (bundle) {
            TSheet* sheet = manager()->RegisterSheet(path, lookup, folderEntry.identity);
            if (!sheet) {
                noteUnreadable(path);
                continue;
            }
            line(entry);
            TSheetManagerItem* item = TSheetManagerItem::Create(sheet);
            parent->AddChild(item);
            item->Release();
        }
    }
    // An item no entry claimed goes, even when its path names something: a hidden entry, the
    // folder itself or its parent, a plain file, an item twice.
    for (TSheetManagerItem* child : children) {
        if (removals.contains(child) || claimed.contains(child)) continue;
        Diagnostics::line(QStringLiteral("- ") + child->GetPath() + QStringLiteral(" was removed from ") +
                          parent->GetTitle());
        *changed = true;
        removals.append(child);
    }
    for (TSheetManagerItem* item : removals) {
        QList<TSheetManagerItem*> gone = descendants(item);
        gone.prepend(item);
        QList<TSheet*> sheets;
        for (TSheetManagerItem* node : gone) {
            if (TSheet* sheet = node->GetSheet()) sheets.append(sheet);
            node->SetSheet(nullptr);
        }
        item->RemoveFromParent();
        // A sheet another item still shows stays registered.
        for (TSheet* sheet : sheets) {
            const bool held =
                std::any_of(claimed.begin(), claimed.end(),
                            [&](const TSheetManagerItem* child) { return child->GetSheet() == sheet; });
            if (held || containsSheet(sheet)) continue;
            Diagnostics::line(QStringLiteral("unregister sheet ") + sheet->GetTitle());
            manager()->UnregisterSheet(sheet);
        }
    }
}

// A bundle that went since the folder was read is no unreadable sheet.
void SheetTree::noteUnreadable(const QString& path) {
    if (QFileInfo::exists(path)) m_unreadable.append(path);
}

// After the pass, whose lookup holds sheets the alert's event loop may free; once per session for
// each bundle, so a broken bundle does not ask at every reload.
void SheetTree::reportUnreadable() {
    const QStringList paths = std::exchange(m_unreadable, {});
    for (const QString& path : paths) {
        if (m_reportedUnreadable.contains(path)) continue;
        m_reportedUnreadable.insert(path);
        Alert alert;
        alert.messageText =
            QStringLiteral("The sheet \"%1\" could not be unarchived due to an error.").arg(nameOf(path));
        alert.informativeText =
            QStringLiteral("The sheet file can be recovered and should be removed from the sheet folder.");
        alert.buttons = {QStringLiteral("Ok")};
        AlertPresenter::shared().runModal(alert);
    }
}

// The damaged list is moved aside before a new one is written, and the person is told where it is.
void SheetTree::keepUnreadableItems() {
    const QString file = SheetItemsFile::path(m_folder);
    const QString kept = SheetItemsFile::keepAside(m_folder);
    m_itemsFileHeld = kept.isEmpty();
    Alert alert;
    alert.messageText = QStringLiteral("The sheet list \"%1\" could not be read.").arg(file);
    alert.informativeText =
        kept.isEmpty()
            ? QStringLiteral("It is left as it is and not written over in this session; the sheets "
                             "are listed as the folder holds them.")
            : QStringLiteral("It was kept as \"%1\"; the sheets are listed as the folder holds them.")
                  .arg(QFileInfo(kept).fileName());
    alert.buttons = {QStringLiteral("Ok")};
    AlertPresenter::shared().runModal(alert);
}

bool SheetTree::saveState() {
    // The tree changed here: a read in the background may have listed the folder before, so it
    // reads again rather than take back what was just done.
    if (m_scan) m_scanAgain = true;
    if (!m_root || m_itemsFileHeld) return false;
    QString error;
    if (!SheetItemsFile::write(m_folder, m_root.get(), &error)) {
        Diagnostics::warning(error);
        if (TAppController* delegate = ModelContracts::applicationDelegate())
            delegate->reportSaveError(error);
        return false;
    }
    m_itemsDate = SheetItemsFile::modifiedDate(m_folder);
    return true;
}

void SheetTree::reloadDirectoryMonitor() {
    if (!m_watcher) {
        m_watcher = std::make_unique<SheetFolderWatcher>([this] {
            if (m_host) m_host->directoryChanged();
        });
        m_watcher->setOwnChangeTest([this](const QString& path) { return isOwnChange(path); });
    }
    m_watcher->setFolder(m_folder);
}

bool SheetTree::isOwnChange(const QString& path) const {
    if (path == SheetItemsFile::path(m_folder))
        return m_itemsDate.isValid() && SheetItemsFile::modifiedDate(m_folder) == m_itemsDate;
    for (QString bundle = path; bundle.size() > m_folder.size(); bundle = QFileInfo(bundle).path()) {
        if (QFileInfo(bundle).suffix() != kSheetExtension) continue;
        const TSheet* sheet = manager()->FindSheet(bundle);
        const QDateTime date = TSheet::FolderDate(bundle);
        return sheet && date.isValid() && date == sheet->GetModifiedDate();
    }
    return false;
}

bool SheetTree::containsSheet(const TSheet* sheet) const {
    for (const TSheetManagerItem* item : descendants(m_root.get()))
        if (item->GetSheet() == sheet) return true;
    return false;
}

void SheetTree::reloadPreview(TSheet* sheet) {
    for (TSheetManagerItem* item : descendants(m_root.get())) {
        if (item->GetSheet() != sheet) continue;
        if (item->GetViewRepresentation() && m_host) m_host->setPreviewImage(item, sheet->GetPreviewImage());
        return;
    }
}

void SheetTree::updateSheetPreview(TSheet* sheet) {
    if (!sheet) return;
    sheet->SetPreviewImage(manager()->GeneratePreviewImage());
    reloadPreview(sheet);
}
