#include "MainMenu.h"

#include "AppController.h"

#include "model/Globals.h"
#include "model/SheetManager.h"
#include "model/Themes.h"
#include "model/ui/ModelWidgets.h"
#include "windows/CardWindowController.h"

#include <QApplication>
#include <QMenu>

namespace {
MainMenu* s_shared = nullptr;
}

MainMenu* MainMenu::shared() {
    return s_shared;
}

MainMenu::MainMenu(AppController& controller, QObject* parent) : QObject(parent), m_controller(controller) {
    m_root = new QMenu(NSBundleName());
    const bool mini = isMini();

    QMenu* app = m_root->addMenu(NSBundleName());
    add(app, QStringLiteral("About %1").arg(NSBundleName()), QStringLiteral("about"));
    add(app, QStringLiteral("Check For Updates..."), QStringLiteral("checkForUpdates"));
    add(app, QStringLiteral("Preferences..."), QStringLiteral("preferences"), QKeySequence::Preferences);
    app->addSeparator();
    QAction* quit = app->addAction(QStringLiteral("Quit %1").arg(NSBundleName()));
    quit->setShortcut(QKeySequence::Quit);
    quit->setShortcutContext(Qt::ApplicationShortcut);
    // Ends without closing the windows one by one: closing a card window deletes its card.
    connect(quit, &QAction::triggered, qApp, [] { QCoreApplication::exit(0); });

    QMenu* file = m_root->addMenu(QStringLiteral("File"));
    add(file, QStringLiteral("New Card"), QStringLiteral("newDocument"), QKeySequence::New);
    add(file, QStringLiteral("New Task Card"), QStringLiteral("newJobslate"));
    add(file, QStringLiteral("New List Card"), QStringLiteral("newListCard"));
    add(file, QStringLiteral("New Rich-Text Card"), QStringLiteral("newMemoleaf"));
    if (!mini)
        add(file, QStringLiteral("New Sheet"), QStringLiteral("newSheet"),
            QKeySequence(QStringLiteral("Ctrl+Shift+N")));
    file->addSeparator();
    add(file, QStringLiteral("Open Sheet..."), QStringLiteral("openDocument"), QKeySequence::Open);
    if (!mini) {
        QMenu* import = file->addMenu(QStringLiteral("Import"));
        add(import, QStringLiteral("Text as Tasks..."), QStringLiteral("importDocumentAsTasks"));
        add(import, QStringLiteral("Text as List..."), QStringLiteral("importDocumentAsList"));
        add(import, QStringLiteral("Text as Note..."), QStringLiteral("importDocumentAsNote"));
        connect(import, &QMenu::aboutToShow, this, [this, import] { validate(import); });
    }
    add(file, QStringLiteral("Convert Legacy Sheets..."), QStringLiteral("convertLegacySheets"));
    QMenu* sharing = file->addMenu(QStringLiteral("Share"));
    connect(sharing, &QMenu::aboutToShow, this, [this, sharing] { fillSharing(sharing); });

    QMenu* edit = m_root->addMenu(QStringLiteral("Edit"));
    add(edit, QStringLiteral("Always Paste and Match Style"), QStringLiteral("togglePasteAndMatchStyle"));

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
    add(view, QStringLiteral("Enable Dashboard Mode"), QStringLiteral("toggleDashboardMode"));

    QMenu* card = m_root->addMenu(QStringLiteral("Card"));
    QMenu* colours = ModelWidgets::CardColorMenu(QStringLiteral("changeBackgroundColor"));
    colours->setTitle(QStringLiteral("Color"));
    colours->setParent(card, colours->windowFlags());
    card->addMenu(colours);
    connect(colours, &QMenu::triggered, this, [this](QAction* chosen) {
        if (TCardWindowController* front = m_controller.frontController())
            front->changeBackgroundColor(chosen->data());
    });
    QMenu* themes = card->addMenu(QStringLiteral("Theme"));
    fillThemes(themes);

    QMenu* help = m_root->addMenu(QStringLiteral("Help"));
    add(help, QStringLiteral("Online Support"), QStringLiteral("onlineSupport"));

    for (QMenu* menu : {app, file, edit, sheet, view, card, help})
        if (menu) connect(menu, &QMenu::aboutToShow, this, [this, menu] { validate(menu); });
    s_shared = this;
}

MainMenu::~MainMenu() {
    if (s_shared == this) s_shared = nullptr;
    delete m_root;
}

QAction* MainMenu::add(QMenu* menu, const QString& title, const QString& name, const QKeySequence& shortcut) {
    QAction* action = menu->addAction(title);
    action->setObjectName(name);
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::ApplicationShortcut);
    }
    connect(action, &QAction::triggered, this, [this, action] { trigger(action); });
    return action;
}

QAction* MainMenu::action(const QString& name) const {
    for (QAction* action : m_root->findChildren<QAction*>())
        if (action->objectName() == name) return action;
    return nullptr;
}

void MainMenu::validate(QMenu* menu) {
    for (QAction* action : menu->actions()) {
        const QString name = action->objectName();
        if (name.isEmpty()) continue;
        const MenuValidation::Result result =
            m_controller.validateMenuItem({name, action->data(), action->data().toLongLong()});
        action->setEnabled(result.enabled);
        action->setVisible(!result.hidden);
        if (result.checked) {
            action->setCheckable(true);
            action->setChecked(*result.checked);
        }
        if (result.title) action->setText(*result.title);
    }
}

void MainMenu::trigger(QAction* action) {
    // Shortcuts reach actions whose menu has not been opened since things changed: check again.
    const QString name = action->objectName();
    if (!m_controller.validateMenuItem({name, action->data(), action->data().toLongLong()}).enabled) return;
    m_controller.perform(name, action->data(), action->data().toLongLong());
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
    for (TTheme* theme : TTheme::Standard()) {
        const QString name = theme->GetName();
        QAction* item = menu->addAction(name);
        connect(item, &QAction::triggered, this, [this, name] {
            if (TCardWindowController* front = m_controller.frontController()) front->changeTheme(name);
        });
    }
}
