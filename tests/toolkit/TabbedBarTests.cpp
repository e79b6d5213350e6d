#include "platform/Diagnostics.h"
#include "platform/Scheduler.h"
#include "toolkit/NSTabItemCloseButtonCell.h"
#include "toolkit/NSTabItemViewController.h"
#include "toolkit/NSTabbedBar.h"
#include "toolkit/NSTabbedBarItem.h"

#include <QApplication>
#include <QEnterEvent>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QMenu>
#include <QStackedWidget>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

struct SelectionRecorder : NSTabbedBarDelegate {
    QStringList notices;
    void willSelectItem(NSTabbedBar*, NSTabbedBarItem* tab) override {
        notices << "will " + tab->tabIdentifier();
    }
    void didSelectItem(NSTabbedBar*, NSTabbedBarItem* tab) override {
        notices << "did " + tab->tabIdentifier();
    }
};

TEST(TabbedBar, SelectsUnboundAndBound) {
    NSTabbedBar bar;
    SelectionRecorder recorder;
    bar.setDelegate(&recorder);
    EXPECT_EQ(bar.indexOfSelectedItem(), -1);
    auto* one = new NSTabbedBarItem("One", "1");
    auto* two = new NSTabbedBarItem("Two", "2");
    bar.setItems({one, two});
    bar.selectItemWithIdentifier("2");
    EXPECT_EQ(bar.selectedItem(), two);
    EXPECT_EQ(recorder.notices, (QStringList{"will 2", "did 2"}));
    bar.selectItemWithIdentifier("none");
    EXPECT_EQ(recorder.notices.size(), 2);

    QStackedWidget tabView;
    for (const char* id : {"1", "2"}) {
        auto* page = new QWidget;
        page->setProperty("identifier", QString(id));
        tabView.addWidget(page);
    }
    bar.setTabView(&tabView);
    bar.selectItemAtIndex(0);
    EXPECT_EQ(tabView.currentIndex(), 0);
    tabView.setCurrentIndex(1);
    EXPECT_EQ(bar.selectedItem(), two);
    EXPECT_EQ(bar.indexOfSelectedItem(), 1);
    EXPECT_EQ(bar.tabIdentifiers(), (QStringList{"1", "2"}));

    Diagnostics::Capture capture;
    EXPECT_FALSE(bar.removeItemWithIdentifier("9"));
    EXPECT_EQ(capture.lines(), QStringList{"Warning: The tab 9 is invalid."});
    EXPECT_TRUE(bar.removeItemWithIdentifier("1"));
    QCoreApplication::sendPostedEvents();
}

TEST(TabbedBar, TabsThatDoNotFitGoToTheOverflowMenu) {
    EXPECT_EQ(ItemBarLayout::clippedTabs({100, 200, 300}, 250, 16), (QList<bool>{false, false, true}));
    EXPECT_EQ(ItemBarLayout::clippedTabs({100, 230, 240}, 250, 16), (QList<bool>{false, true, false}));
    EXPECT_EQ(ItemBarLayout::overflowButtonFrame(250, 20, QSizeF(16, 16)), QRectF(224, 2, 28, 16));

    NSTabbedBar bar;
    bar.resize(250, 20);
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::black);
    bar.setOverflowButtonImage(image);
    bar.setOverflowEnabled(true);
    for (int i = 0; i < 4; ++i) {
        auto* tab = new NSTabbedBarItem(QString("Tab"), QString::number(i));
        tab->setPreferredWidth(60); // 60 + 16
        bar.addItem(tab);
        bar.arrangeItems();
        // No button while every tab fits.
        if (i < 2) {
            EXPECT_EQ(bar.overflowButton(), nullptr) << i;
        }
    }
    // Tabs of 76 points, 4 apart: 0-76, 80-156, 160-236, 240-316.
    QList<bool> hidden;
    for (NSBarItem* item : bar.items()) hidden << item->isHidden();
    EXPECT_EQ(hidden, (QList<bool>{false, false, true, true}));
    ASSERT_NE(bar.overflowButton(), nullptr);
    EXPECT_FALSE(bar.overflowButton()->isHidden());
    QMenu* menu = bar.overflowButton()->menu();
    ASSERT_EQ(menu->actions().size(), 2);
    menu->actions()[1]->trigger();
    EXPECT_EQ(bar.selectedItem()->tabIdentifier(), "3");
    // A tab closed while the menu still lists it is not selected from it.
    SelectionRecorder recorder;
    bar.setDelegate(&recorder);
    ASSERT_TRUE(bar.removeItemWithIdentifier("2"));
    menu->actions()[0]->trigger();
    EXPECT_TRUE(recorder.notices.isEmpty());
    EXPECT_EQ(bar.selectedItemIdentifier(), "3");
    bar.setDelegate(nullptr);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    bar.resetClipping();
    EXPECT_TRUE(bar.overflowButton()->isHidden());
}

TEST(TabbedBar, ClippingFollowsTheBarsWidthBothWays) {
    // Centred as a card window's bar: tabs clipped by a narrower arrangement come back.
    NSTabbedBar bar;
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::black);
    bar.setOverflowButtonImage(image);
    bar.setOverflowEnabled(true);
    bar.setCenterHorizontally(true);
    bar.setEdgeInset(-15);
    for (int i = 0; i < 2; ++i) {
        auto* tab = new NSTabbedBarItem(QString("Tab"), QString::number(i));
        tab->setPreferredWidth(60); // 60 + 16
        bar.addItem(tab);
    }
    struct Case {
        int width;
        QList<bool> hidden;
    };
    // Both tabs shown take 156 points, the first one 76 plus the button's room.
    const Case cases[] = {{150, {false, true}},  {170, {false, false}}, {60, {true, true}},
                          {170, {false, false}}, {100, {false, true}},  {400, {false, false}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        bar.resize(c.width, 20);
        bar.arrangeItems();
        QList<bool> hidden, clipped;
        for (NSBarItem* item : bar.items()) {
            hidden << item->isHidden();
            clipped << item->isClipped();
        }
        EXPECT_EQ(hidden, c.hidden);
        EXPECT_EQ(clipped, c.hidden);
        const bool anyHidden = c.hidden.contains(true);
        EXPECT_EQ(bar.overflowButton() && !bar.overflowButton()->isHidden(), anyHidden);
        if (anyHidden) {
            EXPECT_EQ(bar.overflowButton()->menu()->actions().size(), c.hidden.count(true));
        }
    }
}

TEST(TabbedBar, ADragRestingOnATabForASecondSelectsIt) {
    ScopedManualScheduler time;
    NSTabbedBar bar;
    bar.resize(300, 20);
    auto* one = new NSTabbedBarItem("One", "1");
    auto* two = new NSTabbedBarItem("Two", "2");
    bar.setItems({one, two});
    bar.arrangeItems();
    QMimeData text;
    text.setText("x");
    two->draggingEntered({&text, QPointF(100, 5)});
    time.scheduler.advance(0.5);
    two->draggingExited({&text, QPointF(100, 5)});
    time.scheduler.advance(1.0);
    EXPECT_EQ(bar.selectedItem(), nullptr);
    two->draggingEntered({&text, QPointF(100, 5)});
    EXPECT_TRUE(two->isTrackingDrag());
    time.scheduler.advance(1.0);
    EXPECT_EQ(bar.selectedItem(), two);
    bar.draggingEnded();
}

TEST(TabbedBar, AnAutoHiddenCloseButtonShowsWhileThePointerIsOverTheTab) {
    auto* controller = new NSTabItemViewController;
    controller->setAutoHideButtons(true);
    NSTabbedBar bar;
    auto* tab = new NSTabbedBarItem("One", "1", controller);
    bar.addItem(tab);
    const auto alpha = [&] {
        auto* effect = qobject_cast<QGraphicsOpacityEffect*>(controller->closeButton()->graphicsEffect());
        return effect ? effect->opacity() : 1.0;
    };
    EXPECT_EQ(alpha(), 0.0);
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(controller->view(), &enter);
    EXPECT_EQ(alpha(), 1.0);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(controller->view(), &leave);
    EXPECT_EQ(alpha(), 0.0);
    controller->setAutoHideButtons(false);
    EXPECT_EQ(alpha(), 1.0);

    bar.arrangeItems();
    EXPECT_EQ(tab->width(), controller->view()->width());
    EXPECT_EQ(controller->labelField()->text(), "One");
}

} // namespace
