#include "foundation/NSObjectWrapper.h"
#include "model/Card.h"
#include "model/CardItems.h"
#include "model/Globals.h"
#include "model/ModelObject.h"
#include "model/Task.h"
#include "platform/AlertPresenter.h"
#include "platform/AutoreleasePool.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "platform/calendar/FakeEventStore.h"
#include "utilities/PasteboardUtilities.h"
#include "windows/OutlineDragDrop.h"

#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

using namespace OutlineDragDrop;

// An outline stand-in: edits the model straight and records the undo steps it was asked for.
class FakeDropHost : public OutlineDropHost {
public:
    explicit FakeDropHost(TJobslate* card) : card(card) {}
    TListCard* dropCard() const override { return card; }
    bool isFiltered() const override { return filtered; }
    void insertDroppedItem(TCardItem* item, TTreeNode* parent, qint64 index) override {
        steps << QStringLiteral("Add Item");
        parent->InsertChild(item, index);
    }
    void moveDroppedItem(TCardItem* item, TTreeNode* parent, qint64 index) override {
        steps << QStringLiteral("Move Item");
        parent->InsertChild(item, index);
    }
    QString dropItemClass() const override { return QStringLiteral("TListItem"); }
    void reloadAfterDrop() override { ++reloads; }
    void clearUndoHistory(TCard* cleared) override { clearedHistory << cleared; }

    TJobslate* card;
    bool filtered = false;
    QStringList steps;
    QList<TCard*> clearedHistory;
    int reloads = 0;
};

class OutlineDragDropTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterModelClasses();
        UserDefaults::setStandardUserDefaults(&defaults);
        SetEventStore(store);
        card = Ref<TJobslate>::adopt(TJobslate::Create(QStringLiteral("Here")));
        other = Ref<TJobslate>::adopt(TJobslate::Create(QStringLiteral("There")));
    }
    void TearDown() override {
        SetEventStore(nullptr);
        UserDefaults::setStandardUserDefaults(nullptr);
    }
    template <class T = TListItem> T* add(TTreeNode* parent, const QString& text) {
        T* item = T::Create(text);
        parent->AddChild(item);
        item->Release();
        return item;
    }
    static QString texts(TTreeNode* parent) {
        QStringList result;
        for (qint64 i = 0; i < parent->ChildCount(); ++i)
            result << static_cast<TTextItem*>(parent->GetChild(i))->GetPlainText();
        return result.join(QLatin1Char(' '));
    }
    static std::unique_ptr<QMimeData> rowDrag(const QList<TCardItem*>& rows) {
        auto data = std::make_unique<QMimeData>();
        EXPECT_TRUE(writeItems(rows, false, *data));
        return data;
    }

    AutoreleasePool pool;
    ScopedManualScheduler scheduler;
    ScopedScriptedAlertPresenter alerts;
    QTemporaryDir folder;
    UserDefaults defaults{folder.filePath(QStringLiteral("defaults.plist"))};
    std::shared_ptr<FakeEventStore> store = FakeEventStore::create();
    Ref<TJobslate> card;
    Ref<TJobslate> other;
    FakeDropHost host{nullptr};
};

TEST_F(OutlineDragDropTest, DropValidationTable) {
    TListItem* root = card->GetRoot();
    TListItem* row = add(root, QStringLiteral("row"));
    TListItem* child = add(row, QStringLiteral("child"));
    auto* separator = TSeperatorItem::Create();
    root->AddChild(separator);
    separator->Release();
    auto* link = add<TURLAttachment>(root, QStringLiteral("link"));
    const auto drag = rowDrag({row});
    QMimeData text;
    text.setText(QStringLiteral("words"));

    struct Case {
        const char* name;
        const QMimeData* data;
        const TCardItem* parent;
        bool filtered;
        bool alt;
        DragOperation expected;
    };
    const Case cases[] = {
        {"text onto the root", &text, nullptr, false, false, kDragOperationGeneric},
        {"text onto a row", &text, child, false, false, kDragOperationGeneric},
        {"text with Alt", &text, child, false, true, kDragOperationCopy},
        {"onto a separator", &text, separator, false, false, kDragOperationNone},
        {"onto an attachment", &text, link, false, false, kDragOperationNone},
        {"while filtered", &text, nullptr, true, false, kDragOperationNone},
        {"row into itself", drag.get(), row, false, false, kDragOperationNone},
        {"row into its child", drag.get(), child, false, false, kDragOperationNone},
        {"row copied into itself", drag.get(), row, false, true, kDragOperationCopy},
        {"row between rows of the root", drag.get(), nullptr, false, false, kDragOperationGeneric},
    };
    for (const Case& c : cases)
        EXPECT_EQ(validateDrop(*c.data, c.parent, c.filtered, c.alt), c.expected) << c.name;
}

TEST_F(OutlineDragDropTest, RowDragsCarryReferencesThatGoStaleAndALink) {
    TListItem* row = add(card->GetRoot(), QStringLiteral("row"));
    QMimeData data;
    EXPECT_FALSE(writeItems({row}, true, data)); // nothing is dragged out of a filter
    EXPECT_TRUE(data.formats().isEmpty());
    ASSERT_TRUE(writeItems({row}, false, data));
    EXPECT_EQ(data.text(), ItemLink(row->GetUUID()));
    EXPECT_EQ(draggedItems(data), QList<TCardItem*>({row}));

    // A removed row can't be dropped, nor can a payload naming a row that is gone.
    row->Retain();
    row->RemoveFromParent();
    EXPECT_TRUE(draggedItems(data).isEmpty());
    row->Release();
    EXPECT_TRUE(draggedItems(data).isEmpty());
    EXPECT_EQ(validateDrop(data, nullptr, false, false), kDragOperationNone);
}

TEST_F(OutlineDragDropTest, SeveralRowsDroppedAtOneIndexKeepTheirOrder) {
    // GIVEN
    FakeDropHost host(card.get());
    TListItem* root = card->GetRoot();
    QList<TCardItem*> rows;
    for (const char* text : {"A", "B", "C", "D", "E"}) rows << add(root, QString::fromLatin1(text));

    // WHEN A and B are dropped between D and E, THEN they land there in order.
    EXPECT_TRUE(acceptDrop(host, *rowDrag({rows[0], rows[1]}), nullptr, 4, false));
    EXPECT_EQ(texts(root), "C D A B E");
    EXPECT_EQ(host.steps, QStringList({"Move Item", "Move Item"}));

    // E and C dropped at the top keep the drag's order.
    EXPECT_TRUE(acceptDrop(host, *rowDrag({rows[4], rows[2]}), nullptr, 0, false));
    EXPECT_EQ(texts(root), "E C D A B");

    // Into a row, at -1: appended in order; a row dragged with its parent moves with it.
    TListItem* child = add(rows[0], QStringLiteral("a1"));
    EXPECT_TRUE(
        acceptDrop(host, *rowDrag({rows[0], child, rows[1]}), static_cast<TCardItem*>(rows[3]), -1, false));
    EXPECT_EQ(texts(rows[3]), "A B");
    EXPECT_EQ(child->GetParent(), rows[0]);

    // Text lines dropped at one index keep their order too.
    QMimeData first, second;
    first.setText(QStringLiteral("one"));
    second.setText(QStringLiteral("two"));
    QMimeData lines;
    PasteboardUtilities::writeObjects(lines, {&first, &second});
    EXPECT_TRUE(acceptDrop(host, lines, nullptr, 1, false));
    EXPECT_EQ(texts(root), "E one two C D");
}

TEST_F(OutlineDragDropTest, ARowDroppedIntoItselfOrBelowItStaysWhereItIs) {
    FakeDropHost host(card.get());
    TListItem* row = add(card->GetRoot(), QStringLiteral("row"));
    TListItem* child = add(row, QStringLiteral("child"));
    acceptDrop(host, *rowDrag({row}), row, 0, false);
    acceptDrop(host, *rowDrag({row}), child, -1, false);
    EXPECT_EQ(row->GetParent(), card->GetRoot());
    EXPECT_EQ(child->GetParent(), row);
    EXPECT_TRUE(host.steps.isEmpty());
}

TEST_F(OutlineDragDropTest, ACopyWithinTheOutlineLeavesTheRowAndAddsADeepCopy) {
    FakeDropHost host(card.get());
    TListItem* root = card->GetRoot();
    TListItem* row = add(root, QStringLiteral("row"));
    add(row, QStringLiteral("child"));
    add(root, QStringLiteral("last"));
    EXPECT_TRUE(acceptDrop(host, *rowDrag({row}), nullptr, 2, true));
    EXPECT_EQ(texts(root), "row last row");
    EXPECT_EQ(texts(root->GetChild(2)), "child");
    EXPECT_NE(static_cast<TCardItem*>(root->GetChild(2))->GetUUID(), row->GetUUID());
    EXPECT_EQ(host.steps, QStringList({"Add Item"})); // undone by removing the copy
}

TEST_F(OutlineDragDropTest, ATaskMovedFromAnotherCardKeepsItsEventAndBothHistoriesAreCleared) {
    // GIVEN
    FakeDropHost host(card.get());
    TTask* task = add<TTask>(other->GetRoot(), QStringLiteral("task"));
    task->SetDueDate(scheduler.scheduler.now().addDays(1));
    ASSERT_TRUE(task->SaveEvent());
    const QString event = task->GetEventIdenfitier();
    alerts.setNextAnswer(NSAlertFirstButtonReturn); // "Move"

    // WHEN
    EXPECT_TRUE(acceptDrop(host, *rowDrag({task}), nullptr, -1, false));

    // THEN
    ASSERT_EQ(alerts.questions().size(), 1u);
    EXPECT_EQ(alerts.questions()[0].alert.messageText,
              "Would you like to move the item to \"Here\" or add it as a hyperlink?");
    EXPECT_EQ(alerts.questions()[0].alert.buttons, QStringList({"Move", "Hyperlink", "Cancel"}));
    EXPECT_EQ(task->GetParent(), card->GetRoot());
    EXPECT_EQ(other->GetRoot()->ChildCount(), 0);
    EXPECT_TRUE(task->HasEvent());
    EXPECT_EQ(task->GetEventIdenfitier(), event);
    EXPECT_EQ(store->calendarItemsWithExternalIdentifier(event).size(), 1);
    EXPECT_TRUE(host.clearedHistory.contains(card.get()));
    EXPECT_TRUE(host.clearedHistory.contains(other.get()));
    EXPECT_TRUE(host.steps.isEmpty());
    EXPECT_EQ(host.reloads, 1);
}

TEST_F(OutlineDragDropTest, ARowOfAnotherCardBecomesALinkOrIsLeftAlone) {
    FakeDropHost host(card.get());
    TListItem* row = add(other->GetRoot(), QStringLiteral("far row"));
    alerts.setNextAnswer(NSAlertSecondButtonReturn); // "Hyperlink"
    EXPECT_TRUE(acceptDrop(host, *rowDrag({row}), nullptr, -1, false));
    ASSERT_EQ(card->GetRoot()->ChildCount(), 1);
    auto* link = dynamic_cast<TURLAttachment*>(card->GetRoot()->GetChild(0));
    ASSERT_TRUE(link);
    EXPECT_EQ(link->GetURL(), QUrl(ItemLink(row->GetUUID())));
    EXPECT_EQ(link->GetPlainText(), "far row");
    EXPECT_EQ(row->GetParent(), other->GetRoot());

    alerts.setNextAnswer(NSAlertThirdButtonReturn); // "Cancel"
    acceptDrop(host, *rowDrag({row}), nullptr, -1, false);
    EXPECT_EQ(card->GetRoot()->ChildCount(), 1);
    EXPECT_EQ(row->GetParent(), other->GetRoot());
}

TEST_F(OutlineDragDropTest, DroppedCardsAttachOrLinkButNeverIntoThemselves) {
    FakeDropHost host(card.get());
    QMimeData own;
    own.setData(NSPasteboardTypeCardWrapper, card->GetCocoaObject()->encode());
    alerts.setNextAnswer(NSAlertFirstButtonReturn); // "Attachment"
    EXPECT_FALSE(acceptDrop(host, own, nullptr, -1, false));
    ASSERT_EQ(alerts.questions().size(), 2u);
    EXPECT_EQ(alerts.questions()[1].alert.messageText, "Error Attaching Card");
    EXPECT_EQ(alerts.questions()[1].alert.informativeText, "The card can not be attached to itself.");
    EXPECT_EQ(card->GetRoot()->ChildCount(), 0);

    QMimeData far;
    far.setData(NSPasteboardTypeCardWrapper, other->GetCocoaObject()->encode());
    alerts.setNextAnswer(NSAlertSecondButtonReturn); // "Hyperlink"
    EXPECT_TRUE(acceptDrop(host, far, nullptr, -1, false));
    auto* link = dynamic_cast<TURLAttachment*>(card->GetRoot()->GetChild(0));
    ASSERT_TRUE(link);
    EXPECT_EQ(link->GetURL(), QUrl(CardLink(other->GetUUID())));
    EXPECT_EQ(link->GetPlainText(), "There");

    alerts.setNextAnswer(NSAlertFirstButtonReturn); // "Attachment"
    EXPECT_TRUE(acceptDrop(host, far, nullptr, -1, false));
    auto* attachment = dynamic_cast<TCardAttachment*>(card->GetRoot()->GetChild(1));
    ASSERT_TRUE(attachment);
    EXPECT_EQ(attachment->GetCard(), other.get());
    EXPECT_TRUE(host.clearedHistory.contains(card.get()));
}

TEST_F(OutlineDragDropTest, LinksTextAndFilesBecomeRowsOfTheirKind) {
    FakeDropHost host(card.get());
    TListItem* root = card->GetRoot();
    const struct {
        QUrl url;
        const char* title;
        const char* className;
        const char* text;
    } links[] = {{QUrl(QStringLiteral("https://example.org/page")), "A page", "TURLAttachment", "A page"},
                 {QUrl(QStringLiteral("message:%3Cid@example.org%3E")), "", "TMailAttachment", nullptr}};
    for (const auto& l : links) {
        QMimeData data;
        PasteboardCommonTypes::setURLType(data, l.url);
        if (*l.title)
            PasteboardUtilities::setDataForType(data, QByteArray(l.title), QStringLiteral("public.url-name"));
        ASSERT_TRUE(acceptDrop(host, data, nullptr, -1, false)) << l.className;
        auto* row = static_cast<TCardItem*>(root->GetChild(root->ChildCount() - 1));
        EXPECT_EQ(row->ClassName(), QString::fromLatin1(l.className));
        EXPECT_EQ(static_cast<TURLAttachment*>(row)->GetURL(), l.url);
        if (l.text) {
            EXPECT_EQ(static_cast<TTextItem*>(row)->GetPlainText(), QString::fromLatin1(l.text));
        }
    }

    // A text file is inserted as a file without asking; a picture file asks.
    const QString textFile = folder.filePath(QStringLiteral("notes.txt"));
    QFile(textFile).open(QIODevice::WriteOnly);
    QMimeData fileDrop;
    PasteboardCommonTypes::setFileURLType(fileDrop, QUrl::fromLocalFile(textFile));
    EXPECT_TRUE(acceptDrop(host, fileDrop, nullptr, -1, false));
    EXPECT_EQ(root->GetChild(2)->ClassName(), "TFileAttachment");
    EXPECT_TRUE(alerts.questions().empty());

    const QString picture = folder.filePath(QStringLiteral("dot.png"));
    QImage dot(4, 4, QImage::Format_ARGB32);
    dot.fill(Qt::red);
    ASSERT_TRUE(dot.save(picture));
    QMimeData pictureDrop;
    PasteboardCommonTypes::setFileURLType(pictureDrop, QUrl::fromLocalFile(picture));
    alerts.setNextAnswer(NSAlertFirstButtonReturn); // "Image"
    EXPECT_TRUE(acceptDrop(host, pictureDrop, nullptr, -1, false));
    ASSERT_EQ(alerts.questions().size(), 1u);
    EXPECT_EQ(alerts.questions()[0].alert.buttons, QStringList({"Image", "File", "Cancel"}));
    EXPECT_EQ(root->GetChild(3)->ClassName(), "TImageAttachment");
}

TEST_F(OutlineDragDropTest, NothingIsDroppedWhileAFilterIsShown) {
    FakeDropHost host(card.get());
    host.filtered = true;
    TListItem* row = add(card->GetRoot(), QStringLiteral("row"));
    add(card->GetRoot(), QStringLiteral("other"));
    QMimeData text;
    text.setText(QStringLiteral("words"));
    EXPECT_FALSE(acceptDrop(host, text, nullptr, -1, false));
    EXPECT_FALSE(acceptDrop(host, *rowDrag({row}), nullptr, 2, false));
    EXPECT_EQ(texts(card->GetRoot()), "row other");
}

TEST_F(OutlineDragDropTest, NoRowOrCardGoesIntoACardAttachedBelowIt) {
    // GIVEN: "Here" is attached to a row of "There"
    FakeDropHost host(card.get());
    TListItem* holder = add(other->GetRoot(), QStringLiteral("holder"));
    auto* attachment = TCardAttachment::Create(card.get());
    holder->AddChild(attachment);
    attachment->Release();
    TListItem* row = add(card->GetRoot(), QStringLiteral("row"));
    const auto drag = rowDrag({holder});
    QMimeData far;
    far.setData(NSPasteboardTypeCardWrapper, other->GetCocoaObject()->encode());

    // THEN the row holding the attachment is refused, before and at the drop
    EXPECT_EQ(validateDrop(*drag, row, false, false), kDragOperationNone);
    alerts.setNextAnswer(NSAlertFirstButtonReturn); // "Move"
    acceptDrop(host, *drag, row, -1, false);
    acceptDrop(host, *drag, nullptr, -1, false);
    EXPECT_EQ(holder->GetParent(), other->GetRoot());
    EXPECT_EQ(row->ChildCount(), 0);
    EXPECT_EQ(texts(card->GetRoot()), "row");

    // AND the card holding this one is not attached into it
    alerts.setNextAnswer(NSAlertFirstButtonReturn); // "Attachment"
    EXPECT_FALSE(acceptDrop(host, far, nullptr, -1, false));
    ASSERT_FALSE(alerts.questions().empty());
    EXPECT_EQ(alerts.questions().back().alert.informativeText,
              "The card can not be attached to card which is nested inside itself.");
    EXPECT_EQ(texts(card->GetRoot()), "row");

    // AND a copy may go anywhere
    EXPECT_TRUE(acceptDrop(host, *drag, row, -1, true));
    EXPECT_EQ(row->ChildCount(), 1);
    EXPECT_EQ(holder->GetParent(), other->GetRoot());
}

} // namespace

namespace {

TEST_F(OutlineDragDropTest, ASheetReadAgainDuringTheDropQuestionTakesNothing) {
    // GIVEN two rows dragged from another card
    FakeDropHost host(card.get());
    add(card->GetRoot(), QStringLiteral("anchor"));
    TListItem* first = add(other->GetRoot(), QStringLiteral("first"));
    TListItem* second = add(other->GetRoot(), QStringLiteral("second"));
    const auto drag = rowDrag({first, second});
    const Ref<TJobslate> reread = Ref<TJobslate>::adopt(TJobslate::Create(QStringLiteral("Here")));

    // WHEN the sheet is read again while "Move / Hyperlink / Cancel" is open: every card object of
    // it is let go and the outline shows the new one
    alerts.whileAsking([&] {
        other = {};
        host.card = reread.get();
        card = {};
    });
    alerts.setNextAnswer(NSAlertFirstButtonReturn); // "Move"
    alerts.setNextAnswer(NSAlertFirstButtonReturn);
    const bool taken = acceptDrop(host, *drag, nullptr, 0, false);

    // THEN the drop ends there: nothing freed is touched (ASan), nothing lands in the new card
    EXPECT_FALSE(taken);
    EXPECT_EQ(alerts.questions().size(), 1u);
    EXPECT_EQ(reread->GetRoot()->ChildCount(), 0);
    EXPECT_EQ(host.reloads, 0);
}

TEST_F(OutlineDragDropTest, ARowPayloadClaimingMoreRowsThanADragCarriesIsRefused) {
    QMimeData forged;
    PasteboardUtilities::setDataForType(forged, QByteArray("\xff\xff\xff\xff", 4),
                                        NSPasteboardTypeCardItemWrapper);
    EXPECT_TRUE(draggedItems(forged).isEmpty());
    EXPECT_EQ(validateDrop(forged, nullptr, false, false), kDragOperationNone);
}

} // namespace
