#include "UserDefaultsUtilities.h"

#include "ColorUtilities.h"
#include "FontUtilities.h"
#include "platform/UserDefaults.h"

#include <QTimer>

namespace UserDefaultsUtilities {

std::optional<QFont> fontForKey(const UserDefaults& defaults, const QString& key) {
    const QVariant value = defaults.objectForKey(key);
    if (!value.isValid()) return std::nullopt;
    return FontUtilities::fontWithInfo(value);
}

bool setFontForKey(UserDefaults& defaults, const QFont& font, const QString& key) {
    return defaults.setObjectForKey(FontUtilities::fontInfo(font), key);
}

std::optional<QColor> colorForKey(const UserDefaults& defaults, const QString& key) {
    const QVariant value = defaults.objectForKey(key);
    const QColor colour = ColorUtilities::colorWithComponents(value);
    if (!colour.isValid()) return std::nullopt;
    return colour;
}

bool setColorForKey(UserDefaults& defaults, const QColor& colour, const QString& key) {
    return defaults.setObjectForKey(ColorUtilities::components(colour), key);
}

QVariantList mutableArrayForKey(const UserDefaults& defaults, const QString& key) {
    return defaults.arrayForKey(key);
}

} // namespace UserDefaultsUtilities

namespace TimerUtilities {

void reschedule(QTimer* timer) {
    if (timer && timer->isActive()) timer->start();
}

void invalidateAndRelease(QTimer*& timer) {
    if (!timer) return;
    timer->stop();
    timer->deleteLater();
    timer = nullptr;
}

} // namespace TimerUtilities
