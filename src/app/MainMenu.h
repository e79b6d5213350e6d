#pragma once

#include <QKeySequence>
#include <QObject>

class AppController;
class QAction;
class QMenu;

// The program's main menu as one set of actions: the same menus serve a global menu bar, the menu
// button of the card windows and the tray. Every action has an application-wide shortcut, carries
// its command name as its object name and goes to the application delegate, which validates it
// when it is triggered and when its menu opens. Made once by the entry point, which owns it.
class MainMenu : public QObject {
    Q_OBJECT
public:
    explicit MainMenu(AppController& controller, QObject* parent = nullptr);
    ~MainMenu() override;

    // The menu holding the program's menus as submenus (owned by this object).
    QMenu* menu() const { return m_root; }
    // The action of a command, or null.
    QAction* action(const QString& name) const;
    // Brings every action of a menu in line with the validation rules.
    void validate(QMenu* menu);
    // The main menu of the running program (not owned); null before one is made.
    static MainMenu* shared();

private:
    QAction* add(QMenu* menu, const QString& title, const QString& name, const QKeySequence& shortcut = {});
    void fillSheets(QMenu* menu);
    void fillSharing(QMenu* menu);
    void fillThemes(QMenu* menu);
    void trigger(QAction* action);
    AppController& m_controller;
    QMenu* m_root = nullptr;
};
