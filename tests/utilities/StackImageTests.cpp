#include "foundation/Array.h"
#include "foundation/ToolboxAll.h"
#include "utilities/StackImageGenerator.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using namespace StackImageGenerator;

struct Call {
    QRectF rect;
    qint64 item;
};

void record(QPainter& context, const QRectF& rect, const TArrayValue& item, void* userData) {
    auto* calls = static_cast<std::vector<Call>*>(userData);
    const qint64 index = static_cast<qint64>(reinterpret_cast<quintptr>(item.pointer()));
    calls->push_back({rect, index});
    context.fillRect(rect, QColor::fromHsv(static_cast<int>(index * 30), 255, 255));
}

// An array of the pointers 1..count, standing for items.
Ref<TReferenceArray> itemsOf(int count) {
    auto items = Ref<TReferenceArray>::adopt(TReferenceArray::CreateWithCapacity(0));
    for (int i = 0; i < count; ++i) items->AppendValue(reinterpret_cast<void*>(static_cast<quintptr>(i + 1)));
    return items;
}

TEST(StackImage, PileDrawsInnermostFirstAndTheFirstItemOnTop) {
    std::vector<Call> calls;
    const QImage image =
        CompositeStackImageFromItems(kStackLayoutPile, itemsOf(6).get(), true, record, &calls, {100, 80});
    ASSERT_EQ(image.size(), QSize(100, 80));
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].item, 4);
    EXPECT_EQ(calls[0].rect, QRectF(24, 24, 52, 32));
    EXPECT_EQ(calls[3].item, 1);
    EXPECT_EQ(calls[3].rect, QRectF(6, 6, 88, 68));
}

TEST(StackImage, GridDrawsNineCellsRowByRowFromTheTop) {
    std::vector<Call> calls;
    CompositeStackImageFromItems(kStackLayoutGrid, itemsOf(12).get(), false, record, &calls, {90, 60});
    ASSERT_EQ(calls.size(), 9u);
    EXPECT_EQ(calls[0].rect, QRectF(0, 0, 30, 20));
    EXPECT_EQ(calls[2].rect, QRectF(60, 0, 30, 20));
    EXPECT_EQ(calls[3].rect, QRectF(0, 20, 30, 20));
    EXPECT_EQ(calls[8].rect, QRectF(60, 40, 30, 20));
    EXPECT_EQ(calls[8].item, 9);
}

TEST(StackImage, ScatterIsTheSameForTheSameSeed) {
    std::vector<Call> calls;
    ToolboxAll::SeedRandom(42);
    const QImage first =
        CompositeStackImageFromItems(kStackLayoutScatter, itemsOf(3).get(), false, record, &calls, {64, 64});
    ToolboxAll::SeedRandom(42);
    const QImage second =
        CompositeStackImageFromItems(kStackLayoutScatter, itemsOf(3).get(), false, record, &calls, {64, 64});
    EXPECT_EQ(first, second);
    ToolboxAll::SeedRandom(7);
    const QImage other =
        CompositeStackImageFromItems(kStackLayoutScatter, itemsOf(3).get(), false, record, &calls, {64, 64});
    EXPECT_NE(first, other);
    ToolboxAll::Randomize();
}

TEST(StackImage, UnknownLayoutIsTransparentAndNoItemsIsNull) {
    std::vector<Call> calls;
    const QImage blank = CompositeStackImageFromItems(5, itemsOf(2).get(), false, record, &calls, {10, 10});
    ASSERT_EQ(blank.size(), QSize(10, 10));
    EXPECT_EQ(qAlpha(blank.pixel(5, 5)), 0);
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(
        CompositeStackImageFromItems(kStackLayoutPile, itemsOf(0).get(), false, record, &calls, {10, 10})
            .isNull());
    EXPECT_TRUE(
        CompositeStackImageFromItems(kStackLayoutPile, itemsOf(1).get(), false, record, &calls, {0, 10})
            .isNull());
}

} // namespace
