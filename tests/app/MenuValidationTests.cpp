#include "app/MenuValidation.h"

#include "model/Preferences.h"
#include "platform/UserDefaults.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using MenuValidation::Context;
using MenuValidation::Item;
using MenuValidation::Result;

class MenuValidationTest : public ::testing::Test {
protected:
    void SetUp() override { UserDefaults::setStandardUserDefaults(&defaults); }
    void TearDown() override { UserDefaults::setStandardUserDefaults(nullptr); }
    void set(const QString& key, bool value) { defaults.setBoolForKey(value, key); }

    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath(QStringLiteral("defaults.plist"))};
};

TEST_F(MenuValidationTest, EnabledStateTable) {
    Context browser{true, 2, QStringLiteral("S1"), false};
    Context noBrowser{false, 2, QStringLiteral("S1"), false};
    Context oneSheet{true, 1, QStringLiteral("S1"), false};
    Context noSheet{true, 2, QString(), false};
    struct Case {
        const char* action;
        Context context;
        bool enabled;
    };
    const Case cases[] = {
        {"nextSheet", browser, true},
        {"nextSheet", oneSheet, false},
        {"previousSheet", oneSheet, false},
        {"nextSheet", noBrowser, false},
        {"openSheetFolder", noBrowser, false},
        {"sheetsMenu", noBrowser, false},
        {"openSheetFolder", browser, true},
        {"newDocument", noSheet, false},
        {"newMemoleaf", noSheet, false},
        {"importDocumentAsNote", noSheet, false},
        {"addSheetAsStack", noSheet, false},
        {"deleteSheet", noSheet, false},
        {"newDocument", browser, true},
        {"newSheet", noSheet, true},
        {"about", noBrowser, true},
        {"newDocument", noBrowser, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MenuValidation::validate({QString::fromLatin1(c.action), {}, 0}, c.context).enabled,
                  c.enabled)
            << c.action;
}

TEST_F(MenuValidationTest, SheetBrowserSettingsDriveChecksTitlesAndEnabling) {
    const Context context{true, 2, QStringLiteral("S1"), false};
    auto check = [&](const char* action) {
        return MenuValidation::validate({QString::fromLatin1(action), {}, 0}, context);
    };

    // Auto-hide on: show/hide is disabled; auto-hide is enabled only while the browser is shown.
    set(kPreferenceKeyAutoHideSheetBrowser, true);
    set(kPreferenceKeyShowSheetBrowser, false);
    EXPECT_FALSE(check("toggleSheetBrowser").enabled);
    EXPECT_EQ(check("toggleSheetBrowser").title, QStringLiteral("Show Sheet Browser"));
    EXPECT_FALSE(check("autoHideSheetBrowser").enabled);
    EXPECT_EQ(check("autoHideSheetBrowser").checked, true);
    set(kPreferenceKeyShowSheetBrowser, true);
    EXPECT_TRUE(check("autoHideSheetBrowser").enabled);
    EXPECT_EQ(check("toggleSheetBrowser").title, QStringLiteral("Hide Sheet Browser"));

    // Without the drawer the list is disabled.
    set(kPreferenceKeyShowSheetsAsDrawer, false);
    set(kPreferenceKeyShowSheetsAsList, true);
    EXPECT_FALSE(check("showSheetsAsList").enabled);
    EXPECT_EQ(check("showSheetsAsList").checked, true);
    EXPECT_EQ(check("showSheetsAsDrawer").checked, false);

    set(kPreferenceKeyShowGroupRowsInBrowser, false);
    EXPECT_FALSE(check("addSheetGroup").enabled);
    EXPECT_EQ(check("showGroupRowsInBrowser").checked, false);

    set(kPreferenceKeyDashboardMode, true);
    EXPECT_EQ(check("toggleDashboardMode").title, QStringLiteral("Disable Dashboard Mode"));
    set(kPreferenceKeyDashboardMode, false);
    EXPECT_EQ(check("toggleDashboardMode").title, QStringLiteral("Enable Dashboard Mode"));
}

TEST_F(MenuValidationTest, ChecksFollowTheActiveSheetAndTheBrowserSide) {
    const Context context{true, 2, QStringLiteral("S1"), false};
    EXPECT_EQ(
        MenuValidation::validate({QStringLiteral("openSheet"), QStringLiteral("S1"), 0}, context).checked,
        true);
    EXPECT_EQ(
        MenuValidation::validate({QStringLiteral("openSheet"), QStringLiteral("S2"), 0}, context).checked,
        false);
    defaults.setIntegerForKey(1, kPreferenceKeySheetBrowserSide);
    EXPECT_EQ(MenuValidation::validate({QStringLiteral("sheetBrowserSideChanged"), {}, 1}, context).checked,
              true);
    EXPECT_EQ(MenuValidation::validate({QStringLiteral("sheetBrowserSideChanged"), {}, 0}, context).checked,
              false);
    EXPECT_TRUE(
        MenuValidation::validate({QStringLiteral("checkForUpdates"), {}, 0}, {true, 2, {}, true}).hidden);
}

} // namespace
