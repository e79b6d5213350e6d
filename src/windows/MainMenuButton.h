#pragma once

class QMenu;
class QToolButton;
class QWidget;

// The button that opens the program's main menu, drawn in the card windows' title strip and in the
// sheet browser. The application sets the menu once (not owned); until then a button opens
// nothing. Main thread only.
namespace MainMenuButton {

void setMenu(QMenu* menu);
QMenu* menu();
// A new button (owned by parent) that opens the menu below itself.
QToolButton* make(QWidget* parent);

} // namespace MainMenuButton
