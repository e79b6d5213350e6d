#include "ToolkitTestSupport.h"
#include "platform/Scheduler.h"
#include "toolkit/NSContextualWindowController.h"

#include <QDialog>
#include <QPointer>
#include <gtest/gtest.h>

namespace {

class AnsweringDelegate : public NSFadeWindowDelegate {
public:
    bool shouldCloseForWindowResignation(QWidget*) override {
        ++asked;
        return answer;
    }
    bool answer = true;
    int asked = 0;
};

// A shown contextual window and a pointer that tells whether its controller still lives.
struct Shown {
    explicit Shown(NSFadeWindowDelegate* delegate = nullptr, qint32 behavior = 0)
        : controller(new NSContextualWindowController), alive(controller) {
        controller->setDelegate(delegate);
        controller->setBehavior(behavior);
        controller->showWindow();
    }
    ~Shown() {
        if (alive) delete controller;
    }
    Shown(const Shown&) = delete;
    Shown& operator=(const Shown&) = delete;
    bool open() {
        flushDeletes();
        return alive && controller->window()->isVisible();
    }
    NSContextualWindowController* controller;
    QPointer<NSContextualWindowController> alive;
};

TEST(ContextualWindow, ClosesByItsBehaviourAndTheDelegatesAnswer) {
    ScopedManualScheduler time;
    struct Case {
        const char* name;
        qint32 behavior;
        bool delegateAllows;
        bool deactivate; // the program, else only the window
        bool closes;
    };
    const Case cases[] = {
        {"0, resign key", 0, true, false, true},
        {"0, resign key, delegate refuses", 0, false, false, false},
        {"0, deactivated, delegate refuses", 0, false, true, true},
        {"1, resign key", 1, true, false, false},
        {"1, deactivated", 1, true, true, false},
        {"2, resign key", 2, true, false, false},
        {"2, deactivated", 2, true, true, true},
    };
    for (const Case& c : cases) {
        AnsweringDelegate delegate;
        delegate.answer = c.delegateAllows;
        Shown shown(&delegate, c.behavior);
        if (c.deactivate)
            shown.controller->applicationWillResignActive();
        else
            shown.controller->windowDidResignKey();
        EXPECT_EQ(!shown.open(), c.closes) << c.name;
    }
}

TEST(ContextualWindow, AWindowNeverShownStaysWithItsMakerWhenTheProgramIsDeactivated) {
    ScopedManualScheduler time;
    auto* controller = new NSContextualWindowController;
    QPointer<NSContextualWindowController> alive(controller);
    controller->applicationWillResignActive();
    time.scheduler.advance(1);
    flushDeletes();
    ASSERT_FALSE(alive.isNull());
    controller->showWindow();
    controller->applicationWillResignActive();
    flushDeletes();
    EXPECT_TRUE(alive.isNull());
}

TEST(ContextualWindow, ResigningDuringTheFirstFadeInAsksAgainWhenItEnds) {
    ScopedManualScheduler time;
    for (const bool laterAnswer : {false, true}) {
        AnsweringDelegate delegate;
        delegate.answer = false;
        auto* controller = new NSContextualWindowController;
        QPointer<NSContextualWindowController> alive(controller);
        controller->setDelegate(&delegate);
        controller->setFadeDuration(0.15);
        controller->showWindow();
        time.scheduler.advance(0.05);
        controller->windowDidResignKey();
        EXPECT_TRUE(controller->window()->isVisible()) << laterAnswer;
        delegate.answer = laterAnswer;
        time.scheduler.advance(0.5); // the fade-in ends, then a fade-out when closing
        EXPECT_EQ(delegate.asked, 2) << laterAnswer;
        flushDeletes();
        EXPECT_EQ(alive.isNull(), laterAnswer) << laterAnswer;
        delete alive;
    }
}

TEST(ContextualWindow, StaysOpenWhileASheetIsUp) {
    ScopedManualScheduler time;
    Shown shown;
    auto* sheet = new QDialog(shown.controller->window());
    sheet->setWindowModality(Qt::WindowModal);
    sheet->show();
    EXPECT_EQ(shown.controller->behavior(), 1);
    shown.controller->windowDidResignKey();
    EXPECT_TRUE(shown.open());
    sheet->hide();
    EXPECT_EQ(shown.controller->behavior(), 0);
    shown.controller->windowDidResignKey();
    EXPECT_FALSE(shown.open());
}

TEST(ContextualWindow, ASheetDeletedWhileUpEndsToo) {
    ScopedManualScheduler time;
    Shown shown(nullptr, 2);
    auto* sheet = new QDialog(shown.controller->window());
    sheet->setWindowModality(Qt::WindowModal);
    sheet->show();
    delete sheet;
    EXPECT_EQ(shown.controller->behavior(), 2);
}

} // namespace
