#include "model/Card.h"
#include "model/Memoleaf.h"
#include "model/ModelObject.h"
#include "model/Preferences.h"
#include "model/SheetManager.h"
#include "model/Task.h"
#include "model/Themes.h"
#include "platform/AlertPresenter.h"
#include "platform/Diagnostics.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "toolkit/NSBarItem.h"
#include "toolkit/NSDraggingSession.h"
#include "toolkit/NSSlideWindowController.h"
#include "toolkit/ScreenProvider.h"
#include "windows/CardMinimising.h"
#include "windows/CardWindow.h"
#include "windows/CardWindowController.h"
#include "windows/Compositor.h"
#include "windows/DockWindowController.h"

#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Makes card windows for the sheet manager, or refuses to; like the program's, never for a
// miniaturised card.
class WindowMaker : public TSheetManagerDelegate {
public:
    TCardControllerProtocol* makeControllerForCard(TCard* card) override {
        return refuse || card->IsMiniaturized() ? nullptr : new TCardWindowController(card);
    }
    bool removeController(TCardControllerProtocol*) override { return true; }
    void activeSheetWillChange(TSheet*) override {}
    void activeSheetDidChange(TSheet*) override {}
    QImage previewForController(TCardControllerProtocol*, QRectF*) override { return {}; }
    bool refuse = false;
};

TCardTransitionWindow* transitionWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<TCardTransitionWindow*>(widget)) return window;
    return nullptr;
}

class DockTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterModelClasses();
        UserDefaults::setStandardUserDefaults(&defaults);
        LoadStandardThemes(TCardTheme::StaticClass());
        TSheetManager* manager = TSheetManager::SharedManager();
        manager->SetDelegate(&maker);
        sheet = manager->RegisterSheet(dir.filePath(QStringLiteral("Home.qxsheet")));
        manager->Open(sheet);
        dock = TDockController::sharedController();
        dock->setSheet(sheet);
    }
    void TearDown() override {
        TDockController::destroyShared();
        scheduler.scheduler.advance(1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        TSheetManager::SharedManager()->Close();
        TSheetManager::SharedManager()->UnregisterAllSheets();
        TSheetManager::SharedManager()->SetDelegate(nullptr);
        UserDefaults::setStandardUserDefaults(nullptr);
        Compositor::clearForced();
    }
    TCard* addCard(const QString& title, bool minimised) {
        TCard* card = TJobslate::Create(title);
        card->SetFrame(QRectF(100, 100, 300, 200));
        card->SetMiniaturized(minimised);
        sheet->AddCard(card);
        card->Release();
        return card;
    }
    QStringList minimisedTitles() const {
        QStringList titles;
        for (TObject* card : *sheet->GetMiniaturizedCards()) titles << static_cast<TCard*>(card)->GetTitle();
        return titles;
    }
    NSBarItem* tab(qint64 index) const { return dock->itemBar()->itemAtIndex(index); }

    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath(QStringLiteral("defaults.plist"))};
    ScopedManualScheduler scheduler;
    ScopedScriptedAlertPresenter alerts;
    FixedScreenProvider screens{QRect(0, 0, 1440, 900)};
    Diagnostics::Capture capture;
    WindowMaker maker;
    TSheet* sheet = nullptr;
    TDockController* dock = nullptr;
};

TEST(DockTabs, WidthIsTheTitlePlusFortyAtMostOneHundredFifty) {
    EXPECT_EQ(TDockItemViewController::widthForTitle(QString()), 40);
    EXPECT_EQ(TDockItemViewController::widthForTitle(QString(200, QLatin1Char('W'))), 150);
    const int shortWidth = TDockItemViewController::widthForTitle(QStringLiteral("Jobs"));
    EXPECT_GT(shortWidth, 40);
    EXPECT_LT(shortWidth, 150);
}

TEST_F(DockTest, FadesOutWithoutMiniaturisedCardsAndInWithTheFirst) {
    EXPECT_FALSE(dock->window()->isVisible());
    addCard(QStringLiteral("Plans"), true);
    dock->reload();
    EXPECT_TRUE(dock->window()->isVisible());
    ASSERT_EQ(dock->itemBar()->count(), 1);
    auto* controller = qobject_cast<TDockItemViewController*>(tab(0)->viewController());
    ASSERT_NE(controller, nullptr);
    EXPECT_EQ(controller->titleField()->text(), QStringLiteral("Plans"));
    EXPECT_EQ(controller->view()->width(), TDockItemViewController::widthForTitle(QStringLiteral("Plans")));
    // The strip lies along the top of the main screen.
    EXPECT_EQ(dock->window()->geometry(), QRect(0, 0, 1440, TDockController::kHeight));
}

TEST_F(DockTest, FadesOnlyWithACompositorAndTheAnimationPreference) {
    Compositor::setForced(true);
    defaults.setBoolForKey(true, kPreferenceKeyDockAnimation);
    addCard(QStringLiteral("Plans"), true);
    dock->reload();
    EXPECT_LT(dock->window()->windowOpacity(), 1.0);
    scheduler.scheduler.advance(TDockController::kFadeDuration * 2);
    EXPECT_TRUE(dock->window()->isVisible());
    EXPECT_DOUBLE_EQ(dock->window()->windowOpacity(), 1.0);

    // In dashboard mode a fade asked without animation shows at once.
    defaults.setBoolForKey(true, kPreferenceKeyDashboardMode);
    dock->fadeOut(false);
    EXPECT_FALSE(dock->window()->isVisible());
}

TEST_F(DockTest, StartsClearOfTheSheetBrowserAtTheLeftEdge) {
    NSSlideWindowController browser;
    browser.window()->setGeometry(0, 100, 233, 600);
    EXPECT_EQ(dock->positionForSheetBrowser(&browser), 0); // not visible
    browser.window()->show();
    struct Case {
        qint32 edge;
        bool autoHide;
        double x;
    } const cases[] = {
        {SlideGeometry::Left, false, 213}, {SlideGeometry::Left, true, 0}, {SlideGeometry::Right, false, 0}};
    for (const Case& c : cases) {
        browser.setSlideEdge(c.edge);
        defaults.setBoolForKey(c.autoHide, kPreferenceKeyAutoHideSheetBrowser);
        EXPECT_EQ(dock->positionForSheetBrowser(&browser), c.x) << c.edge << " " << c.autoHide;
    }
    browser.setSlideEdge(SlideGeometry::Left);
    defaults.setBoolForKey(false, kPreferenceKeyAutoHideSheetBrowser);
    dock->setSheetBrowser(&browser);
    dock->reposition();
    EXPECT_EQ(dock->window()->x(), 213);
    // The dock follows the browser as it moves.
    browser.window()->move(-100, 100);
    QCoreApplication::processEvents();
    EXPECT_EQ(dock->window()->x(), 113);
    dock->setSheetBrowser(nullptr);
}

TEST_F(DockTest, TheStripFitsTheFreeAreaOfTheMainScreen) {
    // A panel takes the top 30 points.
    screens.setMainScreen(QRect(0, 0, 1280, 800), QRect(0, 30, 1280, 770));
    struct Case {
        double start;
        QRect frame;
    } const cases[] = {
        {0, QRect(0, 30, 1280, 22)},
        {208, QRect(208, 30, 1072, 22)},
        {-50, QRect(0, 30, 1280, 22)},   // a browser sliding out past the left edge
        {5000, QRect(1258, 30, 22, 22)}, // never off the right edge
    };
    for (const Case& c : cases) EXPECT_EQ(TDockController::frameForStart(c.start), c.frame) << c.start;

    NSSlideWindowController browser;
    browser.window()->setGeometry(0, 100, 228, 600);
    browser.window()->show();
    dock->setSheetBrowser(&browser);
    addCard(QStringLiteral("Plans"), true);
    dock->reload();
    EXPECT_EQ(dock->window()->geometry(), QRect(208, 30, 1072, 22));
    browser.window()->move(-100, 100);
    QCoreApplication::processEvents();
    EXPECT_EQ(dock->window()->geometry(), QRect(108, 30, 1172, 22));
    dock->setSheetBrowser(nullptr);
}

TEST_F(DockTest, WithoutACompositorOnlyTheTabsShow) {
    Compositor::setForced(false);
    addCard(QStringLiteral("Plans"), true);
    dock->reload();
    EXPECT_EQ(dock->window()->mask(), QRegion(tab(0)->geometry()));
    Compositor::setForced(true);
    dock->reload();
    EXPECT_TRUE(dock->window()->mask().isEmpty());
}

TEST_F(DockTest, AClickOnATabRestoresTheCard) {
    TCard* card = addCard(QStringLiteral("Plans"), true);
    dock->reload();
    ASSERT_EQ(dock->itemBar()->count(), 1);
    QTest::mouseClick(tab(0), Qt::LeftButton, {}, QPoint(10, 5));
    EXPECT_FALSE(card->IsMiniaturized());
    auto* controller =
        dynamic_cast<TCardWindowController*>(TSheetManager::SharedManager()->GetController(card));
    ASSERT_NE(controller, nullptr);
    EXPECT_TRUE(controller->window()->isVisible());
    EXPECT_EQ(dock->itemBar()->count(), 0);
    EXPECT_FALSE(dock->window()->isVisible());
}

TEST_F(DockTest, DraggingATabAlongTheStripReordersTheMiniaturisedCards) {
    addCard(QStringLiteral("a"), true);
    addCard(QStringLiteral("open"), false);
    addCard(QStringLiteral("b"), true);
    addCard(QStringLiteral("c"), true);
    dock->reload();
    ASSERT_EQ(dock->itemBar()->count(), 3);
    struct Case {
        qint64 from, to;
        QStringList order;
    } const cases[] = {
        {0, 2, {"b", "c", "a"}}, // down, past the others
        {2, 0, {"a", "b", "c"}}, // back up to the front
        {0, 1, {"b", "a", "c"}},
    };
    for (const Case& c : cases) {
        dock->willMoveItemToIndex(dock->itemBar(), tab(c.from), c.to);
        EXPECT_EQ(minimisedTitles(), c.order) << c.from << "->" << c.to;
        dock->reload();
    }
}

TEST_F(DockTest, DroppingATabOutsideOpensTheCardWhereItWasLetGo) {
    TCard* card = addCard(QStringLiteral("Plans"), true);
    dock->reload();
    NSBarItem* item = tab(0);
    ASSERT_NE(item, nullptr);
    const QPoint grip = item->mapToGlobal(QPoint(10, 5));
    dock->draggingItemWillBeginAtPoint(dock->itemBar(), item, &NSDraggingSession::shared(), grip);
    EXPECT_EQ(dock->dragOffset(), QPointF(10, 5));

    // A drop inside the strip only reorders: the bar keeps the tab.
    EXPECT_FALSE(dock->draggingItemEndedAtPoint(dock->itemBar(), item, &NSDraggingSession::shared(), grip,
                                                NSDragOperationMove));
    EXPECT_TRUE(card->IsMiniaturized());

    EXPECT_TRUE(dock->draggingItemEndedAtPoint(dock->itemBar(), item, &NSDraggingSession::shared(),
                                               QPointF(600, 400), NSDragOperationNone));
    EXPECT_FALSE(card->IsMiniaturized());
    auto* controller =
        dynamic_cast<TCardWindowController*>(TSheetManager::SharedManager()->GetController(card));
    ASSERT_NE(controller, nullptr);
    EXPECT_EQ(controller->window()->pos(), QPoint(590, 395));
    EXPECT_EQ(dock->itemBar()->count(), 0);
}

TEST_F(DockTest, ADraggedTabOfACardWithADamagedFrameMakesABoundedImage) {
    TCard* card = addCard(QStringLiteral("Plans"), true);
    card->SetFrame(QRectF(0, 0, 1e9, 1e9));
    dock->reload();
    const QImage image = dock->imageForDraggingItem(dock->itemBar(), tab(0));
    EXPECT_LE(image.width(), 4096);
    EXPECT_LE(image.height(), 4096);
}

TEST_F(DockTest, ACardWithoutAWindowStaysInTheDock) {
    TCard* card = addCard(QStringLiteral("Plans"), true);
    dock->reload();
    maker.refuse = true;
    dock->itemDoubleClicked(dock->itemBar(), tab(0));
    EXPECT_TRUE(card->IsMiniaturized());
    EXPECT_EQ(dock->itemBar()->count(), 1);

    maker.refuse = false;
    dock->itemDoubleClicked(dock->itemBar(), tab(0));
    EXPECT_FALSE(card->IsMiniaturized());
    EXPECT_TRUE(card->IsModified());
    EXPECT_EQ(dock->itemBar()->count(), 0);
}

TEST_F(DockTest, ACardMinimisedBeforeItsSheetOpenedIsRestoredAndStaysRestored) {
    // Opening a sheet makes no window for its miniaturised cards: the dock must make one.
    TCard* card = addCard(QStringLiteral("Plans"), true);
    TSheetManager::SharedManager()->Close();
    TSheetManager::SharedManager()->Open(sheet);
    dock->setSheet(sheet);
    ASSERT_EQ(TSheetManager::SharedManager()->GetController(card), nullptr);
    ASSERT_EQ(dock->itemBar()->count(), 1);

    dock->itemDoubleClicked(dock->itemBar(), tab(0));
    EXPECT_FALSE(card->IsMiniaturized());
    EXPECT_NE(TSheetManager::SharedManager()->GetController(card), nullptr);
    EXPECT_EQ(dock->itemBar()->count(), 0);
    // The restored state is saved with the card.
    EXPECT_TRUE(card->IsModified());
}

TEST_F(DockTest, MinimisingFliesASnapshotIntoTheDockAndPutsTheCardLast) {
    TCard* card = addCard(QStringLiteral("Plans"), false);
    addCard(QStringLiteral("Other"), false);
    auto* controller =
        dynamic_cast<TCardWindowController*>(TSheetManager::SharedManager()->Instantiate(card, true));
    ASSERT_NE(controller, nullptr);
    controller->showWindow();
    const QRect slot = dock->frameForProposedDrop();

    controller->cardWindow()->performMiniaturize();

    // The window is ordered out before the flight; the snapshot flies from the window's place.
    EXPECT_FALSE(controller->window()->isVisible());
    TCardTransitionWindow* flight = transitionWindow();
    ASSERT_NE(flight, nullptr);
    EXPECT_TRUE(flight->isAnimating());
    EXPECT_FALSE(flight->image().isNull());

    EXPECT_TRUE(card->IsMiniaturized());
    EXPECT_TRUE(card->HasPreviewImage());
    EXPECT_EQ(sheet->GetCards()->GetObjectValue(sheet->GetCards()->Count() - 1), card);
    ASSERT_EQ(dock->itemBar()->count(), 1);
    EXPECT_EQ(qobject_cast<TDockItemViewController*>(tab(0)->viewController())->card(), card);
    EXPECT_TRUE(dock->window()->isVisible());

    // A quarter of a second later the flight has reached the slot and its window closes.
    scheduler.scheduler.advance(TCardTransitionWindow::animationResizeTime());
    EXPECT_EQ(flight->geometry(), slot);
    scheduler.scheduler.advance(0.1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(transitionWindow(), nullptr);
}

TEST_F(DockTest, ACardWindowShownAnotherWayLeavesTheDock) {
    // The tray, a link or the window list show the window itself: the card leaves the dock with it.
    TCard* card = addCard(QStringLiteral("Plans"), false);
    auto* controller =
        dynamic_cast<TCardWindowController*>(TSheetManager::SharedManager()->Instantiate(card, true));
    ASSERT_NE(controller, nullptr);
    controller->showWindow();
    controller->cardWindow()->performMiniaturize();
    ASSERT_EQ(dock->itemBar()->count(), 1);
    card->SetModified(false);

    controller->window()->show();
    EXPECT_FALSE(card->IsMiniaturized());
    EXPECT_TRUE(card->IsModified());
    EXPECT_EQ(dock->itemBar()->count(), 0);
}

TEST_F(DockTest, MinimisingHandsTheFocusOnSoTheProgramStaysShown) {
    NSSlideWindowController browser;
    browser.window()->setGeometry(0, 100, 228, 600);
    dock->setSheetBrowser(&browser);
    auto open = [&](const QString& title) {
        auto* controller = dynamic_cast<TCardWindowController*>(
            TSheetManager::SharedManager()->Instantiate(addCard(title, false), true));
        controller->showWindow();
        return controller;
    };

    // Another shown card window first, then the shown sheet browser, then nothing.
    TCardWindowController* first = open(QStringLiteral("First"));
    TCardWindowController* second = open(QStringLiteral("Second"));
    browser.window()->show();
    EXPECT_EQ(CardMinimising::windowTakingFocus(second, dock), first->window());
    second->cardWindow()->performMiniaturize();
    EXPECT_EQ(CardMinimising::windowTakingFocus(first, dock), browser.window());
    browser.window()->hide();
    EXPECT_EQ(CardMinimising::windowTakingFocus(first, dock), nullptr);

    // With nothing left to take the focus, the dock stays shown while the program is inactive,
    // until it is active again.
    first->cardWindow()->performMiniaturize();
    ASSERT_TRUE(dock->window()->isVisible());
    dock->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_TRUE(dock->window()->isVisible());
    dock->applicationStateChanged(Qt::ApplicationActive);
    dock->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_FALSE(dock->window()->isVisible());
    dock->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_TRUE(dock->window()->isVisible());
    dock->setSheetBrowser(nullptr);
}
} // namespace
