#include "platform/Diagnostics.h"
#include "platform/Scheduler.h"
#include "toolkit/BarItemPasteboard.h"
#include "toolkit/ItemBarLayout.h"
#include "toolkit/NSDraggingSession.h"
#include "toolkit/NSImageAndTextBarItem.h"
#include "toolkit/NSItemBar.h"
#include "toolkit/NSSeparatorBarItem.h"
#include "toolkit/NSSpaceBarItem.h"
#include "utilities/CocoaUtilities.h"
#include "utilities/StringUtilities.h"

#include <QApplication>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Records the notices of a bar in order.
struct RecordingDelegate : NSItemBarDelegate {
    QStringList notices;
    bool acceptDrops = true;
    bool menuAllowed = true;
    void willAddItemToBar(NSItemBar*, NSBarItem*) override { notices << "willAdd"; }
    void didAddItemToBar(NSItemBar*, NSBarItem*) override { notices << "didAdd"; }
    void willRemoveItemFromBar(NSItemBar*, NSBarItem*) override { notices << "willRemove"; }
    void didRemoveItemFromBar(NSItemBar*, NSBarItem*) override { notices << "didRemove"; }
    void itemBarItemsChanged(NSItemBar*) override { notices << "changed"; }
    void itemBarItemsArranged(NSItemBar*) override { notices << "arranged"; }
    void itemBarResized(NSItemBar*) override { notices << "resized"; }
    void itemDoubleClicked(NSItemBar*, NSBarItem*) override { notices << "doubleClicked"; }
    bool acceptDrop(NSItemBar*, const NSDraggingInfo&, NSBarItem*) override { return acceptDrops; }
    bool willPopupContextualMenu(NSItemBar*, QMenu*) override { return menuAllowed; }
    void willMoveItemToIndex(NSItemBar*, NSBarItem*, qint64 index) override {
        notices << QString("willMove %1").arg(index);
    }
    void didMoveItemToIndex(NSItemBar*, NSBarItem*, qint64 index) override {
        notices << QString("didMove %1").arg(index);
    }
};

struct ListDataSource : NSItemBarDataSource {
    QList<double> widths;
    bool takesSeparators = false;
    qint32 itemBarItemCount(NSItemBar*) override { return static_cast<qint32>(widths.size()); }
    NSBarItem* itemBarCreateItemForIndex(NSItemBar*, qint32 index) override {
        if (widths[index] < 0) return nullptr;
        auto* item = NSBarItem::initWithWidth(widths[index]);
        item->setRepresentedObject(index);
        return item;
    }
    bool canInsertObjectForIdentifier(NSItemBar*, const QString& id) override {
        return takesSeparators && id == "---";
    }
    bool insertObjectForIdentifier(NSItemBar*, const QString& id, qint64) override {
        return takesSeparators && id == "---";
    }
};

class ItemBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        bar.resize(400, 20);
        bar.setAnimationDuration(0);
    }
    void TearDown() override { QCoreApplication::sendPostedEvents(); }
    NSBarItem* addWidth(double width) {
        NSBarItem* item = NSBarItem::initWithWidth(width);
        bar.addItem(item);
        return item;
    }
    QList<int> xs() const {
        QList<int> result;
        for (const NSBarItem* item : bar.items()) result << item->x();
        return result;
    }

    ScopedManualScheduler time;
    NSItemBar bar;
    RecordingDelegate delegate;
};

TEST(ItemBarLayout, PlacesItemsHalfTheMarginApart) {
    struct Case {
        const char* name;
        double margin;
        double inset;
        bool centre;
        double barWidth;
        QList<double> xs;
        double fitted;
    };
    const Case cases[] = {
        {"margin 4", 4, 0, false, 400, {0, 42, 94}, 156},
        {"margin 8", 8, 0, false, 400, {0, 44, 98}, 162},
        {"margin 0 abuts", 0, 0, false, 400, {0, 40, 90}, 150},
        {"negative margin overlaps", -4, 0, false, 400, {0, 36, 82}, 144},
        {"inset", 4, 10, false, 400, {10, 52, 104}, 176},
        {"centred", 4, 0, true, 400, {122, 164, 216}, 156},
        {"centred, negative inset never starts left of 0", 4, -15, true, 100, {0, 42, 94}, 126},
    };
    for (const Case& c : cases) {
        ItemBarLayout::Settings settings;
        settings.barWidth = c.barWidth;
        settings.barHeight = 20;
        settings.itemMargin = c.margin;
        settings.edgeInset = c.inset;
        settings.centerHorizontally = c.centre;
        const auto result = ItemBarLayout::arrange(settings, {{40}, {50}, {60}});
        QList<double> xs;
        for (const auto& frame : result.frames) xs << frame->x();
        EXPECT_EQ(xs, c.xs) << c.name;
        EXPECT_EQ(ItemBarLayout::fittedWidth(result, c.inset), c.fitted) << c.name;
    }
}

TEST(ItemBarLayout, HiddenAndDraggedItemsTakeNoRoomAndTheGapOpensBeforeTheDropIndex) {
    ItemBarLayout::Settings settings;
    settings.barHeight = 20;
    settings.dropTrackingIndex = 1;
    settings.dropIndicatorWidth = 64;
    ItemBarLayout::Slot hidden{30};
    hidden.hidden = true;
    ItemBarLayout::Slot dragged{30};
    dragged.inViewTree = false;
    const auto result = ItemBarLayout::arrange(settings, {{40}, {50}, hidden, dragged, {60}});
    EXPECT_EQ(result.frames[0]->x(), 0);
    EXPECT_EQ(result.frames[1]->x(), 40 + 2 + 64 + 4);
    EXPECT_FALSE(result.frames[2]);
    EXPECT_FALSE(result.frames[3]);
    EXPECT_EQ(result.frames[4]->x(), 110 + 50 + 2);
}

TEST(ItemBarLayout, DropIndexTable) {
    // Bounding frames of items at 0-40, 42-92, 94-154 grown by a margin of 4.
    const QList<std::optional<QRectF>> frames = {QRectF(-4, -4, 48, 28), QRectF(38, -4, 58, 28), std::nullopt,
                                                 QRectF(90, -4, 68, 28)};
    struct Case {
        double x;
        qint32 current;
        qint32 expected;
    };
    const Case cases[] = {
        {5, 7, 0},   {25, 7, 1},  {39, 7, 1},
        {50, 7, 1},  {80, 7, 2},  {95, 7, 3},
        {130, 7, 4}, {200, 7, 7}, {-10, ItemBarLayout::kNoDropIndex, ItemBarLayout::kNoDropIndex}};
    for (const Case& c : cases)
        EXPECT_EQ(ItemBarLayout::dropIndex(c.x, c.current, frames), c.expected) << c.x;
    EXPECT_EQ(ItemBarLayout::moveIndex(3, 1), 2);
    EXPECT_EQ(ItemBarLayout::moveIndex(0, 1), 0);
}

TEST_F(ItemBarTest, ArrangesAndFitsItsWidth) {
    for (double width : {40, 50, 60}) addWidth(width);
    bar.setResizeToWidth(true);
    bar.setDelegate(&delegate);
    bar.arrangeItems();
    EXPECT_EQ(xs(), (QList<int>{0, 42, 94}));
    EXPECT_EQ(bar.width(), 156);
    EXPECT_EQ(delegate.notices, (QStringList{"resized", "arranged"}));
    EXPECT_EQ(bar.items()[2]->itemIndex(), 2);
}

TEST_F(ItemBarTest, ListChangesNotifyInOrderAndIgnoreRepeats) {
    bar.setDelegate(&delegate);
    NSBarItem* a = addWidth(10);
    bar.addItem(a);
    NSBarItem* b = NSBarItem::initWithWidth(10);
    bar.insertItemAtIndex(b, -1);
    NSBarItem* c = NSBarItem::initWithWidth(10);
    bar.insertItemAtIndex(c, 1000);
    EXPECT_EQ(bar.items(), (QList<NSBarItem*>{b, a, c}));
    bar.removeItem(a);
    bar.removeItem(a);
    EXPECT_EQ(delegate.notices,
              (QStringList{"willAdd", "didAdd", "changed", "willAdd", "didAdd", "changed", "willAdd",
                           "didAdd", "changed", "willRemove", "didRemove", "changed"}));
    EXPECT_EQ(a->itemBar(), nullptr);
    EXPECT_EQ(a->parentWidget(), nullptr);
    EXPECT_EQ(bar.itemAtIndex(5), nullptr);
    EXPECT_EQ(bar.itemAtIndex(-1), nullptr);
    EXPECT_EQ(bar.indexOfItem(a), -1);
}

TEST_F(ItemBarTest, RemovedItemsAreReleasedUnlessAddedAgain) {
    QPointer<NSBarItem> dropped = addWidth(10);
    QPointer<NSBarItem> kept = addWidth(10);
    bar.removeItem(dropped);
    bar.removeItem(kept);
    NSItemBar other;
    other.addItem(kept);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dropped.isNull());
    EXPECT_FALSE(kept.isNull());
}

TEST_F(ItemBarTest, ReloadNotifiesAddsOnlyAndSkipsMissingItems) {
    ListDataSource source;
    source.widths = {40, -1, 60};
    bar.setDataSource(&source);
    bar.setDelegate(&delegate);
    addWidth(5);
    delegate.notices.clear();
    bar.reloadData();
    EXPECT_EQ(delegate.notices, (QStringList{"willAdd", "didAdd", "willAdd", "didAdd", "arranged"}));
    EXPECT_EQ(bar.representedObjects(), (QVariantList{0, 2}));
    EXPECT_EQ(xs(), (QList<int>{0, 42}));
    EXPECT_FALSE(bar.isReloadingData());
    NSItemBar lonely;
    EXPECT_THROW(lonely.reloadData(), CocoaUtilities::Exception);
}

TEST_F(ItemBarTest, AnimatedArrangementsInsideTheThrottleRunOnceWhenItEnds) {
    bar.setAnimationDuration(0.25);
    bar.setDelegate(&delegate);
    addWidth(40);
    bar.arrangeItems();
    time.scheduler.advance(0.1);
    bar.arrangeItems();
    bar.arrangeItems();
    EXPECT_EQ(delegate.notices.count("arranged"), 1);
    time.scheduler.advance(0.2);
    EXPECT_EQ(delegate.notices.count("arranged"), 2);
    time.scheduler.advance(0.3);
    bar.setAnimationDuration(0);
    bar.arrangeItems();
    bar.arrangeItems();
    EXPECT_EQ(delegate.notices.count("arranged"), 4);
}

TEST_F(ItemBarTest, ItemsFadeInOnlyWhenTheBarAnimates) {
    bar.setAnimationDuration(0.25);
    NSBarItem* faded = addWidth(10);
    EXPECT_EQ(faded->alphaValue(), 0.0);
    bar.setAnimationDuration(0);
    NSBarItem* shown = addWidth(10);
    EXPECT_EQ(shown->alphaValue(), 1.0);
}

TEST(BarItems, WidthsOfEveryKind) {
    std::unique_ptr<NSSpaceBarItem> space(NSSpaceBarItem::spaceItem());
    EXPECT_EQ(space->width(), 4);
    EXPECT_EQ(space->representedObject().toString(), "|%|");
    std::unique_ptr<NSSeparatorBarItem> separator(NSSeparatorBarItem::separatorItem());
    EXPECT_EQ(separator->width(), 1);
    EXPECT_EQ(separator->representedObject().toString(), "---");

    NSImageAndTextBarItem plain;
    EXPECT_EQ(plain.preferredWidth(), 92);

    const QString text = QStringLiteral("Groceries");
    NSImageAndTextBarItem fitted(text, QImage(), 0);
    EXPECT_EQ(fitted.width(), 92); // fitted with the default while being made
    fitted.itemWillArrange();
    const TextAttributes attributes = fitted.textAttributes();
    EXPECT_EQ(fitted.width(),
              static_cast<int>(StringUtilities::sizeWithAttributes(text, attributes).width() + 2));

    NSImageAndTextBarItem fixed(QString(QStringLiteral("A very long title indeed, longer than anything")),
                                QImage(), 50);
    fixed.itemWillArrange();
    EXPECT_EQ(fixed.width(), 50);

    QImage image(16, 12, QImage::Format_ARGB32);
    NSImageAndTextBarItem imageOnly(QString(), image, 200);
    EXPECT_EQ(imageOnly.displayMode(), NSImageAndTextBarItem::ImageOnly);
    imageOnly.itemWillArrange();
    EXPECT_EQ(imageOnly.width(), 16);

    const QString longText(60, QChar('W'));
    NSImageAndTextBarItem truncated(longText, QImage(), 0);
    truncated.itemWillArrange();
    const QString shortened =
        StringUtilities::stringByTruncatingMaximumWidthPosition(longText, attributes, 128, 0);
    EXPECT_TRUE(shortened.endsWith("..."));
    EXPECT_EQ(truncated.width(),
              static_cast<int>(StringUtilities::sizeWithAttributes(shortened, attributes).width() + 2));
    truncated.setWidth(10);
    truncated.setMaximumTextWidth(128); // unchanged: no refit
    EXPECT_EQ(truncated.width(), 10);
}

} // namespace
