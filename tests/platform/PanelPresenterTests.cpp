#include "platform/Diagnostics.h"
#include "platform/PanelPresenter.h"
#include "platform/app/FileDialogPanelPresenter.h"

#include <QFileDialog>
#include <QLabel>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(Panels, ScriptedAnswersComeBackInOrderThenCancel) {
    ScopedScriptedPanelPresenter presenter;
    presenter.setNextChoice({"/a", "/b"});
    OpenPanel panel;
    panel.title = "Open";
    EXPECT_EQ(PanelPresenter::shared().runModal(panel), NSModalResponseOK);
    EXPECT_EQ(panel.chosenPaths, (QStringList{"/a", "/b"}));
    EXPECT_EQ(PanelPresenter::shared().runModal(panel), NSModalResponseCancel);
    EXPECT_TRUE(panel.chosenPaths.isEmpty());
    ASSERT_EQ(presenter.panels().size(), 2u);
    EXPECT_EQ(presenter.panels()[0].title, "Open");
}

TEST(Panels, WithoutAPresenterPanelsAreWrittenOutAndCancelled) {
    Diagnostics::Capture capture;
    OpenPanel panel;
    panel.title = "Locate Folder";
    EXPECT_EQ(PanelPresenter::shared().runModal(panel), NSModalResponseCancel);
    EXPECT_EQ(capture.lines(), QStringList{"Open panel: Locate Folder"});
}

TEST(Panels, FileDialogsAreSetUpAsThePanelAsks) {
    QTemporaryDir dir;
    OpenPanel panel;
    panel.title = "Locate Folder";
    panel.message = "Find the <b>sheet</b> folder.";
    panel.prompt = "Choose";
    panel.directory = dir.path();
    panel.canChooseFiles = false;
    panel.canChooseDirectories = true;
    panel.canCreateDirectories = false;
    QFileDialog dialog;
    FileDialogPanelPresenter::configure(dialog, panel);
    EXPECT_EQ(dialog.windowTitle(), "Locate Folder");
    EXPECT_EQ(dialog.labelText(QFileDialog::Accept), "Choose");
    EXPECT_EQ(dialog.fileMode(), QFileDialog::Directory);
    EXPECT_TRUE(dialog.testOption(QFileDialog::ReadOnly));
    EXPECT_EQ(dialog.directory().absolutePath(), QDir(dir.path()).absolutePath());
    auto* message = dialog.findChild<QLabel*>("panelMessage");
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->text(), panel.message);
    EXPECT_EQ(message->textFormat(), Qt::PlainText);
}

} // namespace
