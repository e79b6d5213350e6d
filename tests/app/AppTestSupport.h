#pragma once

#include "app/AppController.h"

#include "model/ModelObject.h"
#include "model/Preferences.h"
#include "model/SheetManager.h"
#include "platform/AlertPresenter.h"
#include "platform/AutoreleasePool.h"
#include "platform/Diagnostics.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "windows/MemoleafViewController.h"
#include "windows/RowControllers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// An application delegate over a temporary sheet folder with an open sheet "Home", scripted alerts,
// a recording workspace and the manual clock.
class AppControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterModelClasses();
        RowControllers::registerItemRows();
        TMemoleafViewController::registerForMemoleafCards();
        UserDefaults::setStandardUserDefaults(&defaults);
        Workspace::setShared(&workspace);
        folder = dir.filePath(QStringLiteral("Sheets"));
        QDir().mkpath(folder);
        defaults.setObjectForKey(folder, kPreferenceKeySheetFolder);
        controller = std::make_unique<AppController>();
        manager()->SetDelegate(controller.get());
        controller->observeNotifications();
        home = manager()->RegisterSheet(folder + QStringLiteral("/Home.qxsheet"));
        manager()->Open(home);
    }
    void TearDown() override {
        manager()->Close();
        manager()->UnregisterAllSheets();
        controller.reset();
        scheduler.scheduler.advance(1);
        Workspace::setShared(nullptr);
        UserDefaults::setStandardUserDefaults(nullptr);
    }
    static TSheetManager* manager() { return TSheetManager::SharedManager(); }
    QString write(const QString& name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }
    QStringList alertMessages() const {
        QStringList messages;
        for (const auto& question : alerts.questions()) messages.append(question.alert.messageText);
        return messages;
    }

    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath(QStringLiteral("defaults.plist"))};
    ScopedManualScheduler scheduler;
    ScopedScriptedAlertPresenter alerts;
    RecordingWorkspace workspace;
    Diagnostics::Capture capture;
    AutoreleasePool pool;
    QString folder;
    std::unique_ptr<AppController> controller;
    TSheet* home = nullptr;
};
