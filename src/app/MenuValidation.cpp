#include "MenuValidation.h"

#include "model/Globals.h"
#include "model/Preferences.h"
#include "platform/UserDefaults.h"

#include <QSet>

namespace MenuValidation {

namespace {

bool pref(const QString& key) {
    return NSPrefs().boolForKey(key);
}

const QSet<QString>& browserActions() {
    static const QSet<QString> actions{QStringLiteral("nextSheet"),
                                       QStringLiteral("previousSheet"),
                                       QStringLiteral("addSheetGroup"),
                                       QStringLiteral("toggleSheetBrowser"),
                                       QStringLiteral("autoHideSheetBrowser"),
                                       QStringLiteral("showSheetsAsList"),
                                       QStringLiteral("showSheetsAsDrawer"),
                                       QStringLiteral("showGroupRowsInBrowser"),
                                       QStringLiteral("sheetBrowserSideChanged"),
                                       QStringLiteral("deleteSheet"),
                                       QStringLiteral("revealSheetInFinder"),
                                       QStringLiteral("openSheetFolder"),
                                       QStringLiteral("sheetsMenu")};
    return actions;
}

const QSet<QString>& sheetActions() {
    static const QSet<QString> actions{
        QStringLiteral("deleteSheet"),          QStringLiteral("revealSheetInFinder"),
        QStringLiteral("newListCard"),          QStringLiteral("newMemoleaf"),
        QStringLiteral("newJobslate"),          QStringLiteral("newDocument"),
        QStringLiteral("importDocumentAsList"), QStringLiteral("importDocumentAsTasks"),
        QStringLiteral("importDocumentAsNote"), QStringLiteral("addSheetAsStack")};
    return actions;
}

} // namespace

Result validate(const Item& item, const Context& context) {
    Result result;
    const QString& action = item.action;
    if (browserActions().contains(action) && !context.browserAvailable) {
        result.enabled = false;
        return result;
    }
    if (action == QLatin1String("nextSheet") || action == QLatin1String("previousSheet"))
        result.enabled = context.sheetCount > 1;
    if (action == QLatin1String("openSheet"))
        result.checked = !context.activeSheetUUID.isEmpty() &&
                         item.representedObject.toString() == context.activeSheetUUID;
    if (sheetActions().contains(action) && context.activeSheetUUID.isEmpty()) {
        result.enabled = false;
        return result;
    }
    if (action == QLatin1String("sheetBrowserSideChanged"))
        result.checked = item.tag == NSPrefs().integerForKey(kPreferenceKeySheetBrowserSide);
    else if (action == QLatin1String("autoHideSheetBrowser")) {
        result.enabled = pref(kPreferenceKeyShowSheetBrowser);
        result.checked = pref(kPreferenceKeyAutoHideSheetBrowser);
    } else if (action == QLatin1String("toggleSheetBrowser")) {
        result.enabled = !pref(kPreferenceKeyAutoHideSheetBrowser);
        result.title = pref(kPreferenceKeyShowSheetBrowser) ? QStringLiteral("Hide Sheet Browser")
                                                            : QStringLiteral("Show Sheet Browser");
    } else if (action == QLatin1String("showSheetsAsList")) {
        result.checked = pref(kPreferenceKeyShowSheetsAsList);
        if (!pref(kPreferenceKeyShowSheetsAsDrawer)) result.enabled = false;
    } else if (action == QLatin1String("showSheetsAsDrawer"))
        result.checked = pref(kPreferenceKeyShowSheetsAsDrawer);
    else if (action == QLatin1String("showGroupRowsInBrowser"))
        result.checked = pref(kPreferenceKeyShowGroupRowsInBrowser);
    else if (action == QLatin1String("addSheetGroup"))
        result.enabled = pref(kPreferenceKeyShowGroupRowsInBrowser);
    else if (action == QLatin1String("toggleDashboardMode"))
        result.title = pref(kPreferenceKeyDashboardMode) ? QStringLiteral("Disable Dashboard Mode")
                                                         : QStringLiteral("Enable Dashboard Mode");
    else if (action == QLatin1String("togglePasteAndMatchStyle"))
        result.checked = pref(kPreferenceKeyAlwaysPasteAndMatchStyle);
    else if (action == QLatin1String("checkForUpdates"))
        result.hidden = context.sandboxed;
    return result;
}

} // namespace MenuValidation
