#pragma once

#include "model/Globals.h"

#include <QColor>
#include <QList>
#include <QPointer>
#include <QString>

class NSColoredScroller;
class QAction;
class QMenu;
class QTextEdit;
class QWidget;
class TCardTheme;

// The widget side of the model's globals, preferences and themes.
namespace ModelWidgets {

// Applies the text-editing settings to a text view. Switches are kept on the view as properties of
// the keys' names (Qt's text views have no spelling, grammar or substitution services, so they do
// nothing); the caret colour is the property "insertionPointColor" for views that paint their own
// caret; the selection takes the stored background and the system's selected-text colour.
void UpdateTextViewPreferences(QTextEdit* textView);

// Card colours, White first, then a separator and "Other..." (tag -1, action "changeCardColor:",
// the current colour as its data and swatch). Each item holds its colour as data, its action name in
// the property "action" and its tag in "tag". Owned by the caller.
QMenu* CardColorMenu(const QString& action, const QColor& current = {}, QWidget* parent = nullptr);
// The colours of a named list ("SVG": the named colours Qt knows), darker ones left out; empty for a
// list this system lacks.
QMenu* ColorMenuForNamedList(const QString& listName, const QString& action, QWidget* parent = nullptr);
// One item per calendar of the event store that takes new events: its title, its identifier as
// data and a swatch of its colour. Owned by the caller.
QList<QAction*> AvailableCalendarsForEvent();
// A small vertical scroller with a half-transparent grey knob on a clear track.
NSColoredScroller* GetVerticalScroller(const TCardTheme& theme, QWidget* parent = nullptr);

// The activation hot key's toggle over the program's top-level windows.
class WidgetApplicationActivation : public ApplicationActivation {
public:
    bool isActive() const override;
    void beep() override;
    void activateIgnoringOtherApps() override;
    void hide() override;
    void arrangeInFront() override;

private:
    QList<QPointer<QWidget>> m_hidden;
};

} // namespace ModelWidgets
