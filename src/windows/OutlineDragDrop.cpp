#include "windows/OutlineDragDrop.h"

#include "foundation/NSObjectWrapper.h"
#include "model/Card.h"
#include "model/CardItems.h"
#include "model/Globals.h"
#include "model/ListCard.h"
#include "model/ModelContracts.h"
#include "model/Task.h"
#include "platform/AlertPresenter.h"
#include "platform/NotificationCenter.h"
#include "utilities/FileCreationUtilities.h"
#include "utilities/FileObjectUtilities.h"
#include "utilities/PasteboardUtilities.h"
#include "utilities/StringPathUtilities.h"
#include "utilities/TypeIdentifiers.h"

#include <QImage>
#include <QMimeData>
#include <QPointer>
#include <QSet>
#include <QUrl>

namespace OutlineDragDrop {

namespace {

using namespace PasteboardUtilities;
namespace Item = PasteboardItemCommonTypes;

int askUser(OutlineDropHost& host, const QString& message, const QStringList& buttons) {
    Alert alert;
    alert.messageText = message;
    alert.buttons = buttons;
    alert.style = Alert::Style::Informational;
    return AlertPresenter::shared().runModal(alert, host.alertWindow());
}

void showAttachError(OutlineDropHost& host, const QString& text) {
    Alert alert;
    alert.messageText = QStringLiteral("Error Attaching Card");
    alert.informativeText = text;
    AlertPresenter::shared().runModal(alert, host.alertWindow());
}

// The node a node lies in: its parent, for a card's root row the card, for an attached card the
// row that attaches it.
const TTreeNode* outerNode(const TTreeNode* node) {
    if (node->GetParent()) return node->GetParent();
    if (const auto* row = dynamic_cast<const TCardItem*>(node)) return row->GetCard();
    if (const auto* card = dynamic_cast<const TCard*>(node)) return card->GetAttachedParent();
    return nullptr;
}

// Whether node is outer or lies inside it, also through cards attached to rows: a row dropped
// into a card attached below it (or a card attached into one) would hold itself.
bool liesInside(const TTreeNode* node, const TTreeNode* outer) {
    QSet<const TTreeNode*> seen;
    for (; node && !seen.contains(node); node = outerNode(node)) {
        if (node == outer) return true;
        seen.insert(node);
    }
    return false;
}

bool isDroppedIntoItself(const TCardItem* item, const TTreeNode* parent) {
    return parent && liesInside(parent, item);
}

// Where the drop lands: before the child at index that is not itself dragged (null: at the end),
// so every row placed before it keeps the order of the drop.
TTreeNode* dropAnchor(TTreeNode* parent, qint64 index, const QList<TCardItem*>& dragged) {
    if (index < 0) return nullptr;
    for (qint64 i = index; i < parent->ChildCount(); ++i) {
        TTreeNode* child = parent->GetChild(i);
        if (!dragged.contains(static_cast<TCardItem*>(child))) return child;
    }
    return nullptr;
}

qint64 insertionIndex(const TTreeNode* anchor) {
    return anchor ? anchor->GetIndex() : -1;
}

// The index before the anchor counted without the moving row, as a move takes it.
qint64 moveIndex(const TTreeNode* anchor, const TCardItem* item, const TTreeNode* parent) {
    if (!anchor) return -1;
    const qint64 index = anchor->GetIndex();
    return item->GetParent() == parent && item->GetIndex() < index ? index - 1 : index;
}

TCardItem* newTextRow(OutlineDropHost& host, const AttributedString& text) {
    if (host.dropItemClass() == QLatin1String("TTask")) return TTask::Create(text);
    return TListItem::Create(text);
}

// A drop in progress. Questions run a loop in which the sheet may be read again (the folder
// watcher, a handover) and the outline closed: what the drop works on is held by reference, and
// after each question the drop goes on only while its host, card and place are still there.
class Drop {
public:
    Drop(OutlineDropHost& host, TTreeNode* parent, TTreeNode* anchor, bool copy)
        : m_host(host), m_hostObject(dynamic_cast<QObject*>(&host)), m_watchesHost(m_hostObject),
          m_card(Ref<TListCard>::retain(host.dropCard())), m_parent(Ref<TTreeNode>::retain(parent)),
          m_anchor(Ref<TTreeNode>::retain(anchor)), m_copy(copy) {}

    // Undoable; takes over the caller's reference.
    void insert(TCardItem* item) {
        m_host.insertDroppedItem(item, m_parent.get(), insertionIndex(anchor()));
        item->Release();
    }
    // Straight into the model (a move between cards, a card attachment); the undo steps of both
    // cards no longer apply.
    void insertWithoutUndo(TCardItem* item, TCard* otherCard) {
        m_parent->InsertChild(item, insertionIndex(anchor()));
        m_host.clearUndoHistory(m_card.get());
        if (otherCard && otherCard != m_card.get()) m_host.clearUndoHistory(otherCard);
        m_reloadDue = true;
    }

    bool takeRows(const QList<TCardItem*>& rows);
    bool takeItems(const QMimeData& pasteboard);

private:
    enum class Taken { Yes, No, Refused };
    Taken takeRowFromAnotherCard(TCardItem* row);
    Taken takeCard(TCard* card);
    bool takeFile(const QString& path);
    int ask(const QString& message, const QStringList& buttons);
    // After a question: the host, its card and the place of the drop are still what they were.
    bool stillThere() const;
    TTreeNode* anchor() const {
        return m_anchor && m_anchor->GetParent() == m_parent.get() ? m_anchor.get() : nullptr;
    }
    void finish() {
        if (m_reloadDue && stillThere()) m_host.reloadAfterDrop();
    }

    OutlineDropHost& m_host;
    QPointer<QObject> m_hostObject; // the host, when it is an object that may go
    bool m_watchesHost;
    Ref<TListCard> m_card;
    Ref<TTreeNode> m_parent;
    Ref<TTreeNode> m_anchor;
    bool m_copy;
    bool m_reloadDue = false;
};

int Drop::ask(const QString& message, const QStringList& buttons) {
    const int answer = askUser(m_host, message, buttons);
    return stillThere() ? answer : NSModalResponseAbort;
}

bool Drop::stillThere() const {
    if (m_watchesHost && !m_hostObject) return false;
    if (!m_card || m_host.dropCard() != m_card.get() || !m_card->GetRoot()) return false;
    return m_parent->GetRoot() == m_card->GetRoot();
}

bool Drop::takeRows(const QList<TCardItem*>& dragged) {
    QList<Ref<TCardItem>> rows;
    for (TCardItem* row : dragged) rows.append(Ref<TCardItem>::retain(row));
    bool taken = false;
    for (const Ref<TCardItem>& held : std::as_const(rows)) {
        TCardItem* row = held.get();
        // A row that left its tree meanwhile is not dropped; nor does a row go into itself, also
        // not into a card attached below it.
        if (!row->GetParent()) continue;
        if (!m_copy && isDroppedIntoItself(row, m_parent.get())) continue;
        if (row->GetRoot() != m_card->GetRoot()) {
            const Taken result = takeRowFromAnotherCard(row);
            if (result == Taken::Refused) break;
            taken |= result == Taken::Yes;
        } else if (m_copy) {
            insert(static_cast<TCardItem*>(row->Copy()));
            taken = true;
        } else {
            m_host.moveDroppedItem(row, m_parent.get(), moveIndex(anchor(), row, m_parent.get()));
            taken = true;
        }
    }
    finish();
    return taken;
}

Drop::Taken Drop::takeRowFromAnotherCard(TCardItem* row) {
    const int answer =
        m_copy ? NSAlertFirstButtonReturn
               : ask(QStringLiteral("Would you like to move the item to \"%1\" or add it as a "
                                    "hyperlink?")
                         .arg(m_card->GetTitle()),
                     {QStringLiteral("Move"), QStringLiteral("Hyperlink"), QStringLiteral("Cancel")});
    if (answer == NSModalResponseAbort) return Taken::Refused;
    // Looked at again after the question: the row may have left its tree or come into this one.
    if (!row->GetParent() || row->GetRoot() == m_card->GetRoot()) return Taken::No;
    if (answer == NSAlertFirstButtonReturn) {
        TCard* source = row->GetCard();
        if (m_copy) {
            Ref<TCardItem> copy = Ref<TCardItem>::adopt(static_cast<TCardItem*>(row->Copy()));
            insertWithoutUndo(copy.get(), nullptr);
        } else {
            // One step from tree to tree, so a task keeps its calendar event.
            insertWithoutUndo(row, source);
        }
        return Taken::Yes;
    }
    if (answer == NSAlertSecondButtonReturn) {
        TURLAttachment* link = TURLAttachment::Create(QUrl(ItemLink(row->GetUUID())));
        if (auto* text = dynamic_cast<TTextItem*>(row)) link->SetText(text->GetPlainText());
        insert(link);
        return Taken::Yes;
    }
    return Taken::No;
}

Drop::Taken Drop::takeCard(TCard* dropped) {
    const Ref<TCard> card = Ref<TCard>::retain(dropped);
    const int answer =
        m_copy ? NSAlertFirstButtonReturn
               : ask(QStringLiteral("Would you like to insert the card \"%1\" as an attachment "
                                    "or hyperlink?")
                         .arg(card->GetTitle()),
                     {QStringLiteral("Attachment"), QStringLiteral("Hyperlink"), QStringLiteral("Cancel")});
    if (answer == NSModalResponseAbort) return Taken::Refused;
    if (answer == NSAlertSecondButtonReturn) {
        TURLAttachment* link = TURLAttachment::Create(QUrl(CardLink(card->GetUUID())));
        link->SetText(card->GetTitle());
        insert(link);
        return Taken::Yes;
    }
    if (answer != NSAlertFirstButtonReturn) return Taken::No;
    TCard* target = m_card.get();
    if (card.get() == target) {
        showAttachError(m_host, QStringLiteral("The card can not be attached to itself."));
        return Taken::Refused;
    }
    if (liesInside(target, card.get())) {
        showAttachError(
            m_host, QStringLiteral("The card can not be attached to card which is nested inside itself."));
        return Taken::Refused;
    }
    Ref<TCard> attached = m_copy ? Ref<TCard>::adopt(static_cast<TCard*>(card->Copy())) : card;
    TCard* formerParent = dynamic_cast<TCard*>(card->GetParent());
    if (!m_copy) card->RemoveFromParent();
    Ref<TCardAttachment> attachment = Ref<TCardAttachment>::adopt(TCardAttachment::Create(attached.get()));
    insertWithoutUndo(attachment.get(), formerParent);
    if (TCardControllerProtocol* window = attached->GetWindowController()) window->removeCard(attached.get());
    return Taken::Yes;
}

bool Drop::takeFile(const QString& path) {
    if (!StringFileObjectUtilities::conformsToUTIdentifier(path, TypeIdentifiers::kUTTypeImage)) {
        insert(TFileAttachment::Create(path));
        return true;
    }
    const int answer = ask(QStringLiteral("Would you like to insert the file \"%1\" as a file attachment or "
                                          "image attachment?")
                               .arg(StringPathUtilities::displayName(path)),
                           {QStringLiteral("Image"), QStringLiteral("File"), QStringLiteral("Cancel")});
    if (answer == NSAlertFirstButtonReturn) {
        const QImage image(path);
        if (image.isNull()) return false; // an image that does not load is skipped
        insert(TImageAttachment::Create(image));
        return true;
    }
    if (answer == NSAlertSecondButtonReturn) {
        insert(TFileAttachment::Create(path));
        return true;
    }
    return false;
}

TCard* draggedCard(const QMimeData& item, bool* offered) {
    QByteArray payload = dataForType(item, NSPasteboardTypeCardWrapper);
    if (payload.isEmpty() && item.hasFormat(NSPasteboardTypeCardWrapper))
        payload = item.data(NSPasteboardTypeCardWrapper);
    *offered = !payload.isEmpty();
    const NSObjectWrapperPtr wrapper = *offered ? NSObjectWrapper::decode(payload) : nullptr;
    return wrapper ? wrapper->wrapped<TCard>() : nullptr;
}

bool Drop::takeItems(const QMimeData& pasteboard) {
    bool handled = false;
    for (const auto& item : items(pasteboard)) {
        bool offersCard = false;
        TCard* card = draggedCard(*item, &offersCard);
        if (offersCard) {
            // A card of another process, or one that is gone, is refused.
            const Taken taken = card ? takeCard(card) : Taken::No;
            if (taken == Taken::Refused) {
                finish();
                return handled;
            }
            handled |= taken == Taken::Yes;
            continue;
        }
        if (Item::conformsTo(*item, TypeIdentifiers::kUTTypeImage)) {
            const QImage image = Item::imageType(*item);
            if (!image.isNull()) {
                insert(TImageAttachment::Create(image));
                handled = true;
                continue;
            }
        }
        const QString path = Item::filePathType(*item);
        if (!path.isEmpty()) {
            handled |= takeFile(path);
            if (!stillThere()) return handled; // the card went while the question was open
            continue;
        }
        if (Item::conformsTo(*item, kPasteboardTypeURL)) {
            const QUrl url = Item::fileURLType(*item);
            if (url.isValid() && !url.isEmpty()) {
                TURLAttachment* link = url.toString().startsWith(QLatin1String("message:"))
                                           ? TMailAttachment::Create(url)
                                           : TURLAttachment::Create(url);
                const QString title = stringForType(*item, FileCreationUtilities::kUTTypeURLName);
                if (!title.isEmpty()) link->SetText(title);
                insert(link);
                handled = true;
                continue;
            }
        }
        if (const std::optional<AttributedString> text = PasteboardCommonTypes::attributedStringType(*item)) {
            insert(newTextRow(m_host, *text));
            handled = true;
            continue;
        }
        const QString text = Item::textType(*item);
        if (!text.isNull()) {
            insert(newTextRow(m_host, AttributedString(text)));
            handled = true;
        }
    }
    if (handled) m_reloadDue = true;
    finish();
    return handled;
}

QByteArray encodeRows(const QList<TCardItem*>& items) {
    QList<QByteArray> references;
    for (TCardItem* item : items) references.append(NSObjectWrapper::weakWrapperWithObject(item)->encode());
    return writeByteArrayList(references);
}

} // namespace

QStringList draggedTypes() {
    return {kPasteboardTypeString,
            kPasteboardTypeFileURL,
            kPasteboardTypeTIFF,
            TypeIdentifiers::kUTTypeHTML,
            kPasteboardTypeURL,
            TypeIdentifiers::kUTTypePDF,
            TypeIdentifiers::kUTTypeVCard,
            NSPasteboardTypeCardItemWrapper,
            NSPasteboardTypeCardWrapper};
}

bool writeItems(const QList<TCardItem*>& items, bool filtered, QMimeData& pasteboard) {
    if (filtered || items.isEmpty() || items.size() > qsizetype(kMaximumItems) || items.contains(nullptr))
        return false;
    setDataForType(pasteboard, encodeRows(items), NSPasteboardTypeCardItemWrapper);
    PasteboardCommonTypes::setStringType(pasteboard, ItemLink(items.last()->GetUUID()));
    return true;
}

bool hasDraggedItems(const QMimeData& pasteboard) {
    return !dataForType(pasteboard, NSPasteboardTypeCardItemWrapper).isEmpty();
}

QList<TCardItem*> draggedItems(const QMimeData& pasteboard) {
    const std::optional<QList<QByteArray>> references =
        readByteArrayList(dataForType(pasteboard, NSPasteboardTypeCardItemWrapper));
    if (!references) return {};
    QList<TCardItem*> rows;
    for (const QByteArray& reference : *references) {
        const NSObjectWrapperPtr wrapper = NSObjectWrapper::decode(reference);
        TCardItem* row = wrapper ? wrapper->wrapped<TCardItem>() : nullptr;
        // A row outside every tree (removed, kept only for undo) can't be dragged either.
        if (!row || !row->GetParent()) return {};
        if (!rows.contains(row)) rows.append(row);
    }
    // A row moves with its parent row; dragged on its own as well it would be taken out again.
    QList<TCardItem*> outermost;
    for (TCardItem* row : rows) {
        bool below = false;
        for (TCardItem* other : rows) below |= other != row && other->ContainsChild(row, true);
        if (!below) outermost.append(row);
    }
    return outermost;
}

DragOperation validateDrop(const QMimeData& pasteboard, const TCardItem* parent, bool filtered,
                           bool altDown) {
    if (filtered || (parent && !parent->GetAllowChildren())) return kDragOperationNone;
    if (hasDraggedItems(pasteboard)) {
        const QList<TCardItem*> rows = draggedItems(pasteboard);
        if (rows.isEmpty()) return kDragOperationNone;
        if (!altDown)
            for (const TCardItem* row : rows)
                if (isDroppedIntoItself(row, parent)) return kDragOperationNone;
    }
    return altDown ? kDragOperationCopy : kDragOperationGeneric;
}

bool acceptDrop(OutlineDropHost& host, const QMimeData& pasteboard, TCardItem* parent, qint64 index,
                bool copy) {
    NotificationCenter::defaultCenter().post(QStringLiteral("hideInfoButtons"));
    TListCard* card = host.dropCard();
    if (host.isFiltered() || !card || !card->GetRoot()) return false;
    if (parent && !parent->GetAllowChildren()) return false;
    TTreeNode* node = parent ? static_cast<TTreeNode*>(parent) : card->GetRoot();
    if (hasDraggedItems(pasteboard)) {
        const QList<TCardItem*> rows = draggedItems(pasteboard);
        if (rows.isEmpty()) return false;
        Drop drop(host, node, dropAnchor(node, index, rows), copy);
        return drop.takeRows(rows);
    }
    Drop drop(host, node, dropAnchor(node, index, {}), copy);
    return drop.takeItems(pasteboard);
}

} // namespace OutlineDragDrop
