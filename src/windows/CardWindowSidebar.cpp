// The card window's sidebar: the split view, selection, renaming, date captions and dropped cards.
#include "CardSidebar.h"
#include "CardSplitView.h"
#include "CardWindowController.h"
#include "model/Card.h"
#include "model/Globals.h"
#include "model/Preferences.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"

#include <QToolButton>

void TCardWindowController::reloadSidebar() {
    if (!card()) return;
    const bool hideCaptions = !NSPrefs().boolForKey(kPreferenceKeyShowDatesInSideBar);
    for (TObject* object : *card()->GetAllChildrenIncludingSelf()) {
        auto* each = static_cast<TCard*>(object);
        if (auto* existing = static_cast<CardRowController*>(each->GetListRepresentation())) {
            existing->update();
            continue;
        }
        auto* row = new CardRowController(each, this);
        row->setCaptionHidden(hideCaptions);
        each->SetListRepresentation(row);
        m_rowControllers.append(row);
    }
    m_ignoreSelectionChanged = true;
    m_listModel->reload();
    m_outlineView->restoreExpandedState();
    m_ignoreSelectionChanged = false;
}

bool TCardWindowController::isSideBarHidden() const {
    return m_splitView->sliderPosition() <= 0;
}

void TCardWindowController::toggleSideBar() {
    if (isSideBarHidden()) {
        const qint32 restore = card()->GetSplitViewRestorePosition();
        m_splitView->setSliderPosition(restore > 0 ? restore : 120.0);
    } else {
        card()->SetSplitViewRestorePosition(static_cast<qint32>(m_splitView->sliderPosition()));
        m_splitView->setSliderPosition(0);
    }
    splitViewDidResizeSubviews();
}

void TCardWindowController::splitViewDidResizeSubviews() {
    if (frameDidRestore()) {
        card()->SetSplitViewPosition(static_cast<qint32>(m_splitView->sliderPosition()));
        setUINeedsDisplay();
    }
    m_toggleSideBarButton->setChecked(m_splitView->sliderPosition() > 0);
}

void TCardWindowController::selectCard(TCard* selected) {
    const QModelIndex index = m_listModel->indexOfCard(selected);
    const bool ignoring = m_ignoreSelectionChanged;
    m_ignoreSelectionChanged = true;
    if (index.isValid())
        m_outlineView->setCurrentIndex(index);
    else
        m_outlineView->clearSelection();
    m_ignoreSelectionChanged = ignoring;
}

TCard* TCardWindowController::clickedCard() const {
    return m_clickedCard;
}

TCard* TCardWindowController::selectedOrClickedCard() const {
    return m_clickedCard ? m_clickedCard : selectedCard();
}

void TCardWindowController::sidebarSelectionChanged() {
    if (m_ignoreSelectionChanged) return;
    setUINeedsDisplay();
    const QModelIndexList rows = m_outlineView->selectionModel()->selectedRows();
    m_removeCardButton->setEnabled(!rows.isEmpty());
    if (rows.isEmpty()) {
        m_tabBar->selectItemWithIdentifier(card()->GetUUID());
        return;
    }
    if (TCard* chosen = m_listModel->cardAt(rows.first())) openCardWithUUID(chosen->GetUUID());
}

void TCardWindowController::renameCard() {
    if (isSideBarHidden()) {
        m_restoreSideBar = true;
        toggleSideBar();
    }
    TCard* renamed = selectedCard();
    Scheduler::shared().performAfterDelay(this, QStringLiteral("editTitle"), 0, [this, renamed] {
        const QModelIndex index = m_listModel->indexOfCard(renamed);
        if (!index.isValid()) return;
        m_outlineView->setCurrentIndex(index);
        m_outlineView->edit(index);
    });
}

void TCardWindowController::sidebarEditingEnded() {
    if (!m_restoreSideBar) return;
    m_restoreSideBar = false;
    // The sidebar goes again, and with it the focus: typing goes on in the card.
    Scheduler::shared().performAfterDelay(this, QStringLiteral("toggleSideBar"), 0, [this] {
        if (!isSideBarHidden()) toggleSideBar();
        makeSelectedCardFirstResponder();
    });
}

void TCardWindowController::showDatesChanged() {
    const bool hidden = !NSPrefs().boolForKey(kPreferenceKeyShowDatesInSideBar);
    for (TObject* object : *card()->GetAllChildrenIncludingSelf())
        if (auto* row = static_cast<CardRowController*>(static_cast<TCard*>(object)->GetListRepresentation()))
            row->setCaptionHidden(hidden);
    reloadSidebar();
}

bool TCardWindowController::acceptSidebarDrop(const QMimeData* pasteboard, TCard* parent, qint64 index,
                                              bool copy) {
    TCard* dropped = cardFromPasteboard(pasteboard);
    if (!dropped || !canReceiveCard(dropped)) return false;
    if (!parent) parent = card();
    if (parent == dropped || dropped->ContainsCard(parent)) return false;
    if (copy) {
        Ref<TCard> duplicate = Ref<TCard>::adopt(static_cast<TCard*>(dropped->Copy()));
        insertCard(duplicate.get(), parent, index);
        return true;
    }
    Ref<TCard> keep = Ref<TCard>::retain(dropped);
    if (card()->ContainsCard(dropped)) {
        // A move within one parent counts the children without the card.
        if (dropped->GetParent() == parent && index > dropped->GetIndex()) --index;
        dropped->RemoveFromParent();
        insertCard(dropped, parent, index);
        return true;
    }
    TCardControllerProtocol* other = dropped->GetWindowController();
    takeOutAttachmentRow(dropped);
    if (other) other->removeCard(dropped);
    insertCard(dropped, parent, index);
    return true;
}
