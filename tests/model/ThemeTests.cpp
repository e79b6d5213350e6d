#include "model/Themes.h"
#include "platform/ApplicationInfo.h"
#include "platform/AtomicFile.h"
#include "platform/Diagnostics.h"
#include "utilities/CocoaUtilities.h"

#include <QDir>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kPlistHead =
    QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n");

void writeTheme(const QString& folder, const QString& bundle, const QString& body) {
    ASSERT_TRUE(QDir().mkpath(folder + "/" + bundle));
    QString error;
    ASSERT_TRUE(AtomicFile::write(folder + "/" + bundle + "/info.plist",
                                  (kPlistHead + body + "</dict>\n</plist>\n").toUtf8(), &error))
        << error.toStdString();
}

class ThemeTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_oldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", data.path().toUtf8());
        ApplicationInfo::setResourcesFolder(resources.path());
        TTheme::UnloadStandardThemes();
    }
    void TearDown() override {
        TTheme::UnloadStandardThemes();
        ApplicationInfo::setResourcesFolder(QString());
        qputenv("XDG_DATA_HOME", m_oldData);
    }
    QString builtIn() const { return resources.path() + "/themes"; }
    QString user() const { return ApplicationInfo::libraryFolder() + "/Themes"; }

    QTemporaryDir resources, data;

private:
    QByteArray m_oldData;
};

TEST_F(ThemeTest, LoadingUserThemesWinAndBrokenBundlesAreSkipped) {
    writeTheme(builtIn(), "Default.qxtheme", "<key>borderRadius</key><integer>6</integer>\n");
    writeTheme(builtIn(), "Plain.qxtheme", "<key>borderRadius</key><integer>1</integer>\n");
    writeTheme(builtIn(), "Loud.QXTHEME", "");
    writeTheme(builtIn(), "Broken.qxtheme", "");
    QString error;
    ASSERT_TRUE(AtomicFile::write(builtIn() + "/Broken.qxtheme/info.plist", "not a plist", &error));
    writeTheme(builtIn(), "Zebra.qxtheme", "");
    writeTheme(user(), "Plain.qxtheme", "<key>borderRadius</key><integer>9</integer>\n");
    ASSERT_TRUE(QDir().mkpath(user() + "/Default.qxtheme")); // no info.plist: does not shadow Default

    Diagnostics::Capture capture;
    LoadStandardThemes(TCardTheme::StaticClass());
    EXPECT_EQ(capture.count("Warning: The theme Broken failed to load."), 1);
    EXPECT_EQ(capture.count("* Loaded theme: Zebra"), 1); // loading goes on after a broken bundle
    EXPECT_EQ(capture.count("Warning: The theme Default has no info.plist; skipped."), 1);
    EXPECT_EQ(TTheme::FindTheme("Loud"), nullptr);
    ASSERT_NE(TTheme::FindTheme("Plain"), nullptr);
    EXPECT_EQ(TTheme::FindTheme("Plain")->GetIntegerProperty("borderRadius"), 9);
    EXPECT_TRUE(TTheme::FindTheme("Plain")->IsMember(TCardTheme::StaticClass()));
    EXPECT_EQ(TTheme::Default()->GetIntegerProperty("borderRadius"), 6);
    EXPECT_EQ(TTheme::Standard().size(), 3);
    EXPECT_EQ(TTheme::FindTheme("Nothing"), nullptr);

    writeTheme(user(), "Late.qxtheme", "");
    LoadStandardThemes(TCardTheme::StaticClass()); // once only
    EXPECT_EQ(TTheme::FindTheme("Late"), nullptr);
}

TEST_F(ThemeTest, DefaultIsAlwaysThere) {
    EXPECT_EQ(TTheme::FindTheme("Default"), nullptr);
    EXPECT_THROW(TTheme::Default(), CocoaUtilities::Exception);
    Diagnostics::Capture capture;
    LoadStandardThemes(TCardTheme::StaticClass());
    ASSERT_NE(TTheme::FindTheme("Default"), nullptr);
    EXPECT_EQ(TTheme::Default()->GetName(), "Default");
}

TEST_F(ThemeTest, ShippedThemesLoad) {
    ApplicationInfo::setResourcesFolder(QString());
    Diagnostics::Capture capture;
    LoadStandardThemes(TCardTheme::StaticClass());
    for (const char* name : {"Default", "Graphite", "Paper"}) {
        auto* theme = static_cast<TCardTheme*>(TTheme::FindTheme(name));
        ASSERT_NE(theme, nullptr) << name;
        for (const char* key :
             {"checkBoxImageOff", "checkBoxImageOn", "disclosureButtonImageOff", "disclosureButtonImageOn",
              "tabButtonCloseImage", "overflowButtonImage", "noteRowImage", "listRowImage"})
            EXPECT_FALSE(theme->GetImage(key).isNull()) << name << " " << key;
    }
    EXPECT_TRUE(capture.lines().filter("Warning").isEmpty());
}

QImage paint(TCardTheme* theme, qint32 part, const QVariantMap& input, QSize size = QSize(40, 40)) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    theme->Draw(painter, QRectF(QPointF(0, 0), size), part, input);
    return image;
}

TEST_F(ThemeTest, BackgroundFillsCornersAndGradients) {
    writeTheme(builtIn(), "Default.qxtheme", "<key>borderRadius</key><integer>8</integer>\n");
    writeTheme(builtIn(), "Fade.qxtheme",
               "<key>gradients</key><array><dict>"
               "<key>startColor</key><string>{{1, 0}, {0, 1}}</string>"
               "<key>endColor</key><string>{{0, 0}, {1, 1}}</string>"
               "<key>startPoint</key><string>{0, 0}</string>"
               "<key>endPoint</key><string>{0, 1}</string></dict></array>\n");
    writeTheme(builtIn(), "Lost.qxtheme", "<key>background</key><string>missing.png</string>\n");
    Diagnostics::Capture capture;
    LoadStandardThemes(TCardTheme::StaticClass());
    auto* rounded = static_cast<TCardTheme*>(TTheme::Default());

    QImage image = paint(rounded, TCardTheme::Background, {});
    EXPECT_EQ(image.pixelColor(20, 20), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0); // rounded corner
    image = paint(rounded, TCardTheme::Background, {{"color", QColor(Qt::yellow)}, {"fullscreen", true}});
    EXPECT_EQ(image.pixelColor(20, 20), QColor(Qt::yellow));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::yellow)); // square in full screen

    // y 0 is the bottom edge, as in the unflipped card view.
    image = paint(static_cast<TCardTheme*>(TTheme::FindTheme("Fade")), TCardTheme::Background, {});
    EXPECT_GT(image.pixelColor(20, 39).red(), 240);
    EXPECT_LT(image.pixelColor(20, 39).blue(), 15);
    EXPECT_GT(image.pixelColor(20, 0).blue(), 240);
    EXPECT_LT(image.pixelColor(20, 0).red(), 15);

    // A missing background image: the colour fill and one line, never an exception.
    image = paint(static_cast<TCardTheme*>(TTheme::FindTheme("Lost")), TCardTheme::Background,
                  {{"color", QColor(Qt::cyan)}});
    EXPECT_EQ(image.pixelColor(20, 20), QColor(Qt::cyan));
    EXPECT_EQ(capture.count("Warning: The theme image missing.png can not be found."), 1);

    // Parts without a drawing draw nothing.
    for (qint32 part : {qint32(TCardTheme::ContentContainer), qint32(TCardTheme::SidebarContainer), 7, -1})
        EXPECT_EQ(paint(rounded, part, {}).pixelColor(20, 20).alpha(), 0) << part;
    EXPECT_NE(paint(rounded, TCardTheme::Tab, {}).pixelColor(20, 20).alpha(), 0);
}

TEST_F(ThemeTest, ImagesAndWindowButtons) {
    writeTheme(builtIn(), "Default.qxtheme",
               "<key>windowButtonCloseImage</key><string>close.png</string>"
               "<key>escape</key><string>../../outside.png</string>\n");
    QImage red(6, 6, QImage::Format_ARGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(builtIn() + "/Default.qxtheme/close.png"));
    Diagnostics::Capture capture;
    LoadStandardThemes(TCardTheme::StaticClass());
    auto* theme = static_cast<TCardTheme*>(TTheme::Default());
    EXPECT_EQ(theme->GetStandardWindowButtonImage(TCardTheme::CloseButton).pixelColor(2, 2), QColor(Qt::red));
    EXPECT_FALSE(theme->GetStandardWindowButtonImage(TCardTheme::ZoomButton).isNull()); // drawn glyph
    EXPECT_TRUE(theme->GetStandardWindowButtonImage(3).isNull());
    EXPECT_TRUE(theme->GetResource("escape").isEmpty());
    EXPECT_THROW(theme->GetImage("escape"), CocoaUtilities::Exception);
    EXPECT_THROW(theme->GetImage("nothing"), CocoaUtilities::Exception);
}

TEST(Themes, LenientRectAndPointStrings) {
    EXPECT_EQ(NSRectFromString("{{0.5, 1}, {2, 3}}"), QRectF(0.5, 1, 2, 3));
    EXPECT_EQ(NSRectFromString("0.1 0.2 0.3 0.4 0.5"), QRectF(0.1, 0.2, 0.3, 0.4));
    EXPECT_EQ(NSRectFromString("{1, 2}"), QRectF(1, 2, 0, 0));
    EXPECT_EQ(NSPointFromString("{-1e1, .5}"), QPointF(-10, 0.5));
    EXPECT_EQ(NSPointFromString("junk"), QPointF(0, 0));
}

TEST(Themes, SelectionStyles) {
    QImage image(30, 10, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    TCardTheme::DrawSelection(painter, QRectF(10, 0, 10, 10), true, 2);
    TCardTheme::DrawSelection(painter, QRectF(10, 0, 10, 10), true, -1);
    EXPECT_EQ(image.pixelColor(15, 5).alpha(), 0);
    TCardTheme::DrawSelection(painter, QRectF(10, 0, 10, 10), true, 0);
    painter.end();
    EXPECT_NEAR(image.pixelColor(7, 5).alphaF(), 0.15, 0.01); // widened by 4 on each side
    EXPECT_EQ(image.pixelColor(4, 5).alpha(), 0);
}

} // namespace
