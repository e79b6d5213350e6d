#include "model/Card.h"
#include "model/ModelObject.h"
#include "model/SheetManager.h"
#include "model/Task.h"
#include "model/Themes.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "toolkit/ScreenProvider.h"
#include "windows/CardWindowController.h"
#include "windows/QuickLookPreview.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class ListSource : public QObject, public QuickLookDataSource {
public:
    qint64 numberOfPreviewItems() override { return urls.size(); }
    QUrl previewItemURL(qint64 index) override { return urls.at(index); }
    QList<QUrl> urls;
};

class QuickLookPreviewTest : public ::testing::Test {
protected:
    void SetUp() override {
        Workspace::setShared(&workspace);
        image = write(QStringLiteral("photo.png"), {});
        QImage picture(40, 20, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        ASSERT_TRUE(picture.save(image));
        text = write(QStringLiteral("notes.txt"), "first line\nsecond line\n");
        other = write(QStringLiteral("report.pdf"), "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n");
    }
    void TearDown() override {
        QuickLookPreview::shared()->orderOut();
        QuickLookPreview::shared()->setDataSource(nullptr);
        Workspace::setShared(nullptr);
    }
    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    QTemporaryDir dir;
    RecordingWorkspace workspace;
    QString image, text, other;
};

TEST_F(QuickLookPreviewTest, KindsOfItems) {
    struct Case {
        QUrl url;
        QuickLookPreview::Kind kind;
    } const cases[] = {
        {QUrl::fromLocalFile(image), QuickLookPreview::Kind::Image},
        {QUrl::fromLocalFile(text), QuickLookPreview::Kind::Text},
        {QUrl::fromLocalFile(other), QuickLookPreview::Kind::External},
        {QUrl::fromLocalFile(dir.path()), QuickLookPreview::Kind::External},
        {QUrl(QStringLiteral("https://example.org/photo.png")), QuickLookPreview::Kind::External},
        {QUrl::fromLocalFile(dir.filePath(QStringLiteral("gone.txt"))), QuickLookPreview::Kind::None},
        {QUrl(), QuickLookPreview::Kind::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QuickLookPreview::kindOf(c.url), c.kind) << c.url.toString().toStdString();
}

TEST_F(QuickLookPreviewTest, ImagesAndTextAreShownOtherKindsGoToTheirProgram) {
    ListSource source;
    source.urls = {QUrl::fromLocalFile(image), QUrl::fromLocalFile(text), QUrl::fromLocalFile(other)};
    QuickLookPreview* panel = QuickLookPreview::shared();
    panel->setDataSource(&source);
    panel->makeKeyAndOrderFront();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->shownKind(), QuickLookPreview::Kind::Image);
    EXPECT_EQ(panel->shownImage().size(), QSize(40, 20));
    EXPECT_EQ(panel->windowTitle(), QStringLiteral("photo.png"));

    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QCoreApplication::sendEvent(panel, &right);
    EXPECT_EQ(panel->shownKind(), QuickLookPreview::Kind::Text);
    EXPECT_TRUE(panel->shownText().startsWith(QStringLiteral("first line")));
    EXPECT_TRUE(workspace.requests.isEmpty());

    QCoreApplication::sendEvent(panel, &right);
    EXPECT_FALSE(panel->isVisible());
    ASSERT_EQ(workspace.requests.size(), 1);
    EXPECT_EQ(workspace.requests[0],
              (RecordingWorkspace::Request{"openURL", {QUrl::fromLocalFile(other).toString()}}));
}

TEST_F(QuickLookPreviewTest, ASourceThatGoesIsForgotten) {
    QuickLookPreview* panel = QuickLookPreview::shared();
    {
        ListSource source;
        source.urls = {QUrl::fromLocalFile(text)};
        panel->setDataSource(&source);
        panel->makeKeyAndOrderFront();
        EXPECT_TRUE(panel->isVisible());
    }
    EXPECT_EQ(panel->dataSource(), nullptr);
    panel->reloadData();
    EXPECT_FALSE(panel->isVisible());
}

// A card content that offers previews, as the outline offers its link rows.
class PreviewingContent : public TCardContentViewController, public QuickLookDataSource {
public:
    using TCardContentViewController::TCardContentViewController;
    qint64 numberOfPreviewItems() override { return 1; }
    QUrl previewItemURL(qint64) override { return url; }
    static inline QUrl url;
};

TEST_F(QuickLookPreviewTest, TheCardWindowHandsThePreviewToTheSelectedContent) {
    RegisterModelClasses();
    UserDefaults defaults{dir.filePath(QStringLiteral("defaults.plist"))};
    UserDefaults::setStandardUserDefaults(&defaults);
    LoadStandardThemes(TCardTheme::StaticClass());
    ScopedManualScheduler scheduler;
    FixedScreenProvider screens{QRect(0, 0, 1440, 900)};
    PreviewingContent::url = QUrl::fromLocalFile(image);
    {
        Ref<TJobslate> card = Ref<TJobslate>::adopt(TJobslate::Create(QStringLiteral("Home")));
        PreviewingContent content(card.get());
        card->SetViewRepresentation(&content);
        auto* controller = new TCardWindowController(card.get());
        controller->window()->show();
        QuickLookPreview* panel = QuickLookPreview::shared();
        panel->makeKeyAndOrderFront(controller->window());
        EXPECT_EQ(panel->dataSource(), static_cast<QuickLookDataSource*>(&content));
        EXPECT_EQ(panel->shownKind(), QuickLookPreview::Kind::Image);
        delete controller;
        scheduler.scheduler.advance(1);
    }
    EXPECT_EQ(QuickLookPreview::shared()->dataSource(), nullptr);
    UserDefaults::setStandardUserDefaults(nullptr);
}

} // namespace
