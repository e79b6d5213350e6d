#include "app/AppController.h"
#include "app/Launcher.h"
#include "app/SingleInstance.h"

#include "model/Card.h"
#include "model/Globals.h"
#include "model/Preferences.h"
#include "model/SheetManager.h"
#include "model/Task.h"
#include "platform/UserDefaults.h"
#include "platform/calendar/FakeEventStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <gtest/gtest.h>

namespace {

// An edition of this test process alone: its instance socket is named after it, and runs of the tests
// in other processes share the runtime folder.
QString editionOfThisProcess(const char* name) {
    return QStringLiteral("%1 %2").arg(QLatin1String(name)).arg(QCoreApplication::applicationPid());
}

bool fileHas(const QString& path, const QString& text) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && QString::fromUtf8(file.readAll()).contains(text);
}

// An edition of its own (its own instance socket), settings in a scratch folder and a sheet folder
// there, for one test's scope.
struct ScratchEdition {
    explicit ScratchEdition(const QString& edition) {
        QCoreApplication::setApplicationName(editionOfThisProcess(qUtf8Printable(edition)));
        UserDefaults::setStandardUserDefaults(&defaults);
        QDir().mkpath(folder);
        defaults.setObjectForKey(folder, kPreferenceKeySheetFolder);
        defaults.setBoolForKey(true, kPreferenceKeyLaunchedFirstTime);
    }
    ~ScratchEdition() {
        UserDefaults::setStandardUserDefaults(nullptr);
        QCoreApplication::setApplicationName(name);
    }
    const QString name = QCoreApplication::applicationName();
    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath(QStringLiteral("defaults.plist"))};
    const QString folder = dir.filePath(QStringLiteral("Sheets"));
};

TEST(Launcher, StartsOnASheetFolderImportsItsArgumentsAndSavesOnSigterm) {
    // GIVEN an edition of its own and a sheet folder
    ScratchEdition scratch(QStringLiteral("Launcher Smoke"));
    const QTemporaryDir& dir = scratch.dir;
    const QString& folder = scratch.folder;
    QFile note(dir.filePath(QStringLiteral("Note.txt")));
    ASSERT_TRUE(note.open(QIODevice::WriteOnly));
    note.write("remember the milk\n");
    note.close();

    {
        // WHEN the program starts with the text file
        Launcher launcher;
        QString error;
        ASSERT_FALSE(launcher.start({QStringLiteral("Note.txt")}, dir.path(), &error).has_value())
            << error.toStdString();

        // THEN the file becomes a card of a new sheet in the folder
        TSheetManager* manager = TSheetManager::SharedManager();
        QTRY_VERIFY_WITH_TIMEOUT(
            manager->GetActiveSheet() && manager->GetActiveSheet()->GetCards()->Count() == 1, 20000);
        TSheet* sheet = manager->GetActiveSheet();
        EXPECT_TRUE(sheet->GetPath().startsWith(folder));
        auto* card = static_cast<TCard*>(sheet->GetCards()->GetObjectValue(0));
        EXPECT_EQ(card->GetTitle(), QStringLiteral("Note"));

        // WHEN the card is edited and the program is stopped before the delayed save
        card->SetTitle(QStringLiteral("Edited before the stop"));
        std::raise(SIGTERM);

        // THEN the edit is in the card's file
        const QString file = sheet->GetCardPath(card->GetUUID());
        QTRY_VERIFY_WITH_TIMEOUT(fileHas(file, QStringLiteral("Edited before the stop")), 20000);
        manager->Close();
        manager->UnregisterAllSheets();
    }
    // The stop ended the event loops for good, as it ends the program; the application's own loop,
    // run once, lets later loops run again.
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

TEST(Launcher, EveryTaskFindsItsEventAtStart) {
    // GIVEN a sheet, the active one of the last run, whose task's due date is an event of the store
    ScratchEdition scratch(QStringLiteral("Launcher Events"));
    const QString path = scratch.folder + QStringLiteral("/Jobs.qxsheet");
    scratch.defaults.setObjectForKey(path, kPreferenceKeyActiveSheet);
    RegisterModelClasses();
    std::shared_ptr<FakeEventStore> store = FakeEventStore::create();
    const QDateTime due(QDate(2026, 3, 4), QTime(9, 0), Qt::UTC);
    {
        SetEventStore(store);
        Ref<TSheet> sheet = Ref<TSheet>::adopt(TSheet::Create(path));
        Ref<TJobslate> card = Ref<TJobslate>::adopt(TJobslate::Create(QStringLiteral("Jobs")));
        TTask* task = TTask::Create(QStringLiteral("Dentist"));
        card->GetRoot()->AddChild(task);
        task->Release();
        task->SetDueDate(due);
        ASSERT_TRUE(task->SaveEvent());
        sheet->AddCard(card.get());
        ASSERT_TRUE(sheet->Save());
        SetEventStore(nullptr);
    }
    TTask::ClearMissingEvents();

    {
        // WHEN the program starts on that store
        Launcher launcher;
        bool cardsReadBeforeTheStore = false;
        launcher.setEventStoreMaker([&] {
            cardsReadBeforeTheStore = !TTask::MissingEvents().isEmpty();
            return store;
        });
        QString error;
        ASSERT_FALSE(launcher.start({}, scratch.dir.path(), &error).has_value()) << error.toStdString();

        // THEN the task holds its event: no card was read before the store was there
        TSheetManager* manager = TSheetManager::SharedManager();
        QTRY_VERIFY_WITH_TIMEOUT(
            manager->GetActiveSheet() && manager->GetActiveSheet()->GetCards()->Count() == 1, 20000);
        auto* card = static_cast<TJobslate*>(manager->GetActiveSheet()->GetCards()->GetObjectValue(0));
        auto* task = static_cast<TTask*>(card->GetRoot()->GetChild(0));
        EXPECT_FALSE(cardsReadBeforeTheStore);
        EXPECT_TRUE(task->HasEvent());
        EXPECT_EQ(task->GetDueDate(), due);
        EXPECT_TRUE(TTask::MissingEvents().isEmpty()) << TTask::MissingEvents().join(' ').toStdString();
        manager->Close();
        manager->UnregisterAllSheets();
    }
    TTask::ClearMissingEvents();
}

TEST(Launcher, AStartBesideARunningInstanceThatDoesNotAnswerEndsWithAnError) {
    // GIVEN an instance of the edition that holds the socket but is too busy to answer
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(editionOfThisProcess("Launcher Busy"));
    SingleInstance busy(SingleInstance::socketName(URISchemeBundle()));
    ASSERT_TRUE(busy.listen());

    // WHEN the program starts
    std::optional<int> code;
    QString error;
    {
        Launcher launcher;
        code = launcher.start({}, QDir::currentPath(), &error);
    }

    // THEN it does not run beside it, and says why
    EXPECT_EQ(code, std::optional<int>(1));
    EXPECT_FALSE(error.isEmpty());
    QCoreApplication::setApplicationName(name);
}

} // namespace
