// The card window's commands, their menu validation and the switching of the content area.
#include "CardSidebar.h"
#include "CardSplitView.h"
#include "CardThemedView.h"
#include "CardWindow.h"
#include "CardWindowController.h"
#include "Compositor.h"
#include "SavePanelPresenter.h"
#include "foundation/Archiver.h"
#include "model/Card.h"
#include "model/CardItems.h"
#include "model/Globals.h"
#include "model/ListCard.h"
#include "model/Memoleaf.h"
#include "model/Preferences.h"
#include "model/SheetManager.h"
#include "model/Task.h"
#include "platform/AlertPresenter.h"
#include "platform/Diagnostics.h"
#include "platform/PanelPresenter.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "platform/text/RTFDCodec.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QHash>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace {
void showError(QObject* window, const QString& message) {
    Alert alert;
    alert.messageText = message;
    alert.buttons = {QStringLiteral("Ok")};
    AlertPresenter::shared().runModal(alert, window);
}

TCard* makeCard(qint32 kind) {
    switch (kind) {
    case 1:
    case 3: {
        TJobslate* card = TJobslate::Create(QStringLiteral("Untitled"));
        card->SetDefaultItem(kind == 1 ? 1 : 2);
        return card;
    }
    case 2:
        return TMemoleaf::Create(QStringLiteral("Untitled"));
    default:
        return nullptr;
    }
}
} // namespace

TCardContentViewController* TCardWindowController::contentControllerFor(TCard* shown) {
    if (!shown) return nullptr;
    if (auto* existing = dynamic_cast<TCardContentViewController*>(shown->GetViewRepresentation()))
        return existing;
    TCardContentViewController* made = CardViewControllers::make(shown);
    made->setParent(this);
    shown->SetViewRepresentation(made);
    m_contentControllers.append(made);
    return made;
}

void TCardWindowController::forgetControllers(TCard* leaving) {
    for (TObject* object : *leaving->GetAllChildrenIncludingSelf()) {
        auto* each = static_cast<TCard*>(object);
        for (const QPointer<TCardContentViewController>& content : std::as_const(m_contentControllers))
            if (content && content->card() == each) {
                if (content->isViewLoaded()) delete content->view();
                delete content.data();
            }
        for (auto it = m_rowControllers.begin(); it != m_rowControllers.end();) {
            if ((*it)->card() == each) {
                delete *it;
                it = m_rowControllers.erase(it);
            } else {
                ++it;
            }
        }
    }
    m_contentControllers.removeAll(nullptr);
}

void TCardWindowController::updateContentView() {
    TCard* selected = selectedCard();
    TCardContentViewController* content = contentControllerFor(selected);
    if (!content) return;
    finishContentTransition();
    auto* layout = qobject_cast<QVBoxLayout*>(m_cardContainer->layout());
    if (!layout) {
        layout = new QVBoxLayout(m_cardContainer);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    QWidget* shown = layout->count() ? layout->itemAt(0)->widget() : nullptr;
    if (shown && shown == content->view()) return;
    if (shown) layout->removeWidget(shown);
    if (m_previouslySelectedCard && m_previouslySelectedCard != selected)
        if (auto* previous =
                dynamic_cast<TCardContentViewController*>(m_previouslySelectedCard->GetViewRepresentation()))
            previous->cardWillResignActive();
    m_previouslySelectedCard = nullptr;

    m_lastTransition = 0;
    if (NSPrefs().boolForKey(kPreferenceKeyAnimateCardTransitions) && m_previousSelectionIndex != -1) {
        const qint64 now = m_tabBar->indexOfSelectedItem();
        const qint64 last = m_tabBar->count() - 1;
        m_lastTransition = 2;
        if (m_previousSelectionIndex == last && now == 0)
            m_lastTransition = 1;
        else if (m_previousSelectionIndex == 0 && now == last && last > 0)
            m_lastTransition = -1;
        else if (now > m_previousSelectionIndex)
            m_lastTransition = 1;
        else if (now < m_previousSelectionIndex)
            m_lastTransition = -1;
    }
    QWidget* view = content->view();
    // The push runs only where a compositor draws it smoothly; elsewhere the view changes at once.
    const bool push = shown && shown->isVisible() && (m_lastTransition == 1 || m_lastTransition == -1) &&
                      Compositor::isRunning() && m_cardContainer->width() > 0;
    if (push) {
        startContentTransition(shown, view, m_lastTransition);
    } else {
        if (shown) retireContentView(shown);
        layout->addWidget(view);
        view->show();
    }
    content->cardDidBecomeActive();

    if (!tabIdentifiers().contains(selected->GetUUID())) {
        reloadTabs();
        m_tabBar->selectItemWithIdentifier(selected->GetUUID());
    }
    const bool filters = filtersAvailableForSelectedCard();
    m_toggleListButton->setVisible(filters);
    m_toggleForecastButton->setVisible(filters);
    m_toggleImportantButton->setVisible(filters);
    updateApperance();
}

void TCardWindowController::beginPreviewPanelControl(QuickLookPreview* panel) {
    TCardContentViewController* content = contentControllerFor(selectedCard());
    panel->setDataSource(dynamic_cast<QuickLookDataSource*>(content) ? content : nullptr);
    panel->reloadData();
}

void TCardWindowController::retireContentView(QWidget* view) {
    // The view stays its controller's, which still owns it.
    view->hide();
    view->setParent(nullptr);
}

void TCardWindowController::startContentTransition(QWidget* outgoing, QWidget* incoming, int direction) {
    const QRect bounds = m_cardContainer->rect();
    incoming->setParent(m_cardContainer);
    incoming->setGeometry(bounds.translated(direction * bounds.width(), 0));
    incoming->show();
    auto* animation = new QVariantAnimation(m_cardContainer);
    animation->setDuration(150);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    QPointer<QWidget> out(outgoing);
    QPointer<QWidget> in(incoming);
    connect(animation, &QVariantAnimation::valueChanged, this,
            [bounds, direction, out, in](const QVariant& value) {
                const double t = value.toDouble();
                const int width = bounds.width();
                if (in) in->move(qRound(direction * width * (1.0 - t)), 0);
                if (out) out->move(qRound(-direction * width * t), 0);
            });
    connect(animation, &QVariantAnimation::finished, this, [this, out, in] {
        if (out) retireContentView(out);
        if (in) {
            if (auto* layout = qobject_cast<QVBoxLayout*>(m_cardContainer->layout())) layout->addWidget(in);
            in->setGeometry(m_cardContainer->rect());
        }
        if (m_contentTransition) m_contentTransition->deleteLater();
        m_contentTransition = nullptr;
    });
    m_contentTransition = animation;
    animation->start();
}

void TCardWindowController::finishContentTransition() {
    if (!m_contentTransition) return;
    // Jumping to the end runs the finishing step at once.
    m_contentTransition->setCurrentTime(m_contentTransition->duration());
}

void TCardWindowController::newCard(qint32 kind) {
    TCard* made = makeCard(kind);
    if (!made) return;
    addAndOpenNewCard(made);
}

void TCardWindowController::newTab() {
    auto* made = static_cast<TCard*>(AllocateClass(card()->ClassName()));
    if (!made) return;
    made->Initialize();
    made->SetTitle(QStringLiteral("Untitled"));
    addAndOpenNewCard(made);
}

void TCardWindowController::addAndOpenNewCard(TCard* made) {
    card()->AddChild(made);
    made->Release();
    reloadSidebar();
    selectCard(made);
    openCardWithUUID(made->GetUUID());
    renameCard();
}

void TCardWindowController::duplicate() {
    TCard* source = selectedOrClickedCard();
    if (!source) return;
    Ref<TCard> copy = Ref<TCard>::adopt(static_cast<TCard*>(source->Copy()));
    copy->SetTitle(source->GetTitle() + QStringLiteral(" copy"));
    if (source == card()) {
        if (TCardControllerProtocol* controller = TSheetManager::SharedManager()->AddCard(copy.get())) {
            if (auto* other = dynamic_cast<TGenericCardWindowController*>(controller);
                other && other->window())
                other->window()->move(window()->pos() + QPoint(22, 22));
            controller->showWindow();
        }
        return;
    }
    card()->AddChild(copy.get());
    reloadSidebar();
}

void TCardWindowController::detachCard() {
    TCard* detached = selectedOrClickedCard();
    if (!detached || detached == card()) {
        QApplication::beep();
        return;
    }
    Diagnostics::line(QStringLiteral("detach ") + detached->GetTitle());
    const qint64 index = m_tabBar->indexOfSelectedItem();
    Ref<TCard> keep = Ref<TCard>::retain(detached);
    takeOutAttachmentRow(detached);
    removeCard(detached);
    selectIndexAfterRemoval(index);
    Diagnostics::line(QStringLiteral("add card to sheet ") + detached->GetTitle());
    if (TCardControllerProtocol* controller = TSheetManager::SharedManager()->AddCard(detached))
        controller->showWindow();
}

void TCardWindowController::removeSelectedCard() {
    TCard* removed = selectedOrClickedCard();
    if (!removed) return;
    if (removed == card()) {
        performClose();
        return;
    }
    Alert alert;
    alert.messageText = QStringLiteral("Remove the card \"%1\"?").arg(removed->GetTitle());
    alert.informativeText = QStringLiteral("This action cannot be undone.");
    alert.buttons = {QStringLiteral("OK"), QStringLiteral("Cancel")};
    const QString uuid = removed->GetUUID();
    QPointer<TCardWindowController> self(this);
    AlertPresenter::shared().beginSheet(alert, window(), [self, uuid](int code) {
        if (self) self->removeSelectedCardAlertDidEnd(self->cardForUUID(uuid), code);
    });
}

void TCardWindowController::removeSelectedCardAlertDidEnd(TCard* removed, int returnCode) {
    if (returnCode != NSAlertFirstButtonReturn || !removed) {
        cancelClose();
        return;
    }
    const QModelIndex index = m_listModel->indexOfCard(removed);
    const int row = index.isValid() && !index.parent().isValid() ? index.row() - 1 : -1;
    removed->PerformClose();
    takeOutAttachmentRow(removed);
    removeCard(removed);
    if (row >= 0)
        selectCard(m_listModel->cardAt(m_listModel->index(row, 0)));
    else
        m_outlineView->clearSelection();
}

void TCardWindowController::contextualMenuDetach() {
    detachCard();
}

void TCardWindowController::contextualMenuDuplicate() {
    duplicate();
}

void TCardWindowController::contextualMenuRemove() {
    // Only a row below the window's own card: the window's own row is closed with the window.
    if (!m_clickedCard || m_clickedCard == card()) {
        QApplication::beep();
        return;
    }
    removeSelectedCard();
}

void TCardWindowController::validateSidebarMenu() {
    for (QAction* action : m_sidebarMenu->actions()) {
        if (action->isSeparator()) continue;
        MenuItemState item{action->data().toString(), false, action->text(), QVariant()};
        action->setEnabled(validateMenuItem(item));
    }
}

void TCardWindowController::setButtonStates(bool list, bool forecast, bool important) {
    m_toggleListButton->setChecked(list);
    m_toggleForecastButton->setChecked(forecast);
    m_toggleImportantButton->setChecked(important);
}

void TCardWindowController::showTasks() {
    setButtonStates(true, false, false);
    if (TCardContentViewController* content = contentControllerFor(selectedCard())) content->applyFilter(0);
    setUINeedsDisplay();
}

void TCardWindowController::showForecast() {
    setButtonStates(false, true, false);
    if (TCardContentViewController* content = contentControllerFor(selectedCard())) content->applyFilter(1);
    setUINeedsDisplay();
}

void TCardWindowController::showImportant() {
    setButtonStates(false, false, true);
    if (TCardContentViewController* content = contentControllerFor(selectedCard())) content->applyFilter(2);
    setUINeedsDisplay();
}

bool TCardWindowController::filtersAvailableForSelectedCard() const {
    TCard* selected = selectedCard();
    if (!selected || !selected->IsMember(TJobslate::StaticClass())) return false;
    const qint32 kind = static_cast<TJobslate*>(selected)->GetDefaultItem();
    return kind == 2 || (kind == 3 && NSPrefs().integerForKey(kPreferenceKeyDefaultNewItemKind) == 2);
}

bool TCardWindowController::forwardToContent(const QString& action, const QVariant& argument) {
    TCardContentViewController* content = contentControllerFor(selectedCard());
    return content && content->performCommand(action, argument);
}

bool TCardWindowController::performMenuCommand(const QString& action, const QVariant& argument) {
    using Command = void (TCardWindowController::*)();
    static const QHash<QString, Command> own = {
        {QStringLiteral("toggleFloating"), &TCardWindowController::toggleFloating},
        {QStringLiteral("toggleFullScreen"), &TCardWindowController::toggleFullScreen},
        {QStringLiteral("toggleSideBar"), &TCardWindowController::toggleSideBar},
        {QStringLiteral("toggleBottomBar"), &TCardWindowController::toggleBottomBar},
        {QStringLiteral("nextCard"), &TCardWindowController::nextCard},
        {QStringLiteral("previousCard"), &TCardWindowController::previousCard},
        {QStringLiteral("newTab"), &TCardWindowController::newTab},
        {QStringLiteral("duplicate"), &TCardWindowController::duplicate},
        {QStringLiteral("detachCard"), &TCardWindowController::detachCard},
        {QStringLiteral("removeSelectedCard"), &TCardWindowController::removeSelectedCard},
        {QStringLiteral("showTasks"), &TCardWindowController::showTasks},
        {QStringLiteral("showForecast"), &TCardWindowController::showForecast},
        {QStringLiteral("showImportant"), &TCardWindowController::showImportant},
        {QStringLiteral("saveDocumentAs"), &TCardWindowController::saveDocumentAs},
        {QStringLiteral("exportDocumentAs"), &TCardWindowController::exportDocumentAs},
        {QStringLiteral("makeSelectedCardFirstResponder"),
         &TCardWindowController::makeSelectedCardFirstResponder},
    };
    if (action == QLatin1String("copyLinkAddress")) {
        // A focused row's link comes before the card's.
        if (!forwardToContent(action, argument)) copyLinkAddress();
    } else if (const auto found = own.constFind(action); found != own.constEnd()) {
        (this->*(*found))();
    } else if (action == QLatin1String("saveDocument")) {
        saveDocument();
    } else if (action == QLatin1String("changeBackgroundColor")) {
        changeBackgroundColor(argument);
    } else if (action == QLatin1String("changeTheme")) {
        changeTheme(argument.toString());
    } else if (action == QLatin1String("newCard")) {
        newCard(argument.toInt());
    } else if (action == QLatin1String("performClose")) {
        // The menu's Close goes through the window: a selected tab closes alone, only the window's own
        // card asks to be deleted (the close button asks for the whole card).
        cardWindow()->performClose();
    } else if (action == QLatin1String("performMiniaturize")) {
        cardWindow()->performMiniaturize();
    } else {
        return forwardToContent(action, argument);
    }
    return true;
}

void TCardWindowController::changeBackgroundColor(const QVariant& colour) {
    if (!colour.canConvert<QColor>() || !colour.value<QColor>().isValid()) {
        QApplication::beep();
        return;
    }
    selectedCard()->SetColor(colour.value<QColor>());
    updateApperance();
    updatePreviewImage();
}

void TCardWindowController::changeTheme(const QString& themeName) {
    auto* theme = dynamic_cast<TCardTheme*>(TTheme::FindTheme(themeName));
    if (!theme) return;
    selectedCard()->SetTheme(theme);
    updateApperance();
    updatePreviewImage();
}

bool TCardWindowController::saveDocument() {
    Scheduler::shared().cancelPrevious(this, QStringLiteral("saveDocument"));
    bool modified = false;
    for (TObject* object : *card()->GetAllChildrenIncludingSelf())
        modified = modified || static_cast<TCard*>(object)->IsModified();
    if (!modified) return true;
    // The sheet clears the flags only once the file is written.
    if (TSheetManager::SharedManager()->SaveCard(card())) return true;
    showError(window(), QStringLiteral("There was an error saving the card file."));
    return false;
}

bool TCardWindowController::runSavePanel(SavePanel& panel, TCard*& selected) {
    // The panel runs its own event loop: the window or the card may go before it ends.
    const QString uuid = selected->GetUUID();
    const QPointer<TCardWindowController> self(this);
    if (SavePanelPresenter::shared().runModal(panel, window()) != NSModalResponseOK || !self) return false;
    selected = cardForUUID(uuid);
    return selected != nullptr;
}

void TCardWindowController::saveDocumentAs() {
    TCard* selected = selectedCard();
    SavePanel panel;
    panel.title = QStringLiteral("Save As");
    panel.allowedExtension = QStringLiteral("qxcard");
    panel.nameFieldStringValue = QStringLiteral("%1.%2").arg(selected->GetTitle(), panel.allowedExtension);
    if (!runSavePanel(panel, selected)) return;
    Ref<TCard> copy = Ref<TCard>::adopt(static_cast<TCard*>(selected->Copy()));
    copy->ClearTabs();
    TArchiver* archiver = copy->CopyArchive();
    const int result = archiver->Save(panel.chosenPath, true);
    archiver->Release();
    if (result != 0)
        showError(window(), QStringLiteral("There was an error %1 saving the card file.").arg(result));
}

void TCardWindowController::exportDocumentAs() {
    TCard* selected = selectedCard();
    SavePanel panel;
    panel.title = QStringLiteral("Export");
    panel.allowedExtension = QStringLiteral("rtfd");
    panel.nameFieldStringValue = QStringLiteral("%1.%2").arg(selected->GetTitle(), panel.allowedExtension);
    if (!runSavePanel(panel, selected)) return;
    const std::optional<AttributedString> text = selected->ExportText();
    if (!text) return;
    if (QFileInfo::exists(panel.chosenPath)) {
        QString trashed;
        // What is there is never written over: when it cannot go to the Trash, nothing is exported.
        if (!Workspace::shared().moveToTrash(panel.chosenPath, &trashed) ||
            QFileInfo::exists(panel.chosenPath)) {
            Diagnostics::line(QStringLiteral("could not move to the Trash: ") + panel.chosenPath);
            showError(window(), QStringLiteral(
                                    "The document could not be exported: %1 could not be moved to the Trash.")
                                    .arg(panel.chosenPath));
            return;
        }
    }
    QString error;
    if (!RTFDCodec::writeFolder(*text, panel.chosenPath, &error))
        showError(window(), QStringLiteral("The document could not be exported: %1").arg(error));
}

void TCardWindowController::copyLinkAddress() {
    TCard* selected = selectedCard();
    auto* data = new QMimeData;
    data->setText(CardLink(selected->GetUUID()));
    data->setData(NSPasteboardTypeLinkName, selected->GetTitle().toUtf8());
    QGuiApplication::clipboard()->setMimeData(data);
}

void TCardWindowController::makeSelectedCardFirstResponder() {
    if (TCardContentViewController* content = contentControllerFor(selectedCard()))
        content->makePrimaryInputFirstResponder();
}

void TCardWindowController::prepareForEntry(bool rename) {
    const QRect screen = window()->screen() ? window()->screen()->availableGeometry() : QRect();
    if (!screen.isEmpty()) {
        // Centred, then stepped down and right while another card window sits exactly there, so a
        // second new card does not hide the first.
        QPoint place = screen.center() - window()->rect().center();
        const auto taken = [&](const QPoint& point) {
            const QWidgetList windows = QApplication::topLevelWidgets();
            return std::any_of(windows.cbegin(), windows.cend(), [&](const QWidget* other) {
                return other != window() && other->isVisible() &&
                       qobject_cast<const TGenericCardWindow*>(other) &&
                       (other->pos() - point).manhattanLength() < 4;
            });
        };
        for (int step = 0; step < 20 && taken(place); ++step) {
            const QPoint next = place + QPoint(22, 22);
            if (!screen.contains(QRect(next, window()->size()))) break;
            place = next;
        }
        window()->move(place);
    }
    if (rename) renameCard();
    showWindow();
}

bool TCardWindowController::validateMenuItem(MenuItemState& item) {
    static const QStringList known = {QStringLiteral("toggleFloating"),
                                      QStringLiteral("nextCard"),
                                      QStringLiteral("previousCard"),
                                      QStringLiteral("showTasks"),
                                      QStringLiteral("showForecast"),
                                      QStringLiteral("showImportant"),
                                      QStringLiteral("toggleSideBar"),
                                      QStringLiteral("toggleBottomBar"),
                                      QStringLiteral("changeTheme"),
                                      QStringLiteral("changeBackgroundColor"),
                                      QStringLiteral("removeSelectedCard"),
                                      QStringLiteral("detachCard"),
                                      QStringLiteral("contextualMenuDetach"),
                                      QStringLiteral("contextualMenuRemove"),
                                      QStringLiteral("contextualMenuDuplicate"),
                                      QStringLiteral("newCard"),
                                      QStringLiteral("newTab"),
                                      QStringLiteral("duplicate"),
                                      QStringLiteral("saveDocument"),
                                      QStringLiteral("saveDocumentAs"),
                                      QStringLiteral("exportDocumentAs"),
                                      QStringLiteral("copyLinkAddress"),
                                      QStringLiteral("toggleFullScreen"),
                                      QStringLiteral("performClose"),
                                      QStringLiteral("performMiniaturize"),
                                      QStringLiteral("makeSelectedCardFirstResponder")};
    bool answer = known.contains(item.action);
    const QString& action = item.action;
    TCard* selected = selectedCard();
    const bool filters = filtersAvailableForSelectedCard();
    qint32 filterKind = -1;
    if (filters)
        if (TCardContentViewController* content = contentControllerFor(selected))
            filterKind = content->filterKind();
    const bool severalTabs = m_tabBar->count() > 1;
    if (action == QLatin1String("toggleFloating")) {
        answer = !NSPrefs().boolForKey(kPreferenceKeyDashboardMode);
        item.checked = card()->IsFloating();
    } else if (action == QLatin1String("nextCard") || action == QLatin1String("previousCard")) {
        answer = severalTabs;
    } else if (action == QLatin1String("showTasks")) {
        answer = answer && filters;
        item.checked = filterKind == 0;
    } else if (action == QLatin1String("showForecast")) {
        answer = answer && filters;
        item.checked = filterKind == 1;
    } else if (action == QLatin1String("showImportant")) {
        answer = answer && filters;
        item.checked = filterKind == 2;
    } else if (action == QLatin1String("toggleSideBar")) {
        item.title = isSideBarHidden() ? QStringLiteral("Show Side Bar") : QStringLiteral("Hide Side Bar");
    } else if (action == QLatin1String("toggleBottomBar")) {
        item.title =
            isBottomBarHidden() ? QStringLiteral("Show Bottom Bar") : QStringLiteral("Hide Bottom Bar");
    } else if (action == QLatin1String("changeTheme")) {
        item.checked = selected && selected->GetTheme() &&
                       item.representedObject.toString() == selected->GetTheme()->GetName();
    } else if (action == QLatin1String("changeBackgroundColor")) {
        item.checked = selected && item.representedObject.value<QColor>() == selected->GetColor();
    } else if (action == QLatin1String("removeSelectedCard") || action == QLatin1String("detachCard")) {
        answer = severalTabs && selected != card();
    } else if (action == QLatin1String("contextualMenuDetach") ||
               action == QLatin1String("contextualMenuRemove")) {
        answer = m_clickedCard && m_clickedCard != card();
    } else if (action == QLatin1String("contextualMenuDuplicate")) {
        answer = m_clickedCard != nullptr;
    }
    if (!answer)
        if (TCardContentViewController* content = contentControllerFor(selected))
            return content->validateMenuItem(item);
    return answer;
}
