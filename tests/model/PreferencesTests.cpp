#include "model/Globals.h"
#include "model/Preferences.h"
#include "platform/UserDefaults.h"
#include "platform/calendar/FakeEventStore.h"
#include "utilities/UserDefaultsUtilities.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class PreferencesTest : public ::testing::Test {
protected:
    void SetUp() override { UserDefaults::setStandardUserDefaults(&defaults); }
    void TearDown() override {
        UserDefaults::setStandardUserDefaults(nullptr);
        SetEventStore(nullptr);
    }
    // A launch as the application delegate makes it.
    void launch() {
        PopulateMandatoryPreferences();
        if (!defaults.boolForKey(kPreferenceKeyLaunchedFirstTime)) {
            PopulateDefaultPreferences();
            defaults.setBoolForKey(true, kPreferenceKeyLaunchedFirstTime);
        }
    }
    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath(QStringLiteral("defaults.plist"))};
};

TEST_F(PreferencesTest, FirstLaunchForcesMandatoryKeysAndWritesDefaultsOnce) {
    launch();
    EXPECT_EQ(defaults.integerForKey(kPreferenceKeySheetBrowserWidth), 233);
    EXPECT_EQ(UserDefaultsUtilities::fontForKey(defaults, kPreferenceKeySideBarFont)->pointSizeF(), 12.0);
    EXPECT_EQ(UserDefaultsUtilities::fontForKey(defaults, kPreferenceKeyListFont)->pointSizeF(), 13.0);
    EXPECT_EQ(defaults.integerForKey(kPreferenceKeyCompletedTaskStyle), 3);
    EXPECT_EQ(defaults.stringForKey(kPreferenceKeyListPrefix), "-");
    EXPECT_EQ(defaults.stringForKey(kPreferenceKeyListSuffix), ")");
    EXPECT_EQ(defaults.stringForKey(kPreferenceKeyDefaultCardTheme), "Default");
    EXPECT_EQ(defaults.integerForKey(kPreferenceKeyPortalLevel), 7);
    EXPECT_TRUE(defaults.objectForKey(kPreferenceKeyPreviousPortalRequest).isValid());
    EXPECT_FALSE(defaults.objectForKey(kPreferenceKeyActiveSheet).isValid());
    EXPECT_NEAR(UserDefaultsUtilities::colorForKey(defaults, kPreferenceKeyDrawerBackgroundColor)->alphaF(),
                0.9, 1e-3);

    // The user's choices survive later launches; what every launch forces does not.
    defaults.setBoolForKey(true, kPreferenceKeyDockAnimation);
    defaults.setIntegerForKey(2, kPreferenceKeyCompletedTaskStyle);
    defaults.setObjectForKey(QStringLiteral("*"), kPreferenceKeyListPrefix);
    defaults.setIntegerForKey(300, kPreferenceKeySheetBrowserWidth);
    launch();
    EXPECT_FALSE(defaults.boolForKey(kPreferenceKeyDockAnimation));
    EXPECT_EQ(defaults.integerForKey(kPreferenceKeyCompletedTaskStyle), 2);
    EXPECT_EQ(defaults.stringForKey(kPreferenceKeyListPrefix), "*");
    EXPECT_EQ(defaults.integerForKey(kPreferenceKeySheetBrowserWidth), 233);
}

TEST_F(PreferencesTest, MandatoryFillInsOnlyWriteMissingValues) {
    defaults.setBoolForKey(true, kPreferenceKeyLaunchedFirstTime);
    UserDefaultsUtilities::setColorForKey(defaults, Qt::red, kPreferenceKeyInsertionPointColor);
    PopulateMandatoryPreferences();
    EXPECT_EQ(defaults.integerForKey(kPreferenceKeyCompletedTaskStyle), 0); // not the first-launch 3
    EXPECT_EQ(*UserDefaultsUtilities::colorForKey(defaults, kPreferenceKeyInsertionPointColor),
              QColor(Qt::red));
    const QColor drawer = *UserDefaultsUtilities::colorForKey(defaults, kPreferenceKeyDrawerBackgroundColor);
    EXPECT_NEAR(drawer.redF(), 0.15, 1e-3);
    EXPECT_EQ(drawer.alphaF(), 1.0f);
    EXPECT_TRUE(defaults.objectForKey(kPreferenceKeyCompletedTaskColor).isValid());
    EXPECT_FALSE(defaults.objectForKey(kPreferenceKeyListFont).isValid());
}

TEST_F(PreferencesTest, DefaultCalendarFallsBackToTheStoresDefault) {
    EXPECT_EQ(DefaultCardCalendarIdentifier(), "");
    auto store = FakeEventStore::create();
    SetEventStore(store);
    const QString fallback = DefaultCardCalendarIdentifier();
    EXPECT_FALSE(fallback.isEmpty());
    store->addCalendar(QStringLiteral("work"), QStringLiteral("Work"));
    defaults.setObjectForKey(QStringLiteral("work"), kPreferenceKeyDefaultCardCalendar);
    EXPECT_EQ(DefaultCardCalendarIdentifier(), "work");
    defaults.removeObjectForKey(kPreferenceKeyDefaultCardCalendar);
    PopulateDefaultPreferences(); // with a store, the first launch records its default
    EXPECT_EQ(defaults.stringForKey(kPreferenceKeyDefaultCardCalendar), fallback);
}

TEST(Preferences, TextPreferenceKeys) {
    for (const QString& key :
         {kPreferenceKeyContinuousSpellCheckingEnabled, kPreferenceKeyGrammarCheckingEnabled,
          kPreferenceKeyInsertionPointColor, kPreferenceKeySelectedTextBackgroundColor})
        EXPECT_TRUE(IsKeyTextPreference(key)) << key.toStdString();
    for (const QString& key : {kPreferenceKeyAlwaysPasteAndMatchStyle, QStringLiteral("insertionpointcolor"),
                               kPreferenceKeyListFont, QString()})
        EXPECT_FALSE(IsKeyTextPreference(key)) << key.toStdString();
}

} // namespace
