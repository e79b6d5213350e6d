#include "platform/Diagnostics.h"
#include "utilities/AlertUtilities.h"

#include <gtest/gtest.h>

namespace {

using namespace AlertUtilities;

TEST(Alerts, BuildersGiveOneOkButtonAndTheTextAsItStands) {
    const Alert alert = alertWithMessageInformativeText("Error", "100% of <b>Sheet</b>");
    EXPECT_EQ(alert.buttons, QStringList{"Ok"});
    EXPECT_EQ(alert.informativeText, "100% of <b>Sheet</b>");
    EXPECT_TRUE(alertWithMessage("Error").informativeText.isEmpty());
    EXPECT_EQ(alertWithMessageError("Error", "Disk full").informativeText, "Disk full");
}

TEST(Alerts, ScriptedAnswersComeBackInOrderThenTheDefault) {
    ScopedScriptedAlertPresenter presenter;
    presenter.setNextAnswer(NSAlertSecondButtonReturn);
    presenter.setNextAnswer(NSAlertThirdButtonReturn);
    Alert alert = alertWithMessageInformativeText("Delete?", "This action cannot be undone.");
    alert.buttons << "Cancel"
                  << "Later";
    EXPECT_EQ(runModal(alert), NSAlertSecondButtonReturn);
    EXPECT_EQ(runModal(alert), NSAlertThirdButtonReturn);
    EXPECT_EQ(runModal(alert), NSAlertFirstButtonReturn);
    ASSERT_EQ(presenter.questions().size(), 3u);
    EXPECT_EQ(presenter.questions()[0].alert.messageText, "Delete?");
    EXPECT_FALSE(presenter.questions()[0].sheet);

    QObject window;
    alertWithMessageForWindow("Saved", &window);
    ASSERT_EQ(presenter.questions().size(), 4u);
    EXPECT_TRUE(presenter.questions()[3].sheet);
    EXPECT_EQ(presenter.questions()[3].window, &window);
}

TEST(Alerts, WithoutAPresenterAlertsAreWrittenOutAndAnsweredByDefault) {
    Diagnostics::Capture capture;
    EXPECT_EQ(runModal(alertWithMessageInformativeText("Error", "No folder")), NSAlertFirstButtonReturn);
    EXPECT_EQ(capture.count("Alert: Error No folder"), 1);
}

} // namespace
