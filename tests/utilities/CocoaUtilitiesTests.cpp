#include "platform/ApplicationInfo.h"
#include "platform/Diagnostics.h"
#include "platform/UserDefaults.h"
#include "utilities/CocoaUtilities.h"
#include "utilities/FontUtilities.h"
#include "utilities/UserDefaultsUtilities.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using namespace CocoaUtilities;

TEST(CocoaUtilities, RangesPlaceholdersAndValues) {
    EXPECT_EQ(NSRangeConstrain({10, 5}, 12), (NSRange{10, 2}));
    EXPECT_EQ(NSRangeConstrain({20, 5}, 12), (NSRange{12, 0}));
    EXPECT_EQ(NSRangeConstrain({3, 4}, 12), (NSRange{3, 4}));
    EXPECT_EQ(NSLocalizedString("Move ^1 to ^2", {"A", "B"}), "Move A to B");
    EXPECT_EQ(NSLocalizedString("Move ^1 to ^2", {QString(), "B"}), "Move ^1 to B");
    EXPECT_EQ(NSLocalizedString("^1 and ^2", {"^2", "x"}), "x and x") << "replaced in turn";
    EXPECT_EQ(NSLocalizedString("^1 ^10", QStringList{"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"}),
              "a j");
    EXPECT_EQ(NSLocalizedString("no translation"), "no translation");
    EXPECT_THROW(Fatal("broken"), CocoaUtilities::Exception);
    EXPECT_NO_THROW(Fatal(false, "fine"));
    {
        Diagnostics::Capture capture;
        NSShow(NSRange{3, 5});
        EXPECT_EQ(capture.lines(), QStringList{"location: 3, length: 5"});
        EXPECT_FALSE(VarRecToNSObj({7, 1}).isValid());
        EXPECT_EQ(capture.lines().last(), "VarRecToNSObj: got undefined type of 7");
    }
    EXPECT_EQ(NSArr({{0, 5}, {4, "s"}}), (QVariantList{5, "s"}));
    EXPECT_EQ(NSDict({{4, "a"}, {0, 1}, {4, "odd"}}), (QVariantMap{{"a", 1}}));
    void* pool = &pool;
    OpenPool(pool);
    EXPECT_EQ(pool, nullptr);
    ClosePool();
    EXPECT_FALSE(IsPoolOpen());
}

TEST(CocoaUtilities, Application) {
    EXPECT_EQ(ApplicationUtilities::name(), "Jobslate");
    EXPECT_TRUE(ApplicationUtilities::libraryFolder().endsWith("/Jobslate"));
    qunsetenv("APP_SANDBOX_CONTAINER_ID");
    EXPECT_FALSE(ApplicationUtilities::isSandboxed());
    qputenv("APP_SANDBOX_CONTAINER_ID", "");
    EXPECT_TRUE(ApplicationUtilities::isSandboxed()) << "any value";
    qunsetenv("APP_SANDBOX_CONTAINER_ID");
    EXPECT_EQ(RunningApplicationUtilities::process(QCoreApplication::applicationPid()).pid,
              QCoreApplication::applicationPid());
}

QString installedFamily() {
    const QStringList families = QFontDatabase::families();
    return families.isEmpty() ? QString() : families.first();
}

TEST(Fonts, DescriptionsRoundTripAndUnknownNamesGiveNothing) {
    const std::optional<QFont> system = FontUtilities::fontWithInfo(QVariant());
    ASSERT_TRUE(system);
    EXPECT_EQ(system->pointSizeF(), 12.0);
    EXPECT_FALSE(FontUtilities::fontWithInfo(QVariantMap{{"name", "No Such Font Family"}, {"size", 12.0}}));
    EXPECT_FALSE(FontUtilities::fontWithInfo(QVariantMap{{"size", 12.0}}));

    const QString family = installedFamily();
    if (family.isEmpty()) GTEST_SKIP() << "no fonts installed";
    QFont font(family);
    font.setPointSizeF(13.5);
    const QVariantMap info = FontUtilities::fontInfo(font);
    EXPECT_EQ(info.keys(), QStringList({"name", "size"}));
    const std::optional<QFont> back = FontUtilities::fontWithInfo(info);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->family(), family);
    EXPECT_EQ(back->pointSizeF(), 13.5);
    EXPECT_EQ(FontUtilities::nameAndSizeString(font), family + " 14pt");
    font.setPointSizeF(12.5);
    EXPECT_EQ(FontUtilities::nameAndSizeString(font), family + " 12pt") << "halves to even";
}

TEST(Fonts, AndColoursInTheDefaults) {
    QTemporaryDir dir;
    UserDefaults defaults(dir.filePath("defaults.plist"));
    EXPECT_FALSE(UserDefaultsUtilities::fontForKey(defaults, "listFont"))
        << "never set: nothing, not the system font";
    defaults.setObjectForKey(QVariantMap{{"name", "No Such Font Family"}, {"size", 12.0}}, "taskFont");
    EXPECT_FALSE(UserDefaultsUtilities::fontForKey(defaults, "taskFont"));
    const QString family = installedFamily();
    if (!family.isEmpty()) {
        QFont font(family);
        font.setPointSizeF(13.5);
        UserDefaultsUtilities::setFontForKey(defaults, font, "listFont");
        EXPECT_EQ(defaults.dictionaryForKey("listFont").value("size").toDouble(), 13.5);
        EXPECT_EQ(UserDefaultsUtilities::fontForKey(UserDefaults(dir.filePath("defaults.plist")), "listFont")
                      ->family(),
                  family);
    }
    UserDefaultsUtilities::setColorForKey(defaults, QColor::fromRgbF(0.5f, 0.5f, 0.5f), "tint");
    const std::optional<QColor> grey = UserDefaultsUtilities::colorForKey(defaults, "tint");
    ASSERT_TRUE(grey);
    EXPECT_FLOAT_EQ(grey->redF(), grey->blueF());
    defaults.setObjectForKey(QVariantList{1.0, 0.0}, "short");
    EXPECT_FALSE(UserDefaultsUtilities::colorForKey(defaults, "short"));
    EXPECT_TRUE(UserDefaultsUtilities::mutableArrayForKey(defaults, "none").isEmpty());

    QTimer* timer = new QTimer;
    timer->start(1000);
    TimerUtilities::invalidateAndRelease(timer);
    EXPECT_EQ(timer, nullptr);
    TimerUtilities::invalidateAndRelease(timer);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace
