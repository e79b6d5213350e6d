#include "ToolkitTestSupport.h"
#include "toolkit/NSManagedWindowController.h"

#include <QCloseEvent>
#include <QPointer>
#include <gtest/gtest.h>

namespace {

class AboutController : public NSManagedWindowController {
    Q_OBJECT
public:
    using NSManagedWindowController::NSManagedWindowController;
    int closes = 0;

protected:
    void windowWillClose() override {
        ++closes;
        NSManagedWindowController::windowWillClose();
    }
};

class PortalController : public NSManagedWindowController {
    Q_OBJECT
public:
    using NSManagedWindowController::NSManagedWindowController;
};

TEST(ManagedWindowController, ClosingTheWindowFreesTheControllerAndItsContent) {
    auto* content = new QWidget;
    QPointer<QWidget> contentAlive(content);
    auto* controller = new AboutController(nullptr, content);
    QPointer<NSManagedWindowController> alive(controller);
    QPointer<QWidget> window(controller->window());
    controller->showWindow();
    EXPECT_EQ(content->parentWidget(), window.data());
    EXPECT_TRUE(content->isVisible());

    window->close();
    EXPECT_EQ(controller->closes, 1);
    flushDeletes();
    EXPECT_TRUE(alive.isNull());
    EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(contentAlive.isNull());
}

TEST(ManagedWindowController, FindControllerAnswersOnlyOpenWindowsOfItsClass) {
    EXPECT_EQ(NSManagedWindowController::findController<AboutController>(), nullptr);
    auto* about = new AboutController;
    about->showWindow();
    EXPECT_EQ(NSManagedWindowController::findController<PortalController>(), nullptr);
    EXPECT_EQ(NSManagedWindowController::findController<AboutController>(), about);
    EXPECT_EQ(NSManagedWindowController::findController(), about);

    about->window()->close();
    EXPECT_EQ(NSManagedWindowController::findController<AboutController>(), nullptr);
    flushDeletes();
}

TEST(ManagedWindowController, RefusedCloseKeepsTheController) {
    class StubbornWindow : public QWidget {
    protected:
        void closeEvent(QCloseEvent* event) override { event->ignore(); }
    };
    auto* window = new StubbornWindow;
    QPointer<AboutController> controller(new AboutController(window));
    controller->showWindow();
    window->close();
    flushDeletes();
    ASSERT_FALSE(controller.isNull());
    EXPECT_EQ(controller->closes, 0);
    EXPECT_TRUE(window->isVisible());
    delete window;
    EXPECT_TRUE(controller.isNull());
}

} // namespace

#include "ManagedWindowTests.moc"
