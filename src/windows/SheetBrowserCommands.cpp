// The sheet browser's drag and drop and its item commands: renames, deletes, new groups.

#include "SheetBrowserRows.h"
#include "SheetBrowserWindowController.h"
#include "SheetOutlineView.h"
#include "SheetTree.h"
#include "foundation/NSObjectWrapper.h"
#include "model/Globals.h"
#include "platform/AlertPresenter.h"
#include "platform/Diagnostics.h"
#include "platform/Workspace.h"
#include "utilities/PasteboardUtilities.h"
#include "utilities/StringPathUtilities.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <algorithm>

namespace {

TSheetManager* manager() {
    return TSheetManager::SharedManager();
}

bool isGroup(const TSheetManagerItem* item) {
    return SheetTree::isGroupItem(item);
}

QString itemMimeType() {
    return PasteboardUtilities::mimeTypeForType(SheetBrowserWindowController::kItemPasteboardType);
}

// The card entry, under the type's own name or its MIME type.
QByteArray cardPayload(const QMimeData* pasteboard) {
    if (!pasteboard) return {};
    for (const QString& format :
         {NSPasteboardTypeCardWrapper, PasteboardUtilities::mimeTypeForType(NSPasteboardTypeCardWrapper)})
        if (pasteboard->hasFormat(format)) return pasteboard->data(format);
    return {};
}

void showError(const QString& message, const QString& informative = {}) {
    Alert alert;
    alert.messageText = message;
    alert.informativeText = informative;
    alert.buttons = {QStringLiteral("OK")};
    alert.style = Alert::Style::Critical;
    AlertPresenter::shared().runModal(alert);
}

// Why a name can't be a file name here; empty when it can.
QString nameProblem(const QString& name) {
    if (name.trimmed().isEmpty()) return QStringLiteral("the name is empty");
    if (name == QStringLiteral(".") || name == QStringLiteral("..") || name.startsWith(QLatin1Char('.')))
        return QStringLiteral("a name may not start with a dot");
    if (name.contains(QLatin1Char('/')) || name.contains(QChar(0)))
        return QStringLiteral("a name may not contain \"/\"");
    return {};
}

// Moves a file or folder; false with a reason when the target exists or the move fails.
bool moveItem(const QString& from, const QString& to, QString* error) {
    if (QFileInfo::exists(to)) {
        *error = QStringLiteral("\"%1\" already exists").arg(QFileInfo(to).fileName());
        return false;
    }
    if (!QDir().rename(from, to)) {
        *error = QStringLiteral("\"%1\" could not be moved").arg(QFileInfo(from).fileName());
        return false;
    }
    return true;
}

// The item's sheets, itself first.
QList<TSheet*> sheetsOf(TSheetManagerItem* item) {
    QList<TSheet*> sheets;
    if (item->GetSheet()) sheets.append(item->GetSheet());
    for (TObject* child : *item->GetAllChildren())
        if (TSheet* sheet = static_cast<TSheetManagerItem*>(child)->GetSheet()) sheets.append(sheet);
    return sheets;
}

} // namespace

// Dragging

QMimeData* SheetBrowserWindowController::writeItems(const QList<TSheetManagerItem*>& items) const {
    QList<QByteArray> entries;
    for (TSheetManagerItem* item : items) entries.append(NSObjectWrapper::wrapperWithObject(item)->encode());
    auto* data = new QMimeData;
    data->setData(itemMimeType(), PasteboardUtilities::writeByteArrayList(entries));
    return data;
}

QList<Ref<TSheetManagerItem>>
SheetBrowserWindowController::itemsForPasteboard(const QMimeData* pasteboard) const {
    QList<Ref<TSheetManagerItem>> items;
    if (!pasteboard) return items;
    if (pasteboard->hasFormat(itemMimeType())) {
        const QList<QByteArray> entries =
            PasteboardUtilities::readByteArrayList(pasteboard->data(itemMimeType()))
                .value_or(QList<QByteArray>());
        for (const QByteArray& entry : entries) {
            const NSObjectWrapperPtr wrapper = NSObjectWrapper::decode(entry);
            auto* item = wrapper ? wrapper->wrapped<TSheetManagerItem>() : nullptr;
            // Only rows of this tree move.
            if (item && root() && root()->ContainsChild(item, true))
                items.append(Ref<TSheetManagerItem>::retain(item));
        }
    }
    for (const QUrl& url : pasteboard->urls()) {
        if (!url.isLocalFile()) continue;
        const QString path = QDir::cleanPath(url.toLocalFile());
        if (QFileInfo(path).suffix() != SheetTree::kSheetExtension) continue;
        // A bundle the tree already shows moves as its row, so its sheet follows it.
        TSheetManagerItem* shown = nullptr;
        for (TSheetManagerItem* row : SheetTree::descendants(root()))
            if (!row->GetPath().isEmpty() && StringPathUtilities::comparePaths(row->GetPath(), path)) {
                shown = row;
                break;
            }
        if (shown) {
            if (std::none_of(items.cbegin(), items.cend(),
                             [&](const auto& item) { return item.get() == shown; }))
                items.append(Ref<TSheetManagerItem>::retain(shown));
            continue;
        }
        Ref<TSheetManagerItem> item = Ref<TSheetManagerItem>::adopt(TSheetManagerItem::Create(nullptr));
        item->SetPath(path);
        // A sheet open from there moves with its bundle, so its next save finds the folder.
        item->SetSheet(manager()->FindSheet(path));
        items.append(item);
    }
    return items;
}

int SheetBrowserWindowController::validateDrop(const QMimeData* pasteboard,
                                               TSheetManagerItem* proposedItem) const {
    if (!cardPayload(pasteboard).isNull())
        return proposedItem && !isGroup(proposedItem) ? NSDragOperationGeneric : NSDragOperationNone;
    if (!proposedItem) return NSDragOperationGeneric;
    if (isGroup(proposedItem)) {
        for (const Ref<TSheetManagerItem>& item : itemsForPasteboard(pasteboard))
            if (isGroup(item.get())) return NSDragOperationNone;
        return NSDragOperationGeneric;
    }
    return NSDragOperationNone;
}

bool SheetBrowserWindowController::acceptDrop(const QMimeData* pasteboard, TSheetManagerItem* item,
                                              qint64 childIndex) {
    TSheetManagerItem* target = item ? item : root();
    if (!target) return false;
    if (!cardPayload(pasteboard).isNull()) return acceptCardDrop(pasteboard, item);
    bool result = false;
    qint64 index = childIndex;
    for (const Ref<TSheetManagerItem>& dragged : itemsForPasteboard(pasteboard)) {
        TSheetManagerItem* d = dragged.get();
        // A group never goes into itself or below itself.
        if (d == target || d->ContainsChild(target, true)) continue;
        if (m_tree->showGroupRows()) {
            const QString destination = target == root() ? sheetFolderPath() : target->GetPath();
            const QString from = QFileInfo(d->GetPath()).path();
            Diagnostics::line(QStringLiteral("move to ") + destination + QStringLiteral(" from ") + from);
            if (!StringPathUtilities::comparePaths(from, destination)) {
                const QString to = destination + QLatin1Char('/') + QFileInfo(d->GetPath()).fileName();
                QString error;
                if (!moveItem(d->GetPath(), to, &error)) {
                    Diagnostics::line(error);
                    // What moved before stays moved: the tree is stored and shown as it now is.
                    if (result) {
                        m_tree->saveState();
                        reloadBrowser();
                    }
                    const QString message = (QStringLiteral("There sheet \"") + d->GetTitle() +
                                             QStringLiteral("\" can't be moved into the group \"") +
                                             target->GetTitle() + QStringLiteral("\"."))
                                                .left(255);
                    showError(message, QStringLiteral("Please try another group"));
                    return false;
                }
                d->SetPath(to);
            }
        }
        // The shown index counts the dragged row where it stood: one less below it.
        if (index >= 0 && d->GetParent() == target && d->GetIndex() < index) --index;
        target->InsertChild(d, index);
        if (index >= 0) ++index;
        result = true;
    }
    if (result) {
        m_tree->saveState();
        reloadBrowser();
    }
    return result;
}

bool SheetBrowserWindowController::acceptCardDrop(const QMimeData* pasteboard, TSheetManagerItem* target) {
    const NSObjectWrapperPtr wrapper = NSObjectWrapper::decode(cardPayload(pasteboard));
    TCard* card = wrapper ? wrappedCard(wrapper) : nullptr;
    TSheet* sheet = target ? target->GetSheet() : nullptr;
    // A card already in the sheet stays where it is.
    if (!card || !sheet || sheet->FindCardWithUUID(card->GetUUID()) ||
        (sheet == manager()->GetActiveSheet() && manager()->FindCard(card->GetUUID())))
        return false;
    sheet->LoadCards();
    Ref<TCard> keep = Ref<TCard>::retain(card);
    if (TCardControllerProtocol* window = manager()->GetController(card)) {
        card->SetPreviewImage(window->capturePreviewImage());
        window->removeCard(card);
    }
    sheet->AddCard(card);
    m_tree->updateSheetPreview(manager()->GetActiveSheet());
    card->SetModified(true);
    OpenSheetAsFile(sheet->GetPath());
    updateSheetPreview();
    return true;
}

// Item commands

TSheetManagerItem* SheetBrowserWindowController::commandItem() const {
    if (TSheetManagerItem* clicked = clickedItem()) return clicked;
    return selectedItem();
}

bool SheetBrowserWindowController::validateMenuItem(const QString& title) const {
    if (title == QStringLiteral("Edit Title") || title == QStringLiteral("Delete") ||
        title == QStringLiteral("Show in File Manager"))
        return m_browser && m_browser->clickedRow() >= 0;
    return true;
}

void SheetBrowserWindowController::editTitle() {
    TSheetManagerItem* item = commandItem();
    if (!item) return;
    if (auto* controller = static_cast<TSheetCellViewController*>(item->GetViewRepresentation()))
        controller->editTitle();
}

void SheetBrowserWindowController::revealSheetInFinder() {
    if (TSheetManagerItem* item = commandItem(); item && !item->GetPath().isEmpty())
        Workspace::shared().selectFile(item->GetPath());
}

void SheetBrowserWindowController::deleteSheet() {
    Ref<TSheetManagerItem> item = Ref<TSheetManagerItem>::retain(commandItem());
    if (!item) return;
    Alert alert;
    alert.buttons = {QStringLiteral("OK"), QStringLiteral("Cancel")};
    alert.style = Alert::Style::Warning;
    if (item->GetPath().isEmpty()) {
        alert.messageText = QStringLiteral("Delete the item?");
        alert.informativeText = QStringLiteral("This action can not be undone.");
    } else if (isGroup(item.get())) {
        alert.messageText =
            QStringLiteral("Delete the group \"%1\" and all sheets inside?").arg(item->GetTitle());
        alert.informativeText =
            QStringLiteral("The group folder will be moved to the trash and can be recovered later.");
    } else {
        alert.messageText = QStringLiteral("Delete the sheet \"%1\"?").arg(item->GetTitle());
        alert.informativeText =
            QStringLiteral("The sheet will be moved to the trash and can be recovered later.");
    }
    if (AlertPresenter::shared().runModal(alert) != NSAlertFirstButtonReturn) return;
    if (!trashItem(item.get())) return;
    item->RemoveFromParent();
    sheetsChanged();
}

bool SheetBrowserWindowController::trashItem(TSheetManagerItem* item) {
    const QList<TSheet*> sheets = sheetsOf(item);
    if (!trashSheets(item->GetPath(), item->GetTitle(), sheets)) return false;
    for (TObject* node : *item->GetAllChildrenIncludingSelf())
        if (sheets.contains(static_cast<TSheetManagerItem*>(node)->GetSheet()))
            static_cast<TSheetManagerItem*>(node)->SetSheet(nullptr);
    return true;
}

// The active sheet among the sheets is closed without writing into the folder about to go; the
// folder goes to the Trash, and only then do the sheets drop their events and leave the manager.
// When the Trash refuses, the sheet opens again with its unsaved changes and nothing else changes.
bool SheetBrowserWindowController::trashSheets(const QString& path, const QString& title,
                                               const QList<TSheet*>& sheets) {
    QList<Ref<TSheet>> kept;
    for (TSheet* sheet : sheets) kept.append(Ref<TSheet>::retain(sheet));
    Ref<TSheet> reopen;
    bool wasModified = false;
    if (TSheet* active = manager()->GetActiveSheet(); active && sheets.contains(active)) {
        reopen = Ref<TSheet>::retain(active);
        wasModified = active->IsModified();
        active->SetAllModified(false);
        manager()->Close();
    }
    if (!path.isEmpty() && QFileInfo::exists(path)) {
        QString trashed;
        if (!Workspace::shared().moveToTrash(path, &trashed)) {
            Diagnostics::line(QStringLiteral("could not move to the trash: ") + path);
            if (reopen) {
                if (wasModified) reopen->SetAllModified(true);
                manager()->Open(reopen.get());
            }
            showError(QStringLiteral("\"%1\" could not be moved to the trash.").arg(title),
                      QStringLiteral("Nothing was deleted."));
            return false;
        }
    }
    for (TSheet* sheet : sheets) {
        sheet->PerformDelete();
        manager()->UnregisterSheet(sheet);
    }
    return true;
}

void SheetBrowserWindowController::addSheet() {
    if (m_newSheet) m_newSheet();
}

void SheetBrowserWindowController::addGroup() {
    const QString path = sheetFolderPath() + QStringLiteral("/Untitled");
    if (QFileInfo::exists(path) || !QDir().mkdir(path)) {
        showError(QStringLiteral("The folder \"Untitled\" couldn't be created."),
                  QFileInfo::exists(path)
                      ? QStringLiteral("A file or folder with the same name already exists.")
                      : QStringLiteral("The sheet folder can't be written."));
        return;
    }
    TSheetManagerGroupItem* group = TSheetManagerGroupItem::Create(path);
    root()->AddChild(group);
    group->Release();
    m_tree->saveState();
    reloadBrowser();
}

bool SheetBrowserWindowController::renameItem(TSheetManagerItem* item, const QString& title) {
    if (!item || title == item->GetTitle()) {
        sheetsChanged();
        return true;
    }
    const QString oldPath = item->GetPath();
    QString error = nameProblem(title);
    const QString extension = QFileInfo(oldPath).suffix();
    const QString newPath = QFileInfo(oldPath).path() + QLatin1Char('/') + title +
                            (extension.isEmpty() ? QString() : QLatin1Char('.') + extension);
    if (error.isEmpty()) {
        Diagnostics::line(QStringLiteral("move ") + oldPath + QStringLiteral(" to ") + newPath);
        if (oldPath.isEmpty())
            error = QStringLiteral("the item has no file");
        else
            moveItem(oldPath, newPath, &error);
    }
    if (!error.isEmpty()) {
        Diagnostics::line(error);
        showError(QStringLiteral("\"%1\" can't be renamed to \"%2\".").arg(item->GetTitle(), title),
                  error + QLatin1Char('.'));
        return false;
    }
    item->SetPath(newPath);
    // Every item below a renamed group lies in the new folder, at any depth.
    for (TObject* node : *item->GetAllChildren()) {
        auto* below = static_cast<TSheetManagerItem*>(node);
        if (below->GetPath().isEmpty()) continue;
        const auto* parent = static_cast<TSheetManagerItem*>(below->GetParent());
        below->SetPath(parent->GetPath() + QLatin1Char('/') + QFileInfo(below->GetPath()).fileName());
        Diagnostics::line(below->GetPath());
    }
    sheetsChanged();
    return true;
}
