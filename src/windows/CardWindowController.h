#pragma once

#include "CardViewController.h"
#include "GenericCardWindowController.h"
#include "QuickLookPreview.h"
#include "toolkit/NSTabbedBar.h"

#include <QPointer>
#include <QVariantAnimation>

class CardListModel;
class CardRowController;
class CardSidebarView;
class CardThemedView;
class NSStandardWindowButton;
class QMenu;
struct SavePanel;
class QToolButton;
class TCardAttachment;
class TCardSplitView;
class TCardTheme;
class TCardWindow;

// The window of a card of the active sheet: its tabs (the card, its child cards and cards embedded
// as attachment rows), a sidebar listing the card and its child cards, the selected card's content,
// a bottom bar, window buttons, floating level and full screen. Everything it shows is kept in the
// window's card (tabs, selected tab, frame, sidebar width, bottom bar, floating, theme, colour).
// Made by the application delegate for the sheet manager, which owns it. It owns the content and
// sidebar row controllers it makes and clears them from their cards when they go. Timers run on the
// platform scheduler; alerts and panels go through the platform presenters. Main thread only.
class TCardWindowController : public TGenericCardWindowController,
                              public NSTabbedBarDelegate,
                              public NSItemBarDataSource,
                              public QuickLookPanelController {
    Q_OBJECT
public:
    // A controller with its window for the card; the card is retained.
    explicit TCardWindowController(TCard* card);
    ~TCardWindowController() override;

    TCardWindow* cardWindow() const;
    NSTabbedBar* tabBar() const { return m_tabBar; }
    TCardSplitView* splitView() const { return m_splitView; }
    CardThemedView* cardContainer() const { return m_cardContainer; }
    CardThemedView* contentView() const { return m_contentView; }
    CardSidebarView* outlineView() const { return m_outlineView; }
    CardListModel* listModel() const { return m_listModel; }
    QWidget* bottomView() const { return m_bottomView; }
    QToolButton* removeCardButton() const { return m_removeCardButton; }
    QToolButton* toggleSideBarButton() const { return m_toggleSideBarButton; }
    QToolButton* toggleListButton() const { return m_toggleListButton; }
    QToolButton* toggleForecastButton() const { return m_toggleForecastButton; }
    QToolButton* toggleImportantButton() const { return m_toggleImportantButton; }
    NSStandardWindowButton* closeButton() const { return m_closeButton; }
    NSStandardWindowButton* miniaturizeButton() const { return m_miniaturizeButton; }
    NSStandardWindowButton* zoomButton() const { return m_zoomButton; }
    QMenu* sidebarMenu(); // the sidebar's context menu

    // Window, frame and style.
    TCardTheme* theme() const;
    bool isDarkStyle() const;
    void updateApperance();
    void updateTheme();
    void updateBottomBar();
    void updateCardApperance(TCard* card) override;
    void toggleBottomBar();
    bool isBottomBarHidden() const;
    void toggleFloating();
    void toggleFullScreen();
    void windowStateChanged();
    void windowDidResignKey();
    void windowWillClose();
    void setDocumentPath(const QString& path) { m_documentPath = path; }
    static qint32 GetFloatingWindowLevel(const TCard* card);

    // Tabs.
    QStringList tabIdentifiers() const;
    TCard* selectedCard() const;
    TCard* cardForUUID(const QString& uuid) const;
    TCardAttachment* attachmentForUUID(const QString& uuid) const;
    bool respondsToTabs() const override { return true; }
    void openCardWithUUID(const QString& uuid) override;
    void removeTab(const QString& uuid) override;
    void closeTab(TCard* card);
    void removeCard(TCard* card) override;
    void insertCard(TCard* card, TCard* parent, qint64 index);
    void nextCard();
    void previousCard();
    bool windowShouldClose() override;
    void performClose() override;
    void alertDidEnd(int returnCode) override;
    void cancelClose() override;
    // Dragged cards: the payload of a card, and the card a payload names (null when it comes from
    // another process, names a card that is gone, or names none).
    static void writeCardToPasteboard(TCard* card, QMimeData* pasteboard);
    static TCard* cardFromPasteboard(const QMimeData* pasteboard);
    // Whether the card may come into this window: never the window's own card or a card holding it.
    bool canReceiveCard(const TCard* card) const;

    // NSItemBarDataSource and NSTabbedBarDelegate.
    qint32 itemBarItemCount(NSItemBar* bar) override;
    NSBarItem* itemBarCreateItemForIndex(NSItemBar* bar, qint32 index) override;
    bool insertObjectForPasteboardItem(NSItemBar* bar, const QMimeData* pasteboard, qint64 index) override;
    void willSelectItem(NSTabbedBar* bar, NSTabbedBarItem* item) override;
    void didSelectItem(NSTabbedBar* bar, NSTabbedBarItem* item) override;
    void itemBarItemsArranged(NSItemBar* bar) override;
    void itemBarItemsChanged(NSItemBar* bar) override;
    void itemDoubleClicked(NSItemBar* bar, NSBarItem* item) override;
    bool acceptDrop(NSItemBar* bar, const NSDraggingInfo& info, NSBarItem* item) override;
    void addDataForItemAtIndex(NSItemBar* bar, NSBarItem* item, qint64 index, QMimeData* pasteboard) override;
    void draggingItemWillBeginAtPoint(NSItemBar* bar, NSBarItem* item, NSDraggingSession* session,
                                      const QPointF& point) override;
    bool draggingItemEndedAtPoint(NSItemBar* bar, NSBarItem* item, NSDraggingSession* session,
                                  const QPointF& point, quint64 operation) override;
    // A drag that started in this window (a tab or a sidebar row) begins and ends. While one runs,
    // the window's own card may leave for another window; the controller and its window then go only
    // once the drag is over, as the drag loop still runs in their widgets.
    void sourceDragBegan() { ++m_sourceDrags; }
    void sourceDragEnded();

    // Sidebar.
    bool isSideBarHidden() const;
    void toggleSideBar();
    void selectCard(TCard* card);
    TCard* clickedCard() const;
    TCard* selectedOrClickedCard() const;
    void setClickedCard(TCard* card) { m_clickedCard = card; }
    void renameCard();
    void sidebarSelectionChanged();
    void sidebarEditingEnded();
    void splitViewDidResizeSubviews();
    void showDatesChanged();
    void reloadSidebar();
    // Takes dropped cards in under parent (null: the window's card) at the row (-1: at the end);
    // rootLevel when the row counts the sidebar's top rows (the window's card first). True when a
    // card moved or was copied.
    bool acceptSidebarDrop(const QMimeData* pasteboard, TCard* parent, qint64 row, bool copy);

    // Commands.
    void newCard(qint32 kind);
    void newTab();
    void duplicate();
    void detachCard();
    void removeSelectedCard();
    void contextualMenuDetach();
    void contextualMenuDuplicate();
    // Refused with a beep for the window's own row (and without a clicked row).
    void contextualMenuRemove();
    // Enables the sidebar menu's items for the clicked row; runs at each opening.
    void validateSidebarMenu();
    void showTasks();
    void showForecast();
    void showImportant();
    bool filtersAvailableForSelectedCard() const;
    // Hands a command to the selected card's content controller; false when it does not take it.
    bool forwardToContent(const QString& action, const QVariant& argument = {});
    // A menu command by its action name ("toggleBottomBar", "moveRowUp", ...): the window's own
    // commands, else the content's. argument: a colour, a theme name, a tag. False when none took it.
    bool performMenuCommand(const QString& action, const QVariant& argument = {});
    // A colour (represented object of a colour menu item) or a theme name; other senders beep.
    void changeBackgroundColor(const QVariant& colour);
    void changeTheme(const QString& themeName);
    bool saveDocument();
    void saveDocumentAs();
    void exportDocumentAs();
    void copyLinkAddress();
    void makeSelectedCardFirstResponder();
    // The preview shows what the selected card's content offers.
    bool acceptsPreviewPanelControl() override { return true; }
    void beginPreviewPanelControl(QuickLookPreview* panel) override;
    void prepareForEntry(bool rename);
    bool validateMenuItem(MenuItemState& item);
    void updateContentView();
    TCardContentViewController* contentControllerFor(TCard* card);
    // The direction of the last content switch: 0 none (no transition), 1 from the right, -1 from
    // the left, 2 a fade.
    int lastTransition() const { return m_lastTransition; }
    // The push of the content running now, null when none.
    QVariantAnimation* contentTransition() const { return m_contentTransition; }

protected:
    void screensAppeared() override;

private:
    friend class CardListModel;
    void buildWindow();
    void setUp();
    void restoreFrame();
    void reloadTabs();
    void removeTabAndRepair(const QString& uuid, bool always);
    void selectIndexAfterRemoval(qint64 previousIndex);
    // Deletes the content and row controllers this window made for the card and its descendants.
    void forgetControllers(TCard* card);
    void takeOutAttachmentRow(TCard* card);
    // Adds a card just made (its reference passes to the window's card), opens it and starts renaming it.
    void addAndOpenNewCard(TCard* made);
    void startContentTransition(QWidget* outgoing, QWidget* incoming, int direction);
    void finishContentTransition();
    static void retireContentView(QWidget* view);
    void removeSelectedCardAlertDidEnd(TCard* card, int returnCode);
    void setButtonStates(bool list, bool forecast, bool important);
    // Runs the save panel; true when it ended with OK and the window and the card are still there
    // (selected is looked up again by its uuid).
    bool runSavePanel(SavePanel& panel, TCard*& selected);

    TCardSplitView* m_splitView = nullptr;
    CardThemedView* m_contentView = nullptr;
    CardThemedView* m_cardContainer = nullptr;
    CardThemedView* m_sideBarContainer = nullptr;
    CardSidebarView* m_outlineView = nullptr;
    CardListModel* m_listModel = nullptr;
    NSTabbedBar* m_tabBar = nullptr;
    QToolButton* m_addCardButton = nullptr;
    QToolButton* m_removeCardButton = nullptr;
    NSStandardWindowButton* m_closeButton = nullptr;
    NSStandardWindowButton* m_miniaturizeButton = nullptr;
    NSStandardWindowButton* m_zoomButton = nullptr;
    QWidget* m_bottomView = nullptr;
    QToolButton* m_toggleSideBarButton = nullptr;
    QToolButton* m_toggleListButton = nullptr;
    QToolButton* m_toggleForecastButton = nullptr;
    QToolButton* m_toggleImportantButton = nullptr;
    QMenu* m_sidebarMenu = nullptr;
    bool m_closeAllTabs = false;
    bool m_performingClose = false;
    QString m_documentPath;
    bool m_ignoreSelectionChanged = false;
    qint64 m_previousSelectionIndex = -1;
    bool m_restoreSideBar = false;
    bool m_selectedCardFirstTime = false;
    TCard* m_previouslySelectedCard = nullptr; // not retained; compared only
    TCard* m_clickedCard = nullptr;            // not retained; valid while the context menu runs
    int m_lastTransition = 0;
    bool m_fullScreen = false;
    QPointer<QVariantAnimation> m_contentTransition;
    int m_sourceDrags = 0;
    bool m_retireAfterDrag = false;
    QList<QPointer<TCardContentViewController>> m_contentControllers;
    QList<CardRowController*> m_rowControllers; // owned
    friend class CardRowController;
};
