#include "model/Globals.h"
#include "model/Memoleaf.h"
#include "model/ModelObject.h"
#include "model/Sheet.h"
#include "model/SheetManager.h"
#include "model/Stack.h"
#include "platform/AlertPresenter.h"
#include "platform/Diagnostics.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "toolkit/ScreenProvider.h"
#include "utilities/PasteboardUtilities.h"
#include "windows/StackImageView.h"
#include "windows/StackTransitionWindow.h"
#include "windows/StackWindow.h"
#include "windows/StackWindowController.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QImage solid(const QColor& color) {
    QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

class StackWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterModelClasses();
        UserDefaults::setStandardUserDefaults(&defaults);
        TSheetManager* manager = TSheetManager::SharedManager();
        manager->SetDelegate(nullptr);
        home = manager->RegisterSheet(dir.filePath(QStringLiteral("Home.qxsheet")));
        manager->Open(home);
        pile = manager->RegisterSheet(dir.filePath(QStringLiteral("Pile.qxsheet")));
        stack = Ref<TStack>::adopt(TStack::Create(pile->GetUUID(), QStringLiteral("Pile")));
        stack->SetFrame(QRectF(200, 300, 400, 300));
        home->AddCard(stack.get());
    }
    void TearDown() override {
        delete controller;
        scheduler.scheduler.advance(1);
        TSheetManager::SharedManager()->Close();
        TSheetManager::SharedManager()->UnregisterAllSheets();
        UserDefaults::setStandardUserDefaults(nullptr);
    }
    TCard* addToPile(const QColor& color) {
        TCard* card = TMemoleaf::Create(color.name());
        card->SetPreviewImage(solid(color));
        pile->AddCard(card);
        card->Release();
        return card;
    }
    QImage open() {
        controller = new TStackWindowController(stack.get());
        controller->showWindow();
        return controller->window()->grab().toImage();
    }
    QColor centre() const {
        const QImage image = controller->window()->grab().toImage();
        return image.pixelColor(image.width() / 2, image.height() / 2);
    }

    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath(QStringLiteral("defaults.plist"))};
    ScopedManualScheduler scheduler;
    ScopedScriptedAlertPresenter alerts;
    FixedScreenProvider screens{QRect(0, 0, 1440, 900)};
    Diagnostics::Capture capture;
    TSheet* home = nullptr;
    TSheet* pile = nullptr;
    Ref<TStack> stack;
    TStackWindowController* controller = nullptr;
};

TEST_F(StackWindowTest, ShowsItsSheetsCardsPiledInASquareAtTheCardsPlace) {
    addToPile(Qt::blue);
    addToPile(Qt::green);
    open();
    EXPECT_EQ(controller->stack(), stack.get());
    EXPECT_EQ(controller->storedFrame(), QRectF(200, 300, 128, 128));
    EXPECT_FALSE(controller->imageView()->stackImage().isNull());
    EXPECT_EQ(centre(), QColor(Qt::blue)); // the first card lies on top
    EXPECT_EQ(controller->controllerForCard(stack.get()), nullptr);
}

TEST_F(StackWindowTest, AddingACardMakesThePictureAgain) {
    open();
    EXPECT_TRUE(controller->imageView()->stackImage().isNull()); // no cards, no picture
    TCard* card = addToPile(Qt::green);
    static_cast<TStackControllerProtocol*>(controller)->addCard(card);
    EXPECT_EQ(centre(), QColor(Qt::green));
    EXPECT_FALSE(controller->imageView()->stackImage().isNull());
}

TEST_F(StackWindowTest, MovesAreStoredAndComeBackAtTheSamePlace) {
    open();
    controller->setStoredFrame(QRectF(360, 450, 128, 128));
    controller->windowDidMove();
    EXPECT_TRUE(stack->IsFrameScreenRelative());
    EXPECT_DOUBLE_EQ(stack->GetFrame().x(), 0.25);
    delete controller;
    controller = new TStackWindowController(stack.get());
    EXPECT_EQ(controller->storedFrame(), QRectF(360, 450, 128, 128));
}

TEST_F(StackWindowTest, ClosingNeverAsksAndDeletesNothing) {
    open();
    controller->window()->performClose();
    EXPECT_FALSE(controller->window()->isVisible());
    controller->showWindow();
    controller->window()->close(); // as the window manager's close button does
    EXPECT_FALSE(controller->window()->isVisible());
    EXPECT_TRUE(alerts.questions().empty());
    EXPECT_EQ(home->GetCards()->Count(), 1);
    EXPECT_TRUE(controller->window()->validateMenuItem(QStringLiteral("performClose")));
    delete controller;
    controller = nullptr;
    EXPECT_EQ(capture.count(QStringLiteral("TStackWindowController.dealloc")), 1);
}

class OfferingDelegate : public TStackImageViewDelegate {
public:
    NSDragOperation stackImageViewDraggingEntered(TStackImageView*, const NSDraggingInfo&) override {
        return NSDragOperationCopy;
    }
    bool stackImageViewPerformDragOperation(TStackImageView*, const NSDraggingInfo&) override { return true; }
};

TEST_F(StackWindowTest, CardDragsAreRefusedAndHighlightOnlyWhileOffered) {
    addToPile(Qt::blue);
    open();
    TStackImageView* view = controller->imageView();
    QMimeData data;
    PasteboardUtilities::setDataForType(data, QByteArray("card"), NSPasteboardTypeCardWrapper);
    const NSDraggingInfo info{&data, QPointF(64, 64)};

    EXPECT_EQ(view->draggingEntered(info), NSDragOperationNone);
    EXPECT_EQ(centre(), QColor(Qt::blue));
    EXPECT_FALSE(view->performDragOperation(info));

    OfferingDelegate offering;
    view->setDelegate(&offering);
    EXPECT_EQ(view->draggingEntered(info), NSDragOperationCopy);
    EXPECT_EQ(view->draggingUpdated(info), NSDragOperationCopy);
    EXPECT_NE(centre(), QColor(Qt::blue));
    view->draggingExited();
    EXPECT_EQ(view->dragOperation(), NSDragOperationNone);
    EXPECT_EQ(centre(), QColor(Qt::blue));
    view->setDelegate(controller);
}

TEST(StackTransitionWindow, ResizesInStepsOnTheSchedulersClock) {
    ScopedManualScheduler scheduler;
    TStackTransitionWindow window;
    window.setFrame(QRect(0, 0, 100, 100), false);
    EXPECT_EQ(window.geometry(), QRect(0, 0, 100, 100));
    window.setFrame(QRect(100, 100, 300, 300), true);
    EXPECT_TRUE(window.isAnimating());
    EXPECT_EQ(window.geometry(), QRect(0, 0, 100, 100));
    scheduler.scheduler.advance(TStackTransitionWindow::animationResizeTime() / 2);
    const QRect midway = window.geometry();
    EXPECT_GT(midway.x(), 0);
    EXPECT_LT(midway.width(), 300);
    scheduler.scheduler.advance(1);
    EXPECT_FALSE(window.isAnimating());
    EXPECT_EQ(window.geometry(), QRect(100, 100, 300, 300));
}

} // namespace
