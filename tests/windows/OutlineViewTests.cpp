#include "foundation/Object.h"
#include "model/CardItems.h"
#include "model/Globals.h"
#include "model/ListCard.h"
#include "model/ModelObject.h"
#include "model/Task.h"
#include "platform/AutoreleasePool.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "platform/calendar/FakeEventStore.h"
#include "windows/CardTextView.h"
#include "windows/OutlineView.h"
#include "windows/OutlineViewController.h"
#include "windows/RowControllers.h"
#include "windows/TextItemViewController.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QUndoStack>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <memory>

namespace {

QString textOf(TTreeNode* node) {
    auto* item = dynamic_cast<TTextItem*>(node);
    return item ? item->GetText().string() : QString();
}

QStringList childTexts(TTreeNode* parent) {
    QStringList texts;
    for (qint64 i = 0; i < parent->ChildCount(); ++i) texts << textOf(parent->GetChild(i));
    return texts;
}

class OutlineViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterModelClasses();
        UserDefaults::setStandardUserDefaults(&defaults);
        TOutlineViewController::registerForListCards();
        card = Ref<TJobslate>::adopt(TJobslate::Create(QStringLiteral("Jobs")));
        card->SetDefaultItem(kItemKindList);
    }
    void TearDown() override {
        controller.reset();
        UserDefaults::setStandardUserDefaults(nullptr);
    }

    TListItem* add(TTreeNode* parent, const QString& text) {
        TListItem* item = TListItem::Create(text);
        parent->AddChild(item);
        item->Release();
        return item;
    }
    // Opens the card in a shown, active outline.
    void open() {
        controller.reset(dynamic_cast<TOutlineViewController*>(CardViewControllers::make(card.get())));
        ASSERT_TRUE(controller);
        QWidget* view = controller->view();
        view->resize(400, 300);
        view->show();
        QApplication::setActiveWindow(view);
        outline = controller->browser();
    }
    TCardTextView* editorOf(TCardItem* item) {
        auto* row = dynamic_cast<TTextItemViewController*>(outline->controllerForItem(item));
        return row ? row->editor() : nullptr;
    }
    TCardItem* focusedItem() {
        auto* text = qobject_cast<TCardTextView*>(QApplication::focusWidget());
        return text ? text->cardItem() : nullptr;
    }
    QUndoStack* undo() { return controller->undoStack(); }

    AutoreleasePool pool;
    QTemporaryDir folder;
    UserDefaults defaults{folder.filePath(QStringLiteral("defaults.plist"))};
    ScopedManualScheduler manual;
    Ref<TJobslate> card;
    std::unique_ptr<TOutlineViewController> controller;
    TCardOutlineView* outline = nullptr;
};

TEST_F(OutlineViewTest, ListCardsGetTheOutlineAndItShowsTheExpandedTree) {
    TListItem* a = add(card->GetRoot(), QStringLiteral("a"));
    add(a, QStringLiteral("a1"));
    TListItem* b = add(card->GetRoot(), QStringLiteral("b"));
    add(b, QStringLiteral("b1"));
    b->SetExpanded(true);
    open();
    ASSERT_EQ(outline->numberOfRows(), 3);
    EXPECT_EQ(textOf(outline->itemAtRow(2)), QStringLiteral("b1"));
    EXPECT_EQ(outline->levelForRow(2), 1);
    outline->expandItem(a);
    EXPECT_EQ(outline->numberOfRows(), 4);
    EXPECT_EQ(textOf(outline->itemAtRow(1)), QStringLiteral("a1"));
}

TEST_F(OutlineViewTest, SeveralRowsInsertedAtOneIndexKeepTheirOrderAndUndoAsOneStep) {
    struct Case {
        qint64 index;
        QStringList expected;
    };
    const Case cases[] = {
        {1, {"first", "A", "B", "C", "second"}},
        {-1, {"first", "second", "A", "B", "C"}},
        {0, {"A", "B", "C", "first", "second"}},
    };
    for (const Case& c : cases) {
        card->GetRoot()->RemoveAllChildren();
        add(card->GetRoot(), QStringLiteral("first"));
        add(card->GetRoot(), QStringLiteral("second"));
        open();
        QList<Ref<TCardItem>> made;
        QList<TCardItem*> items;
        for (const char* text : {"A", "B", "C"}) {
            made << Ref<TCardItem>::adopt(TListItem::Create(QString::fromLatin1(text)));
            items << made.last().get();
        }
        controller->insertItems(items, nullptr, c.index);
        EXPECT_EQ(childTexts(card->GetRoot()), c.expected) << c.index;
        EXPECT_EQ(undo()->undoText(), QStringLiteral("Add Item"));
        EXPECT_EQ(focusedItem(), items.last()) << c.index;
        undo()->undo();
        EXPECT_EQ(childTexts(card->GetRoot()), QStringList({"first", "second"})) << c.index;
        undo()->redo();
        EXPECT_EQ(childTexts(card->GetRoot()), c.expected) << c.index;
        EXPECT_EQ(outline->numberOfRows(), 5);
    }
}

TEST_F(OutlineViewTest, ReturnTabShiftTabAndBackspaceEditTheTree) {
    TListItem* a = add(card->GetRoot(), QStringLiteral("a"));
    open();
    controller->makeItemFirstResponder(a);
    ASSERT_EQ(focusedItem(), a);

    // WHEN Return in the row: a new row after it, focused.
    QTest::keyClick(editorOf(a), Qt::Key_Return);
    ASSERT_EQ(card->GetRoot()->ChildCount(), 2);
    auto* b = static_cast<TCardItem*>(card->GetRoot()->GetChild(1));
    EXPECT_EQ(focusedItem(), b);
    EXPECT_TRUE(card->IsModified());
    QTest::keyClicks(editorOf(b), QStringLiteral("b"));
    EXPECT_EQ(textOf(b), QStringLiteral("b"));

    // Tab: the row becomes the last child of the row above.
    QTest::keyClick(editorOf(b), Qt::Key_Tab);
    EXPECT_EQ(b->GetParent(), a);
    EXPECT_EQ(undo()->undoText(), QStringLiteral("Move Item"));
    EXPECT_EQ(focusedItem(), b);

    // Shift-Tab: back out, just after its former parent.
    QTest::keyClick(editorOf(b), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(b->GetParent(), card->GetRoot());
    EXPECT_EQ(b->GetIndex(), 1);

    // Tab on the first row beeps and changes nothing.
    const int steps = undo()->count();
    controller->indentRow(0);
    EXPECT_EQ(undo()->count(), steps);

    // Backspace in an empty row removes it and puts the caret at the end of the row above.
    QTest::keyClick(editorOf(b), Qt::Key_Return);
    auto* c = static_cast<TCardItem*>(card->GetRoot()->GetChild(2));
    ASSERT_EQ(focusedItem(), c);
    QTest::keyClick(editorOf(c), Qt::Key_Backspace);
    EXPECT_EQ(card->GetRoot()->ChildCount(), 2);
    EXPECT_EQ(focusedItem(), b);
    EXPECT_EQ(editorOf(b)->textCursor().position(), 1);
    EXPECT_EQ(undo()->undoText(), QStringLiteral("Remove Item"));

    // Undo puts the row back at its place, focused.
    undo()->undo();
    EXPECT_EQ(card->GetRoot()->GetChild(2), c);
    EXPECT_EQ(focusedItem(), c);
}

TEST_F(OutlineViewTest, MovesIntoTheRowItselfOrItsDescendantsAreRefused) {
    TListItem* a = add(card->GetRoot(), QStringLiteral("a"));
    TListItem* child = add(a, QStringLiteral("a1"));
    TListItem* grandchild = add(child, QStringLiteral("a11"));
    open();
    for (TCardItem* target :
         {static_cast<TCardItem*>(a), static_cast<TCardItem*>(child), static_cast<TCardItem*>(grandchild)}) {
        EXPECT_FALSE(controller->moveItem(a, target, -1)) << textOf(target).toStdString();
        EXPECT_EQ(a->GetParent(), card->GetRoot());
    }
    EXPECT_EQ(undo()->count(), 0);
}

TEST_F(OutlineViewTest, MovingFirstRowUpPutsItLastAndUndoReturnsIt) {
    add(card->GetRoot(), QStringLiteral("a"));
    add(card->GetRoot(), QStringLiteral("b"));
    TListItem* c = add(card->GetRoot(), QStringLiteral("c"));
    open();
    auto* a = static_cast<TCardItem*>(card->GetRoot()->GetChild(0));
    controller->selectItem(a);
    controller->moveRowUp();
    EXPECT_EQ(childTexts(card->GetRoot()), QStringList({"b", "c", "a"}));
    undo()->undo();
    EXPECT_EQ(childTexts(card->GetRoot()), QStringList({"a", "b", "c"}));
    controller->selectItem(c);
    controller->moveRowDown();
    EXPECT_EQ(childTexts(card->GetRoot()), QStringList({"a", "b", "c"}));
}

TEST_F(OutlineViewTest, IndentingAndOutdentingATaskKeepsItsCalendarEvent) {
    auto store = FakeEventStore::create();
    SetEventStore(store);
    add(card->GetRoot(), QStringLiteral("above"));
    TTask* task = TTask::Create(QStringLiteral("task"));
    card->GetRoot()->AddChild(task);
    task->Release();
    task->SetDueDate(manual.scheduler.now().addDays(1));
    ASSERT_TRUE(task->SaveEvent());
    const QString identifier = task->GetEventIdenfitier();
    open();
    controller->indentRow(1);
    EXPECT_EQ(task->GetParent()->GetIndex(), 0);
    EXPECT_TRUE(task->HasEvent());
    controller->outdentRow(1);
    EXPECT_EQ(task->GetParent(), card->GetRoot());
    EXPECT_TRUE(task->HasEvent());
    EXPECT_EQ(task->GetEventIdenfitier(), identifier);
    controller.reset();
    card = Ref<TJobslate>();
    SetEventStore(nullptr);
}

TEST_F(OutlineViewTest, UndoingTheRemovalOfATaskBringsBackItsDueDateAndReminder) {
    auto store = FakeEventStore::create();
    SetEventStore(store);
    add(card->GetRoot(), QStringLiteral("above"));
    TTask* task = TTask::Create(QStringLiteral("task"));
    card->GetRoot()->AddChild(task);
    task->Release();
    const QDateTime due = manual.scheduler.now().addDays(2);
    task->SetDueDate(due);
    task->GetEvent()->setAlarms({EKAlarm::alarmWithRelativeOffset(-600)});
    ASSERT_TRUE(task->SaveEvent());
    open();
    controller->removeItemFromParent(task);
    EXPECT_FALSE(task->HasEvent()) << "a removed task's event is deleted";
    undo()->undo();
    ASSERT_TRUE(task->HasEvent());
    EXPECT_EQ(task->GetDueDate(), due);
    ASSERT_TRUE(task->GetFirstAlarm().has_value());
    EXPECT_EQ(task->GetFirstAlarm()->relativeOffset(), -600);
    EXPECT_FALSE(task->GetEvent()->hasChanges()) << "saved to the store";
    controller.reset();
    card = Ref<TJobslate>();
    SetEventStore(nullptr);
}

TEST_F(OutlineViewTest, PasteOfThreeLinesMakesRowsInOrder) {
    add(card->GetRoot(), QStringLiteral("top"));
    open();
    QApplication::clipboard()->setText(QStringLiteral("one\n\n  two  \nthree"));
    controller->pasteAsItems();
    EXPECT_EQ(childTexts(card->GetRoot()), QStringList({"one", "two", "three", "top"}));
}

TEST_F(OutlineViewTest, ExpandColourAndFontAreUndoableSteps) {
    TListItem* a = add(card->GetRoot(), QStringLiteral("a"));
    add(a, QStringLiteral("a1"));
    open();
    controller->expandItem(a);
    EXPECT_EQ(undo()->undoText(), QStringLiteral("Expand Item"));
    EXPECT_EQ(outline->numberOfRows(), 2);
    undo()->undo();
    EXPECT_EQ(outline->numberOfRows(), 1);
    EXPECT_FALSE(a->IsExpanded());

    controller->changeColor(Qt::red, a);
    EXPECT_EQ(undo()->undoText(), QStringLiteral("Change Color"));
    QTextCursor cursor(editorOf(a)->document());
    cursor.setPosition(1);
    EXPECT_EQ(cursor.charFormat().foreground().color(), QColor(Qt::red));
    undo()->undo();
    cursor = QTextCursor(editorOf(a)->document());
    cursor.setPosition(1);
    EXPECT_NE(cursor.charFormat().foreground().color(), QColor(Qt::red));

    QFont font = editorOf(a)->currentFont();
    font.setPointSize(30);
    controller->changeFont(font, a);
    EXPECT_EQ(undo()->undoText(), QStringLiteral("Change Font"));
    const double tall = outline->rectOfRow(0).height();
    undo()->undo();
    EXPECT_LT(outline->rectOfRow(0).height(), tall);
}

TEST_F(OutlineViewTest, CaretMovesDownAndUpAcrossRowsByColumn) {
    TListItem* a = add(card->GetRoot(), QStringLiteral("abcdefghij"));
    TListItem* b = add(card->GetRoot(), QStringLiteral("abcdefghijklmnop"));
    open();
    controller->makeItemFirstResponder(a);
    editorOf(a)->moveCursor(QTextCursor::End);
    QTest::keyClick(editorOf(a), Qt::Key_Down);
    ASSERT_EQ(focusedItem(), b);
    // The caret lands near the column it left (the end of the shorter row above).
    const int down = editorOf(b)->textCursor().position();
    EXPECT_GE(down, 8);
    EXPECT_LE(down, 12);
    editorOf(b)->moveCursor(QTextCursor::End);
    QTest::keyClick(editorOf(b), Qt::Key_Up);
    ASSERT_EQ(focusedItem(), a);
    EXPECT_EQ(editorOf(a)->textCursor().position(), 10);
}

TEST_F(OutlineViewTest, ACardOfTenThousandRowsOpensWithFewLiveRows) {
    for (int i = 0; i < 10000; ++i) add(card->GetRoot(), QStringLiteral("row %1").arg(i));
    open();
    EXPECT_EQ(outline->numberOfRows(), 10000);
    EXPECT_LT(outline->liveRowCount(), 40);
    controller->makeItemAtRowFirstResponder(9999);
    EXPECT_EQ(textOf(focusedItem()), QStringLiteral("row 9999"));
    EXPECT_LT(outline->liveRowCount(), 40);
    // The focused row keeps its widgets when it scrolls out of view.
    outline->scrollRowToVisible(0);
    EXPECT_NE(outline->controllerForItem(outline->itemAtRow(9999)), nullptr);
    EXPECT_LT(outline->liveRowCount(), 41);
}

TEST_F(OutlineViewTest, TabIntoAClosedRowAboveOpensItAndKeepsTyping) {
    TListItem* a = add(card->GetRoot(), QStringLiteral("a"));
    add(a, QStringLiteral("a1"));
    TListItem* b = add(card->GetRoot(), QStringLiteral("b"));
    open();
    controller->makeItemFirstResponder(b);
    QTest::keyClick(editorOf(b), Qt::Key_Tab);
    EXPECT_EQ(b->GetParent(), a);
    EXPECT_TRUE(a->IsExpanded());
    EXPECT_EQ(focusedItem(), b);
    QTest::keyClicks(editorOf(b), QStringLiteral("x"));
    EXPECT_EQ(textOf(b), QStringLiteral("bx"));
}

TEST_F(OutlineViewTest, TypedTextIsKeptWhenItsRowScrollsOutAndBack) {
    for (int i = 0; i < 200; ++i) add(card->GetRoot(), QStringLiteral("row %1").arg(i));
    open();
    auto* first = static_cast<TCardItem*>(card->GetRoot()->GetChild(0));
    controller->makeItemFirstResponder(first);
    editorOf(first)->moveCursor(QTextCursor::End);
    QTest::keyClicks(editorOf(first), QStringLiteral("Zq"));
    EXPECT_EQ(textOf(first), QStringLiteral("row 0Zq"));
    controller->makeItemAtRowFirstResponder(199);
    outline->scrollRowToVisible(199);
    EXPECT_EQ(outline->controllerForItem(first), nullptr);
    controller->makeItemFirstResponder(first);
    EXPECT_TRUE(textOf(first).contains(QLatin1Char('Z')));
    EXPECT_TRUE(editorOf(first)->toPlainText().contains(QLatin1Char('Z')));
}

TEST_F(OutlineViewTest, RemovingASelectedParentWithItsChildUndoesAndRedoes) {
    TListItem* p = add(card->GetRoot(), QStringLiteral("p"));
    TListItem* c = add(p, QStringLiteral("c"));
    add(p, QStringLiteral("d"));
    p->SetExpanded(true);
    add(card->GetRoot(), QStringLiteral("q"));
    open();
    outline->selectRow(1, false);
    outline->selectRow(0, true);
    controller->removeSelectedRows();
    EXPECT_EQ(childTexts(card->GetRoot()), QStringList({"q"}));
    while (undo()->canUndo()) undo()->undo();
    EXPECT_EQ(childTexts(card->GetRoot()), QStringList({"p", "q"}));
    EXPECT_EQ(childTexts(p), QStringList({"c", "d"}));
    EXPECT_EQ(c->GetParent(), p);
    while (undo()->canRedo()) undo()->redo();
    EXPECT_EQ(childTexts(card->GetRoot()), QStringList({"q"}));
}

// Undo of a colour change reaches a row whose parent was closed (by its disclosure button) since.
TEST_F(OutlineViewTest, ColourUndoReachesARowClosedSince) {
    TListItem* p = add(card->GetRoot(), QStringLiteral("p"));
    TListItem* c = add(p, QStringLiteral("child"));
    p->SetExpanded(true);
    open();
    controller->changeColor(Qt::red, c);
    const AttributedString red = c->GetText();
    outline->collapseItem(p);
    undo()->undo();
    EXPECT_FALSE(c->GetText() == red);
}

TEST_F(OutlineViewTest, EveryCommandAndKeyOnAnEmptyCardIsSafe) {
    open();
    for (const char* name :
         {"addRow", "addRowInside", "addRowOutside", "addSeperator", "indentRowRight", "indentRowLeft",
          "moveRowUp", "moveRowDown", "groupRows", "expandRow", "collapseRow", "expandAllRows",
          "collapseAllRows", "selectActiveRow", "deselectActiveRow", "removeCompletedTasks",
          "copyLinkAddress", "pasteAsItems"}) {
        card->GetRoot()->RemoveAllChildren();
        outline->setFocus();
        controller->performCommand(QString::fromLatin1(name));
        MenuItemState state;
        state.action = QString::fromLatin1(name);
        controller->validateMenuItem(state);
    }
    card->GetRoot()->RemoveAllChildren();
    QTest::keyClick(outline, Qt::Key_Return);
    QTest::keyClick(outline, Qt::Key_Up);
    QTest::keyClick(outline, Qt::Key_Backspace);
    while (undo()->canUndo()) undo()->undo();
    while (undo()->canRedo()) undo()->redo();
}

// The text giving up the focus must not clear the selection the command makes.
TEST_F(OutlineViewTest, SelectActiveRowKeepsTheRowSelected) {
    TListItem* a = add(card->GetRoot(), QStringLiteral("abc"));
    add(card->GetRoot(), QStringLiteral("def"));
    open();
    controller->makeItemFirstResponder(a);
    editorOf(a)->moveCursor(QTextCursor::End);
    controller->performCommand(QStringLiteral("selectActiveRow"));
    EXPECT_EQ(outline->selectedRows(), QList<qint32>({0}));
}

TEST_F(OutlineViewTest, TheFirstClickInARowsTextPutsTheCaretThere) {
    add(card->GetRoot(), QStringLiteral("first row"));
    TListItem* b = add(card->GetRoot(), QStringLiteral("abcdefghij"));
    open();
    ASSERT_FALSE(outline->isRowSelected(1));
    TCardTextView* editor = editorOf(b);
    ASSERT_NE(editor, nullptr);
    QTextCursor start(editor->document());
    const QPoint at = editor->cursorRect(start).center() +
                      QPoint(editor->fontMetrics().horizontalAdvance(QStringLiteral("abcd")), 0);
    const int expected = editor->cursorForPosition(at).position();
    ASSERT_GT(expected, 0);
    QTest::mouseClick(editor->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(focusedItem(), b);
    EXPECT_EQ(editor->textCursor().position(), expected);

    // Text that can be neither edited nor selected leaves the click to the outline; a wheel never
    // moves the focus.
    struct Case {
        const char* text;
        bool readOnly;
        Qt::TextInteractionFlags flags;
        bool takesFocus;
    } const cases[] = {
        {"editable", false, Qt::TextEditorInteraction, true},
        {"selectable", true, Qt::TextSelectableByMouse, true},
        {"neither", true, Qt::NoTextInteraction, false},
    };
    const QPointF global = editor->viewport()->mapToGlobal(QPointF(at));
    const QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, Qt::LeftButton, Qt::LeftButton,
                            {});
    for (const Case& c : cases) {
        QTextEdit text;
        text.setReadOnly(c.readOnly);
        text.setTextInteractionFlags(c.flags);
        EXPECT_EQ(outline->validateProposedFirstResponder(&text, &press), c.takesFocus) << c.text;
    }
    const QWheelEvent wheel(QPointF(at), global, {}, QPoint(0, 120), Qt::NoButton, {}, Qt::NoScrollPhase,
                            false);
    EXPECT_FALSE(outline->validateProposedFirstResponder(editor, &wheel));
}

} // namespace

// Every shown text row is as high as its text at the row's present width: no line hidden, no
// height left over from another width.
void expectRowsFitTheirText(TCardOutlineView* outline, const char* when) {
    for (qint32 row = 0; row < outline->numberOfRows(); ++row) {
        auto* text =
            dynamic_cast<TTextItemViewController*>(outline->controllerForItem(outline->itemAtRow(row)));
        if (!text) continue;
        TCardTextView* editor = text->editor();
        const double needed = std::max(editor->document()->documentLayout()->documentSize().height(),
                                       TTextItemViewController::kMinimumTextHeight);
        SCOPED_TRACE(::testing::Message()
                     << when << ", row " << row << ": " << textOf(outline->itemAtRow(row)).toStdString());
        EXPECT_EQ(editor->document()->textWidth(), editor->viewport()->width());
        EXPECT_NEAR(editor->height(), needed, 1.0);
        EXPECT_LE(editor->geometry().bottom(), text->view()->height());
        // A task row adds its checkbox line's margin only.
        EXPECT_LE(text->view()->height(), needed + 12.0 + 1.0);
        EXPECT_EQ(outline->rectOfRow(row).height(), text->view()->height());
    }
}

TEST_F(OutlineViewTest, RowsWrapAgainWhenTheCardWidthChanges) {
    const QString words = QStringLiteral("Lists can be numbered and rows wrap at word boundaries");
    TListItem* numbered = add(card->GetRoot(), words);
    numbered->SetRowNumbering(1);
    numbered->SetExpanded(true);
    add(numbered, QStringLiteral("First point of a numbered list"));
    add(numbered, QStringLiteral("Second point"));
    TTask* task = TTask::Create(words);
    card->GetRoot()->AddChild(task);
    task->Release();
    open();
    QApplication::processEvents();
    const auto heightOf = [this](TCardItem* item) {
        return outline->rectOfRow(outline->rowForItem(item)).height();
    };
    expectRowsFitTheirText(outline, "wide");
    const double wideList = heightOf(numbered);
    const double wideTask = heightOf(task);

    controller->view()->resize(180, 300);
    QApplication::processEvents();
    expectRowsFitTheirText(outline, "narrow");
    EXPECT_GT(heightOf(numbered), wideList);
    EXPECT_GT(heightOf(task), wideTask);

    controller->view()->resize(400, 300);
    QApplication::processEvents();
    expectRowsFitTheirText(outline, "wide again");
    EXPECT_EQ(heightOf(numbered), wideList);
    EXPECT_EQ(heightOf(task), wideTask);
    controller.reset();
}

TEST_F(OutlineViewTest, TypingIntoAnEmptyCardStartsItsFirstRow) {
    open();
    outline->setFocus();
    QTest::keyClick(outline, 'M');
    ASSERT_EQ(card->GetRoot()->ChildCount(), 1);
    TCardItem* first = outline->itemAtRow(0);
    ASSERT_EQ(focusedItem(), first);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("ilk"));
    EXPECT_EQ(textOf(first), QStringLiteral("Milk"));

    // Command keys and keys that type nothing start no row; neither does typing where rows are.
    card->GetRoot()->RemoveAllChildren();
    outline->setFocus();
    for (const auto& [key, modifiers] :
         {std::pair{Qt::Key_C, Qt::ControlModifier}, std::pair{Qt::Key_Up, Qt::NoModifier},
          std::pair{Qt::Key_Escape, Qt::NoModifier}})
        QTest::keyClick(outline, key, modifiers);
    EXPECT_EQ(card->GetRoot()->ChildCount(), 0);
    add(card->GetRoot(), QStringLiteral("row"));
    outline->setFocus();
    QTest::keyClick(outline, Qt::Key_A);
    EXPECT_EQ(card->GetRoot()->ChildCount(), 1);
}

TEST_F(OutlineViewTest, EscapeLeavesTheRowsTextAndTheMoveCommandsMoveIt) {
    TListItem* a = add(card->GetRoot(), QStringLiteral("a"));
    TListItem* b = add(card->GetRoot(), QStringLiteral("b"));
    add(card->GetRoot(), QStringLiteral("c"));
    open();
    controller->makeItemFirstResponder(b);
    ASSERT_EQ(focusedItem(), b);
    QTest::keyClick(editorOf(b), Qt::Key_Escape);
    EXPECT_TRUE(outline->hasFocus());
    EXPECT_EQ(outline->selectedRows(), QList<qint32>({1}));

    // A selected row and a row being edited move alike, and stay the row the commands act on.
    controller->performCommand(QStringLiteral("moveRowDown"));
    EXPECT_EQ(childTexts(card->GetRoot()), QStringList({"a", "c", "b"}));
    EXPECT_EQ(controller->itemForFirstResponder(), b);
    controller->makeItemFirstResponder(a);
    controller->performCommand(QStringLiteral("moveRowDown"));
    EXPECT_EQ(childTexts(card->GetRoot()), QStringList({"c", "a", "b"}));
    EXPECT_EQ(controller->itemForFirstResponder(), a);
    controller->performCommand(QStringLiteral("moveRowUp"));
    EXPECT_EQ(childTexts(card->GetRoot()), QStringList({"a", "c", "b"}));
}
