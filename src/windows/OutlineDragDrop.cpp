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

#include <QDataStream>
#include <QIODevice>
#include <QImage>
#include <QMimeData>
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

class Drop {
public:
    Drop(OutlineDropHost& host, TTreeNode* parent, TTreeNode* anchor, bool copy)
        : m_host(host), m_parent(parent), m_anchor(anchor), m_copy(copy) {}

    // Undoable; takes over the caller's reference.
    void insert(TCardItem* item) {
        m_host.insertDroppedItem(item, m_parent, insertionIndex(m_anchor));
        item->Release();
    }
    // Straight into the model (a move between cards, a card attachment); the undo steps of both
    // cards no longer apply.
    void insertWithoutUndo(TCardItem* item, TCard* otherCard) {
        m_parent->InsertChild(item, insertionIndex(m_anchor));
        m_host.clearUndoHistory(m_host.dropCard());
        if (otherCard && otherCard != m_host.dropCard()) m_host.clearUndoHistory(otherCard);
        m_reloadDue = true;
    }

    bool takeRows(const QList<TCardItem*>& rows);
    bool takeItems(const QMimeData& pasteboard);

private:
    void takeRowFromAnotherCard(TCardItem* row);
    enum class Taken { Yes, No, Refused };
    Taken takeCard(TCard* card);
    bool takeFile(const QString& path);

    OutlineDropHost& m_host;
    TTreeNode* m_parent;
    TTreeNode* m_anchor;
    bool m_copy;
    bool m_reloadDue = false;
};

bool Drop::takeRows(const QList<TCardItem*>& rows) {
    TTreeNode* root = m_host.dropCard()->GetRoot();
    for (TCardItem* row : rows) {
        // A row never goes into itself, also not into a card attached below it.
        if (!m_copy && isDroppedIntoItself(row, m_parent)) continue;
        if (row->GetRoot() != root) {
            takeRowFromAnotherCard(row);
        } else if (m_copy) {
            insert(static_cast<TCardItem*>(row->Copy()));
        } else {
            m_host.moveDroppedItem(row, m_parent, moveIndex(m_anchor, row, m_parent));
        }
    }
    if (m_reloadDue) m_host.reloadAfterDrop();
    return true;
}

void Drop::takeRowFromAnotherCard(TCardItem* row) {
    const int answer =
        m_copy ? NSAlertFirstButtonReturn
               : askUser(m_host,
                         QStringLiteral("Would you like to move the item to \"%1\" or add it as a "
                                        "hyperlink?")
                             .arg(m_host.dropCard()->GetTitle()),
                         {QStringLiteral("Move"), QStringLiteral("Hyperlink"), QStringLiteral("Cancel")});
    if (answer == NSAlertFirstButtonReturn) {
        TCard* source = row->GetCard();
        if (m_copy) {
            Ref<TCardItem> copy = Ref<TCardItem>::adopt(static_cast<TCardItem*>(row->Copy()));
            insertWithoutUndo(copy.get(), nullptr);
        } else {
            // One step from tree to tree, so a task keeps its calendar event.
            insertWithoutUndo(row, source);
        }
    } else if (answer == NSAlertSecondButtonReturn) {
        TURLAttachment* link = TURLAttachment::Create(QUrl(ItemLink(row->GetUUID())));
        if (auto* text = dynamic_cast<TTextItem*>(row)) link->SetText(text->GetPlainText());
        insert(link);
    }
}

Drop::Taken Drop::takeCard(TCard* card) {
    const int answer =
        m_copy
            ? NSAlertFirstButtonReturn
            : askUser(m_host,
                      QStringLiteral("Would you like to insert the card \"%1\" as an attachment "
                                     "or hyperlink?")
                          .arg(card->GetTitle()),
                      {QStringLiteral("Attachment"), QStringLiteral("Hyperlink"), QStringLiteral("Cancel")});
    if (answer == NSAlertSecondButtonReturn) {
        TURLAttachment* link = TURLAttachment::Create(QUrl(CardLink(card->GetUUID())));
        link->SetText(card->GetTitle());
        insert(link);
        return Taken::Yes;
    }
    if (answer != NSAlertFirstButtonReturn) return Taken::No;
    TCard* target = m_host.dropCard();
    if (card == target) {
        showAttachError(m_host, QStringLiteral("The card can not be attached to itself."));
        return Taken::Refused;
    }
    if (liesInside(target, card)) {
        showAttachError(
            m_host, QStringLiteral("The card can not be attached to card which is nested inside itself."));
        return Taken::Refused;
    }
    Ref<TCard> attached =
        m_copy ? Ref<TCard>::adopt(static_cast<TCard*>(card->Copy())) : Ref<TCard>::retain(card);
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
    const int answer =
        askUser(m_host,
                QStringLiteral("Would you like to insert the file \"%1\" as a file attachment or "
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
            if (taken == Taken::Refused) return false;
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
    if (handled) m_host.reloadAfterDrop();
    return handled;
}

QByteArray encodeRows(const QList<TCardItem*>& items) {
    QList<QByteArray> references;
    for (TCardItem* item : items) references.append(NSObjectWrapper::weakWrapperWithObject(item)->encode());
    QByteArray payload;
    QDataStream stream(&payload, QIODevice::WriteOnly);
    stream << references;
    return payload;
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
    if (filtered || items.isEmpty() || items.contains(nullptr)) return false;
    setDataForType(pasteboard, encodeRows(items), NSPasteboardTypeCardItemWrapper);
    PasteboardCommonTypes::setStringType(pasteboard, ItemLink(items.last()->GetUUID()));
    return true;
}

bool hasDraggedItems(const QMimeData& pasteboard) {
    return !dataForType(pasteboard, NSPasteboardTypeCardItemWrapper).isEmpty();
}

QList<TCardItem*> draggedItems(const QMimeData& pasteboard) {
    QByteArray payload = dataForType(pasteboard, NSPasteboardTypeCardItemWrapper);
    QDataStream stream(&payload, QIODevice::ReadOnly);
    QList<QByteArray> references;
    stream >> references;
    if (stream.status() != QDataStream::Ok) return {};
    QList<TCardItem*> rows;
    for (const QByteArray& reference : references) {
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
