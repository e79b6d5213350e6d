#include "AppTestSupport.h"

#include "app/Launcher.h"
#include "app/MainMenu.h"
#include "model/Memoleaf.h"
#include "platform/Questions.h"
#include "utilities/StringPathUtilities.h"

#include <QAction>
#include <QCoreApplication>
#include <QTimer>

namespace {

// A stop (a signal, logout) asked for while a question is open: the question is left unanswered.
class QuitDuringQuestionTest : public AppControllerTest {
protected:
    void TearDown() override {
        Questions::reset();
        AppControllerTest::TearDown();
    }
    // Runs body inside the application's loop, as the program does, so a quit that ends every loop
    // ends this one as well.
    static void insideApplicationLoop(const std::function<void()>& body) {
        QTimer::singleShot(0, qApp, [&body] {
            body();
            QCoreApplication::exit(0);
        });
        QCoreApplication::exec();
    }
    void quitWhileAsking() {
        alerts.whileAsking([this] { Launcher::quitOnSignal(*controller); });
    }
    static QByteArray readAll(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(QuitDuringQuestionTest, AStopDuringTheMoveQuestionLeavesTheCardWhereItWas) {
    MainMenu menu(*controller);
    const std::pair<const char*, std::function<void()>> stops[] = {
        {"a signal", [this] { Launcher::quitOnSignal(*controller); }},
        {"the menu's Quit", [&menu] { menu.action(QStringLiteral("terminate"))->trigger(); }},
    };
    for (const auto& [name, stop] : stops) {
        SCOPED_TRACE(name);
        Questions::reset();
        const size_t asked = alerts.questions().size();
        // GIVEN a card file of another sheet handed to the program
        const Ref<TMemoleaf> loose = Ref<TMemoleaf>::adopt(TMemoleaf::Create(QStringLiteral("Loose")));
        const QString path = write(QStringLiteral("Loose.qxcard"), loose->GetArchivedData());
        const QByteArray before = readAll(path);

        // WHEN the program is stopped while "Move the card ... into the sheet ...?" is open
        alerts.whileAsking(stop);
        insideApplicationLoop([&] { controller->openCardFile(path); });
        controller->applicationWillTerminate();

        // THEN the question counts as cancelled: the card stays out of the sheet, its file untouched
        ASSERT_EQ(alerts.questions().size(), asked + 1);
        EXPECT_EQ(alerts.questions().back().alert.messageText,
                  QStringLiteral("Move the card \"Loose\" into the sheet \"Home\"?"));
        EXPECT_EQ(manager()->GetActiveSheet(), home);
        EXPECT_EQ(home->FindCardWithUUID(loose->GetUUID()), nullptr);
        EXPECT_TRUE(home->FindCard(loose->GetUUID()).isEmpty());
        EXPECT_TRUE(workspace.requests.isEmpty());
        EXPECT_EQ(readAll(path), before);
    }
}

TEST_F(QuitDuringQuestionTest, AStopDuringTheConflictQuestionEndsWithoutAskingAgainOrOverwriting) {
    // GIVEN a saved card, changed here and elsewhere
    const Ref<TMemoleaf> card = Ref<TMemoleaf>::adopt(TMemoleaf::Create(QStringLiteral("Mine")));
    manager()->AddCard(card.get());
    controller->saveActiveSheet();
    const QString file = home->GetCardPath(card->GetUUID());
    const QByteArray elsewhere = readAll(file).replace("Mine", "Theirs");
    ASSERT_FALSE(elsewhere.isEmpty());
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(elsewhere);
    }
    ASSERT_TRUE(StringPathUtilities::setFileAttributeObjectValueError(
        home->GetPath(), StringPathUtilities::kNSFileModificationDate,
        TSheet::FolderDate(home->GetPath()).addSecs(30)));
    card->SetTitle(QStringLiteral("Mine, changed"));

    // WHEN the program is stopped while the save asks "Resolve Conflict", and ends
    quitWhileAsking();
    insideApplicationLoop([&] { controller->saveActiveSheet(); });
    controller->applicationWillTerminate();

    // THEN the question was asked once, neither version was given up, and the end asked nothing
    ASSERT_EQ(alerts.questions().size(), 1u);
    EXPECT_EQ(alerts.questions().front().alert.messageText, QStringLiteral("Resolve Conflict"));
    EXPECT_TRUE(Questions::quitRequested());
    EXPECT_FALSE(Questions::isOpen());
    EXPECT_EQ(readAll(file), elsewhere);
    EXPECT_TRUE(card->IsModified());
    EXPECT_FALSE(home->reloadPending);
}

} // namespace
