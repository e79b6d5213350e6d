// The card window's tabs: the tab bar's data source and delegate, opening, closing and moving tabs,
// and how closing the window deals with them.
#include "CardSidebar.h"
#include "CardTabs.h"
#include "CardWindow.h"
#include "CardWindowController.h"
#include "foundation/NSObjectWrapper.h"
#include "model/Card.h"
#include "model/CardItems.h"
#include "model/Globals.h"
#include "model/ListCard.h"
#include "model/SheetManager.h"
#include "platform/AlertPresenter.h"
#include "platform/Diagnostics.h"
#include "platform/Scheduler.h"

#include <QMimeData>

namespace {
// The key under which the sheet manager deletes a controller it let go.
const QString kRetireKey = QStringLiteral("TSheetManager.retire");
} // namespace

QStringList TCardWindowController::tabIdentifiers() const {
    return card() ? card()->GetTabIdentifiers() : QStringList();
}

TCard* TCardWindowController::selectedCard() const {
    if (!card()) return nullptr;
    TCard* selected = cardForUUID(card()->GetSelectedTabIdentifier());
    return selected ? selected : card();
}

TCard* TCardWindowController::cardForUUID(const QString& uuid) const {
    if (!card() || uuid.isEmpty()) return nullptr;
    if (TCard* found = card()->FindCard(uuid)) return found;
    TCardAttachment* attachment = attachmentForUUID(uuid);
    return attachment ? attachment->GetCard() : nullptr;
}

TCardAttachment* TCardWindowController::attachmentForUUID(const QString& uuid) const {
    if (!card()) return nullptr;
    for (TObject* object : *card()->GetAllChildrenIncludingSelf()) {
        if (!object->IsMember(TListCard::StaticClass())) continue;
        for (TObject* row : *static_cast<TListCard*>(object)->GetAllItems()) {
            if (!row->IsMember(TCardAttachment::StaticClass())) continue;
            auto* attachment = static_cast<TCardAttachment*>(row);
            if (attachment->GetCard() && attachment->GetCard()->GetUUID() == uuid) return attachment;
        }
    }
    return nullptr;
}

void TCardWindowController::reloadTabs() {
    m_tabBar->reloadData();
}

qint32 TCardWindowController::itemBarItemCount(NSItemBar*) {
    return static_cast<qint32>(tabIdentifiers().size());
}

NSBarItem* TCardWindowController::itemBarCreateItemForIndex(NSItemBar*, qint32 index) {
    TCard* tabCard = cardForUUID(tabIdentifiers().value(index));
    if (!tabCard) {
        Diagnostics::warning(QStringLiteral("no associated card found for tab #%1").arg(index));
        return nullptr;
    }
    return CardTabs::makeTab(tabCard);
}

void TCardWindowController::willSelectItem(NSTabbedBar* bar, NSTabbedBarItem*) {
    m_previouslySelectedCard = selectedCard();
    m_previousSelectionIndex = bar->indexOfSelectedItem();
}

void TCardWindowController::didSelectItem(NSTabbedBar* bar, NSTabbedBarItem* item) {
    if (!item) return;
    card()->SetSelectedTabIdentifier(bar->selectedItemIdentifier());
    if (m_ignoreSelectionChanged) {
        selectCard(selectedCard());
        m_ignoreSelectionChanged = false;
    }
    updateContentView();
    setUINeedsDisplay();
    if (!m_selectedCardFirstTime) {
        m_selectedCardFirstTime = true;
        return;
    }
    TCardContentViewController* content = contentControllerFor(selectedCard());
    if (content && content->respondsToRecalculateRows()) {
        QPointer<TCardContentViewController> guarded(content);
        Scheduler::shared().performAfterDelay(this, QStringLiteral("recalculateRows"), 0, [guarded] {
            if (guarded) guarded->recalculateRows();
        });
    }
}

void TCardWindowController::itemBarItemsArranged(NSItemBar* bar) {
    itemBarItemsChanged(bar);
}

void TCardWindowController::itemBarItemsChanged(NSItemBar*) {
    if (m_tabBar->isReloadingData()) return;
    // Tabs the bar could not show (their card is gone) keep their place in the stored list.
    QStringList shown = m_tabBar->tabIdentifiers();
    QStringList stored = tabIdentifiers();
    QStringList merged;
    for (const QString& uuid : stored)
        if (!cardForUUID(uuid)) merged << uuid;
    merged = shown + merged;
    if (merged != stored) card()->SetTabIdentifiers(merged);
    setUINeedsDisplay();
}

void TCardWindowController::itemDoubleClicked(NSItemBar*, NSBarItem*) {
    renameCard();
}

void TCardWindowController::openCardWithUUID(const QString& uuid) {
    if (!card()) return;
    if (m_tabBar->selectedItemIdentifier() == uuid && card()->GetSelectedTabIdentifier() == uuid) return;
    if (!tabIdentifiers().contains(uuid)) {
        card()->SetTabIdentifiers(tabIdentifiers() << uuid);
        reloadTabs();
    }
    m_tabBar->selectItemWithIdentifier(uuid);
}

void TCardWindowController::selectIndexAfterRemoval(qint64 previousIndex) {
    if (m_tabBar->indexOfSelectedItem() < 0 || !m_tabBar->selectedItem())
        m_tabBar->selectItemAtIndex(std::max<qint64>(previousIndex - 1, 0));
}

void TCardWindowController::removeTabAndRepair(const QString& uuid, bool always) {
    const qint64 index = m_tabBar->indexOfSelectedItem();
    QStringList ids = tabIdentifiers();
    const bool listed = ids.removeAll(uuid) > 0;
    if (!listed && !always) return;
    if (listed) card()->SetTabIdentifiers(ids);
    reloadTabs();
    if (!m_tabBar->itemWithIdentifier(m_tabBar->selectedItemIdentifier())) m_tabBar->selectItemAtIndex(-1);
    selectIndexAfterRemoval(index);
}

void TCardWindowController::removeTab(const QString& uuid) {
    removeTabAndRepair(uuid, false);
}

void TCardWindowController::closeTab(TCard* tabCard) {
    if (tabCard == card()) {
        performClose();
        return;
    }
    removeTabAndRepair(tabCard->GetUUID(), true);
}

void TCardWindowController::removeCard(TCard* removed) {
    if (!removed || !card()) return;
    if (removed == card()) {
        // The card may go on in another window: it keeps none of this window's controllers.
        forgetControllers(removed);
        TSheetManager::SharedManager()->CloseCard(removed, false);
        if (m_sourceDrags > 0) {
            // Dropped elsewhere during a drag from this window: the drag loop still runs in this
            // window's widgets, so the controller is deleted only after the drag.
            const void* retired = static_cast<TCardControllerProtocol*>(this);
            if (Scheduler::shared().isPending(retired, kRetireKey)) {
                Scheduler::shared().cancelPrevious(retired, kRetireKey);
                m_retireAfterDrag = true;
                if (window()) window()->hide();
            }
        }
        return;
    }
    Ref<TCard> keep = Ref<TCard>::retain(removed);
    forgetControllers(removed);
    if (card()->ContainsCard(removed)) removed->RemoveFromParent();
    reloadSidebar();
    removeTabAndRepair(removed->GetUUID(), true);
}

void TCardWindowController::draggingItemWillBeginAtPoint(NSItemBar*, NSBarItem*, NSDraggingSession*,
                                                         const QPointF&) {
    sourceDragBegan();
}

bool TCardWindowController::draggingItemEndedAtPoint(NSItemBar*, NSBarItem*, NSDraggingSession*,
                                                     const QPointF&, quint64) {
    sourceDragEnded();
    return false;
}

void TCardWindowController::sourceDragEnded() {
    if (m_sourceDrags > 0) --m_sourceDrags;
    if (m_sourceDrags > 0 || !m_retireAfterDrag) return;
    // A later turn of the event loop, when the drag's frames have left the stack.
    Scheduler::shared().performAfterDelay(static_cast<TCardControllerProtocol*>(this), kRetireKey, 0,
                                          [this] { delete this; });
}

void TCardWindowController::insertCard(TCard* inserted, TCard* parent, qint64 index) {
    if (!inserted || !parent) return;
    if (index >= 0 && index < parent->ChildCount())
        parent->InsertChild(inserted, index);
    else
        parent->AddChild(inserted);
    reloadSidebar();
}

void TCardWindowController::nextCard() {
    const qint64 count = m_tabBar->count();
    if (count == 0) return;
    m_tabBar->selectItemAtIndex((m_tabBar->indexOfSelectedItem() + 1) % count);
}

void TCardWindowController::previousCard() {
    const qint64 count = m_tabBar->count();
    if (count == 0) return;
    const qint64 index = m_tabBar->indexOfSelectedItem();
    m_tabBar->selectItemAtIndex(index <= 0 ? count - 1 : index - 1);
}

void TCardWindowController::performClose() {
    if (!card()) return;
    Diagnostics::line(QStringLiteral("performClose: ") + card()->GetUUID());
    if (m_performingClose) {
        m_performingClose = false;
        TGenericCardWindowController::performClose();
        return;
    }
    m_closeAllTabs = true;
    m_performingClose = true;
    window()->performClose();
}

bool TCardWindowController::windowShouldClose() {
    if (m_closeAllTabs) {
        m_closeAllTabs = false;
        return TGenericCardWindowController::windowShouldClose();
    }
    if (m_tabBar->count() > 1 && selectedCard() != card()) {
        const qint64 index = m_tabBar->indexOfSelectedItem();
        m_tabBar->removeItemAtIndex(index);
        card()->SetTabIdentifiers(m_tabBar->tabIdentifiers());
        m_tabBar->selectItemAtIndex(-1);
        selectIndexAfterRemoval(index);
        m_tabBar->arrangeItems();
        return false;
    }
    m_performingClose = true;
    return TGenericCardWindowController::windowShouldClose();
}

void TCardWindowController::alertDidEnd(int returnCode) {
    if (returnCode != NSAlertFirstButtonReturn) {
        cancelClose();
        return;
    }
    m_performingClose = false;
    card()->PerformClose();
    TGenericCardWindowController::performClose();
}

void TCardWindowController::cancelClose() {
    TGenericCardWindowController::cancelClose();
    m_closeAllTabs = false;
    m_performingClose = false;
}

void TCardWindowController::writeCardToPasteboard(TCard* dragged, QMimeData* pasteboard) {
    if (!dragged || !pasteboard) return;
    pasteboard->setData(NSPasteboardTypeCardWrapper, dragged->GetCocoaObject()->encode());
    pasteboard->setText(CardLink(dragged->GetUUID()));
}

TCard* TCardWindowController::cardFromPasteboard(const QMimeData* pasteboard) {
    if (!pasteboard || !pasteboard->hasFormat(NSPasteboardTypeCardWrapper)) return nullptr;
    const NSObjectWrapperPtr wrapper = NSObjectWrapper::decode(pasteboard->data(NSPasteboardTypeCardWrapper));
    return wrapper ? wrapper->wrapped<TCard>() : nullptr;
}

bool TCardWindowController::canReceiveCard(const TCard* dropped) const {
    return dropped && card() && !dropped->ContainsCard(card());
}

bool TCardWindowController::acceptDrop(NSItemBar*, const NSDraggingInfo& info, NSBarItem* item) {
    const bool carriesCard = info.pasteboard && info.pasteboard->hasFormat(NSPasteboardTypeCardWrapper);
    if (item) return !carriesCard;
    return carriesCard && canReceiveCard(cardFromPasteboard(info.pasteboard));
}

void TCardWindowController::addDataForItemAtIndex(NSItemBar*, NSBarItem* item, qint64,
                                                  QMimeData* pasteboard) {
    writeCardToPasteboard(CardTabs::cardOfTab(item), pasteboard);
}

void TCardWindowController::takeOutAttachmentRow(TCard* embedded) {
    TCardAttachment* row = embedded->GetAttachedParent();
    if (!row) return;
    Ref<TCardAttachment> keep = Ref<TCardAttachment>::retain(row);
    row->RemoveFromParent();
    embedded->SetAttachedParent(nullptr);
}

bool TCardWindowController::insertObjectForPasteboardItem(NSItemBar*, const QMimeData* pasteboard,
                                                          qint64 index) {
    TCard* dropped = cardFromPasteboard(pasteboard);
    if (!dropped) {
        Alert alert;
        alert.messageText = QStringLiteral(
            "Cards must be added to a sheet before they can be dragged as tabs to other cards.");
        AlertPresenter::shared().runModal(alert, window());
        return false;
    }
    if (!canReceiveCard(dropped)) return false;
    Ref<TCard> keep = Ref<TCard>::retain(dropped);
    if (TCardControllerProtocol* other = dropped->GetWindowController()) {
        takeOutAttachmentRow(dropped);
        other->removeCard(dropped);
    } else {
        takeOutAttachmentRow(dropped);
    }
    insertCard(dropped, card(), index);
    QStringList ids = tabIdentifiers();
    ids.removeAll(dropped->GetUUID());
    if (index >= 0 && index < ids.size())
        ids.insert(index, dropped->GetUUID());
    else
        ids.append(dropped->GetUUID());
    card()->SetTabIdentifiers(ids);
    const QString uuid = dropped->GetUUID();
    Scheduler::shared().performAfterDelay(this, QStringLiteral("selectItemWithIdentifier"), 0,
                                          [this, uuid] { m_tabBar->selectItemWithIdentifier(uuid); });
    return true;
}
