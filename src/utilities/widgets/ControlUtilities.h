#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

// Helpers on controls, menus and events. Stateless. A "segmented control" is a button group of
// checkable buttons; a pop-up button is a combo box whose items carry a tag and a represented
// object; a token field is a line edit of comma-separated tokens.

namespace SegmentedControlUtilities {
void selectAllSegments(QButtonGroup* group, bool selected); // a non-exclusive group
int tagOfSelectedSegment(const QButtonGroup* group);        // the id of the checked button; -1: none
} // namespace SegmentedControlUtilities

// Menu items are actions. The tag is the action's "tag" property, the represented object its data.
namespace MenuItemUtilities {
// A new item (parent: the target, or none) whose triggering runs action; the target, when given,
// also ends the connection when it goes. The caller owns an item without a parent.
QAction* itemWithTitleActionTarget(const QString& title, std::function<void()> action, QObject* target);
QAction* itemWithTitleActionTargetTag(const QString& title, std::function<void()> action, QObject* target,
                                      int tag);
QAction* itemWithTitleActionTargetRepresentedObject(const QString& title, std::function<void()> action,
                                                    QObject* target, const QVariant& representedObject);
QAction* itemWithTitleSubmenu(const QString& title, QMenu* submenu);
int tag(const QAction* item);
void setTitleAttributes(QAction* item, const QFont& font);
void setChecked(QAction* item, bool checked); // makes the item checkable
bool checkedState(const QAction* item);
} // namespace MenuItemUtilities

namespace MenuUtilities {
void setMenuItemCheckedAtIndex(QMenu* menu, bool checked, int index); // nothing without that item
} // namespace MenuUtilities

// Command stands for Control here, and Control for the Meta (Super) key, as on the platform the
// program came from; option is Alt.
namespace EventUtilities {
// A mouse event of the type at the pointer's place in the window under it (or the active one), no
// buttons or modifiers, time-stamped from the system's up-time. Owned by the caller.
std::unique_ptr<QMouseEvent> mouseEventWithType(QEvent::Type type);
// Seconds since the program last saw an input event (since the first call, before any).
double timeSinceLastEvent();
QPointF locationInView(const QMouseEvent* event, const QWidget* view);
char keyChar(const QKeyEvent* event);        // the first byte of the text; 0 without text
char16_t keyUnicode(const QKeyEvent* event); // the first UTF-16 unit; 13 for return, 3 for enter
bool isCommandKeyDown(const QInputEvent* event);
bool isOptionKeyDown(const QInputEvent* event);
bool isShiftKeyDown(const QInputEvent* event);
bool isControlKeyDown(const QInputEvent* event);
bool isReturnKey(const QKeyEvent* event);
} // namespace EventUtilities

// Items carry their tag in Qt::UserRole and their represented object in Qt::UserRole + 1.
namespace PopupButtonUtilities {
inline constexpr int kTagRole = Qt::UserRole;
inline constexpr int kRepresentedObjectRole = Qt::UserRole + 1;
int tagOfSelectedItem(const QComboBox* popup);    // 0 without a selection
int itemWithTag(const QComboBox* popup, int tag); // the index; -1 when none has it
void selectItemWithRepresentedObject(QComboBox* popup, const QVariant& object); // none: no selection
} // namespace PopupButtonUtilities

namespace BoxUtilities {
// Enables or disables the controls (buttons, fields, pop-ups, spin boxes, sliders) among the box's
// direct child widgets; labels and deeper widgets stay as they are.
void setEnabled(QGroupBox* box, bool enabled);
} // namespace BoxUtilities

namespace ButtonUtilities {
void setChecked(QAbstractButton* button, bool checked);
bool checkedState(const QAbstractButton* button); // a partly checked box counts as not checked
} // namespace ButtonUtilities

namespace TokenFieldUtilities {
QStringList tokens(const QLineEdit* field); // trimmed, empty ones dropped
} // namespace TokenFieldUtilities
