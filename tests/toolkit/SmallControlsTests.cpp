#include "platform/PanelPresenter.h"
#include "platform/Workspace.h"
#include "toolkit/NSEditableImageView.h"
#include "toolkit/NSKeyboardDeletableOutlineView.h"
#include "toolkit/NSKeyboardDeletableTableView.h"
#include "toolkit/NSLinkLabel.h"
#include "toolkit/NSTransparentWindow.h"
#include "toolkit/ScreenProvider.h"

#include <QApplication>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

TEST(LinkLabel, PrefixesOnlyTextWithoutAScheme) {
    const std::pair<QString, QString> cases[] = {
        {"example.com", "http://example.com"},
        {"www.example.com/a?b=c", "http://www.example.com/a?b=c"},
        {"http://example.com", "http://example.com"},
        {"https://example.com", "https://example.com"},
        {"mailto:someone@example.com", "mailto:someone@example.com"},
        {"ftp://files.example.com", "ftp://files.example.com"},
        {"localhost:8080", "http://localhost:8080"},
        {"example.com:80/path", "http://example.com:80/path"},
    };
    for (const auto& [text, target] : cases)
        EXPECT_EQ(NSLinkLabel::linkTarget(text), target) << text.toStdString();
}

TEST(LinkLabel, ShowsItsOwnTextLinkingToThePrefixedTargetAndOpensIt) {
    RecordingWorkspace workspace;
    Workspace::setShared(&workspace);
    NSLinkLabel label;
    label.setStringValue("example.com/<b>");
    EXPECT_EQ(label.link(), QUrl("http://example.com/<b>"));
    EXPECT_TRUE(label.text().contains(">example.com/&lt;b&gt;</a>"));
    emit label.linkActivated(label.link().toString());
    ASSERT_EQ(workspace.requests.size(), 1);
    EXPECT_EQ(workspace.requests[0].kind, "openURL");

    label.setStringValue(QString());
    EXPECT_TRUE(label.text().isEmpty());
    EXPECT_TRUE(label.link().isEmpty());
    Workspace::setShared(nullptr);
}

template <class View> struct DeletableFixture {
    DeletableFixture() {
        for (const char* name : {"one", "two", "three"}) model.appendRow(new QStandardItem(name));
        view.setModel(&model);
        view.setDeleteAction([this](QAbstractItemView* sender) { deletes << sender; });
        view.setAddAction([this](QAbstractItemView* sender) { adds << sender; });
        view.resize(300, 200);
        view.show();
        QApplication::setActiveWindow(&view);
        view.setFocus();
    }
    QStandardItemModel model;
    View view;
    QList<QAbstractItemView*> deletes, adds;
};

template <class View> void checkDeleteAndAddKeys() {
    DeletableFixture<View> f;
    QTest::keyClick(&f.view, Qt::Key_Delete); // nothing selected: a beep
    EXPECT_TRUE(f.deletes.isEmpty());
    f.view.selectionModel()->select(f.model.index(1, 0), QItemSelectionModel::Select);
    QTest::keyClick(&f.view, Qt::Key_Backspace);
    QTest::keyClick(&f.view, Qt::Key_Return);
    QTest::keyClick(&f.view, Qt::Key_Enter);
    EXPECT_EQ(f.deletes, QList<QAbstractItemView*>({&f.view}));
    EXPECT_EQ(f.adds, QList<QAbstractItemView*>({&f.view, &f.view}));
}

TEST(KeyboardDeletableViews, DeleteAndReturnSendTheirActions) {
    checkDeleteAndAddKeys<NSKeyboardDeletableTableView>();
    checkDeleteAndAddKeys<NSKeyboardDeletableOutlineView>();
}

TEST(KeyboardDeletableViews, ReturnWhileEditingEndsTheEditNormally) {
    DeletableFixture<NSKeyboardDeletableOutlineView> f;
    f.view.edit(f.model.index(0, 0));
    auto* editor = f.view.findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, "renamed");
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.adds.isEmpty());
    EXPECT_EQ(f.model.item(0)->text(), "renamed");
}

TEST(TransparentWindow, KeepsCoveringTheMainScreenWhenItChanges) {
    FixedScreenProvider screens(QRect(0, 0, 1280, 800));
    std::unique_ptr<NSTransparentWindow> window(NSTransparentWindow::fullScreenWindow());
    EXPECT_TRUE(window->testAttribute(Qt::WA_TranslucentBackground));
    window->setKeepFullScreenAlways(true);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->geometry(), QRect(0, 0, 1280, 800));
    screens.setMainScreen(QRect(0, 0, 1920, 1080));
    EXPECT_EQ(window->geometry(), QRect(0, 0, 1920, 1080));

    std::unique_ptr<NSTransparentWindow> sized(NSTransparentWindow::windowOfSize(QSize(50, 40)));
    screens.setMainScreen(QRect(0, 0, 800, 600));
    EXPECT_EQ(sized->geometry(), QRect(0, 0, 50, 40));
}

class RecordingImageDelegate : public NSEditableImageViewDelegate {
public:
    void imageViewChanged(NSEditableImageView* view) override {
        calls << "changed";
        if (replaceOnChange) view->setImage(QImage(1, 1, QImage::Format_RGB32));
    }
    void imageViewChangedNewPath(NSEditableImageView*, const QString& path) override {
        calls << "path " + path;
    }
    void imageViewWillShowPanel(NSEditableImageView*, OpenPanel& panel) override {
        calls << "show " + panel.directory;
        EXPECT_FALSE(panel.canChooseDirectories);
        EXPECT_FALSE(panel.allowsMultipleSelection);
        EXPECT_TRUE(panel.allowedMimeTypes.contains("image/png"));
    }
    void imageViewWillHidePanel(NSEditableImageView*, const OpenPanel&) override { calls << "hide"; }
    QStringList calls;
    bool replaceOnChange = false;
};

class EditableImageViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        view.setDelegate(&delegate);
        view.setDirectoryURL(folder.path());
        view.setChoosesImage(true);
        QImage red(8, 8, QImage::Format_RGB32);
        red.fill(Qt::red);
        picture = folder.filePath("red.png");
        red.save(picture);
        QFile bad(folder.filePath("broken.png"));
        bad.open(QIODevice::WriteOnly);
        bad.write("not a picture");
    }
    QTemporaryDir folder;
    ScopedScriptedPanelPresenter panels;
    RecordingImageDelegate delegate;
    NSEditableImageView view;
    QString picture;
};

TEST_F(EditableImageViewTest, ClickChoosesAPictureAndReportsItWithItsPath) {
    panels.setNextChoice({picture});
    QTest::mouseClick(&view, Qt::LeftButton);
    ASSERT_EQ(panels.panels().size(), 1u);
    EXPECT_EQ(view.image().pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(delegate.calls, QStringList({"show " + folder.path(), "changed", "path " + picture, "hide"}));
}

TEST_F(EditableImageViewTest, UnreadableFileOrCancelChangesAndReportsNothing) {
    const QImage before(2, 2, QImage::Format_RGB32);
    view.setImage(before);
    delegate.calls.clear();
    panels.setNextChoice({folder.filePath("broken.png")});
    view.chooseImage();
    view.chooseImage(); // cancelled
    EXPECT_EQ(view.image(), before);
    const QStringList once = {"show " + folder.path(), "hide"};
    EXPECT_EQ(delegate.calls, once + once);
}

TEST_F(EditableImageViewTest, ImageSetFromTheChangeNoticeIsNotReportedAgain) {
    delegate.replaceOnChange = true;
    view.setImage(QImage(3, 3, QImage::Format_RGB32));
    EXPECT_EQ(delegate.calls, QStringList({"changed"}));
    EXPECT_EQ(view.image().size(), QSize(1, 1));
}

TEST_F(EditableImageViewTest, WithoutChoosingAClickDoesNothing) {
    view.setChoosesImage(false);
    QTest::mouseClick(&view, Qt::LeftButton);
    EXPECT_TRUE(panels.panels().empty());
}

} // namespace
