#include "AppTestSupport.h"

#include "app/AboutWindow.h"
#include "app/MainMenu.h"
#include "model/Memoleaf.h"
#include "model/Task.h"
#include "windows/CardTextView.h"
#include "windows/CardWindow.h"
#include "windows/CardWindowController.h"
#include "windows/MainMenuButton.h"
#include "windows/OutlineView.h"
#include "windows/OutlineViewController.h"
#include "windows/TextItemViewController.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

namespace {

// Every command of the main menu and its shortcut (empty: none).
struct Command {
    const char* name;
    const char* shortcut;
};
const Command kCommands[] = {
    {"about", ""},
    {"checkForUpdates", ""},
    {"preferences", "Ctrl+,"},
    {"terminate", "Ctrl+Q"},
    {"newDocument", "Ctrl+N"},
    {"newJobslate", ""},
    {"newListCard", ""},
    {"newMemoleaf", ""},
    {"newTab", "Ctrl+T"},
    {"newSheet", "Ctrl+Shift+N"},
    {"openDocument", "Ctrl+O"},
    {"importDocumentAsTasks", ""},
    {"importDocumentAsList", ""},
    {"importDocumentAsNote", ""},
    {"convertLegacySheets", ""},
    {"performClose", "Ctrl+W"},
    {"saveDocument", "Ctrl+S"},
    {"saveDocumentAs", "Ctrl+Shift+S"},
    {"exportDocumentAs", "Ctrl+Shift+E"},
    {"undo", "Ctrl+Z"},
    {"redo", "Ctrl+Shift+Z"},
    {"redo", "Ctrl+Y"},
    {"cut", "Ctrl+X"},
    {"copy", "Ctrl+C"},
    {"paste", "Ctrl+V"},
    {"pasteAsItems", "Ctrl+Shift+V"},
    {"selectAll", "Ctrl+A"},
    {"copyLinkAddress", "Ctrl+Shift+C"},
    {"performFindPanelAction", "Ctrl+F"},
    {"togglePasteAndMatchStyle", ""},
    {"addRow", ""},
    {"addRowInside", ""},
    {"addRowOutside", ""},
    {"addSeperator", ""},
    {"addFile", ""},
    {"addImage", ""},
    {"addURL", "Ctrl+K"},
    {"indentRowRight", "Ctrl+Shift+Right"},
    {"indentRowLeft", "Ctrl+Shift+Left"},
    {"moveRowUp", "Ctrl+Shift+Up"},
    {"moveRowDown", "Ctrl+Shift+Down"},
    {"groupRows", "Ctrl+G"},
    {"expandRow", ""},
    {"collapseRow", ""},
    {"expandAllRows", ""},
    {"collapseAllRows", ""},
    {"selectActiveRow", "Ctrl+L"},
    {"deselectActiveRow", ""},
    {"removeCompletedTasks", ""},
    {"rowNumberingChanged", ""},
    {"defaultItemChanged", ""},
    {"showInCalendar", ""},
    {"showInfo", "Ctrl+I"},
    {"orderFrontFontPanel", "Ctrl+Shift+T"},
    {"changeFont", "Ctrl+B"},
    {"underline", "Ctrl+U"},
    {"copyFont", ""},
    {"pasteFont", ""},
    {"orderFrontColorPanel", ""},
    {"toggleTextMode", "Ctrl+Shift+P"},
    {"changeBackgroundColor", ""},
    {"changeCardColor", ""},
    {"changeTheme", ""},
    {"duplicate", "Ctrl+D"},
    {"detachCard", ""},
    {"removeSelectedCard", ""},
    {"nextSheet", "Ctrl+]"},
    {"previousSheet", "Ctrl+["},
    {"addSheetGroup", ""},
    {"addSheetAsStack", ""},
    {"deleteSheet", ""},
    {"revealSheetInFinder", ""},
    {"openSheetFolder", ""},
    {"toggleSheetBrowser", "Ctrl+Shift+B"},
    {"autoHideSheetBrowser", ""},
    {"showSheetsAsDrawer", ""},
    {"showSheetsAsList", ""},
    {"showGroupRowsInBrowser", ""},
    {"sheetBrowserSideChanged", ""},
    {"toggleSideBar", "Ctrl+Alt+S"},
    {"toggleBottomBar", "Ctrl+Alt+B"},
    {"showTasks", "Ctrl+1"},
    {"showForecast", "Ctrl+2"},
    {"showImportant", "Ctrl+3"},
    {"toggleFullScreen", "F11"},
    {"toggleDashboardMode", ""},
    {"performMiniaturize", "Ctrl+M"},
    {"toggleFloating", "Ctrl+Alt+F"},
    {"nextCard", "Ctrl+PgDown"},
    {"previousCard", "Ctrl+PgUp"},
    {"onlineSupport", ""},
};

// Every command action under the menu, submenus opened as a person opens them.
QList<QAction*> reachable(QMenu* menu) {
    QList<QAction*> actions;
    emit menu->aboutToShow();
    for (QAction* action : menu->actions()) {
        if (QMenu* submenu = action->menu())
            actions += reachable(submenu);
        else if (!action->objectName().isEmpty())
            actions.append(action);
    }
    return actions;
}

class MainMenuTest : public AppControllerTest {
protected:
    void SetUp() override {
        AppControllerTest::SetUp();
        menu = std::make_unique<MainMenu>(*controller);
    }
    void TearDown() override {
        menu.reset();
        AppControllerTest::TearDown();
    }
    // A card of the home sheet in its window, shown and active.
    TCardWindowController* openCard(TCard* card) {
        auto* window = dynamic_cast<TCardWindowController*>(manager()->AddCard(card));
        if (!window) return nullptr;
        window->showWindow();
        window->window()->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(static_cast<QWidget*>(window->window())));
        return window;
    }
    // An outline card in its active window, and the window; null when either is missing.
    TOutlineViewController* openOutline(TJobslate* card, TCardWindowController** window) {
        TOutlineViewController::registerForListCards();
        *window = openCard(card);
        return *window ? dynamic_cast<TOutlineViewController*>((*window)->contentControllerFor(card))
                       : nullptr;
    }
    // A rich-text card in its active window, its text focused; null when that is missing.
    QTextEdit* openNoteText(TMemoleaf* note) {
        note->SetRichText(true);
        TCardWindowController* window = openCard(note);
        if (!window) return nullptr;
        window->makeSelectedCardFirstResponder();
        return qobject_cast<QTextEdit*>(QApplication::focusWidget());
    }
    QAction* reachableAction(TCardWindowController* window, const QString& name, const QVariant& data = {}) {
        auto* button =
            static_cast<QWidget*>(window->window())->findChild<QToolButton*>(QStringLiteral("menuButton"));
        if (!button || !MainMenuButton::menu()) return nullptr;
        for (QAction* action : reachable(MainMenuButton::menu()))
            if (action->objectName() == name && (!data.isValid() || action->data() == data)) return action;
        return nullptr;
    }
    std::unique_ptr<MainMenu> menu;
};

TEST_F(MainMenuTest, EveryCommandIsReachableFromACardWindowsMenuButtonWithItsShortcut) {
    const Ref<TMemoleaf> card = Ref<TMemoleaf>::adopt(TMemoleaf::Create(QStringLiteral("Note")));
    TCardWindowController* window = openCard(card.get());
    ASSERT_TRUE(window);
    auto* button =
        static_cast<QWidget*>(window->window())->findChild<QToolButton*>(QStringLiteral("menuButton"));
    ASSERT_TRUE(button);
    ASSERT_EQ(MainMenuButton::menu(), menu->menu());

    const QList<QAction*> actions = reachable(MainMenuButton::menu());
    QSet<QString> listed;
    for (const Command& command : kCommands) {
        SCOPED_TRACE(command.name);
        const QString name = QString::fromLatin1(command.name);
        listed.insert(name);
        QList<QKeySequence> shortcuts;
        for (QAction* action : actions)
            if (action->objectName() == name) shortcuts << action->shortcut() << action->shortcuts();
        ASSERT_FALSE(shortcuts.isEmpty()) << "not in the menu";
        EXPECT_TRUE(shortcuts.contains(QKeySequence(QString::fromLatin1(command.shortcut))))
            << qPrintable(shortcuts.first().toString());
    }
    // Nothing in the menu escapes the table (the sheets are the registered sheets).
    for (QAction* action : actions)
        EXPECT_TRUE(listed.contains(action->objectName()) ||
                    action->objectName() == QLatin1String("openSheet"))
            << qPrintable(action->objectName());
}

TEST_F(MainMenuTest, CardCommandsReachTheActiveCardWindowAndItsContent) {
    // GIVEN a rich-text card in its active window with the bottom bar hidden
    const Ref<TMemoleaf> card = Ref<TMemoleaf>::adopt(TMemoleaf::Create(QStringLiteral("Note")));
    card->SetRichText(true);
    card->SetBottomBarHidden(true);
    TCardWindowController* window = openCard(card.get());
    ASSERT_TRUE(window);
    ASSERT_EQ(controller->frontController(), window);

    // WHEN the menu opens, THEN the window's and the content's titles show
    QAction* bottomBar = reachableAction(window, QStringLiteral("toggleBottomBar"));
    QAction* textMode = reachableAction(window, QStringLiteral("toggleTextMode"));
    ASSERT_TRUE(bottomBar && textMode);
    EXPECT_EQ(bottomBar->text(), QStringLiteral("Show Bottom Bar"));
    EXPECT_EQ(textMode->text(), QStringLiteral("Make Plain Text"));
    EXPECT_TRUE(textMode->isEnabled());
    // and outline commands are disabled on a rich-text card
    QAction* moveUp = reachableAction(window, QStringLiteral("moveRowUp"));
    ASSERT_TRUE(moveUp);
    EXPECT_FALSE(moveUp->isEnabled());

    // WHEN they are chosen, THEN the card follows
    bottomBar->trigger();
    EXPECT_FALSE(window->isBottomBarHidden());
    EXPECT_FALSE(card->IsBottomBarHidden());
    textMode->trigger();
    EXPECT_FALSE(card->IsRichText());
    reachableAction(window, QStringLiteral("toggleTextMode"));
    EXPECT_EQ(textMode->text(), QStringLiteral("Make Rich Text"));
}

TEST_F(MainMenuTest, CardCommandsAreDisabledWithoutAnActiveCardWindow) {
    const Ref<TMemoleaf> card = Ref<TMemoleaf>::adopt(TMemoleaf::Create(QStringLiteral("Note")));
    TCardWindowController* window = openCard(card.get());
    ASSERT_TRUE(window);
    QAction* bottomBar = reachableAction(window, QStringLiteral("toggleBottomBar"));
    static_cast<QWidget*>(window->window())->hide();
    ASSERT_EQ(controller->frontController(), nullptr);
    menu->validate(qobject_cast<QMenu*>(bottomBar->associatedObjects().first()));
    EXPECT_FALSE(bottomBar->isEnabled());
    const bool hidden = card->IsBottomBarHidden();
    bottomBar->trigger();
    EXPECT_EQ(card->IsBottomBarHidden(), hidden);
}

} // namespace

namespace {

TEST_F(MainMenuTest, UndoTakesBackTheRowAddedInTheActiveCard) {
    const Ref<TJobslate> card = Ref<TJobslate>::adopt(TJobslate::Create(QStringLiteral("Tasks")));
    TCardWindowController* window = nullptr;
    TOutlineViewController* outline = openOutline(card.get(), &window);
    ASSERT_TRUE(outline);

    // GIVEN a row added with Return, its text focused and empty
    outline->insertItemAtRow(-1);
    ASSERT_EQ(card->GetRoot()->ChildCount(), 1);

    // WHEN Undo is chosen, THEN the row goes; Redo brings it back
    QAction* undo = reachableAction(window, QStringLiteral("undo"));
    ASSERT_TRUE(undo && undo->isEnabled());
    undo->trigger();
    EXPECT_EQ(card->GetRoot()->ChildCount(), 0);
    QAction* redo = reachableAction(window, QStringLiteral("redo"));
    ASSERT_TRUE(redo && redo->isEnabled());
    redo->trigger();
    EXPECT_EQ(card->GetRoot()->ChildCount(), 1);
}

} // namespace

namespace {

TEST_F(MainMenuTest, AShortcutFollowsTheActiveWindowNotTheMenuLastOpened) {
    const Ref<TMemoleaf> card = Ref<TMemoleaf>::adopt(TMemoleaf::Create(QStringLiteral("Note")));
    TCardWindowController* window = openCard(card.get());
    ASSERT_TRUE(window);
    auto* widget = static_cast<QWidget*>(window->window());
    QAction* bottomBar = reachableAction(window, QStringLiteral("toggleBottomBar"));
    ASSERT_TRUE(bottomBar);

    // GIVEN the View menu opened while another window was active (the sheet browser, say)
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    ASSERT_EQ(controller->frontController(), nullptr);
    menu->validate(qobject_cast<QMenu*>(bottomBar->associatedObjects().first()));
    ASSERT_FALSE(bottomBar->isEnabled());

    // WHEN the card window is active again and its key is pressed, THEN the command runs
    widget->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(widget));
    ASSERT_EQ(controller->frontController(), window);
    const bool hidden = card->IsBottomBarHidden();
    QTest::keyClick(widget, Qt::Key_B, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_NE(card->IsBottomBarHidden(), hidden);
    // and once, however many windows carry the key
    QTest::keyClick(widget, Qt::Key_B, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(card->IsBottomBarHidden(), hidden);
}

TEST_F(MainMenuTest, AboutIsOneWindowThatEscapeCloses) {
    QPointer<AboutWindow> about = AboutWindow::showAbout();
    ASSERT_TRUE(about);
    EXPECT_EQ(AboutWindow::showAbout(), about.data());
    QTest::keyClick(about.data(), Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(about);
}

std::string rowTexts(TListCard* card) {
    QStringList texts;
    for (TObject* child : *card->GetRoot()->GetChildren())
        texts << (static_cast<TTextItem*>(child)->GetPlainText().isEmpty()
                      ? QStringLiteral("_")
                      : static_cast<TTextItem*>(child)->GetPlainText());
    return texts.join(QLatin1Char('|')).toStdString();
}

// One history for the rows and their typing, walked with the keys a person presses.
TEST_F(MainMenuTest, UndoAndRedoKeysWalkTheRowsAndTheirTypingAsOneHistory) {
    // Steps: "type:TEXT", "Return", "home", "^Z" (undo), "^+Z" and "^Y" (redo), "click" (an empty
    // part of the outline). Each step names the rows' texts after it ("_" an empty row).
    struct Step {
        const char* action;
        const char* rows;
    };
    struct Case {
        const char* name;
        const char* firstRow; // null: the card starts empty, the outline has the focus
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"redo brings back the row, then its typing",
         "first",
         {{"type:second", "first|second"},
          {"^Z", "first|_"},
          {"^Z", "first"},
          {"^+Z", "first|_"},
          {"^+Z", "first|second"},
          {"^+Z", "first|second"},
          {"^Z", "first|_"},
          {"^Y", "first|second"},
          {"^Y", "first|second"},
          {"^Z", "first|_"},
          {"^+Z", "first|second"}}},
        {"redo after a click in an empty part of the card",
         "first",
         {{"type:second", "first|second"},
          {"click", "first|second"},
          {"^Z", "first|_"},
          {"^Z", "first"},
          {"^+Z", "first|_"},
          {"^Y", "first|second"}}},
        {"the first row of a new card goes like any other",
         nullptr,
         {{"Return", "_"},
          {"type:Buy milk", "Buy milk"},
          {"^Z", "_"},
          {"^Z", ""},
          {"^Y", "_"},
          {"^Y", "Buy milk"}}},
        {"typing into a new card starts its first row, and goes as the row's typing",
         nullptr,
         {{"type:Buy milk", "Buy milk"}, {"^Z", "_"}, {"^Z", ""}, {"^+Z", "_"}, {"^+Z", "Buy milk"}}},
        {"typing goes on where it left off in one step; elsewhere in a new one",
         "first",
         {{"type:ab", "first|ab"},
          {"type:cd", "first|abcd"},
          {"home", "first|abcd"},
          {"type:x", "first|xabcd"},
          {"^Z", "first|abcd"},
          {"^Z", "first|_"},
          {"^+Z", "first|abcd"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Ref<TJobslate> card = Ref<TJobslate>::adopt(TJobslate::Create(QStringLiteral("Tasks")));
        TCardWindowController* window = nullptr;
        TOutlineViewController* outline = openOutline(card.get(), &window);
        ASSERT_TRUE(outline);
        // GIVEN a row typed into the card and Return pressed in it, or an empty card
        if (c.firstRow) {
            outline->insertItemAtRow(-1);
            QTest::keyClicks(QApplication::focusWidget(), QString::fromLatin1(c.firstRow));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            ASSERT_EQ(rowTexts(card.get()), std::string(c.firstRow) + "|_");
        } else {
            outline->makePrimaryInputFirstResponder();
        }
        for (const Step& step : c.steps) {
            const QString action = QString::fromLatin1(step.action);
            SCOPED_TRACE(qPrintable(action));
            QWidget* focus = QApplication::focusWidget();
            ASSERT_TRUE(focus);
            // WHEN the person presses the keys
            if (action.startsWith(QLatin1String("type:")))
                for (const QChar c : action.mid(5)) QTest::keyClicks(QApplication::focusWidget(), QString(c));
            else if (action == QLatin1String("Return"))
                QTest::keyClick(focus, Qt::Key_Return);
            else if (action == QLatin1String("home"))
                QTest::keyClick(focus, Qt::Key_Home);
            else if (action == QLatin1String("^Z"))
                QTest::keyClick(focus, Qt::Key_Z, Qt::ControlModifier);
            else if (action == QLatin1String("^+Z"))
                QTest::keyClick(focus, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
            else if (action == QLatin1String("^Y"))
                QTest::keyClick(focus, Qt::Key_Y, Qt::ControlModifier);
            else if (action == QLatin1String("click"))
                QTest::mouseClick(outline->browser()->viewport(), Qt::LeftButton, {},
                                  QPoint(10, outline->browser()->viewport()->height() - 5));
            // THEN the rows and their texts are those of that point in the history
            EXPECT_EQ(rowTexts(card.get()), step.rows);
        }
        static_cast<QWidget*>(window->window())->hide();
    }
}

TEST_F(MainMenuTest, UndoOfTypingPutsTheTextBackInTheRowOnScreen) {
    const Ref<TJobslate> card = Ref<TJobslate>::adopt(TJobslate::Create(QStringLiteral("Tasks")));
    TCardWindowController* window = nullptr;
    TOutlineViewController* outline = openOutline(card.get(), &window);
    ASSERT_TRUE(outline);
    outline->insertItemAtRow(-1);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("milk"));
    auto* item = static_cast<TTextItem*>(card->GetRoot()->GetChild(0));
    auto* row = dynamic_cast<TTextItemViewController*>(outline->browser()->controllerForItem(item));
    ASSERT_TRUE(row);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(row->editor()->toPlainText(), QString());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(row->editor()->toPlainText(), QStringLiteral("milk"));
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(row->editor()));
    EXPECT_EQ(row->editor()->textCursor().position(), 4);
    // The redo steps are used up: Redo is off
    QAction* redo = reachableAction(window, QStringLiteral("redo"));
    ASSERT_TRUE(redo);
    EXPECT_FALSE(redo->isEnabled());
}

} // namespace

namespace {

TEST_F(MainMenuTest, CtrlIShowsTheEditedRowsInfoAndStaysItalicInRichText) {
    // GIVEN two task rows in an outline card
    const Ref<TJobslate> tasks = Ref<TJobslate>::adopt(TJobslate::Create(QStringLiteral("Tasks")));
    tasks->SetDefaultItem(kItemKindTask);
    TCardWindowController* window = nullptr;
    TOutlineViewController* outline = openOutline(tasks.get(), &window);
    ASSERT_TRUE(outline);
    for (const QString& title : {QStringLiteral("Call"), QStringLiteral("Mail")}) {
        outline->insertItemAtRow(outline->browser()->numberOfRows() - 1);
        QTest::keyClicks(QApplication::focusWidget(), title);
    }
    // and the Card menu opened once while no row had the focus (Show Info was off then)
    outline->makePrimaryInputFirstResponder();
    QAction* info = reachableAction(window, QStringLiteral("showInfo"));
    ASSERT_TRUE(info);
    ASSERT_FALSE(info->isEnabled());

    for (const bool edited : {true, false}) {
        SCOPED_TRACE(edited ? "the row being edited" : "the row selected");
        TCardItem* task = static_cast<TCardItem*>(tasks->GetRoot()->GetChild(edited ? 0 : 1));
        TCardItemRowViewController* row = outline->browser()->controllerForItem(task);
        ASSERT_TRUE(row && dynamic_cast<TTask*>(task));
        if (edited) {
            outline->makeItemFirstResponder(task);
        } else {
            outline->makePrimaryInputFirstResponder();
            outline->browser()->selectRow(1, false);
        }
        // WHEN Ctrl+I is pressed, THEN the row's info opens and its text stays as it was
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_I, Qt::ControlModifier);
        EXPECT_TRUE(row->isInfoPopoverOpen());
        EXPECT_EQ(static_cast<TTextItem*>(task)->GetPlainText(),
                  edited ? QStringLiteral("Call") : QStringLiteral("Mail"));
        if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    }

    // GIVEN a rich-text card with its text selected, WHEN Ctrl+I is pressed, THEN it turns italic
    const Ref<TMemoleaf> note = Ref<TMemoleaf>::adopt(TMemoleaf::Create(QStringLiteral("Note")));
    QTextEdit* text = openNoteText(note.get());
    ASSERT_TRUE(text);
    QTest::keyClicks(text, QStringLiteral("Word"));
    text->selectAll();
    QTest::keyClick(text, Qt::Key_I, Qt::ControlModifier);
    EXPECT_TRUE(note->GetText().attributesAt(0).font.italic);
}

} // namespace

namespace {

TEST_F(MainMenuTest, UndoAndRedoKeysReachTheRichTextCardsText) {
    const Ref<TMemoleaf> note = Ref<TMemoleaf>::adopt(TMemoleaf::Create(QStringLiteral("Note")));
    QTextEdit* text = openNoteText(note.get());
    ASSERT_TRUE(text);
    QTest::keyClicks(text, QStringLiteral("Word"));
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* text;
    } keys[] = {{Qt::Key_Z, Qt::ControlModifier, ""},
                {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, "Word"},
                {Qt::Key_Z, Qt::ControlModifier, ""},
                {Qt::Key_Y, Qt::ControlModifier, "Word"}};
    for (const auto& press : keys) {
        QTest::keyClick(text, press.key, press.modifiers);
        EXPECT_EQ(note->GetText().plainText().toStdString(), press.text)
            << qPrintable(QKeySequence(press.key | press.modifiers).toString());
    }
}

} // namespace
