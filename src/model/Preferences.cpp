#include "Preferences.h"

#include "Globals.h"
#include "platform/UserDefaults.h"
#include "platform/calendar/EKCalendar.h"
#include "platform/calendar/EKEventStore.h"
#include "utilities/Clock.h"
#include "utilities/UserDefaultsUtilities.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QPalette>

namespace {

QFont systemFont(double size, QFontDatabase::SystemFont kind = QFontDatabase::GeneralFont) {
    QFont font = QFontDatabase::systemFont(kind);
    font.setPointSizeF(size);
    return font;
}

QColor white(double level, double alpha) {
    return QColor::fromRgbF(level, level, level, alpha);
}

QColor darkGrey() {
    return white(1.0 / 3.0, 1.0);
}

QColor selectedTextBackground() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return QGuiApplication::palette().color(QPalette::Active, QPalette::Highlight);
    return QColor::fromRgbF(0.7f, 0.84f, 1.0f);
}

void setColour(UserDefaults& defaults, const QString& key, const QColor& colour) {
    UserDefaultsUtilities::setColorForKey(defaults, colour, key);
}

void fillColour(UserDefaults& defaults, const QString& key, const QColor& colour) {
    if (!defaults.objectForKey(key).isValid()) setColour(defaults, key, colour);
}

} // namespace

void PopulateDefaultPreferences() {
    UserDefaults& defaults = NSPrefs();
    const std::pair<const QString*, bool> switches[] = {
        {&kPreferenceKeyDockAnimation, false},
        {&kPreferenceHideOnDeactive, false},
        {&kPreferenceKeyCheckForUpdates, true},
        {&kPreferenceKeyShowSheetBrowser, true},
        {&kPreferenceKeyShowSheetsAsList, false},
        {&kPreferenceKeyShowSheetsAsDrawer, false},
        {&kPreferenceKeyShowGroupRowsInBrowser, true},
        {&kPreferenceKeyDrawSheetGroupRows, false},
        {&kPreferenceKeyAutoHideSheetBrowser, false},
        {&kPreferenceKeySheetChangeNotifications, true},
        {&kPreferenceKeyEventMissingNotifications, true},
        {&kPreferenceKeyCompletionAffectsChildren, true},
        {&kPreferenceKeyShowDatesInSideBar, false},
        {&kPreferenceKeyInheritRowNumbering, true},
        {&kPreferenceKeyAutoHideInfoButton, true},
        {&kPreferenceKeySnapToGrid, false},
        {&kPreferenceKeyAnimateSheetTransitions, true},
        {&kPreferenceKeyAnimateCardTransitions, false},
        {&kPreferenceKeyAnimateDashboardTransitions, false},
        {&kPreferenceKeyEnableAnimationShadows, false},
        {&kPreferenceKeyDashboardDesktopFading, false},
    };
    for (const auto& [key, value] : switches) defaults.setBoolForKey(value, *key);

    defaults.setIntegerForKey(3, kPreferenceKeyDefaultNewCardKind);
    defaults.setIntegerForKey(2, kPreferenceKeyDefaultNewItemKind);

    UserDefaultsUtilities::setFontForKey(defaults, systemFont(13), kPreferenceKeyListFont);
    UserDefaultsUtilities::setFontForKey(defaults, systemFont(13), kPreferenceKeyTaskFont);
    UserDefaultsUtilities::setFontForKey(defaults, systemFont(13), kPreferenceKeyNoteFont);
    UserDefaultsUtilities::setFontForKey(defaults, systemFont(13, QFontDatabase::FixedFont),
                                         kPreferenceKeyPlainTextFont);

    defaults.setObjectForKey(QStringLiteral("Default"), kPreferenceKeyDefaultCardTheme);
    defaults.setBoolForKey(false, kPreferenceKeyDefaultCardShowBottomBar);
    defaults.setBoolForKey(false, kPreferenceKeyDefaultCardShowSideBar);
    defaults.setIntegerForKey(0, kPreferenceKeyDefaultRowNumbering);
    defaults.setObjectForKey(QStringLiteral("-"), kPreferenceKeyListPrefix);
    defaults.setObjectForKey(QStringLiteral(")"), kPreferenceKeyListSuffix);
    defaults.setBoolForKey(false, kPreferenceKeyExportAsPlainText);

    // The store is made after the defaults at launch; without it the key stays unset and
    // DefaultCardCalendarIdentifier answers the store's default later.
    if (std::shared_ptr<EKEventStore> store = EventStore())
        if (std::shared_ptr<EKCalendar> calendar = store->defaultCalendarForNewEvents())
            defaults.setObjectForKey(calendar->calendarIdentifier(), kPreferenceKeyDefaultCardCalendar);

    defaults.setIntegerForKey(3, kPreferenceKeyCompletedTaskStyle);
    setColour(defaults, kPreferenceKeyCompletedTaskColor, darkGrey());

    // Text editing. Grammar checking and data detection are kept and read back but do nothing here.
    defaults.setBoolForKey(true, kPreferenceKeyContinuousSpellCheckingEnabled);
    defaults.setBoolForKey(true, kPreferenceKeyAutomaticSpellingCorrectionEnabled);
    defaults.setBoolForKey(false, kPreferenceKeyGrammarCheckingEnabled);
    defaults.setBoolForKey(false, kPreferenceKeySmartInsertDeleteEnabled);
    defaults.setBoolForKey(false, kPreferenceKeyAutomaticTextReplacementEnabled);
    defaults.setBoolForKey(false, kPreferenceKeyAutomaticQuoteSubstitutionEnabled);
    setColour(defaults, kPreferenceKeyInsertionPointColor, Qt::black);
    setColour(defaults, kPreferenceKeySelectedTextBackgroundColor, selectedTextBackground());
    defaults.setBoolForKey(true, kPreferenceKeyAlwaysPasteAndMatchStyle);

    setColour(defaults, kPreferenceKeyDesktopColor, Qt::white);
    defaults.setFloatForKey(1.0f, kPreferenceKeyDesktopTransparency);
    defaults.setBoolForKey(true, kPreferenceKeyDesktopInheritFromSystem);

    defaults.setIntegerForKey(7, kPreferenceKeyPortalLevel);
    defaults.setObjectForKey(Clock::shared().now(), kPreferenceKeyPreviousPortalRequest);
    setColour(defaults, kPreferenceKeyDrawerBackgroundColor, white(0.12, 0.9));
}

void PopulateMandatoryPreferences() {
    UserDefaults& defaults = NSPrefs();
    // "animateCardTransitions" is forced off only on systems older than any this runs on.
    defaults.setBoolForKey(false, kPreferenceKeyDockAnimation);
    defaults.setBoolForKey(true, kPreferenceKeyCheckForUpdates);
    UserDefaultsUtilities::setFontForKey(defaults, systemFont(12), kPreferenceKeySideBarFont);
    UserDefaultsUtilities::setFontForKey(defaults, systemFont(13), kPreferenceKeyTabFont);
    defaults.setIntegerForKey(233, kPreferenceKeySheetBrowserWidth);
    if (!defaults.objectForKey(kPreferenceKeyCompletedTaskStyle).isValid())
        defaults.setIntegerForKey(0, kPreferenceKeyCompletedTaskStyle);
    fillColour(defaults, kPreferenceKeyCompletedTaskColor, darkGrey());
    fillColour(defaults, kPreferenceKeyInsertionPointColor, Qt::black);
    fillColour(defaults, kPreferenceKeySelectedTextBackgroundColor, selectedTextBackground());
    fillColour(defaults, kPreferenceKeyDrawerBackgroundColor, white(0.15, 1.0));
}

bool IsKeyTextPreference(const QString& key) {
    return key == kPreferenceKeyContinuousSpellCheckingEnabled ||
           key == kPreferenceKeyAutomaticSpellingCorrectionEnabled ||
           key == kPreferenceKeyGrammarCheckingEnabled || key == kPreferenceKeySmartInsertDeleteEnabled ||
           key == kPreferenceKeyAutomaticTextReplacementEnabled ||
           key == kPreferenceKeyAutomaticQuoteSubstitutionEnabled ||
           key == kPreferenceKeyInsertionPointColor || key == kPreferenceKeySelectedTextBackgroundColor;
}

QString DefaultCardCalendarIdentifier() {
    const QString stored = NSPrefs().stringForKey(kPreferenceKeyDefaultCardCalendar);
    if (!stored.isEmpty()) return stored;
    if (std::shared_ptr<EKEventStore> store = EventStore())
        if (std::shared_ptr<EKCalendar> calendar = store->defaultCalendarForNewEvents())
            return calendar->calendarIdentifier();
    return {};
}
