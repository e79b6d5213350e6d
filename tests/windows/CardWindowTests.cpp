#include "model/Card.h"
#include "model/CardItems.h"
#include "model/Memoleaf.h"
#include "model/ModelObject.h"
#include "model/Preferences.h"
#include "model/SheetManager.h"
#include "model/Task.h"
#include "model/Themes.h"
#include "platform/AlertPresenter.h"
#include "platform/AutoreleasePool.h"
#include "platform/Diagnostics.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "toolkit/NSBarItem.h"
#include "toolkit/NSDraggingSession.h"
#include "toolkit/ScreenProvider.h"
#include "windows/CardFrame.h"
#include "windows/CardSidebar.h"
#include "windows/CardSplitView.h"
#include "windows/CardTabs.h"
#include "windows/CardThemedView.h"
#include "windows/CardWindow.h"
#include "windows/CardWindowController.h"
#include "windows/Compositor.h"
#include "windows/SavePanelPresenter.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(CardFrame, StoredFramesFlipAgainstTheMainScreen) {
    const QRectF main(0, 0, 1440, 900);
    struct Case {
        QRectF stored;
        QRectF qt;
    } const cases[] = {
        {{0, 0, 400, 300}, {0, 600, 400, 300}},
        {{100, 500, 200, 100}, {100, 300, 200, 100}},
        {{1500, 100, 400, 300}, {1500, 500, 400, 300}}, // a second screen to the right
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CardFrame::toQt(c.stored, main), c.qt) << c.stored.x() << "," << c.stored.y();
        EXPECT_EQ(CardFrame::fromQt(c.qt, main), c.stored) << c.stored.x() << "," << c.stored.y();
    }
}

TEST(CardFrame, ScreenRelativeFramesCountFromTheScreensOwnOrigin) {
    const QRectF second(1440, 0, 1920, 1080);
    const QRectF frame(1920, 270, 400, 300);
    const QRectF relative = CardFrame::screenRelative(frame, second);
    EXPECT_DOUBLE_EQ(relative.x(), 0.25);
    EXPECT_DOUBLE_EQ(relative.y(), 0.25);
    EXPECT_EQ(relative.size(), frame.size());
    EXPECT_EQ(CardFrame::fromScreenRelative(relative, second), frame);
    EXPECT_EQ(CardFrame::fromScreenRelative(QRectF(0.25, 0.5, 400, 300), QRectF(0, 0, 1440, 900)),
              QRectF(360, 450, 400, 300));
}

TEST(CardFrame, ScreenRelativeFramesNameTheirScreen) {
    // Stored coordinates: a second screen to the right of the main one, taller and lower.
    const QList<QRectF> screens{QRectF(0, 0, 1440, 900), QRectF(1440, -180, 1920, 1080)};
    struct Case {
        QRectF frame, relative;
    } const cases[] = {
        {{360, 450, 400, 300}, {0.25, 0.5, 400, 300}},         // the main screen as before
        {{-40, 450, 400, 300}, {-40.0 / 1440, 0.5, 400, 300}}, // partly left of the main screen
        {{1920, 90, 400, 300}, {1.25, 0.25, 400, 300}},        // the second screen
        {{1440, -180, 400, 300}, {1.0, 0.0, 400, 300}},        // its origin
    };
    for (const Case& c : cases) {
        const QRectF relative = CardFrame::screenRelative(c.frame, screens);
        EXPECT_NEAR(relative.x(), c.relative.x(), 1e-9) << c.frame.x();
        EXPECT_NEAR(relative.y(), c.relative.y(), 1e-9) << c.frame.x();
        EXPECT_EQ(relative.size(), c.frame.size());
        const QRectF back = CardFrame::fromScreenRelative(relative, screens);
        EXPECT_NEAR(back.x(), c.frame.x(), 1e-6) << c.frame.x();
        EXPECT_NEAR(back.y(), c.frame.y(), 1e-6) << c.frame.x();
    }
    // Without the second screen its frames, and values beyond the screens, read on the main one.
    const QList<QRectF> mainOnly{screens.first()};
    EXPECT_EQ(CardFrame::fromScreenRelative(QRectF(1.25, 0.25, 400, 300), mainOnly),
              QRectF(1800, 225, 400, 300));
    EXPECT_EQ(CardFrame::fromScreenRelative(QRectF(3.5, 0.5, 400, 300), screens),
              QRectF(5040, 450, 400, 300));
}

TEST(CardFrame, SnapRoundsToTheGridWithTiesToEven) {
    struct Case {
        double value, snapped;
    } const cases[] = {{13, 16}, {12, 16}, {20, 16}, {4, 0}, {28, 32}, {0, 0}, {-12, -16}, {17, 16}};
    for (const Case& c : cases) EXPECT_EQ(CardFrame::snap(c.value), c.snapped) << c.value;
}

TEST(CardFrame, FramesOffEveryScreenComeBackOntoOne) {
    const QList<QRectF> screens{QRectF(0, 0, 1440, 900)};
    EXPECT_EQ(CardFrame::placeOnVisibleScreen(QRectF(100, 100, 400, 300), screens),
              QRectF(100, 100, 400, 300));
    const QRectF moved = CardFrame::placeOnVisibleScreen(QRectF(5000, 3000, 400, 300), screens);
    EXPECT_TRUE(QRectF(0, 0, 1440, 900).contains(moved)) << moved.x() << "," << moved.y();
    EXPECT_EQ(CardFrame::constrainOrigin(QRectF(-5, -3, 10, 10)), QRectF(0, 0, 10, 10));
}

TEST(CardSidebar, DropIndicesAtEveryLevel) {
    struct Case {
        bool rootLevel;
        qint64 row, index;
    } const cases[] = {
        {true, 0, -2},                                                 // above the window's own row
        {true, 1, 0},  {true, 2, 1},    {true, -1, -1}, {false, 0, 0}, // the first place under a card
        {false, 2, 2}, {false, -1, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SidebarDropIndex(c.rootLevel, c.row), c.index) << c.rootLevel << " " << c.row;
}

class DraggedSplitView : public TCardSplitView {
public:
    using QSplitter::moveSplitter; // as the divider's drag does
    using TCardSplitView::TCardSplitView;
};

TEST(CardSplitView, TheSidebarStaysWithinItsLimitsOrCollapses) {
    DraggedSplitView split;
    split.addWidget(new QWidget);
    split.addWidget(new QWidget);
    split.resize(600, 300);
    split.show();
    struct Case {
        int dragTo;
        int width;
    };
    // The widest sidebar is 216 less the divider's thickness; below 100 it collapses.
    for (const Case& c :
         {Case{300, 215}, Case{150, 150}, Case{216, 215}, Case{100, 100}, Case{20, 0}, Case{120, 120}}) {
        split.moveSplitter(c.dragTo, 1);
        EXPECT_EQ(split.sliderPosition(), c.width) << c.dragTo;
    }
    for (const Case& c : {Case{500, 215}, Case{60, 100}, Case{180, 180}, Case{0, 0}}) {
        split.setSliderPosition(c.dragTo);
        EXPECT_EQ(split.sliderPosition(), c.width) << c.dragTo;
    }
}

class CardWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterModelClasses();
        UserDefaults::setStandardUserDefaults(&defaults);
        LoadStandardThemes(TCardTheme::StaticClass());
        sheetPath = dir.filePath(QStringLiteral("Test.qxsheet"));
        TSheetManager* manager = TSheetManager::SharedManager();
        manager->SetDelegate(nullptr);
        TSheet* sheet = manager->RegisterSheet(sheetPath);
        manager->Open(sheet);
        card = Ref<TJobslate>::adopt(TJobslate::Create(QStringLiteral("Home")));
        card->SetColor(QColor(200, 40, 40));
        sheet->AddCard(card.get());
    }
    void TearDown() override {
        delete controller;
        scheduler.scheduler.advance(1);
        TSheetManager::SharedManager()->Close();
        TSheetManager::SharedManager()->UnregisterAllSheets();
        UserDefaults::setStandardUserDefaults(nullptr);
    }
    TCard* addChild(const QString& title) {
        TCard* child = TMemoleaf::Create(title);
        card->AddChild(child);
        child->Release();
        card->AddTabIdentifier(child->GetUUID());
        return child;
    }
    TCardWindowController* open() {
        controller = new TCardWindowController(card.get());
        controller->window()->show();
        return controller;
    }

    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath(QStringLiteral("defaults.plist"))};
    ScopedManualScheduler scheduler;
    ScopedScriptedAlertPresenter alerts;
    FixedScreenProvider screens{QRect(0, 0, 1440, 900)};
    Diagnostics::Capture capture;
    QString sheetPath;
    Ref<TJobslate> card;
    TCardWindowController* controller = nullptr;
};

TEST_F(CardWindowTest, ScreenRelativeFrameOpensOnTheScreenAndMovesAreStored) {
    card->SetScreenRelativeFrame(true);
    card->SetFrame(QRectF(0.25, 0.5, 400, 300));
    open();
    EXPECT_EQ(controller->storedFrame(), QRectF(360, 450, 400, 300));
    EXPECT_TRUE(controller->frameDidRestore());
    controller->window()->move(100, 100);
    controller->windowDidMove();
    EXPECT_TRUE(card->IsFrameScreenRelative());
    EXPECT_EQ(card->GetFrame().size(), QSizeF(400, 300));
    EXPECT_DOUBLE_EQ(card->GetFrame().x(), 100.0 / 1440);
}

TEST_F(CardWindowTest, ASecondNewCardIsPlacedBesideTheFirstNotOverIt) {
    open();
    controller->prepareForEntry(false);
    const Ref<TJobslate> second = Ref<TJobslate>::adopt(TJobslate::Create(QStringLiteral("Second")));
    TSheetManager::SharedManager()->GetActiveSheet()->AddCard(second.get());
    auto* other = new TCardWindowController(second.get());
    other->prepareForEntry(false);
    EXPECT_NE(other->window()->pos(), controller->window()->pos());
    const QRect screen = controller->window()->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(other->window()->frameGeometry().topLeft()));
    delete other;
}

TEST_F(CardWindowTest, AResizedWindowSnapsToTheGridOnceTheResizeRests) {
    card->SetFrame(QRectF(96, 96, 400, 304));
    defaults.setBoolForKey(true, kPreferenceKeySnapToGrid);
    open();
    QWidget* window = controller->window();
    EXPECT_EQ(window->sizeIncrement(), QSize(8, 8));
    struct Case {
        QSize resized, snapped;
    };
    for (const Case& c :
         {Case{{333, 251}, {336, 248}}, Case{{420, 300}, {416, 304}}, Case{{432, 304}, {432, 304}}}) {
        const QPoint corner = window->pos();
        window->resize(c.resized);
        controller->windowDidResize();
        scheduler.scheduler.advance(TGenericCardWindowController::kResizeSnapDelay);
        EXPECT_EQ(window->size(), c.snapped) << c.resized.width();
        EXPECT_EQ(window->pos(), corner);
        EXPECT_EQ(card->GetFrame().size(), QSizeF(c.snapped));
    }

    defaults.setBoolForKey(false, kPreferenceKeySnapToGrid);
    EXPECT_EQ(window->sizeIncrement(), QSize(0, 0));
    window->resize(333, 251);
    controller->windowDidResize();
    scheduler.scheduler.advance(1);
    EXPECT_EQ(window->size(), QSize(333, 251));
}

TEST_F(CardWindowTest, TheSidebarDrawsTheThemesTrianglesAndEditsOnAClickOnTheSelectedTitle) {
    Ref<TMemoleaf> grandchild = Ref<TMemoleaf>::adopt(TMemoleaf::Create(QStringLiteral("Grandchild")));
    addChild(QStringLiteral("Child"))->AddChild(grandchild.get());
    open();
    CardSidebarView* sidebar = controller->outlineView();
    ASSERT_NE(card->GetTheme(), nullptr);
    EXPECT_FALSE(sidebar->disclosureImage(false).isNull());
    EXPECT_FALSE(sidebar->disclosureImage(true).isNull());
    EXPECT_EQ(sidebar->palette().color(QPalette::Active, QPalette::Highlight).alpha(), 0);
    EXPECT_TRUE(sidebar->editTriggers().testFlag(QAbstractItemView::SelectedClicked));
    EXPECT_TRUE(sidebar->editTriggers().testFlag(QAbstractItemView::EditKeyPressed));
    EXPECT_FALSE(sidebar->editTriggers().testFlag(QAbstractItemView::DoubleClicked));
}

TEST_F(CardWindowTest, ANewCardNamedInItsSidebarGivesTheWholeWidthBackToItsContent) {
    card->SetFrame(QRectF(100, 100, 400, 300));
    card->SetSplitViewPosition(0);
    controller = new TCardWindowController(card.get());
    controller->prepareForEntry(true);
    scheduler.scheduler.advance(0.1);
    QApplication::processEvents();
    controller->sidebarEditingEnded();
    scheduler.scheduler.advance(0.1);
    QApplication::processEvents();
    EXPECT_EQ(controller->splitView()->sizes().value(0), 0);
    EXPECT_GE(controller->cardContainer()->width(), controller->splitView()->width() - 2);
}

TEST_F(CardWindowTest, AWindowOnASecondScreenComesBackThere) {
    screens.addScreen(QRect(1440, 0, 1920, 1080));
    card->SetFrame(QRectF(100, 100, 400, 300));
    open();
    controller->window()->move(1900, 300);
    controller->windowDidMove();
    ASSERT_TRUE(card->IsFrameScreenRelative());
    EXPECT_GE(card->GetFrame().x(), 1.0);
    const QRectF frame = controller->storedFrame();
    delete controller;
    open();
    EXPECT_EQ(controller->storedFrame(), frame);
    EXPECT_EQ(controller->window()->geometry().topLeft(), QPoint(1900, 300));
    delete controller;
    controller = nullptr;
    // The second screen is gone: the window opens on the main screen.
    FixedScreenProvider mainOnly{QRect(0, 0, 1440, 900)};
    open();
    EXPECT_TRUE(QRect(0, 0, 1440, 900).contains(controller->window()->geometry()))
        << controller->window()->geometry().x() << "," << controller->window()->geometry().y();
}

TEST_F(CardWindowTest, AWindowMadeWithoutAScreenStoresMovesOnceOneAppears) {
    screens.setMainScreen(QRect());
    card->SetScreenRelativeFrame(true);
    card->SetFrame(QRectF(0.25, 0.5, 400, 300));
    open();
    EXPECT_FALSE(controller->frameDidRestore());
    EXPECT_EQ(capture.count(QStringLiteral("no screen available to restore frame")), 1);
    controller->windowDidMove();
    EXPECT_EQ(card->GetFrame(), QRectF(0.25, 0.5, 400, 300));
    screens.setMainScreen(QRect(0, 0, 1440, 900));
    EXPECT_TRUE(controller->frameDidRestore());
    EXPECT_EQ(controller->storedFrame(), QRectF(360, 450, 400, 300));
    controller->window()->move(100, 100);
    controller->windowDidMove();
    EXPECT_DOUBLE_EQ(card->GetFrame().x(), 100.0 / 1440);
}

TEST_F(CardWindowTest, OldScreenRelativeValuesOpenOnAVisibleScreen) {
    card->SetScreenRelativeFrame(true);
    card->SetFrame(QRectF(1.6, -0.4, 400, 300)); // global x over the width of a second screen
    open();
    EXPECT_TRUE(QRect(0, 0, 1440, 900).contains(controller->window()->geometry()))
        << controller->window()->geometry().x() << "," << controller->window()->geometry().y();
}

TEST_F(CardWindowTest, WindowIsPaintedWithTheThemeAndTheCardColour) {
    card->SetFrame(QRectF(100, 100, 400, 300));
    open();
    const QImage image = controller->window()->grab().toImage();
    ASSERT_FALSE(image.isNull());
    // The bottom-right corner lies in the background part, inside the rounded shape.
    const QColor pixel = image.pixelColor(image.width() - 12, image.height() - 8);
    EXPECT_GT(pixel.red(), 150) << pixel.name().toStdString();
    EXPECT_LT(pixel.green(), 90) << pixel.name().toStdString();
}

TEST_F(CardWindowTest, CloseWithSeveralTabsRemovesOnlyTheSelectedOtherCard) {
    TCard* first = addChild(QStringLiteral("One"));
    TCard* second = addChild(QStringLiteral("Two"));
    card->SetSelectedTabIdentifier(first->GetUUID());
    open();
    ASSERT_EQ(controller->tabBar()->count(), 3);
    EXPECT_EQ(controller->selectedCard(), first);
    EXPECT_FALSE(controller->windowShouldClose());
    EXPECT_TRUE(alerts.questions().empty());
    EXPECT_EQ(card->GetTabIdentifiers(), (QStringList{card->GetUUID(), second->GetUUID()}));
    EXPECT_EQ(controller->selectedCard(), card.get());
    EXPECT_EQ(card->ChildCount(), 2); // the card stays in the tree
    // With the window's own card selected, closing asks to delete.
    alerts.setNextAnswer(NSAlertSecondButtonReturn);
    EXPECT_FALSE(controller->windowShouldClose());
    ASSERT_EQ(alerts.questions().size(), 1u);
    EXPECT_EQ(alerts.questions()[0].alert.messageText, QStringLiteral("Delete the card \"Home\"?"));
    EXPECT_EQ(TSheetManager::SharedManager()->GetActiveSheet()->GetCards()->Count(), 1);
}

TEST_F(CardWindowTest, TheMenusCloseTakesTheSelectedTabWhereTheCloseButtonAsksForTheWholeCard) {
    TCard* first = addChild(QStringLiteral("One"));
    card->SetSelectedTabIdentifier(first->GetUUID());
    open();
    // The menu's Close (its key too) closes only the selected tab, without a question.
    EXPECT_TRUE(controller->performMenuCommand(QStringLiteral("performClose")));
    EXPECT_TRUE(alerts.questions().empty());
    EXPECT_EQ(card->GetTabIdentifiers(), QStringList{card->GetUUID()});
    EXPECT_EQ(controller->selectedCard(), card.get());
    // With the window's own card selected it asks to delete the card, as the close button always does.
    alerts.setNextAnswer(NSAlertSecondButtonReturn);
    controller->performMenuCommand(QStringLiteral("performClose"));
    ASSERT_EQ(alerts.questions().size(), 1u);
    EXPECT_EQ(alerts.questions()[0].alert.messageText, QStringLiteral("Delete the card \"Home\"?"));
    EXPECT_EQ(TSheetManager::SharedManager()->GetActiveSheet()->GetCards()->Count(), 1);
}

TEST_F(CardWindowTest, NextAndPreviousWrapAround) {
    addChild(QStringLiteral("One"));
    addChild(QStringLiteral("Two"));
    open();
    NSTabbedBar* bar = controller->tabBar();
    bar->selectItemAtIndex(2);
    controller->nextCard();
    EXPECT_EQ(bar->indexOfSelectedItem(), 0);
    controller->previousCard();
    EXPECT_EQ(bar->indexOfSelectedItem(), 2);
    controller->previousCard();
    EXPECT_EQ(bar->indexOfSelectedItem(), 1);
}

TEST_F(CardWindowTest, TabChangesPushTheContentSidewaysWhereACompositorRuns) {
    TCard* one = addChild(QStringLiteral("One"));
    TCard* two = addChild(QStringLiteral("Two"));
    defaults.setBoolForKey(true, kPreferenceKeyAnimateCardTransitions);
    card->SetFrame(QRectF(100, 100, 400, 300));
    open();
    NSTabbedBar* bar = controller->tabBar();
    QWidget* container = controller->cardContainer();
    QWidget* home = controller->contentControllerFor(card.get())->view();
    QWidget* last = controller->contentControllerFor(two)->view();

    // No compositor: the content changes at once (from the first tab to the last: from the left).
    bar->selectItemAtIndex(2);
    EXPECT_EQ(controller->lastTransition(), -1);
    EXPECT_EQ(controller->contentTransition(), nullptr);
    EXPECT_EQ(last->parentWidget(), container);
    EXPECT_EQ(home->parentWidget(), nullptr);

    Compositor::setForced(true);
    struct Step {
        qint64 index;
        TCard* card;
        int direction;
    } const steps[] = {{0, card.get(), 1}, {1, one, 1}, {0, card.get(), -1}, {2, two, -1}};
    for (const Step& step : steps) {
        QWidget* outgoing = controller->contentControllerFor(controller->selectedCard())->view();
        bar->selectItemAtIndex(step.index);
        QWidget* incoming = controller->contentControllerFor(step.card)->view();
        ASSERT_NE(controller->contentTransition(), nullptr) << step.index;
        EXPECT_EQ(controller->lastTransition(), step.direction) << step.index;
        // The new view starts beside the old one, on the side it comes from.
        EXPECT_EQ(incoming->x(), step.direction * container->width()) << step.index;
        EXPECT_EQ(outgoing->parentWidget(), container);
        controller->contentTransition()->setCurrentTime(controller->contentTransition()->duration());
        EXPECT_EQ(controller->contentTransition(), nullptr);
        EXPECT_EQ(incoming->geometry(), container->rect()) << step.index;
        EXPECT_EQ(outgoing->parentWidget(), nullptr) << step.index;
    }
    // A switch while a push runs finishes it first: one view stays.
    bar->selectItemAtIndex(1);
    bar->selectItemAtIndex(2);
    controller->contentTransition()->setCurrentTime(controller->contentTransition()->duration());
    EXPECT_EQ(container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(), 1);
    EXPECT_EQ(last->parentWidget(), container);
    Compositor::clearForced();
}

TEST_F(CardWindowTest, ANarrowWindowShowsItsTabFromTheStartAndFoldsOnlyATabTooLongForIt) {
    struct Case {
        QString title;
        bool fits;
    } const cases[] = {{QStringLiteral("Weekly shop"), true},
                       {QStringLiteral("Everything for the weekly shop and more"), false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title.toStdString());
        card->SetTitle(c.title);
        card->SetFrame(QRectF(100, 100, 280, 300));
        open();
        NSTabbedBar* bar = controller->tabBar();
        ASSERT_EQ(bar->count(), 1);
        NSBarItem* tab = bar->items().at(0);
        // Wider than the bar before the window took its size; fitting the bar at 280, or not.
        EXPECT_GT(tab->width(), 100);
        ASSERT_EQ(tab->width() <= bar->width(), c.fits) << tab->width() << " in " << bar->width();
        EXPECT_EQ(tab->isClipped(), !c.fits);
        EXPECT_EQ(tab->isHidden(), !c.fits);
        EXPECT_EQ(bar->overflowButton() && !bar->overflowButton()->isHidden(), !c.fits);
        delete controller;
        controller = nullptr;
    }
}

TEST_F(CardWindowTest, TabsThatNoLongerResolveAreSkippedAndKept) {
    card->AddTabIdentifier(QStringLiteral("GONE"));
    open();
    EXPECT_EQ(controller->tabBar()->count(), 1);
    EXPECT_TRUE(card->GetTabIdentifiers().contains(QStringLiteral("GONE")));
    EXPECT_EQ(capture.count(QStringLiteral("Warning: no associated card found for tab #1")), 1);
}

TEST_F(CardWindowTest, OpeningALinkAppendsATabOnlyOnce) {
    TCard* child = TMemoleaf::Create(QStringLiteral("Child"));
    card->AddChild(child);
    child->Release();
    open();
    controller->openCardWithUUID(child->GetUUID());
    controller->openCardWithUUID(child->GetUUID());
    EXPECT_EQ(card->GetTabIdentifiers(), (QStringList{card->GetUUID(), child->GetUUID()}));
    EXPECT_EQ(controller->selectedCard(), child);
}

TEST_F(CardWindowTest, MenuValidation) {
    TCard* child = addChild(QStringLiteral("One"));
    card->SetDefaultItem(2);
    open();
    struct Case {
        const char* action;
        bool answer;
        bool checked;
        const char* title;
    } const cases[] = {
        {"nextCard", true, false, ""},
        {"toggleFloating", true, false, ""},
        {"showTasks", true, true, ""},
        {"showForecast", true, false, ""},
        {"removeSelectedCard", false, false, ""}, // the window's own card is selected
        {"detachCard", false, false, ""},
        {"contextualMenuDuplicate", false, false, ""},
        {"toggleBottomBar", true, false, "Show Bottom Bar"}, // new cards start without it
        {"toggleSideBar", true, false, "Show Side Bar"},
    };
    for (const Case& c : cases) {
        MenuItemState item{QString::fromLatin1(c.action), false, QString(), QVariant()};
        EXPECT_EQ(controller->validateMenuItem(item), c.answer) << c.action;
        EXPECT_EQ(item.checked, c.checked) << c.action;
        if (*c.title) {
            EXPECT_EQ(item.title, QString::fromLatin1(c.title)) << c.action;
        }
    }
    controller->openCardWithUUID(child->GetUUID());
    MenuItemState remove{QStringLiteral("removeSelectedCard"), false, QString(), QVariant()};
    EXPECT_TRUE(controller->validateMenuItem(remove));
    MenuItemState filters{QStringLiteral("showTasks"), false, QString(), QVariant()};
    EXPECT_FALSE(controller->validateMenuItem(filters)); // a rich-text card has no filters
}

TEST_F(CardWindowTest, TheSidebarMenuNeverRemovesTheWindowsOwnCard) {
    TCard* child = addChild(QStringLiteral("One"));
    open();
    QMenu* menu = controller->sidebarMenu();
    const auto enabled = [menu](const char* title) {
        for (QAction* action : menu->actions())
            if (action->text() == QLatin1String(title)) return action->isEnabled();
        ADD_FAILURE() << "no item " << title;
        return false;
    };
    struct Case {
        const char* row;
        TCard* clicked;
        bool detach, duplicate, remove;
    } const cases[] = {
        {"own row", card.get(), false, true, false},
        {"a tab's row", child, true, true, true},
        {"no row", nullptr, false, false, false},
    };
    for (const Case& c : cases) {
        controller->setClickedCard(c.clicked);
        emit menu->aboutToShow();
        EXPECT_TRUE(enabled("Add List Card")) << c.row;
        EXPECT_EQ(enabled("Detach"), c.detach) << c.row;
        EXPECT_EQ(enabled("Duplicate"), c.duplicate) << c.row;
        EXPECT_EQ(enabled("Remove..."), c.remove) << c.row;
    }

    // Reached anyway on the own row: nothing is asked, the card and its window stay.
    controller->setClickedCard(card.get());
    controller->contextualMenuRemove();
    controller->setClickedCard(nullptr);
    EXPECT_TRUE(alerts.questions().empty());
    EXPECT_TRUE(controller->window()->isVisible());
    EXPECT_TRUE(TSheetManager::SharedManager()->GetActiveSheet()->GetCards()->ContainsValue(
        static_cast<const void*>(card.get())));
    EXPECT_EQ(card->ChildCount(), 1);
}

TEST_F(CardWindowTest, AWindowClosedWhileItsSidebarMenuIsOpenIsNotTouchedAfterwards) {
    open();
    // WHEN the window goes while its sidebar's context menu is open (its sheet closed meanwhile)
    QTimer::singleShot(0, [this] {
        delete controller;
        controller = nullptr;
        if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    });
    TCardWindowController* shown = controller;
    emit shown->outlineView()->customContextMenuRequested(QPoint(4, 4));
    // THEN the menu's end touches nothing of it
    EXPECT_EQ(controller, nullptr);
}

TEST_F(CardWindowTest, SaveFailureKeepsTheModifiedFlags) {
    open();
    card->SetTitle(QStringLiteral("Renamed"));
    ASSERT_TRUE(card->IsModified());
    QDir(sheetPath).removeRecursively();
    QFile blocker(sheetPath);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the folder was
    blocker.close();
    EXPECT_FALSE(controller->saveDocument());
    EXPECT_TRUE(card->IsModified());
    EXPECT_FALSE(alerts.questions().empty());
    QFile::remove(sheetPath);
    QDir().mkpath(sheetPath);
    EXPECT_TRUE(controller->saveDocument());
    EXPECT_FALSE(card->IsModified());
}

TEST_F(CardWindowTest, ForeignOrOwnCardsAreRefusedAsDrops) {
    TCard* child = addChild(QStringLiteral("One"));
    open();
    QMimeData own;
    TCardWindowController::writeCardToPasteboard(card.get(), &own);
    EXPECT_FALSE(controller->acceptSidebarDrop(&own, nullptr, -1, false));
    QMimeData intoItself;
    TCardWindowController::writeCardToPasteboard(child, &intoItself);
    EXPECT_FALSE(controller->acceptSidebarDrop(&intoItself, child, -1, false));
    QMimeData foreign;
    foreign.setData(QStringLiteral("TCard.wrapper"), QByteArray("not a payload"));
    EXPECT_FALSE(controller->acceptSidebarDrop(&foreign, nullptr, -1, false));
    EXPECT_EQ(card->ChildCount(), 1);
}

TEST_F(CardWindowTest, DamagedFramesOpenOnTheScreen) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        QRectF frame;
        bool relative;
    } const cases[] = {
        {{nan, 100, 400, 300}, false}, {{100, 100, inf, 300}, false},   {{100, 1e300, 400, 300}, false},
        {{100, 100, 0, 300}, false},   {{100, 100, 1e12, 1e12}, false}, {{1e300, 0.5, 400, 300}, true},
        {{0.2, nan, 400, 300}, true},
    };
    for (const Case& c : cases) {
        card->SetScreenRelativeFrame(c.relative);
        card->SetFrame(c.frame);
        open();
        const QRect geometry = controller->window()->geometry();
        EXPECT_TRUE(QRect(0, 0, 1440, 900).contains(geometry))
            << c.frame.x() << "," << c.frame.y() << " " << c.frame.width() << "x" << c.frame.height()
            << " -> " << geometry.x() << "," << geometry.y() << " " << geometry.width() << "x"
            << geometry.height();
        delete controller;
        controller = nullptr;
    }
}

TEST_F(CardWindowTest, ExportNeverWritesIntoWhatCouldNotBeTrashed) {
    TCard* child = addChild(QStringLiteral("Notes"));
    RecordingWorkspace workspace;
    workspace.trashResult = false;
    Workspace::setShared(&workspace);
    ScriptedSavePanelPresenter panels;
    const QString target = dir.filePath(QStringLiteral("Old.rtfd"));
    ASSERT_TRUE(QDir().mkpath(target));
    QFile old(QDir(target).filePath(QStringLiteral("TXT.rtf")));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("{\\rtf1 earlier}");
    old.close();
    open();
    controller->openCardWithUUID(child->GetUUID());
    panels.setNextChoice(target);
    controller->exportDocumentAs();
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("{\\rtf1 earlier}"));
    EXPECT_EQ(alerts.questions().size(), 1u);
    // A new place is written.
    const QString fresh = dir.filePath(QStringLiteral("New.rtfd"));
    panels.setNextChoice(fresh);
    controller->exportDocumentAs();
    EXPECT_TRUE(QFileInfo::exists(QDir(fresh).filePath(QStringLiteral("TXT.rtf"))));
    Workspace::setShared(nullptr);
}

TEST_F(CardWindowTest, SaveAsWritesACopyAndReportsFailures) {
    ScriptedSavePanelPresenter panels;
    open();
    const QString path = dir.filePath(QStringLiteral("Copy.qxcard"));
    panels.setNextChoice(path);
    controller->saveDocumentAs();
    ASSERT_EQ(panels.panels().size(), 1u);
    EXPECT_EQ(panels.panels()[0].nameFieldStringValue, QStringLiteral("Home.qxcard"));
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_TRUE(alerts.questions().empty());
    panels.setNextChoice(dir.filePath(QStringLiteral("missing/folder/Copy.qxcard")));
    controller->saveDocumentAs();
    ASSERT_EQ(alerts.questions().size(), 1u);
    EXPECT_EQ(alerts.questions()[0].alert.messageText,
              QStringLiteral("There was an error -1 saving the card file."));
}

TEST_F(CardWindowTest, DetachAndRemoveTakeTheCardOutOfTheWindow) {
    TCard* detached = addChild(QStringLiteral("One"));
    TCard* removed = addChild(QStringLiteral("Two"));
    open();
    controller->openCardWithUUID(detached->GetUUID());
    controller->detachCard();
    EXPECT_FALSE(card->ContainsCard(detached));
    EXPECT_EQ(TSheetManager::SharedManager()->GetActiveSheet()->GetCards()->Count(), 2);
    EXPECT_EQ(card->GetTabIdentifiers(), (QStringList{card->GetUUID(), removed->GetUUID()}));
    controller->openCardWithUUID(removed->GetUUID());
    alerts.setNextAnswer(NSAlertFirstButtonReturn);
    controller->removeSelectedCard();
    ASSERT_EQ(alerts.questions().size(), 1u);
    EXPECT_EQ(alerts.questions()[0].alert.messageText, QStringLiteral("Remove the card \"Two\"?"));
    EXPECT_EQ(card->ChildCount(), 0);
    EXPECT_EQ(card->GetTabIdentifiers(), QStringList{card->GetUUID()});
    EXPECT_EQ(controller->selectedCard(), card.get());
    // The window's own card asks to delete the card, as the Close command does.
    alerts.setNextAnswer(NSAlertSecondButtonReturn);
    controller->removeSelectedCard();
    ASSERT_EQ(alerts.questions().size(), 2u);
    EXPECT_EQ(alerts.questions()[1].alert.messageText, QStringLiteral("Delete the card \"Home\"?"));
    EXPECT_EQ(TSheetManager::SharedManager()->GetActiveSheet()->GetCards()->Count(), 2);
}

TEST_F(CardWindowTest, TabDroppedAtIndexOneBecomesTheSecondTabAndChild) {
    Ref<TJobslate> other = Ref<TJobslate>::adopt(TJobslate::Create(QStringLiteral("Other")));
    TSheetManager::SharedManager()->GetActiveSheet()->AddCard(other.get());
    TCard* moved = TMemoleaf::Create(QStringLiteral("Moved"));
    other->AddChild(moved);
    moved->Release();
    other->AddTabIdentifier(moved->GetUUID());
    auto* otherController = new TCardWindowController(other.get());
    TCard* first = addChild(QStringLiteral("One"));
    open();
    QMimeData data;
    TCardWindowController::writeCardToPasteboard(moved, &data);
    EXPECT_TRUE(controller->insertObjectForPasteboardItem(controller->tabBar(), &data, 1));
    EXPECT_EQ(card->GetTabIdentifiers(), (QStringList{card->GetUUID(), moved->GetUUID(), first->GetUUID()}));
    ASSERT_EQ(card->ChildCount(), 2);
    EXPECT_EQ(card->GetChild(1), moved);
    EXPECT_EQ(other->ChildCount(), 0);
    EXPECT_EQ(other->GetTabIdentifiers(), QStringList{other->GetUUID()});
    controller->tabBar()->reloadData(); // the bar takes the new tab in
    scheduler.scheduler.advance(0);
    EXPECT_EQ(controller->selectedCard(), moved);
    delete otherController;
}

TEST_F(CardWindowTest, SidebarDropsThroughTheListModel) {
    TCard* first = addChild(QStringLiteral("One"));
    TCard* second = addChild(QStringLiteral("Two"));
    open();
    CardListModel* model = controller->listModel();
    QMimeData data;
    TCardWindowController::writeCardToPasteboard(first, &data);
    // Below the last root row: the end of the window's card.
    EXPECT_TRUE(model->dropMimeData(&data, Qt::MoveAction, 3, 0, QModelIndex()));
    EXPECT_EQ(card->GetChild(0), second);
    EXPECT_EQ(card->GetChild(1), first);
    // The first place under a card.
    EXPECT_TRUE(model->dropMimeData(&data, Qt::MoveAction, 0, 0, model->indexOfCard(second)));
    EXPECT_EQ(first->GetParent(), second);
    // Never into the card itself or its own descendants.
    QMimeData parentData;
    TCardWindowController::writeCardToPasteboard(second, &parentData);
    EXPECT_FALSE(model->dropMimeData(&parentData, Qt::MoveAction, 0, 0, model->indexOfCard(first)));
    EXPECT_FALSE(model->dropMimeData(&parentData, Qt::MoveAction, 0, 0, model->indexOfCard(second)));
    EXPECT_EQ(second->GetParent(), card.get());
}

TEST_F(CardWindowTest, ABurstOfChangesGivesOneCapture) {
    open();
    scheduler.scheduler.advance(1); // what opening scheduled
    controller->setUINeedsDisplay();
    scheduler.scheduler.advance(0.5);
    controller->setUINeedsDisplay();
    scheduler.scheduler.advance(0.9);
    EXPECT_TRUE(controller->uiNeedsDisplay());
    EXPECT_EQ(scheduler.scheduler.pendingCount(), 1);
    scheduler.scheduler.advance(0.2);
    EXPECT_FALSE(controller->uiNeedsDisplay());
    EXPECT_FALSE(card->GetPreviewImage().isNull());
}

// A save panel during whose event loop something else happens.
class BusySavePanels : public ScriptedSavePanelPresenter {
public:
    int runModal(SavePanel& panel, QObject* window) override {
        if (during) during();
        return ScriptedSavePanelPresenter::runModal(panel, window);
    }
    std::function<void()> during;
};

TEST_F(CardWindowTest, SaveAsAndExportStopWhenTheWindowWentDuringThePanel) {
    for (const bool exporting : {false, true}) {
        TCard* child = addChild(QStringLiteral("Notes"));
        BusySavePanels panels;
        open();
        controller->openCardWithUUID(child->GetUUID());
        panels.during = [&] {
            delete controller;
            controller = nullptr;
            card->RemoveChild(child); // the last reference
        };
        const QString path =
            dir.filePath(exporting ? QStringLiteral("Gone.rtfd") : QStringLiteral("Gone.qxcard"));
        panels.setNextChoice(path);
        TCardWindowController* running = controller;
        if (exporting)
            running->exportDocumentAs();
        else
            running->saveDocumentAs();
        EXPECT_FALSE(QFileInfo::exists(path)) << exporting;
        EXPECT_TRUE(alerts.questions().empty());
    }
}

TEST_F(CardWindowTest, AnotherWindowsOwnCardDroppedInIsShownByThisWindow) {
    Ref<TJobslate> other = Ref<TJobslate>::adopt(TJobslate::Create(QStringLiteral("Other")));
    TSheetManager::SharedManager()->GetActiveSheet()->AddCard(other.get());
    auto* otherController = new TCardWindowController(other.get());
    open();
    QMimeData data;
    TCardWindowController::writeCardToPasteboard(other.get(), &data);
    EXPECT_TRUE(controller->acceptSidebarDrop(&data, nullptr, -1, false));
    EXPECT_EQ(other->GetParent(), card.get());
    delete otherController;
    EXPECT_EQ(other->GetWindowController(), static_cast<TCardControllerProtocol*>(controller));
    controller->openCardWithUUID(other->GetUUID());
    EXPECT_EQ(controller->selectedCard(), other.get());
    EXPECT_EQ(controller->contentControllerFor(other.get())->owner(),
              static_cast<TCardControllerProtocol*>(controller));
}

TEST_F(CardWindowTest, AWindowWhoseOwnCardIsDraggedAwayGoesOnlyAfterTheDrag) {
    RecordingDraggingSession session;
    Ref<TJobslate> other = Ref<TJobslate>::adopt(TJobslate::Create(QStringLiteral("Other")));
    auto* otherController = new TCardWindowController(other.get());
    TSheetManager::SharedManager()->AddCard(otherController);
    QPointer<QObject> alive(otherController);
    QPointer<QWidget> otherWindow(otherController->window());
    open();
    ASSERT_EQ(otherController->tabBar()->count(), 1);
    NSBarItem* tab = otherController->tabBar()->items().at(0);
    tab->draggingSessionWillBegin(QPointF(10, 10));
    QMimeData data;
    TCardWindowController::writeCardToPasteboard(other.get(), &data);
    // The drop arrives inside the drag loop of the other window, whose timers still run.
    ASSERT_TRUE(controller->insertObjectForPasteboardItem(controller->tabBar(), &data, 1));
    scheduler.scheduler.advance(0);
    EXPECT_TRUE(alive);
    EXPECT_TRUE(otherWindow);
    EXPECT_FALSE(TSheetManager::SharedManager()->GetControllers().contains(otherController));
    tab->draggingSessionEnded(QPointF(500, 10), NSDragOperationMove);
    EXPECT_TRUE(alive);
    scheduler.scheduler.advance(0);
    EXPECT_FALSE(alive);
    EXPECT_FALSE(otherWindow);
    EXPECT_EQ(other->GetParent(), card.get());
}

TEST_F(CardWindowTest, TheTabOfAnEmbeddedCardOutlivesItsRow) {
    TCard* embedded = TMemoleaf::Create(QStringLiteral("Embedded"));
    TCardAttachment* row = TCardAttachment::Create(embedded);
    embedded->SetAttachedParent(row);
    embedded->Release();
    card->GetRoot()->AddChild(row);
    row->Release();
    const QString uuid = embedded->GetUUID();
    card->AddTabIdentifier(uuid);
    {
        AutoreleasePool pool;
        open();
        ASSERT_EQ(controller->tabBar()->count(), 2);
        row->RemoveFromParent(); // the outline deletes the row, the last holder of the card
    }
    ASSERT_EQ(controller->tabBar()->items().size(), 2);
    TCard* tabCard = CardTabs::cardOfTab(controller->tabBar()->items().at(1));
    ASSERT_NE(tabCard, nullptr);
    EXPECT_EQ(tabCard->GetUUID(), uuid);
    controller->closeTab(tabCard);
    EXPECT_EQ(card->GetTabIdentifiers(), QStringList{card->GetUUID()});
}

} // namespace
