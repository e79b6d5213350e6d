#include "AppController.h"

#include "model/Globals.h"
#include "model/ListCard.h"
#include "model/Preferences.h"
#include "model/SheetManager.h"
#include "model/Task.h"
#include "platform/AlertPresenter.h"
#include "platform/ApplicationInfo.h"
#include "platform/Diagnostics.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "utilities/FileObjectUtilities.h"
#include "utilities/StringPathUtilities.h"
#include "windows/CardWindowController.h"

#include <QDir>
#include <QFileInfo>

namespace {

int ask(const QString& message, const QString& informative, const QStringList& buttons) {
    return AlertPresenter::shared().runModal({message, informative, buttons, Alert::Style::Informational});
}

void tell(const QString& message, const QString& informative = {}) {
    AlertPresenter::shared().runModal({message, informative, {}, Alert::Style::Warning});
}

template <class Visit> bool forEachCard(Visit visit) {
    TSheetManager* manager = TSheetManager::SharedManager();
    const Ref<TObjectArray> sheets = Ref<TObjectArray>::retain(manager->GetSheets());
    for (TObject* object : *sheets) {
        auto* sheet = static_cast<TSheet*>(object);
        if (!sheet->IsLoaded()) sheet->LoadCards();
        for (TObject* card : *sheet->GetAllCards())
            if (visit(sheet, static_cast<TCard*>(card))) return true;
    }
    return false;
}

} // namespace

void AppController::handleArguments(const QStringList& arguments, const QString& workingFolder) {
    QStringList files;
    for (const QString& argument : arguments) {
        const QUrl url(argument);
        if (url.scheme().compare(URISchemeBundle(), Qt::CaseInsensitive) == 0 && !url.host().isEmpty()) {
            processURL(url);
        } else if (url.isLocalFile()) {
            files.append(url.toLocalFile());
        } else if (!argument.startsWith(QLatin1Char('-')) && !argument.isEmpty()) {
            files.append(QDir(workingFolder).absoluteFilePath(argument));
        }
    }
    if (!files.isEmpty()) openFiles(files);
}

void AppController::openFiles(const QStringList& paths) {
    for (const QString& path : paths) {
        const QString extension = QFileInfo(path).suffix();
        if (extension == QLatin1String("qxcard"))
            openCardFile(path);
        else if (extension == QLatin1String("qxsheet"))
            openSheetFile(path);
        else if (StringFileObjectUtilities::conformsToUTIdentifier(path, QStringLiteral("public.text")))
            importText(path);
    }
}

bool AppController::openSheetFile(const QString& path) {
    if (isMini()) return false;
    TSheetManager* manager = TSheetManager::SharedManager();
    if (manager->IsActive(path)) {
        m_restoringPreviousSheet = false;
        return true;
    }
    QString sheetPath = path;
    if (!m_restoringPreviousSheet && !manager->FindSheet(path)) {
        const QString name = QFileInfo(path).fileName();
        const int answer =
            ask(QStringLiteral("Move the sheet \"%1\" into the sheet folder?").arg(name),
                QStringLiteral("If you don't move the sheet it will be opened but not available in "
                               "the sheet browser."),
                {QStringLiteral("Yes"), QStringLiteral("No")});
        if (answer == NSModalResponseAbort) {
            m_restoringPreviousSheet = false;
            return true;
        }
        if (answer == NSAlertFirstButtonReturn) {
            const QString target =
                NSPrefs().stringForKey(kPreferenceKeySheetFolder) + QLatin1Char('/') + name;
            if (QFileInfo::exists(target) || !QDir().rename(path, target)) {
                tell(QStringLiteral("The sheet could not be moved due to an error."),
                     QFileInfo::exists(target)
                         ? QStringLiteral("An item named \"%1\" already exists.").arg(name)
                         : QStringLiteral("The folder could not be moved."));
                m_restoringPreviousSheet = false;
                return true;
            }
            sheetPath = target;
            if (TSheetBrowserWindowController* browser = ModelContracts::sheetBrowser()) browser->update();
        }
    }
    if (TSheet* sheet = manager->RegisterSheet(sheetPath)) {
        Diagnostics::line(QStringLiteral("open sheet file ") + QFileInfo(sheetPath).fileName());
        const Ref<TSheet> keep = Ref<TSheet>::retain(sheet);
        manager->Close();
        manager->Open(sheet);
    }
    m_restoringPreviousSheet = false;
    return true;
}

QString AppController::scratchSheetPath() {
    const QString path = ApplicationInfo::dataFolder() + QStringLiteral("/Scratch.qxsheet");
    if (!QFileInfo::exists(path)) {
        const QString shipped = ApplicationInfo::resourcePath(QStringLiteral("Scratch.qxsheet"));
        if (!shipped.isEmpty() && QFileInfo(shipped).isDir()) {
            QDir().mkpath(path);
            for (const QFileInfo& entry : QDir(shipped).entryInfoList(QDir::Files))
                QFile::copy(entry.filePath(), path + QLatin1Char('/') + entry.fileName());
        }
    }
    return path;
}

bool AppController::openCardFile(const QString& path) {
    TObject* object = AllocateFromArchive(FSRef{QFileInfo(path).absoluteFilePath()});
    if (!object) return false;
    const Ref<TObject> owned = Ref<TObject>::adopt(object);
    if (!object->IsMember(TCard::StaticClass())) return false;
    auto* card = static_cast<TCard*>(object);
    // The card's file in a sheet is named after its uuid: one that names no plain file there (a
    // hostile or damaged file) is not read.
    if (!TSheet::IsCardName(card->GetUUID())) return false;
    TSheetManager* manager = TSheetManager::SharedManager();
    const QString scratch = scratchSheetPath();
    const QString alreadyThere =
        QStringLiteral("The card \"%1\" already exists in the scratch sheet.").arg(card->GetTitle());
    // A card of that uuid already in the sheet (its file, or one not yet saved) is never replaced.
    auto holds = [&](TSheet* sheet) {
        return !sheet->FindCard(card->GetUUID()).isEmpty() || sheet->FindCardWithUUID(card->GetUUID());
    };

    // Adds the card to the active sheet, saves, and trashes the opened file only once the sheet holds
    // the card's own file.
    auto addAndSave = [&](bool trashOriginal) {
        TCardControllerProtocol* controller = manager->AddCard(card);
        if (auto* cardController = dynamic_cast<TCardWindowController*>(controller))
            cardController->prepareForEntry(false);
        manager->Save();
        TSheet* sheet = manager->GetActiveSheet();
        const bool saved = sheet && !sheet->FindCard(card->GetUUID()).isEmpty() && !sheet->IsModified();
        if (!saved) {
            Diagnostics::warning(
                QStringLiteral("The card \"%1\" was not saved; %2 is kept.").arg(card->GetTitle(), path));
            return;
        }
        if (trashOriginal) Workspace::shared().moveToTrash(path);
    };
    auto intoScratch = [&] {
        TSheet* sheet = manager->RegisterSheet(scratch);
        if (!sheet) return;
        if (manager->GetActiveSheet() != sheet) {
            const Ref<TSheet> keep = Ref<TSheet>::retain(sheet);
            manager->Close();
            manager->Open(sheet);
        }
        if (holds(sheet))
            tell(alreadyThere);
        else
            addAndSave(false);
    };

    TSheet* active = manager->GetActiveSheet();
    if (!active) {
        // No sheet to offer: the card is shown from the scratch sheet and its file stays.
        intoScratch();
    } else if (StringPathUtilities::comparePaths(active->GetPath(), scratch)) {
        const int answer =
            ask(QStringLiteral("Move the card \"%1\" into the scratch sheet?").arg(card->GetTitle()), {},
                {QStringLiteral("Yes"), QStringLiteral("Cancel")});
        if (answer != NSAlertFirstButtonReturn) return true;
        if (holds(active))
            tell(alreadyThere);
        else
            addAndSave(true);
    } else {
        const int answer = ask(
            QStringLiteral("Move the card \"%1\" into the sheet \"%2\"?")
                .arg(card->GetTitle(), active->GetTitle()),
            QStringLiteral("If you don't move the card it will be moved into the scratch sheet for viewing."),
            {QStringLiteral("Yes"), QStringLiteral("No"), QStringLiteral("Cancel")});
        if (answer == NSAlertFirstButtonReturn) {
            if (holds(active)) {
                tell(QStringLiteral("The card \"%1\" already exists in the sheet \"%2\".")
                         .arg(card->GetTitle(), active->GetTitle()));
                return true;
            }
            card->ClearTabs();
            addAndSave(true);
        } else if (answer == NSAlertSecondButtonReturn) {
            intoScratch();
        }
    }
    return true;
}

void AppController::processURL(const QUrl& url) {
    const UrlCommand::Link link = UrlCommand::parse(url);
    processCommand(link.command, link.options);
}

void AppController::processCommand(const QString& command, const UrlCommand::Options& options) {
    if (command != QLatin1String("goto")) return;
    // An option without a value names nothing, so it is not found.
    if (options.contains(QStringLiteral("card"))) {
        const std::optional<QString> uuid = options.value(QStringLiteral("card"));
        if (!uuid || !gotoCard(*uuid)) tell(QStringLiteral("The card could not be found in any sheets."));
    }
    if (options.contains(QStringLiteral("item"))) {
        const std::optional<QString> uuid = options.value(QStringLiteral("item"));
        if (!uuid || !gotoItem(*uuid)) tell(QStringLiteral("The item could not be found in any sheets."));
    }
}

void AppController::switchToSheet(TSheet* sheet) {
    TSheetManager* manager = TSheetManager::SharedManager();
    if (manager->GetActiveSheet() == sheet) return;
    const Ref<TSheet> keep = Ref<TSheet>::retain(sheet);
    manager->Close();
    manager->Open(sheet);
}

void AppController::showController(TCard* card) {
    // A card in the dock comes back through it, so the dock stays in step; it has no window yet
    // when it was minimised before its sheet opened.
    if (card->IsMiniaturized())
        if (TDockWindowController* dock = ModelContracts::dockWindow()) dock->restoreMiniaturizedCard(card);
    if (TCardControllerProtocol* controller = TSheetManager::SharedManager()->GetController(card)) {
        controller->showWindow();
        controller->openCardWithUUID(card->GetUUID());
    }
}

bool AppController::gotoCard(const QString& uuid) {
    return forEachCard([&](TSheet* sheet, TCard* card) {
        if (card->GetUUID().compare(uuid, Qt::CaseInsensitive) != 0) return false;
        const Ref<TCard> keep = Ref<TCard>::retain(card);
        switchToSheet(sheet);
        showController(card);
        return true;
    });
}

bool AppController::gotoRow(TObjectClass cardClass, const std::function<bool(TCardItem*)>& match) {
    return forEachCard([&](TSheet* sheet, TCard* card) {
        if (!card->IsMember(cardClass)) return false;
        for (TObject* object : *static_cast<TListCard*>(card)->GetAllItems()) {
            auto* item = static_cast<TCardItem*>(object);
            if (!match(item)) continue;
            const Ref<TCard> keepCard = Ref<TCard>::retain(card);
            const Ref<TCardItem> keepItem = Ref<TCardItem>::retain(item);
            switchToSheet(sheet);
            showController(card);
            if (hooks.focusItem) hooks.focusItem(card, item);
            return true;
        }
        return false;
    });
}

bool AppController::gotoItem(const QString& uuid) {
    return gotoRow(TListCard::StaticClass(),
                   [&](TCardItem* item) { return item->GetUUID().compare(uuid, Qt::CaseInsensitive) == 0; });
}

void AppController::gotoEvent(const QString& eventIdentifier) {
    if (eventIdentifier.isEmpty()) return;
    gotoRow(TJobslate::StaticClass(), [&](TCardItem* item) {
        return item->IsMember(TTask::StaticClass()) &&
               static_cast<TTask*>(item)->GetEventIdenfitier() == eventIdentifier;
    });
}
