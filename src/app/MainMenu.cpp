#include "MainMenu.h"

#include "AboutWindow.h"
#include "AppController.h"
#include "DockMenu.h"
#include "Launcher.h"
#include "ShellWindows.h"

#include "model/Globals.h"
#include "model/SheetManager.h"
#include "model/Themes.h"
#include "model/ui/ModelWidgets.h"
#include "windows/CardWindowController.h"
#include "windows/MainMenuButton.h"
#include "windows/MemoleafViewController.h"
#include "windows/SheetBrowserViews.h"
#include "windows/SheetBrowserWindowController.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSet>
#include <QTextEdit>
#include <QToolButton>
#include <QUndoStack>
#include <QWindow>
#include <algorithm>
#include <utility>

namespace {

MainMenu* s_shared = nullptr;

const char* const kTarget = "menuTarget";
// A submenu whose items are commands validated with its menu.
const char* const kGroup = "menuGroup";

// Card commands whose items show a check mark.
const QSet<QString>& markedCommands() {
    static const QSet<QString> names{
        QStringLiteral("toggleFloating"),      QStringLiteral("showTasks"),
        QStringLiteral("showForecast"),        QStringLiteral("showImportant"),
        QStringLiteral("changeTheme"),         QStringLiteral("changeBackgroundColor"),
        QStringLiteral("rowNumberingChanged"), QStringLiteral("defaultItemChanged")};
    return names;
}

// The focused text field or editor; null when the focus is elsewhere.
QWidget* focusedText() {
    QWidget* focus = QApplication::focusWidget();
    if (qobject_cast<QTextEdit*>(focus) || qobject_cast<QPlainTextEdit*>(focus) ||
        qobject_cast<QLineEdit*>(focus))
        return focus;
    return nullptr;
}

bool textCanUndo(QWidget* text, bool redo) {
    if (auto* edit = qobject_cast<QTextEdit*>(text))
        return redo ? edit->document()->isRedoAvailable() : edit->document()->isUndoAvailable();
    if (auto* edit = qobject_cast<QPlainTextEdit*>(text))
        return redo ? edit->document()->isRedoAvailable() : edit->document()->isUndoAvailable();
    if (auto* line = qobject_cast<QLineEdit*>(text))
        return redo ? line->isRedoAvailable() : line->isUndoAvailable();
    return false;
}

bool textIsEditable(QWidget* text) {
    if (auto* edit = qobject_cast<QTextEdit*>(text)) return !edit->isReadOnly();
    if (auto* edit = qobject_cast<QPlainTextEdit*>(text)) return !edit->isReadOnly();
    if (auto* line = qobject_cast<QLineEdit*>(text)) return !line->isReadOnly();
    return false;
}

// The undo steps of the active card window (the outline's edits); null without one.
QUndoStack* windowUndoStack(TCardWindowController* front) {
    return front ? front->findChild<QUndoStack*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

// The sheet browser's menu button sits at the foot of its content.
const char* const kAtFoot = "mainMenuAtFoot";

void placeAtFoot(QToolButton* button) {
    const QWidget* content = button->parentWidget();
    button->move(4, content->height() - button->sizeHint().height() - 4);
    button->raise();
}

} // namespace

MainMenu* MainMenu::shared() {
    return s_shared;
}

MainMenu::MainMenu(AppController& controller, ShellWindows* shell, QObject* parent)
    : QObject(parent), m_controller(controller) {
    m_root = new QMenu(NSBundleName());
    const bool mini = isMini();

    QMenu* app = m_root->addMenu(NSBundleName());
    add(app, QStringLiteral("About %1").arg(NSBundleName()), QStringLiteral("about"));
    add(app, QStringLiteral("Check For Updates..."), QStringLiteral("checkForUpdates"));
    app->addSeparator();
    add(app, QStringLiteral("Preferences..."), QStringLiteral("preferences"),
        QKeySequence(QStringLiteral("Ctrl+,")));
    app->addSeparator();
    add(app, QStringLiteral("Quit %1").arg(NSBundleName()), QStringLiteral("terminate"),
        QKeySequence(QStringLiteral("Ctrl+Q")));

    QMenu* file = m_root->addMenu(QStringLiteral("File"));
    add(file, QStringLiteral("New Card"), QStringLiteral("newDocument"),
        QKeySequence(QStringLiteral("Ctrl+N")));
    add(file, QStringLiteral("New Task Card"), QStringLiteral("newJobslate"));
    add(file, QStringLiteral("New List Card"), QStringLiteral("newListCard"));
    add(file, QStringLiteral("New Rich-Text Card"), QStringLiteral("newMemoleaf"));
    add(file, QStringLiteral("New Tab"), QStringLiteral("newTab"), QKeySequence(QStringLiteral("Ctrl+T")),
        Target::Card);
    if (!mini)
        add(file, QStringLiteral("New Sheet"), QStringLiteral("newSheet"),
            QKeySequence(QStringLiteral("Ctrl+Shift+N")));
    file->addSeparator();
    add(file, QStringLiteral("Open Sheet..."), QStringLiteral("openDocument"),
        QKeySequence(QStringLiteral("Ctrl+O")));
    if (!mini) {
        QMenu* import = file->addMenu(QStringLiteral("Import"));
        add(import, QStringLiteral("Text as Tasks..."), QStringLiteral("importDocumentAsTasks"));
        add(import, QStringLiteral("Text as List..."), QStringLiteral("importDocumentAsList"));
        add(import, QStringLiteral("Text as Note..."), QStringLiteral("importDocumentAsNote"));
        connect(import, &QMenu::aboutToShow, this, [this, import] { validate(import); });
    }
    add(file, QStringLiteral("Convert Legacy Sheets..."), QStringLiteral("convertLegacySheets"));
    file->addSeparator();
    add(file, QStringLiteral("Close"), QStringLiteral("performClose"), QKeySequence(QStringLiteral("Ctrl+W")),
        Target::Card);
    add(file, QStringLiteral("Save"), QStringLiteral("saveDocument"), QKeySequence(QStringLiteral("Ctrl+S")),
        Target::Card);
    add(file, QStringLiteral("Save As..."), QStringLiteral("saveDocumentAs"),
        QKeySequence(QStringLiteral("Ctrl+Shift+S")), Target::Card);
    add(file, QStringLiteral("Export..."), QStringLiteral("exportDocumentAs"),
        QKeySequence(QStringLiteral("Ctrl+Shift+E")), Target::Card);
    QMenu* sharing = file->addMenu(QStringLiteral("Share"));
    connect(sharing, &QMenu::aboutToShow, this, [this, sharing] { fillSharing(sharing); });

    QMenu* edit = m_root->addMenu(QStringLiteral("Edit"));
    add(edit, QStringLiteral("Undo"), QStringLiteral("undo"), QKeySequence(QStringLiteral("Ctrl+Z")),
        Target::Edit);
    // Redo answers both keys desktop programs use for it.
    add(edit, QStringLiteral("Redo"), QStringLiteral("redo"), QKeySequence(QStringLiteral("Ctrl+Shift+Z")),
        Target::Edit)
        ->setShortcuts(
            {QKeySequence(QStringLiteral("Ctrl+Shift+Z")), QKeySequence(QStringLiteral("Ctrl+Y"))});
    edit->addSeparator();
    add(edit, QStringLiteral("Cut"), QStringLiteral("cut"), QKeySequence(QStringLiteral("Ctrl+X")),
        Target::Edit);
    add(edit, QStringLiteral("Copy"), QStringLiteral("copy"), QKeySequence(QStringLiteral("Ctrl+C")),
        Target::Edit);
    add(edit, QStringLiteral("Paste"), QStringLiteral("paste"), QKeySequence(QStringLiteral("Ctrl+V")),
        Target::Edit);
    add(edit, QStringLiteral("Paste as Rows"), QStringLiteral("pasteAsItems"),
        QKeySequence(QStringLiteral("Ctrl+Shift+V")), Target::Card);
    add(edit, QStringLiteral("Select All"), QStringLiteral("selectAll"),
        QKeySequence(QStringLiteral("Ctrl+A")), Target::Edit);
    edit->addSeparator();
    add(edit, QStringLiteral("Copy Link"), QStringLiteral("copyLinkAddress"),
        QKeySequence(QStringLiteral("Ctrl+Shift+C")), Target::Card);
    add(edit, QStringLiteral("Find..."), QStringLiteral("performFindPanelAction"),
        QKeySequence(QStringLiteral("Ctrl+F")), Target::Card);
    add(edit, QStringLiteral("Always Paste and Match Style"), QStringLiteral("togglePasteAndMatchStyle"));

    QMenu* card = m_root->addMenu(QStringLiteral("Card"));
    buildCardMenu(card);

    QMenu* sheet = nullptr;
    if (!mini) {
        sheet = m_root->addMenu(QStringLiteral("Sheet"));
        QMenu* sheets = sheet->addMenu(QStringLiteral("Sheets"));
        sheets->menuAction()->setObjectName(QStringLiteral("sheetsMenu"));
        connect(sheets, &QMenu::aboutToShow, this, [this, sheets] { fillSheets(sheets); });
        add(sheet, QStringLiteral("Next Sheet"), QStringLiteral("nextSheet"),
            QKeySequence(QStringLiteral("Ctrl+]")));
        add(sheet, QStringLiteral("Previous Sheet"), QStringLiteral("previousSheet"),
            QKeySequence(QStringLiteral("Ctrl+[")));
        sheet->addSeparator();
        add(sheet, QStringLiteral("New Sheet Group"), QStringLiteral("addSheetGroup"));
        add(sheet, QStringLiteral("Add Sheet as Stack"), QStringLiteral("addSheetAsStack"));
        add(sheet, QStringLiteral("Delete Sheet"), QStringLiteral("deleteSheet"));
        add(sheet, QStringLiteral("Show Sheet in File Manager"), QStringLiteral("revealSheetInFinder"));
        add(sheet, QStringLiteral("Open Sheet Folder"), QStringLiteral("openSheetFolder"));
    }

    QMenu* view = m_root->addMenu(QStringLiteral("View"));
    if (!mini) {
        add(view, QStringLiteral("Show Sheet Browser"), QStringLiteral("toggleSheetBrowser"),
            QKeySequence(QStringLiteral("Ctrl+Shift+B")));
        add(view, QStringLiteral("Auto-Hide Sheet Browser"), QStringLiteral("autoHideSheetBrowser"));
        add(view, QStringLiteral("Show Sheets as Drawer"), QStringLiteral("showSheetsAsDrawer"));
        add(view, QStringLiteral("Show Sheets as List"), QStringLiteral("showSheetsAsList"));
        add(view, QStringLiteral("Show Group Rows"), QStringLiteral("showGroupRowsInBrowser"));
        QMenu* side = view->addMenu(QStringLiteral("Sheet Browser Side"));
        add(side, QStringLiteral("Left"), QStringLiteral("sheetBrowserSideChanged"))->setData(0);
        add(side, QStringLiteral("Right"), QStringLiteral("sheetBrowserSideChanged"))->setData(1);
        connect(side, &QMenu::aboutToShow, this, [this, side] { validate(side); });
        view->addSeparator();
    }
    add(view, QStringLiteral("Hide Side Bar"), QStringLiteral("toggleSideBar"),
        QKeySequence(QStringLiteral("Ctrl+Alt+S")), Target::Card);
    add(view, QStringLiteral("Hide Bottom Bar"), QStringLiteral("toggleBottomBar"),
        QKeySequence(QStringLiteral("Ctrl+Alt+B")), Target::Card);
    view->addSeparator();
    add(view, QStringLiteral("All Rows"), QStringLiteral("showTasks"), QKeySequence(QStringLiteral("Ctrl+1")),
        Target::Card);
    add(view, QStringLiteral("Forecast"), QStringLiteral("showForecast"),
        QKeySequence(QStringLiteral("Ctrl+2")), Target::Card);
    add(view, QStringLiteral("Important"), QStringLiteral("showImportant"),
        QKeySequence(QStringLiteral("Ctrl+3")), Target::Card);
    view->addSeparator();
    add(view, QStringLiteral("Full Screen"), QStringLiteral("toggleFullScreen"),
        QKeySequence(QStringLiteral("F11")), Target::Card);
    add(view, QStringLiteral("Enable Dashboard Mode"), QStringLiteral("toggleDashboardMode"));

    QMenu* window = m_root->addMenu(QStringLiteral("Window"));
    add(window, QStringLiteral("Minimize"), QStringLiteral("performMiniaturize"),
        QKeySequence(QStringLiteral("Ctrl+M")), Target::Card);
    add(window, QStringLiteral("Float"), QStringLiteral("toggleFloating"),
        QKeySequence(QStringLiteral("Ctrl+Alt+F")), Target::Card);
    window->addSeparator();
    add(window, QStringLiteral("Next Tab"), QStringLiteral("nextCard"),
        QKeySequence(QStringLiteral("Ctrl+PgDown")), Target::Card);
    add(window, QStringLiteral("Previous Tab"), QStringLiteral("previousCard"),
        QKeySequence(QStringLiteral("Ctrl+PgUp")), Target::Card);

    QMenu* help = m_root->addMenu(QStringLiteral("Help"));
    add(help, QStringLiteral("Online Support"), QStringLiteral("onlineSupport"));

    for (QMenu* menu : {app, file, edit, card, sheet, view, window, help})
        if (menu) connect(menu, &QMenu::aboutToShow, this, [this, menu] { validate(menu); });
    s_shared = this;

    if (!m_controller.hooks.showAbout) m_controller.hooks.showAbout = [] { AboutWindow::showAbout(); };
    MainMenuButton::setMenu(m_root);
    attach(shell);
}

void MainMenu::buildCardMenu(QMenu* card) {
    const auto cardItem = [this, card](const QString& title, const QString& name,
                                       const QKeySequence& keys = {}) {
        return add(card, title, name, keys, Target::Card);
    };
    cardItem(QStringLiteral("Add Row"), QStringLiteral("addRow"));
    cardItem(QStringLiteral("Add Row Inside"), QStringLiteral("addRowInside"));
    cardItem(QStringLiteral("Add Row Outside"), QStringLiteral("addRowOutside"));
    cardItem(QStringLiteral("Add Separator"), QStringLiteral("addSeperator"));
    cardItem(QStringLiteral("Add File..."), QStringLiteral("addFile"));
    cardItem(QStringLiteral("Add Picture..."), QStringLiteral("addImage"));
    cardItem(QStringLiteral("Add Link"), QStringLiteral("addURL"), QKeySequence(QStringLiteral("Ctrl+K")));
    card->addSeparator();
    cardItem(QStringLiteral("Indent Row"), QStringLiteral("indentRowRight"),
             QKeySequence(QStringLiteral("Ctrl+Shift+Right")));
    cardItem(QStringLiteral("Outdent Row"), QStringLiteral("indentRowLeft"),
             QKeySequence(QStringLiteral("Ctrl+Shift+Left")));
    cardItem(QStringLiteral("Move Row Up"), QStringLiteral("moveRowUp"),
             QKeySequence(QStringLiteral("Ctrl+Shift+Up")));
    cardItem(QStringLiteral("Move Row Down"), QStringLiteral("moveRowDown"),
             QKeySequence(QStringLiteral("Ctrl+Shift+Down")));
    cardItem(QStringLiteral("Group Rows"), QStringLiteral("groupRows"),
             QKeySequence(QStringLiteral("Ctrl+G")));
    cardItem(QStringLiteral("Expand Row"), QStringLiteral("expandRow"));
    cardItem(QStringLiteral("Collapse Row"), QStringLiteral("collapseRow"));
    cardItem(QStringLiteral("Expand All Rows"), QStringLiteral("expandAllRows"));
    cardItem(QStringLiteral("Collapse All Rows"), QStringLiteral("collapseAllRows"));
    cardItem(QStringLiteral("Select Row"), QStringLiteral("selectActiveRow"),
             QKeySequence(QStringLiteral("Ctrl+L")));
    cardItem(QStringLiteral("Edit Row"), QStringLiteral("deselectActiveRow"));
    cardItem(QStringLiteral("Remove Completed Tasks"), QStringLiteral("removeCompletedTasks"));
    addChoices(card, QStringLiteral("Row Numbering"), QStringLiteral("rowNumberingChanged"),
               {{QStringLiteral("None"), 0},
                {QStringLiteral("1, 2, 3"), 1},
                {QStringLiteral("A, B, C"), 2},
                {QStringLiteral("a, b, c"), 3},
                {QStringLiteral("I, II, III"), 4},
                {QStringLiteral("i, ii, iii"), 5},
                {QStringLiteral("Outline"), 6}});
    addChoices(card, QStringLiteral("New Rows"), QStringLiteral("defaultItemChanged"),
               {{QStringLiteral("List Rows"), 1},
                {QStringLiteral("Task Rows"), 2},
                {QStringLiteral("As in Preferences"), 3}});
    cardItem(QStringLiteral("Show in Calendar"), QStringLiteral("showInCalendar"));
    cardItem(QStringLiteral("Show Info"), QStringLiteral("showInfo"), QKeySequence(QStringLiteral("Ctrl+I")));
    card->addSeparator();

    QMenu* font = card->addMenu(QStringLiteral("Font"));
    font->setProperty(kGroup, true);
    add(font, QStringLiteral("Show Fonts..."), QStringLiteral("orderFrontFontPanel"),
        QKeySequence(QStringLiteral("Ctrl+Shift+T")), Target::Card);
    add(font, QStringLiteral("Bold"), QStringLiteral("changeFont"), QKeySequence(QStringLiteral("Ctrl+B")),
        Target::Card)
        ->setData(2);
    add(font, QStringLiteral("Italic"), QStringLiteral("changeFont"), {}, Target::Card)->setData(1);
    add(font, QStringLiteral("Underline"), QStringLiteral("underline"),
        QKeySequence(QStringLiteral("Ctrl+U")), Target::Card);
    font->addSeparator();
    add(font, QStringLiteral("Copy Font"), QStringLiteral("copyFont"), {}, Target::Card);
    add(font, QStringLiteral("Paste Font"), QStringLiteral("pasteFont"), {}, Target::Card);
    font->addSeparator();
    add(font, QStringLiteral("Text Color..."), QStringLiteral("orderFrontColorPanel"), {}, Target::Card);
    connect(font, &QMenu::aboutToShow, this, [this, font] { validate(font); });
    cardItem(QStringLiteral("Make Plain Text"), QStringLiteral("toggleTextMode"),
             QKeySequence(QStringLiteral("Ctrl+Shift+P")));
    card->addSeparator();

    QMenu* colours = ModelWidgets::CardColorMenu(QStringLiteral("changeBackgroundColor"));
    colours->setTitle(QStringLiteral("Color"));
    colours->setParent(card, colours->windowFlags());
    card->addMenu(colours);
    for (QAction* item : colours->actions()) {
        if (item->isSeparator()) continue;
        item->setObjectName(item->property("action").toString().remove(QLatin1Char(':')));
        item->setProperty(kTarget, int(Target::Card));
        if (markedCommands().contains(item->objectName())) item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, item] { trigger(item); });
    }
    connect(colours, &QMenu::aboutToShow, this, [this, colours] { validate(colours); });
    QMenu* themes = card->addMenu(QStringLiteral("Theme"));
    connect(themes, &QMenu::aboutToShow, this, [this, themes] { fillThemes(themes); });
    card->addSeparator();
    cardItem(QStringLiteral("Duplicate"), QStringLiteral("duplicate"),
             QKeySequence(QStringLiteral("Ctrl+D")));
    cardItem(QStringLiteral("Detach"), QStringLiteral("detachCard"));
    cardItem(QStringLiteral("Remove Card..."), QStringLiteral("removeSelectedCard"));
}

MainMenu::~MainMenu() {
    if (s_shared == this) s_shared = nullptr;
    if (MainMenuButton::menu() == m_root) MainMenuButton::setMenu(nullptr);
    qApp->removeEventFilter(this);
    delete m_menuBar;
    delete m_root;
}

QAction* MainMenu::add(QMenu* menu, const QString& title, const QString& name, const QKeySequence& shortcut,
                       Target target) {
    QAction* action = menu->addAction(title);
    action->setObjectName(name);
    action->setProperty(kTarget, int(target));
    if (markedCommands().contains(name)) action->setCheckable(true);
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::ApplicationShortcut);
        m_shortcutActions.append(action);
    }
    connect(action, &QAction::triggered, this, [this, action] { trigger(action); });
    return action;
}

QMenu* MainMenu::addChoices(QMenu* menu, const QString& title, const QString& name,
                            const QList<std::pair<QString, int>>& choices) {
    QMenu* submenu = menu->addMenu(title);
    submenu->setProperty(kGroup, true);
    for (const auto& [text, tag] : choices) add(submenu, text, name, {}, Target::Card)->setData(tag);
    connect(submenu, &QMenu::aboutToShow, this, [this, submenu] { validate(submenu); });
    return submenu;
}

QAction* MainMenu::action(const QString& name) const {
    for (QAction* action : m_root->findChildren<QAction*>())
        if (action->objectName() == name) return action;
    return nullptr;
}

void MainMenu::validate(QMenu* menu) {
    for (QAction* action : menu->actions()) {
        if (!action->objectName().isEmpty()) {
            isEnabled(action);
        } else if (QMenu* group = action->menu(); group && group->property(kGroup).toBool()) {
            // A submenu of commands is offered while one of them is.
            validate(group);
            const QList<QAction*> items = group->actions();
            action->setEnabled(std::any_of(items.begin(), items.end(), [](QAction* item) {
                return !item->isSeparator() && item->isEnabled();
            }));
        }
    }
}

bool MainMenu::isEnabled(QAction* action) {
    const QString name = action->objectName();
    const auto target = Target(action->property(kTarget).toInt());
    bool enabled = true;
    if (target == Target::Card) {
        TCardWindowController* front = m_controller.frontController();
        MenuItemState item{name, action->isChecked(), QString(), action->data()};
        enabled = front && front->validateMenuItem(item);
        if (action->isCheckable()) action->setChecked(front && item.checked);
        if (!item.title.isEmpty()) action->setText(item.title);
        if (item.representedObject.typeId() == QMetaType::QImage)
            action->setIcon(QIcon(QPixmap::fromImage(item.representedObject.value<QImage>())));
    } else if (target == Target::Edit) {
        QWidget* text = focusedText();
        if (name == QLatin1String("undo") || name == QLatin1String("redo")) {
            const bool redo = name == QLatin1String("redo");
            QUndoStack* stack = windowUndoStack(m_controller.frontController());
            enabled = textCanUndo(text, redo) || (stack && (redo ? stack->canRedo() : stack->canUndo()));
        } else if (name == QLatin1String("cut") || name == QLatin1String("paste")) {
            enabled = textIsEditable(text);
        } else {
            enabled = text != nullptr;
        }
    } else if (name != QLatin1String("terminate")) {
        const MenuValidation::Result result =
            m_controller.validateMenuItem({name, action->data(), action->data().toLongLong()});
        enabled = result.enabled;
        action->setVisible(!result.hidden);
        if (result.checked) {
            action->setCheckable(true);
            action->setChecked(*result.checked);
        }
        if (result.title) action->setText(*result.title);
    }
    action->setEnabled(enabled);
    return enabled;
}

void MainMenu::trigger(QAction* action) {
    // Shortcuts reach actions whose menu has not been opened since things changed: check again.
    if (!isEnabled(action)) return;
    const QString name = action->objectName();
    switch (Target(action->property(kTarget).toInt())) {
    case Target::Card:
        if (TCardWindowController* front = m_controller.frontController())
            front->performMenuCommand(name, action->data());
        return;
    case Target::Edit:
        edit(name);
        return;
    case Target::Application:
        break;
    }
    if (name == QLatin1String("terminate")) {
        // As a stop from outside: an open question ends unanswered, else the sheet is saved first.
        Launcher::quitOnSignal(m_controller);
        return;
    }
    m_controller.perform(name, action->data(), action->data().toLongLong());
}

void MainMenu::edit(const QString& name) {
    QWidget* text = focusedText();
    if (name == QLatin1String("undo") || name == QLatin1String("redo")) {
        const bool redo = name == QLatin1String("redo");
        if (textCanUndo(text, redo)) {
            QMetaObject::invokeMethod(text, redo ? "redo" : "undo");
        } else if (QUndoStack* stack = windowUndoStack(m_controller.frontController())) {
            redo ? stack->redo() : stack->undo();
        }
        return;
    }
    if (!text) return;
    // The rich-text card's paste rule is its own.
    if (auto* note = qobject_cast<TNoteTextView*>(text); note && name == QLatin1String("paste"))
        note->paste();
    else
        QMetaObject::invokeMethod(text, name.toLatin1().constData());
}

void MainMenu::fillSheets(QMenu* menu) {
    menu->menuAction()->setEnabled(true);
    menu->clear();
    TObjectArray* sheets = TSheetManager::SharedManager()->GetSheets();
    if (!sheets) return;
    for (TObject* object : *sheets) {
        auto* sheet = static_cast<TSheet*>(object);
        QAction* item = add(menu, sheet->GetTitle(), QStringLiteral("openSheet"));
        item->setData(sheet->GetUUID());
        const QImage preview = sheet->GetPreviewImage();
        if (!preview.isNull())
            item->setIcon(QIcon(
                QPixmap::fromImage(preview.scaled(48, 48, Qt::KeepAspectRatio, Qt::SmoothTransformation))));
    }
    validate(menu);
}

void MainMenu::fillSharing(QMenu* menu) {
    // The desktop offers no sharing services to programs; the menu says so.
    menu->clear();
    menu->addAction(QStringLiteral("Nothing"))->setEnabled(false);
}

void MainMenu::fillThemes(QMenu* menu) {
    if (menu->isEmpty())
        for (TTheme* theme : TTheme::Standard())
            add(menu, theme->GetName(), QStringLiteral("changeTheme"), {}, Target::Card)
                ->setData(theme->GetName());
    validate(menu);
}

void MainMenu::attach(ShellWindows* shell) {
    if (shell && shell->badge())
        shell->badge()->setMainMenu(
            m_root->findChildren<QMenu*>(Qt::FindDirectChildrenOnly),
            {action(QStringLiteral("preferences")), action(QStringLiteral("terminate"))});
    if (SheetBrowserWindowController* browser = shell ? shell->browser() : nullptr) {
        // At the foot of the browser, below the sheets that hang from its top.
        QWidget* content = browser->contentView();
        QToolButton* button = MainMenuButton::make(content);
        button->setProperty(kAtFoot, true);
        placeAtFoot(button);
        // Made after the browser is shown, so it is shown by hand.
        button->show();
        content->installEventFilter(this);
    }

    // The desktop's global menu bar follows the active window; none where the desktop has no global menu.
    if (QMenuBar probe; probe.isNativeMenuBar())
        connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* focus) {
            for (QWidget* window : QApplication::topLevelWidgets())
                if (window->windowHandle() == focus && window->windowType() != Qt::Popup)
                    showMenuBarIn(window);
        });

    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible()) addShortcutsTo(window);
    qApp->installEventFilter(this);
}

void MainMenu::showMenuBarIn(QWidget* window) {
    // A bar goes with the window it is in; the next window makes a new one.
    if (!m_menuBar) {
        m_menuBar = new QMenuBar(window);
        for (QMenu* menu : m_root->findChildren<QMenu*>(Qt::FindDirectChildrenOnly)) m_menuBar->addMenu(menu);
    } else if (m_menuBar->parentWidget() != window) {
        m_menuBar->setParent(window);
    }
}

void MainMenu::addShortcutsTo(QWidget* window) {
    // Never popups, nor windows that hold the rest of the program back (alerts, panels).
    if (window->windowType() == Qt::Popup || window->windowType() == Qt::ToolTip ||
        window->windowModality() != Qt::NonModal || m_shortcutActions.isEmpty() ||
        window->actions().contains(m_shortcutActions.first()))
        return;
    window->addActions(m_shortcutActions);
}

bool MainMenu::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // Asked before a shortcut is looked up: the actions of the key follow what is active now, not
        // what was when their menu last opened (a disabled action lets its key go to the focused widget).
        const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
        for (QAction* action : std::as_const(m_shortcutActions))
            if (action->shortcuts().contains(pressed)) isEnabled(action);
    } else if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->isWindow()) addShortcutsTo(widget);
    } else if (event->type() == QEvent::Resize && watched->isWidgetType()) {
        for (QToolButton* button : watched->findChildren<QToolButton*>(Qt::FindDirectChildrenOnly))
            if (button->property(kAtFoot).toBool()) placeAtFoot(button);
    }
    return QObject::eventFilter(watched, event);
}
