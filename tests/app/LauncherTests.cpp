#include "app/AppController.h"
#include "app/Launcher.h"
#include "app/SingleInstance.h"

#include "model/Card.h"
#include "model/Globals.h"
#include "model/Preferences.h"
#include "model/SheetManager.h"
#include "platform/UserDefaults.h"

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

TEST(Launcher, StartsOnASheetFolderImportsItsArgumentsAndSavesOnSigterm) {
    // GIVEN an edition of its own (its own instance socket) and a sheet folder
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(editionOfThisProcess("Launcher Smoke"));
    QTemporaryDir dir;
    UserDefaults defaults(dir.filePath(QStringLiteral("defaults.plist")));
    UserDefaults::setStandardUserDefaults(&defaults);
    const QString folder = dir.filePath(QStringLiteral("Sheets"));
    QDir().mkpath(folder);
    defaults.setObjectForKey(folder, kPreferenceKeySheetFolder);
    defaults.setBoolForKey(true, kPreferenceKeyLaunchedFirstTime);
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
    UserDefaults::setStandardUserDefaults(nullptr);
    QCoreApplication::setApplicationName(name);
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
