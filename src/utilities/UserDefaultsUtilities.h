#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QVariantList>
#include <optional>

class QTimer;
class UserDefaults;

// Fonts and colours in the defaults: a font as its description {"name", "size"} (FontUtilities),
// a colour as [red, green, blue, alpha] reals.
namespace UserDefaultsUtilities {

// Null when nothing is stored under the key or no installed font has the stored name.
std::optional<QFont> fontForKey(const UserDefaults& defaults, const QString& key);
bool setFontForKey(UserDefaults& defaults, const QFont& font, const QString& key);
// Null when nothing is stored, or the value is no array of at least four numbers.
std::optional<QColor> colorForKey(const UserDefaults& defaults, const QString& key);
bool setColorForKey(UserDefaults& defaults, const QColor& colour, const QString& key);
// The array stored under the key, or an empty one.
QVariantList mutableArrayForKey(const UserDefaults& defaults, const QString& key);

} // namespace UserDefaultsUtilities

namespace TimerUtilities {
// A running timer starts its interval again from now; a stopped one stays stopped.
void reschedule(QTimer* timer);
// Stops the timer the variable holds, deletes it (later, so a timer may do this from its own
// timeout) and sets the variable to null; a null variable is left alone.
void invalidateAndRelease(QTimer*& timer);
} // namespace TimerUtilities
