#include "foundation/Object.h"
#include "model/CardItems.h"
#include "model/ListCard.h"
#include "model/ModelObject.h"
#include "model/Preferences.h"
#include "platform/AutoreleasePool.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "windows/CardTextView.h"
#include "windows/GroupRowViewController.h"
#include "windows/ListItemRowViewController.h"
#include "windows/RowControllers.h"
#include "windows/SeperatorViewController.h"
#include "windows/TextItemViewController.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

// An outline stand-in: hosts row views and records what the rows ask of it.
class FakeOutline : public QWidget, public TRowBrowser, public TListKeyboardProtocol {
public:
    qint32 rowForItem(TCardItem* item) const override { return rows.indexOf(item); }
    TListKeyboardProtocol* keyboardDelegate() const override { return const_cast<FakeOutline*>(this); }
    QWidget* browserWidget() override { return this; }
    void setInsertion(qint64 location, qint32 row) override {
        calls << QStringLiteral("setInsertion %1 %2").arg(location).arg(row);
    }
    void setInsertionWithColumn(const QRectF&, bool end, qint32 row) override {
        calls << QStringLiteral("column %1 %2").arg(end).arg(row);
    }
    void indentRow(qint32 row) override { calls << QStringLiteral("indent %1").arg(row); }
    void insertItemAtRow(qint32 row) override { calls << QStringLiteral("insert %1").arg(row); }
    void insertItemInside(TCardItem*) override { calls << QStringLiteral("inside"); }
    void insertItemOutside(TCardItem*) override { calls << QStringLiteral("outside"); }
    void removeItemAtRow(qint32 row) override { calls << QStringLiteral("remove %1").arg(row); }
    void removeSelectedRows() override {}

    QList<TCardItem*> rows;
    QStringList calls;
};

// A row kind that offers an info popover.
class InfoRow : public TTextItemViewController {
public:
    using TTextItemViewController::TTextItemViewController;
    bool displayInfoButton() const override { return true; }
    QWidget* infoController() override { return new QLabel(QStringLiteral("info")); }
};

TGroupRowItem* groupRow(const QString& text) {
    TGroupRowItem* item = TGroupRowItem::Create();
    item->SetText(text);
    return item;
}

class RowControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterModelClasses();
        UserDefaults::setStandardUserDefaults(&defaults);
        RowControllers::registerItemRows();
        card = Ref<TListCard>::adopt(TListCard::Create(QStringLiteral("List")));
        outline.resize(400, 300);
    }
    void TearDown() override { UserDefaults::setStandardUserDefaults(nullptr); }

    template <class T> T* addRow(TTreeNode* parent, T* item) {
        parent->AddChild(item);
        item->Release();
        outline.rows << item;
        return item;
    }
    // A controller hosted in the outline, owned by the test.
    TCardItemRowViewController* host(TCardItem* item) {
        auto* controller = RowControllers::make(item, card.get());
        controllers.emplace_back(controller);
        controller->view()->setParent(&outline);
        controller->view()->resize(400, controller->view()->height());
        controller->recalculateRow();
        return controller;
    }

    AutoreleasePool pool;
    QTemporaryDir folder;
    UserDefaults defaults{folder.filePath(QStringLiteral("defaults.plist"))};
    ScopedManualScheduler manual;
    Ref<TListCard> card;
    FakeOutline outline;
    std::vector<std::unique_ptr<TCardItemRowViewController>> controllers;
};

TEST_F(RowControllerTest, EveryItemClassGetsItsRowKindAndUnknownClassesTheNearest) {
    struct Case {
        TCardItem* item;
        const char* controller;
    };
    TTreeNode* root = card->GetRoot();
    const Case cases[] = {
        {addRow(root, TListItem::Create(QStringLiteral("a"))), "TListItemViewController"},
        {addRow(root, groupRow(QStringLiteral("g"))), "TGroupRowViewController"},
        {addRow(root, TSeperatorItem::Create()), "TSeperatorViewController"},
        {addRow(root, TTextItem::Create(QStringLiteral("t"))), "TTextItemViewController"},
        {addRow(root, TURLAttachment::Create()), "TURLAttachmentViewController"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RowControllers::controllerClassFor(c.item), QString::fromLatin1(c.controller))
            << c.item->ClassName().toStdString();
        TCardItemRowViewController* controller = host(c.item);
        EXPECT_EQ(c.item->GetViewRepresentation(), static_cast<TCardItemViewController*>(controller));
        EXPECT_NE(qobject_cast<TCardItemBackgroundView*>(controller->view()), nullptr);
    }
    EXPECT_NE(dynamic_cast<TListItemRowViewController*>(controllers[0].get()), nullptr);
    EXPECT_NE(dynamic_cast<TGroupRowViewController*>(controllers[1].get()), nullptr);
    EXPECT_NE(dynamic_cast<TSeperatorViewController*>(controllers[2].get()), nullptr);
    EXPECT_EQ(TCardItem::GetViewRepresentationClass(TFileAttachment::StaticClass()),
              "TFileAttachmentViewController");
    // A controller that goes clears the item's pointer to it.
    TCardItem* first = cases[0].item;
    controllers[0].reset();
    EXPECT_EQ(first->GetViewRepresentation(), nullptr);
}

TEST_F(RowControllerTest, InfoButtonShowsAfterTheDelayAndHidesForOtherRows) {
    defaults.setBoolForKey(true, kPreferenceKeyAutoHideInfoButton);
    TTreeNode* root = card->GetRoot();
    std::vector<InfoRow*> rows;
    for (int i = 0; i < 2; ++i) {
        auto* row = new InfoRow(addRow(root, TTextItem::Create(QStringLiteral("row"))), card.get());
        row->load();
        controllers.emplace_back(row);
        row->view()->setParent(&outline);
        row->view()->setGeometry(0, i * 30, 400, 20);
        rows.push_back(row);
    }
    outline.show();
    QApplication::setActiveWindow(&outline);

    // In and out within the delay: nothing.
    rows[0]->mouseEntered(QPointF(10, 10));
    manual.scheduler.advance(0.3);
    rows[0]->mouseExited();
    manual.scheduler.advance(1);
    EXPECT_TRUE(rows[0]->infoButton()->isHidden());

    rows[0]->mouseEntered(QPointF(10, 10));
    manual.scheduler.advance(0.5);
    EXPECT_FALSE(rows[0]->infoButton()->isHidden());
    EXPECT_EQ(rows[0]->infoButton()->geometry().right() + 1, 400 - 6);

    // Hovering the second row hides the first one's button.
    rows[1]->mouseEntered(QPointF(10, 40));
    manual.scheduler.advance(0.5);
    EXPECT_TRUE(rows[0]->infoButton()->isHidden());
    EXPECT_FALSE(rows[1]->infoButton()->isHidden());

    // An open popover keeps its button through the notice and the pointer leaving.
    rows[0]->showInfo();
    EXPECT_TRUE(rows[0]->isInfoPopoverOpen());
    NotificationCenter::defaultCenter().post(QStringLiteral("hideInfoButtons"));
    rows[0]->mouseExited();
    EXPECT_FALSE(rows[0]->infoButton()->isHidden());
    EXPECT_TRUE(rows[1]->infoButton()->isHidden());
    rows[0]->popoverControllerWillClose(nullptr);
    EXPECT_FALSE(rows[0]->isInfoPopoverOpen());

    // With the preference off hovering shows nothing.
    defaults.setBoolForKey(false, kPreferenceKeyAutoHideInfoButton);
    rows[1]->mouseEntered(QPointF(12, 40));
    manual.scheduler.advance(1);
    EXPECT_TRUE(rows[1]->infoButton()->isHidden());

    // Kinds without an info button never show one.
    defaults.setBoolForKey(true, kPreferenceKeyAutoHideInfoButton);
    // The pointer crossing a window that is not active starts nothing.
    QApplication::setActiveWindow(nullptr);
    rows[1]->mouseEntered(QPointF(14, 40));
    EXPECT_FALSE(manual.scheduler.isPending(static_cast<TCardItemRowViewController*>(rows[1]),
                                            QStringLiteral("showInfoButton")));
    QApplication::setActiveWindow(&outline);
    TCardItemRowViewController* group = host(addRow(root, groupRow(QStringLiteral("g"))));
    group->mouseEntered(QPointF(5, 5));
    manual.scheduler.advance(1);
    group->showInfo();
    EXPECT_TRUE(group->infoButton()->isHidden());
    EXPECT_FALSE(group->isInfoPopoverOpen());
}

TEST_F(RowControllerTest, TypingStoresTheTextAndMarksTheCardOnce) {
    TTreeNode* root = card->GetRoot();
    auto* item = addRow(root, TTextItem::Create(QStringLiteral("Milk")));
    auto* row = static_cast<TTextItemViewController*>(host(item));
    EXPECT_EQ(row->editor()->toPlainText(), "Milk");
    card->SetModified(false);
    int notices = 0;
    NotificationCenter::defaultCenter().addObserver(this, kCardModifiedNotification, nullptr,
                                                    [&](const Notification&) { ++notices; });
    outline.show();
    QApplication::setActiveWindow(&outline);
    row->makeFirstResponder();
    row->editor()->moveCursor(QTextCursor::End);
    QTest::keyClicks(row->editor(), QStringLiteral(" and eggs"));
    NotificationCenter::defaultCenter().removeObserver(this);
    EXPECT_EQ(item->GetPlainText(), "Milk and eggs");
    EXPECT_TRUE(card->IsModified());
    EXPECT_EQ(notices, 1);
    EXPECT_GE(row->view()->height(), 15);

    // Return asks the outline for a new row after this one.
    QTest::keyClick(row->editor(), Qt::Key_Return);
    EXPECT_EQ(outline.calls.value(0), "insert 0");
    // Left at the start hands the caret to the row above (row -1: the outline decides).
    row->setSelectedRange(0, 0);
    QTest::keyClick(row->editor(), Qt::Key_Left);
    EXPECT_EQ(outline.calls.value(1), QStringLiteral("setInsertion %1 -1").arg(INT_MAX));
    row->setSelectedRange(100, 100);
    EXPECT_EQ(row->editor()->textCursor().selectionStart(), item->GetPlainText().size());
}

TEST_F(RowControllerTest, ListMarkersFollowTheParentsNumbering) {
    TListItem* root = card->GetRoot();
    struct Case {
        qint32 numbering;
        int position;
        const char* suffix;
        const char* marker;
    };
    const Case cases[] = {
        {kRowNumberingNone, 1, ")", "-"},          {kRowNumberingDecimal, 2, "", "2"},
        {kRowNumberingDecimal, 1, ")", "1)"},      {kRowNumberingUpperLetters, 3, ")", "C)"},
        {kRowNumberingLowerLetters, 28, "", "ab"}, {kRowNumberingUpperRoman, 4, ".", "IV."},
        {kRowNumberingLowerRoman, 9, "", "ix"},    {kRowNumberingOutline, 2, "", "2"},
    };
    std::vector<TListItem*> items;
    for (int i = 0; i < 28; ++i) items.push_back(addRow(root, TListItem::Create(QStringLiteral("row"))));
    for (const Case& c : cases) {
        controllers.clear();
        root->SetRowNumbering(c.numbering);
        defaults.setObjectForKey(QString::fromLatin1(c.suffix), kPreferenceKeyListSuffix);
        auto* row = static_cast<TListItemRowViewController*>(host(items[c.position - 1]));
        EXPECT_EQ(row->markerString(), QString::fromLatin1(c.marker)) << c.numbering << " " << c.position;
        EXPECT_EQ(items[c.position - 1]->GetMarkerString(), QString::fromLatin1(c.marker));
        EXPECT_GT(row->editor()->x(), row->markerView()->x());
    }
    // A new prefix renews the shown marker at once.
    controllers.clear();
    root->SetRowNumbering(kRowNumberingNone);
    auto* row = static_cast<TListItemRowViewController*>(host(items[0]));
    defaults.setObjectForKey(QStringLiteral("*"), kPreferenceKeyListPrefix);
    EXPECT_EQ(row->markerString(), "*");

    // A numbering change numbers the rows below that have children.
    auto* child = addRow(items[2], TListItem::Create(QStringLiteral("child")));
    row = static_cast<TListItemRowViewController*>(host(items[2]));
    row->rowNumberingChanged(kRowNumberingOutline);
    EXPECT_EQ(items[2]->GetRowNumbering(), kRowNumberingOutline);
    EXPECT_EQ(items[0]->GetRowNumbering(), kRowNumberingNone);
    auto* childRow = static_cast<TListItemRowViewController*>(host(child));
    EXPECT_EQ(childRow->markerString(), QStringLiteral("3.1"));
    MenuItemState menu{QStringLiteral("rowNumberingChanged:"), false, {}, kRowNumberingOutline};
    EXPECT_TRUE(row->validateMenuItem(menu));
    EXPECT_TRUE(menu.checked);
}

} // namespace
