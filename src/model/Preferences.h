#pragma once

#include <QString>

// The program's settings keys, their first-launch defaults and the values forced on every launch,
// all in UserDefaults::standardUserDefaults().

inline const QString kPreferenceKeyActiveSheet = QStringLiteral("activeSheet");
inline const QString kPreferenceKeyDashboardMode = QStringLiteral("dashboardMode");
inline const QString kPreferenceKeyDockAnimation = QStringLiteral("dockAnimation");
inline const QString kPreferenceHideOnDeactive = QStringLiteral("hideOnDeactive");
inline const QString kPreferenceKeyCheckForUpdates = QStringLiteral("checkForUpdates");
inline const QString kPreferenceKeyShowSheetBrowser = QStringLiteral("showSheetBrowser");
inline const QString kPreferenceKeyShowSheetsAsList = QStringLiteral("showSheetsAsList");
inline const QString kPreferenceKeyShowSheetsAsDrawer = QStringLiteral("showSheetsAsDrawer");
inline const QString kPreferenceKeyShowGroupRowsInBrowser = QStringLiteral("showGroupRowsInBrowser");
inline const QString kPreferenceKeySheetBrowserWidth = QStringLiteral("sheetBrowserWidth");
inline const QString kPreferenceKeyDrawSheetGroupRows = QStringLiteral("drawSheetGroupRows");
inline const QString kPreferenceKeyAutoHideSheetBrowser = QStringLiteral("autoHideSheetBrowser");
inline const QString kPreferenceKeyPortalLevel = QStringLiteral("portalLevel");
inline const QString kPreferenceKeySheetFolder = QStringLiteral("sheetFolder");
inline const QString kPreferenceKeySheetChangeNotifications = QStringLiteral("sheetChangeNotifications");
inline const QString kPreferenceKeyEventMissingNotifications = QStringLiteral("eventMissingNotifications");
inline const QString kPreferenceKeyDefaultNewCardKind = QStringLiteral("defaultNewCardKind");
inline const QString kPreferenceKeyDefaultNewItemKind = QStringLiteral("defaultNewItemKind");
inline const QString kPreferenceKeyCompletionAffectsChildren = QStringLiteral("completionAffectsChildren");
inline const QString kPreferenceKeyShowDatesInSideBar = QStringLiteral("showDatesInSideBar");
inline const QString kPreferenceKeyInheritRowNumbering = QStringLiteral("inheritRowNumbering");
inline const QString kPreferenceKeyActivationHotKey = QStringLiteral("activationHotKey");
inline const QString kPreferenceKeyAutoHideInfoButton = QStringLiteral("autoHideInfoButton");
inline const QString kPreferenceKeySnapToGrid = QStringLiteral("snapToGrid");
inline const QString kPreferenceKeyAnimateSheetTransitions = QStringLiteral("animateSheetTransitions");
inline const QString kPreferenceKeyAnimateCardTransitions = QStringLiteral("animateCardTransitions");
inline const QString kPreferenceKeyAnimateDashboardTransitions =
    QStringLiteral("animateDashboardTransitions");
inline const QString kPreferenceKeyEnableAnimationShadows = QStringLiteral("enableAnimationShadows");
inline const QString kPreferenceKeyDashboardDesktopFading = QStringLiteral("dashboardDesktopFading");
inline const QString kPreferenceKeyListFont = QStringLiteral("listFont");
inline const QString kPreferenceKeyTaskFont = QStringLiteral("taskFont");
inline const QString kPreferenceKeyNoteFont = QStringLiteral("noteFont");
inline const QString kPreferenceKeyPlainTextFont = QStringLiteral("plainTextFont");
inline const QString kPreferenceKeySideBarFont = QStringLiteral("sideBarFont");
inline const QString kPreferenceKeyTabFont = QStringLiteral("tabFont");
inline const QString kPreferenceKeyDefaultCardColor = QStringLiteral("defaultCardColor");
inline const QString kPreferenceKeyDefaultCardTheme = QStringLiteral("defaultCardTheme");
inline const QString kPreferenceKeyDefaultCardShowBottomBar = QStringLiteral("defaultCardShowBottomBar");
inline const QString kPreferenceKeyDefaultCardShowSideBar = QStringLiteral("defaultCardShowSideBar");
inline const QString kPreferenceKeyDefaultRowNumbering = QStringLiteral("defaultRowNumbering");
inline const QString kPreferenceKeyListPrefix = QStringLiteral("listPrefix");
inline const QString kPreferenceKeyListSuffix = QStringLiteral("listSuffix");
inline const QString kPreferenceKeyExportAsPlainText = QStringLiteral("exportAsPlainText");
inline const QString kPreferenceKeyDefaultCardCalendar = QStringLiteral("defaultCardCalendar");
inline const QString kPreferenceKeyCompletedTaskStyle = QStringLiteral("completedTaskStyle");
inline const QString kPreferenceKeyCompletedTaskColor = QStringLiteral("completedTaskColor");
inline const QString kPreferenceKeyContinuousSpellCheckingEnabled =
    QStringLiteral("continuousSpellCheckingEnabled");
inline const QString kPreferenceKeyAutomaticSpellingCorrectionEnabled =
    QStringLiteral("automaticSpellingCorrectionEnabled");
inline const QString kPreferenceKeyGrammarCheckingEnabled = QStringLiteral("grammarCheckingEnabled");
inline const QString kPreferenceKeySmartInsertDeleteEnabled = QStringLiteral("smartInsertDeleteEnabled");
inline const QString kPreferenceKeyAutomaticTextReplacementEnabled =
    QStringLiteral("automaticTextReplacementEnabled");
inline const QString kPreferenceKeyAutomaticQuoteSubstitutionEnabled =
    QStringLiteral("automaticQuoteSubstitutionEnabled");
inline const QString kPreferenceKeyInsertionPointColor = QStringLiteral("insertionPointColor");
inline const QString kPreferenceKeySelectedTextBackgroundColor =
    QStringLiteral("selectedTextBackgroundColor");
inline const QString kPreferenceKeyAlwaysPasteAndMatchStyle = QStringLiteral("alwaysPasteAndMatchStyle");
inline const QString kPreferenceKeyDesktopBackgroundImage = QStringLiteral("desktopBackgroundImage");
inline const QString kPreferenceKeyDesktopBackgroundImageMode = QStringLiteral("desktopBackgroundImageMode");
inline const QString kPreferenceKeyDesktopColor = QStringLiteral("desktopColor");
inline const QString kPreferenceKeyDesktopTransparency = QStringLiteral("desktopTransparency");
inline const QString kPreferenceKeyDesktopInheritFromSystem = QStringLiteral("desktopInheritFromSystem");
inline const QString kPreferenceKeyDrawerBackgroundColor = QStringLiteral("drawerBackgroundColor");
inline const QString kPreferenceKeySheetBrowserSide = QStringLiteral("sheetBrowserSide");
inline const QString kPreferenceKeyPreviousPortalRequest = QStringLiteral("previousPortalRequest");

// Written by the application delegate at launch.
inline const QString kPreferenceKeyLaunchedFirstTime = QStringLiteral("launchedFirstTime");
inline const QString kPreferenceKeyBundleName = QStringLiteral("bundleName");
inline const QString kPreferenceKeyBundleVersion = QStringLiteral("bundleVersion");
inline const QString kPreferenceKeyWebsiteURL = QStringLiteral("websiteURL");

// Writes every first-launch default, over values already stored.
void PopulateDefaultPreferences();
// Applies what every launch forces, and fills in the colours and the task style when unset.
void PopulateMandatoryPreferences();
// Whether a changed key is one UpdateTextViewPreferences (model/ui) applies.
bool IsKeyTextPreference(const QString& key);
// The calendar of a new task's event: "defaultCardCalendar", else the event store's default
// calendar for new events; empty without either.
QString DefaultCardCalendarIdentifier();
