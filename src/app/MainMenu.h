#pragma once

#include <QKeySequence>
#include <QList>
#include <QMenuBar>
#include <QObject>
#include <QPointer>

class AppController;
class QAction;
class QMenu;
class QWidget;
class ShellWindows;

// The program's main menu as one set of actions: the same menus serve the desktop's global menu bar
// where it offers one, the menu button of the card windows and of the sheet browser, and the tray.
// Every action carries its command name as its object name. Application commands go to the
// application delegate, card commands to the active card window (which hands what it does not do
// itself to the selected card's content), edit commands to the focused text or to the card window's
// undo steps. Each menu is validated as it opens and each command again when it is triggered. The
// shortcuts are application-wide: the actions are added to every window of the program as it is
// shown. Made once by the entry point, which owns it.
class MainMenu : public QObject {
    Q_OBJECT
public:
    // shell: the windows to attach to (the sheet browser's button, the tray menu); may be null.
    explicit MainMenu(AppController& controller, ShellWindows* shell = nullptr, QObject* parent = nullptr);
    ~MainMenu() override;

    // The menu holding the program's menus as submenus (owned by this object).
    QMenu* menu() const { return m_root; }
    // The action of a command (the first when several carry it), or null.
    QAction* action(const QString& name) const;
    // Brings every action of a menu in line with the validation rules.
    void validate(QMenu* menu);
    // The global menu bar; null where the desktop offers none.
    QMenuBar* menuBar() const { return m_menuBar; }
    // The main menu of the running program (not owned); null before one is made.
    static MainMenu* shared();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Target { Application, Card, Edit };
    QAction* add(QMenu* menu, const QString& title, const QString& name, const QKeySequence& shortcut = {},
                 Target target = Target::Application);
    // A submenu of card commands that differ by what their items carry.
    QMenu* addChoices(QMenu* menu, const QString& title, const QString& name,
                      const QList<std::pair<QString, int>>& choices);
    void buildCardMenu(QMenu* card);
    void fillSheets(QMenu* menu);
    void fillSharing(QMenu* menu);
    void fillThemes(QMenu* menu);
    bool isEnabled(QAction* action);
    void trigger(QAction* action);
    void edit(const QString& name);
    void attach(ShellWindows* shell);
    void addShortcutsTo(QWidget* window);
    void showMenuBarIn(QWidget* window);

    AppController& m_controller;
    QMenu* m_root = nullptr;
    QPointer<QMenuBar> m_menuBar;
    QList<QAction*> m_shortcutActions;
};
