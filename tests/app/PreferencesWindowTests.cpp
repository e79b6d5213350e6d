#include "app/PreferencesWindowController.h"
#include "model/Globals.h"
#include "model/ModelObject.h"
#include "model/Preferences.h"
#include "platform/AlertPresenter.h"
#include "platform/Diagnostics.h"
#include "platform/PanelPresenter.h"
#include "platform/UserDefaults.h"
#include "platform/calendar/FakeEventStore.h"
#include "platform/hotkeys/HotKeyBackend.h"
#include "utilities/UserDefaultsUtilities.h"
#include "windows/DesktopPicture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontDialog>
#include <QKeySequenceEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class PreferencesWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterModelClasses();
        HotKeyBackend::setShared(&hotKeys);
        UserDefaults::setStandardUserDefaults(&defaults);
        SetEventStore(store);
        defaults.setIntegerForKey(7, kPreferenceKeyPortalLevel);
        controller = TPreferenceWindowController::sharedController();
    }
    void TearDown() override {
        controller->window()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(TPreferenceWindowController::hasSharedController());
        TGlobalHotKey::SharedHandler()->UpdateGlobalHotKey(TGlobalHotKey::kActivationHotKey, QVariantMap());
        SetEventStore(nullptr);
        UserDefaults::setStandardUserDefaults(nullptr);
        HotKeyBackend::setShared(nullptr);
    }
    void click(QCheckBox* box) { box->click(); }

    RecordingHotKeyBackend hotKeys;
    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath("defaults.plist")};
    std::shared_ptr<FakeEventStore> store = FakeEventStore::create();
    ScopedScriptedAlertPresenter alerts;
    Diagnostics::Capture capture;
    TPreferenceWindowController* controller = nullptr;
};

TEST_F(PreferencesWindowTest, PortalLevelsAskOnlyForTheFirst) {
    alerts.setNextAnswer(NSAlertFirstButtonReturn); // "No"
    click(controller->portalLevel1Button);
    EXPECT_TRUE(controller->portalLevel1Button->isChecked());
    EXPECT_EQ(defaults.integerForKey(kPreferenceKeyPortalLevel), 7);
    ASSERT_EQ(alerts.questions().size(), 1u);
    EXPECT_EQ(alerts.questions()[0].alert.messageText, "Are you sure you want to disable this notification?");
    EXPECT_EQ(alerts.questions()[0].alert.buttons, (QStringList{"No", "Yes"}));

    alerts.setNextAnswer(NSAlertSecondButtonReturn); // "Yes"
    click(controller->portalLevel1Button);
    EXPECT_EQ(defaults.integerForKey(kPreferenceKeyPortalLevel), 6);
    click(controller->portalLevel3Button);
    EXPECT_EQ(defaults.integerForKey(kPreferenceKeyPortalLevel), 2);
    EXPECT_EQ(alerts.questions().size(), 2u);

    // Set elsewhere: the boxes follow.
    defaults.setIntegerForKey(5, kPreferenceKeyPortalLevel);
    EXPECT_TRUE(controller->portalLevel1Button->isChecked());
    EXPECT_FALSE(controller->portalLevel2Button->isChecked());
    EXPECT_TRUE(controller->portalLevel3Button->isChecked());
}

TEST_F(PreferencesWindowTest, RandomColourRemovesTheKey) {
    QComboBox* popup = controller->defaultColorPopupButton;
    EXPECT_EQ(popup->currentText(), "Random");
    const int red = [&] {
        for (int i = 0; i < popup->count(); ++i)
            if (popup->itemData(i).typeId() == QMetaType::QColor) return i;
        return -1;
    }();
    ASSERT_GE(red, 0);
    QAction item;
    item.setData(popup->itemData(red));
    controller->defaultCardColorChanged(&item);
    EXPECT_TRUE(UserDefaultsUtilities::colorForKey(defaults, kPreferenceKeyDefaultCardColor).has_value());
    EXPECT_EQ(popup->currentIndex(), red);

    QAction random;
    controller->defaultCardColorChanged(&random);
    EXPECT_FALSE(defaults.objectForKey(kPreferenceKeyDefaultCardColor).isValid());
    EXPECT_EQ(popup->currentText(), "Random");

    controller->changeColor(QColor(10, 20, 30, 128));
    EXPECT_EQ(UserDefaultsUtilities::colorForKey(defaults, kPreferenceKeyDefaultCardColor)->alpha(), 128);
}

TEST_F(PreferencesWindowTest, HotKeyIsStoredAndRegisteredAndClearingUnregisters) {
    controller->shortcutRecorder->setKeySequence(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_J));
    const QVariantMap stored = defaults.dictionaryForKey(kPreferenceKeyActivationHotKey);
    EXPECT_EQ(stored.value("keyCode").toInt(), Qt::Key_J);
    EXPECT_EQ(stored.value("modifierFlags").toInt(), (Qt::ControlModifier | Qt::AltModifier).toInt());
    EXPECT_TRUE(TGlobalHotKey::SharedHandler()->IsRegistered(TGlobalHotKey::kActivationHotKey));

    controller->shortcutRecorder->clear();
    EXPECT_FALSE(defaults.objectForKey(kPreferenceKeyActivationHotKey).isValid());
    EXPECT_FALSE(TGlobalHotKey::SharedHandler()->IsRegistered(TGlobalHotKey::kActivationHotKey));
}

TEST_F(PreferencesWindowTest, FontsFolderAndBoundControlsFollowTheirKeys) {
    controller->chooseFont(kPreferenceKeyTaskFont);
    auto* dialog = controller->window()->findChild<QFontDialog*>(kPreferenceKeyTaskFont);
    ASSERT_NE(dialog, nullptr);
    QFont font(QStringLiteral("DejaVu Serif"), 15);
    dialog->setCurrentFont(font);
    const std::optional<QFont> stored = UserDefaultsUtilities::fontForKey(defaults, kPreferenceKeyTaskFont);
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->pointSize(), 15);
    EXPECT_TRUE(controller->fontFields[kPreferenceKeyTaskFont]->text().endsWith("15pt"));
    dialog->close();

    ScopedScriptedPanelPresenter panels;
    panels.setNextChoice({dir.filePath("Sheets")});
    controller->chooseSheetFolder();
    EXPECT_EQ(defaults.stringForKey(kPreferenceKeySheetFolder), dir.filePath("Sheets"));
    EXPECT_TRUE(panels.panels()[0].canChooseDirectories && !panels.panels()[0].canChooseFiles);
    controller->chooseSheetFolder(); // cancelled: unchanged
    EXPECT_EQ(defaults.stringForKey(kPreferenceKeySheetFolder), dir.filePath("Sheets"));
    EXPECT_EQ(controller->sheetFolderField->text(), dir.filePath("Sheets"));

    defaults.setIntegerForKey(0, kPreferenceKeyCompletedTaskStyle);
    EXPECT_FALSE(controller->completedTaskStyleColorWell->isEnabled());
    defaults.setIntegerForKey(3, kPreferenceKeyCompletedTaskStyle);
    EXPECT_TRUE(controller->completedTaskStyleColorWell->isEnabled());

    QCheckBox* dashboard = nullptr;
    for (QCheckBox* box : controller->window()->findChildren<QCheckBox*>())
        if (box->text() == "Dashboard mode") dashboard = box;
    ASSERT_NE(dashboard, nullptr);
    dashboard->click();
    EXPECT_TRUE(defaults.boolForKey(kPreferenceKeyDashboardMode));
    defaults.setBoolForKey(false, kPreferenceKeyDashboardMode);
    EXPECT_FALSE(dashboard->isChecked());
}

TEST_F(PreferencesWindowTest, SystemDesktopPictureDisablesTheControlsAndIsStored) {
    TPreferenceWindowController::setSystemDesktopPictureReader([] {
        return SystemDesktopPicture{QStringLiteral("/nowhere/picture.png"), 1, QColor(Qt::black)};
    });
    defaults.setBoolForKey(true, kPreferenceKeyDesktopInheritFromSystem);
    QCoreApplication::processEvents();
    EXPECT_FALSE(controller->desktopImageView->isEnabled());
    EXPECT_FALSE(controller->desktopImageModeButton->isEnabled());
    EXPECT_FALSE(controller->desktopColorWell->isEnabled());
    EXPECT_EQ(defaults.integerForKey(kPreferenceKeyDesktopBackgroundImageMode), 2);
    EXPECT_EQ(defaults.stringForKey(kPreferenceKeyDesktopBackgroundImage), "/nowhere/picture.png");
    EXPECT_EQ(UserDefaultsUtilities::colorForKey(defaults, kPreferenceKeyDesktopColor), QColor(Qt::black));
    defaults.setBoolForKey(false, kPreferenceKeyDesktopInheritFromSystem);
    QCoreApplication::processEvents();
    EXPECT_TRUE(controller->desktopImageModeButton->isEnabled());
    TPreferenceWindowController::setSystemDesktopPictureReader(nullptr);
}

TEST_F(PreferencesWindowTest, UsingTheDesktopsPictureTakesTheOneTheDesktopShows) {
    // The picture the desktop window draws, not none: the user's stored picture is not dropped for
    // nothing.
    FixedDesktopPictureProvider provider;
    provider.picture = DesktopPicture{QStringLiteral("/nowhere/desktop.jpg"), 3};
    DesktopPictureProvider::setShared(&provider);
    defaults.setObjectForKey(QStringLiteral("/nowhere/mine.png"), kPreferenceKeyDesktopBackgroundImage);
    defaults.setBoolForKey(true, kPreferenceKeyDesktopInheritFromSystem);
    QCoreApplication::processEvents();
    EXPECT_EQ(defaults.stringForKey(kPreferenceKeyDesktopBackgroundImage), "/nowhere/desktop.jpg");
    EXPECT_EQ(defaults.integerForKey(kPreferenceKeyDesktopBackgroundImageMode), 1);
    DesktopPictureProvider::setShared(nullptr);
}

} // namespace
