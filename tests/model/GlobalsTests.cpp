#include "ModelFakes.h"
#include "model/Globals.h"
#include "model/Preferences.h"
#include "platform/UserDefaults.h"
#include "platform/hotkeys/HotKeyBackend.h"

#include <QCoreApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

class ScopedApplicationName {
public:
    explicit ScopedApplicationName(const QString& name) : m_old(QCoreApplication::applicationName()) {
        QCoreApplication::setApplicationName(name);
    }
    ~ScopedApplicationName() { QCoreApplication::setApplicationName(m_old); }

private:
    QString m_old;
};

TEST(Globals, EditionsAndSchemes) {
    struct Case {
        const char* executable;
        const char* bundle;
        const char* scheme;
        bool mini, memoleaf;
    };
    const Case cases[] = {{"jobslate", "Jobslate", "jobslate", false, false},
                          {"jobslate-mini", "Jobslate Mini", "jobslatemini", true, false},
                          {"/usr/bin/memoleaf", "Memoleaf", "memoleaf", false, true},
                          {"JOBSLATE-MINI", "Jobslate Mini", "jobslatemini", true, false}};
    for (const Case& c : cases) {
        const QString bundle = BundleNameForExecutable(QString::fromLatin1(c.executable));
        EXPECT_EQ(bundle, QString::fromLatin1(c.bundle)) << c.executable;
        ScopedApplicationName name(bundle);
        EXPECT_EQ(URISchemeBundle(), QString::fromLatin1(c.scheme));
        EXPECT_EQ(URISchemeProtocol(), QString::fromLatin1(c.scheme) + "://");
        EXPECT_EQ(isMini(), c.mini) << c.executable;
        EXPECT_EQ(isMemoleaf(), c.memoleaf) << c.executable;
    }
    ScopedApplicationName lower(QStringLiteral("jobslate mini"));
    EXPECT_FALSE(isMini()); // exact, case-sensitive
    ScopedApplicationName odd(QStringLiteral("2 Notes+Ä"));
    EXPECT_EQ(URISchemeBundle(), "notes+"); // starts with a letter, only scheme characters
    ScopedApplicationName plain(QStringLiteral("Jobslate"));
    EXPECT_EQ(CardLink("AB-12"), "jobslate://goto?card=AB-12");
    EXPECT_EQ(ItemLink("CD-34"), "jobslate://goto?item=CD-34");
}

TEST(Globals, VersionComparisonAndBitmasks) {
    struct Case {
        const char *a, *b;
        int order;
    };
    const Case cases[] = {{"10.11.0", "10.11.0", 0}, {"10.12.1", "10.11.0", 1}, {"10.9.5", "10.11.0", -1},
                          {"10.11", "10.11.0", 0},   {"6", "10.11.0", -1},      {"12.4.0", "12.10.0", -1}};
    for (const Case& c : cases)
        EXPECT_EQ(CompareVersionStrings(QString::fromLatin1(c.a), QString::fromLatin1(c.b)), c.order)
            << c.a << " " << c.b;
    const QString running = GetOperatingSystemVersion();
    EXPECT_EQ(running.count(QLatin1Char('.')), 2);
    EXPECT_FALSE(IsOperatingSystemLowerThanVersion(running));
    EXPECT_TRUE(IsOperatingSystemSameAsVersion(running));
    EXPECT_TRUE(IsOperatingSystemAtLeastVersion(running));

    EXPECT_TRUE(TestBitmask(6, 2));
    EXPECT_FALSE(TestBitmask(6, 1));
    EXPECT_TRUE(TestBitmask(6, 0));
    EXPECT_FALSE(TestBitmask(0, 4));
}

TEST(Globals, ResetSwitch) {
    SetResetPreferencesFromArguments({"jobslate", "reset"});
    EXPECT_TRUE(ResetPreferences());
    SetResetPreferencesFromArguments({"reset"}); // the program's own name is no switch
    EXPECT_FALSE(ResetPreferences());
    SetResetPreferencesFromArguments({"jobslate", "--reset"});
    EXPECT_TRUE(ResetPreferences());
    SetResetPreferencesFromArguments({});
}

class RecordingActivation : public ApplicationActivation {
public:
    bool isActive() const override { return active; }
    void beep() override { calls << "beep"; }
    void activateIgnoringOtherApps() override { calls << "activate"; }
    void hide() override { calls << "hide"; }
    void arrangeInFront() override { calls << "arrangeInFront"; }
    bool active = false;
    QStringList calls;
};

TEST(Globals, ActivationHotKey) {
    QTemporaryDir dir;
    UserDefaults defaults(dir.filePath("defaults.plist"));
    UserDefaults::setStandardUserDefaults(&defaults);
    RecordingHotKeyBackend backend;
    HotKeyBackend::setShared(&backend);
    RecordingActivation activation;
    ApplicationActivation::setShared(&activation);
    {
        Ref<TGlobalHotKey> hotKey = Ref<TGlobalHotKey>::adopt(TGlobalHotKey::Create());
        hotKey->UpdateGlobalHotKey(
            1, QVariantMap{{"keyCode", int(Qt::Key_J)},
                           {"modifierFlags", int(Qt::ControlModifier | Qt::ShiftModifier)}});
        ASSERT_EQ(backend.registrations().size(), 1);
        EXPECT_EQ(backend.registrations()[0].keyCode, quint32(Qt::Key_J));
        EXPECT_EQ(backend.registrations()[0].modifiers,
                  quint32(HotKeyModifiers::cmdKey | HotKeyModifiers::shiftKey));

        // Registered already: a new key changes nothing until the old one is unregistered.
        hotKey->UpdateGlobalHotKey(1, Qt::Key_K, HotKeyModifiers::cmdKey);
        ASSERT_EQ(backend.registrations().size(), 1);
        EXPECT_EQ(backend.registrations()[0].keyCode, quint32(Qt::Key_J));

        // The toggle: hide when active, else come to the front; in dashboard mode beep or activate.
        const auto press = [&] {
            qint32 result = 0;
            hotKey->EventHotKeyPressed({0, 1}, result);
        };
        press();
        activation.active = true;
        press();
        defaults.setBoolForKey(true, kPreferenceKeyDashboardMode);
        press();
        activation.active = false;
        press();
        EXPECT_EQ(activation.calls, (QStringList{"activate", "arrangeInFront", "hide", "beep", "activate"}));

        hotKey->UpdateGlobalHotKey(1, QVariantMap());
        EXPECT_TRUE(backend.registrations().isEmpty());
        hotKey->UpdateGlobalHotKey(1, QVariantMap{{"keyCode", 0}});
        EXPECT_TRUE(backend.registrations().isEmpty());
    }
    ApplicationActivation::setShared(nullptr);
    HotKeyBackend::setShared(nullptr);
    UserDefaults::setStandardUserDefaults(nullptr);
}

// Each default colour is its base lightened by 0.2 (White alone is not), no component beyond 1.
TEST(Globals, CardColoursAreLightenedAtMostToOne) {
    struct Case {
        const char* name;
        double red, green, blue;
    };
    const Case cases[] = {
        {"Yellow", 1.0, 1.0, 0.883}, {"Blue", 0.879, 1.0, 1.0},     {"Green", 0.893, 1.0, 0.854},
        {"Pink", 1.0, 0.898, 0.898}, {"Orange", 1.0, 0.911, 0.688}, {"Purple", 0.947, 0.888, 1.0},
        {"White", 1.0, 1.0, 1.0},
    };
    const QVariantList colours = DefaultCardColors();
    ASSERT_EQ(colours.size(), 7);
    for (qsizetype i = 0; i < colours.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        const QVariantMap entry = colours[i].toMap();
        EXPECT_EQ(entry["name"].toString(), c.name);
        const QColor colour = entry["color"].value<QColor>();
        EXPECT_NEAR(colour.redF(), c.red, 1e-3);
        EXPECT_NEAR(colour.greenF(), c.green, 1e-3);
        EXPECT_NEAR(colour.blueF(), c.blue, 1e-3);
        EXPECT_LE(std::max({colour.redF(), colour.greenF(), colour.blueF()}), 1.0f);
        EXPECT_EQ(colour.alphaF(), 1.0f);
    }
}

TEST(Globals, SwatchesAndImages) {
    const QImage swatch = ColorWellImage(QColor(Qt::red));
    ASSERT_EQ(swatch.size(), QSize(22, 14));
    EXPECT_EQ(swatch.pixelColor(10, 7), QColor(Qt::red));
    EXPECT_NE(swatch.pixelColor(0, 0), QColor(Qt::red)); // the frame
    EXPECT_TRUE(ColorWellImage(QColor()).isNull());
    EXPECT_FALSE(UnknownFileIcon().isNull());
    EXPECT_GT(LabelHeight(), 0.0);

    // A wide image into a square: the centre is cropped, not letterboxed.
    QImage image(40, 10, QImage::Format_ARGB32);
    image.fill(Qt::blue);
    for (int y = 0; y < 10; ++y)
        for (int x = 15; x < 25; ++x) image.setPixelColor(x, y, Qt::green);
    QImage target(20, 20, QImage::Format_ARGB32);
    target.fill(Qt::transparent);
    QPainter painter(&target);
    DrawImageScaledToFit(painter, image, QRectF(0, 0, 20, 20));
    painter.end();
    for (const QPoint p : {QPoint(1, 1), QPoint(18, 18), QPoint(10, 10)})
        EXPECT_EQ(target.pixelColor(p), QColor(Qt::green));
}

TEST(Globals, SheetPreviewGoesToTheDelegate) {
    updateSheetPreview(); // without a delegate, nothing
    ScopedAppController app;
    updateSheetPreview();
    EXPECT_EQ(app.delegate.calls, QStringList{"updateSheetPreviewAfterDelay"});
}

} // namespace
