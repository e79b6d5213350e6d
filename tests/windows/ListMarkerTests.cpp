#include "model/ListCard.h"
#include "model/ModelObject.h"
#include "platform/AutoreleasePool.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "windows/ListItemRowViewController.h"
#include "windows/RowControllers.h"

#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

class ListMarkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterModelClasses();
        UserDefaults::setStandardUserDefaults(&defaults);
        RowControllers::registerItemRows();
        card = Ref<TListCard>::adopt(TListCard::Create(QStringLiteral("List")));
    }
    void TearDown() override { UserDefaults::setStandardUserDefaults(nullptr); }
    TListItem* add(TTreeNode* parent, int count) {
        TListItem* last = nullptr;
        for (int i = 0; i < count; ++i) {
            last = TListItem::Create(QStringLiteral("row"));
            parent->AddChild(last);
            last->Release();
        }
        return last;
    }

    AutoreleasePool pool;
    QTemporaryDir folder;
    UserDefaults defaults{folder.filePath(QStringLiteral("defaults.plist"))};
    ScopedManualScheduler manual;
    Ref<TListCard> card;
};

TEST_F(ListMarkerTest, OutlineNumbersAreEachRowsFullNumber) {
    TListItem* third = add(card->GetRoot(), 3);
    TListItem* second = add(third, 2);
    TListItem* first = add(second, 1);
    TListItem* deepest = add(first, 4);
    for (TListItem* numbered : {card->GetRoot(), third, second, first})
        numbered->SetRowNumbering(kRowNumberingOutline);
    const struct {
        TListItem* item;
        const char* marker;
    } cases[] = {{third, "3)"}, {second, "3.2)"}, {first, "3.2.1)"}, {deepest, "3.2.1.4)"}};
    for (const auto& c : cases)
        EXPECT_EQ(ListMarker(c.item, "-", ")"), QString::fromLatin1(c.marker)) << c.marker;
}

TEST_F(ListMarkerTest, ShowingMarkersLeavesTheCardUnmodified) {
    // GIVEN a saved card whose root numbers its rows
    TListItem* row = add(card->GetRoot(), 2);
    card->GetRoot()->SetRowNumbering(kRowNumberingDecimal);
    card->SetModified(false);

    // WHEN its row is shown
    QWidget outline;
    std::unique_ptr<TCardItemRowViewController> controller(RowControllers::make(row, card.get()));
    controller->view()->setParent(&outline);
    controller->recalculateRow();

    // THEN the row shows and keeps its marker, and the card has nothing to save
    EXPECT_EQ(static_cast<TListItemRowViewController*>(controller.get())->markerString(), "2");
    EXPECT_EQ(row->GetMarkerString(), "2");
    EXPECT_FALSE(card->IsModified());

    // A renumbering still marks it.
    static_cast<TListItemRowViewController*>(controller.get())->rowNumberingChanged(kRowNumberingDecimal);
    EXPECT_TRUE(card->IsModified());
}

} // namespace
