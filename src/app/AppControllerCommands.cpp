#include "AppController.h"

#include "model/Globals.h"
#include "model/ListCard.h"
#include "model/Memoleaf.h"
#include "model/Preferences.h"
#include "model/SheetConverter.h"
#include "model/SheetManager.h"
#include "model/Stack.h"
#include "model/Task.h"
#include "platform/AlertPresenter.h"
#include "platform/ApplicationInfo.h"
#include "platform/Diagnostics.h"
#include "platform/PanelPresenter.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "platform/text/RTFCodec.h"
#include "platform/text/RTFDCodec.h"
#include "utilities/FileCreationUtilities.h"
#include "utilities/FileObjectUtilities.h"
#include "windows/CardWindowController.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <optional>

namespace {

void flip(const QString& key) {
    NSPrefs().setBoolForKey(!NSPrefs().boolForKey(key), key);
}

QString sheetFolder() {
    return NSPrefs().stringForKey(kPreferenceKeySheetFolder);
}

// The file's text: a byte-order mark or valid UTF-8 says the encoding, anything else is read as
// Latin 1. Nothing when the file can't be read.
std::optional<QString> readText(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (auto encoding = QStringConverter::encodingForData(bytes)) {
        QStringDecoder decoder(*encoding);
        return QString(decoder(bytes));
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    if (!utf8.hasError()) return text;
    return QString::fromLatin1(bytes);
}

bool hasExtension(const QString& path, const char* extension) {
    return QFileInfo(path).suffix() == QLatin1String(extension);
}

} // namespace

bool AppController::browserAvailable() const {
    if (hooks.browserAvailable) return hooks.browserAvailable();
    const QString folder = sheetFolder();
    return !isMini() && !folder.isEmpty() && QFileInfo(folder).isDir();
}

MenuValidation::Result AppController::validateMenuItem(const MenuValidation::Item& item) const {
    MenuValidation::Context context;
    TSheetManager* manager = TSheetManager::SharedManager();
    context.browserAvailable = browserAvailable();
    context.sheetCount = manager->GetSheets() ? manager->GetSheets()->Count() : 0;
    if (TSheet* active = manager->GetActiveSheet()) context.activeSheetUUID = active->GetUUID();
    context.sandboxed = ApplicationInfo::isSandboxed();
    return MenuValidation::validate(item, context);
}

void AppController::perform(const QString& action, const QVariant& representedObject, qint64 tag) {
    // Settings the windows follow as they change.
    static const QMap<QString, QString> toggles{
        {QStringLiteral("autoHideSheetBrowser"), kPreferenceKeyAutoHideSheetBrowser},
        {QStringLiteral("showSheetsAsList"), kPreferenceKeyShowSheetsAsList},
        {QStringLiteral("showGroupRowsInBrowser"), kPreferenceKeyShowGroupRowsInBrowser},
        {QStringLiteral("togglePasteAndMatchStyle"), kPreferenceKeyAlwaysPasteAndMatchStyle}};
    const std::map<QString, std::function<void()>> hooked{
        {QStringLiteral("nextSheet"), hooks.nextSheet},
        {QStringLiteral("previousSheet"), hooks.previousSheet},
        {QStringLiteral("addSheetGroup"), hooks.addGroup},
        {QStringLiteral("deleteSheet"), hooks.deleteSheet},
        {QStringLiteral("revealSheetInFinder"), hooks.revealSheetInFinder},
        {QStringLiteral("preferences"), hooks.showPreferences},
        {QStringLiteral("about"), hooks.showAbout}};
    if (toggles.contains(action)) {
        flip(toggles.value(action));
    } else if (auto hook = hooked.find(action); hook != hooked.end()) {
        if (hook->second) hook->second();
    } else if (action == QLatin1String("toggleSheetBrowser")) {
        flip(kPreferenceKeyShowSheetBrowser);
        if (hooks.repositionBrowser) hooks.repositionBrowser();
    } else if (action == QLatin1String("showSheetsAsDrawer")) {
        flip(kPreferenceKeyShowSheetsAsDrawer);
        if (!NSPrefs().boolForKey(kPreferenceKeyShowSheetsAsDrawer))
            NSPrefs().setBoolForKey(false, kPreferenceKeyShowSheetsAsList);
    } else if (action == QLatin1String("sheetBrowserSideChanged")) {
        NSPrefs().setIntegerForKey(tag, kPreferenceKeySheetBrowserSide);
    } else if (action == QLatin1String("openSheetFolder")) {
        Workspace::shared().openFile(sheetFolder());
    } else if (action == QLatin1String("openSheet")) {
        if (TSheet* sheet = TSheetManager::SharedManager()->FindSheetWithUUID(representedObject.toString()))
            OpenSheetAsFile(sheet->GetPath());
    } else if (action == QLatin1String("openDocument")) {
        OpenPanel panel;
        // A sheet is a folder here: a panel of files would only go into it.
        panel.canChooseFiles = false;
        panel.canChooseDirectories = true;
        panel.title = QStringLiteral("Open Sheet");
        panel.prompt = QStringLiteral("Open");
        panel.directory = sheetFolder();
        if (PanelPresenter::shared().runModal(panel) == NSModalResponseOK) {
            QStringList sheets;
            QStringList others;
            for (const QString& path : panel.chosenPaths)
                (hasExtension(path, "qxsheet") ? sheets : others).append(path);
            if (!sheets.isEmpty()) Workspace::shared().openFilesWithThisApplication(sheets);
            for (const QString& path : others)
                AlertPresenter::shared().runModal(
                    {QStringLiteral("\"%1\" is not a sheet.").arg(QFileInfo(path).fileName()),
                     QStringLiteral("A sheet is a folder whose name ends in \".qxsheet\"."),
                     {},
                     Alert::Style::Warning});
        }
    } else if (action == QLatin1String("newSheet")) {
        newSheet();
    } else if (action == QLatin1String("newDocument")) {
        newCard(NSPrefs().integerForKey(kPreferenceKeyDefaultNewCardKind));
    } else if (action == QLatin1String("newJobslate")) {
        newCard(3);
    } else if (action == QLatin1String("newListCard")) {
        newCard(1);
    } else if (action == QLatin1String("newMemoleaf")) {
        newCard(2);
    } else if (action == QLatin1String("addSheetAsStack")) {
        addSheetAsStack();
    } else if (action == QLatin1String("convertLegacySheets")) {
        convertLegacySheets();
    } else if (action.startsWith(QLatin1String("importDocumentAs"))) {
        OpenPanel panel;
        panel.allowsMultipleSelection = true;
        panel.allowedMimeTypes = {QStringLiteral("text/plain"), QStringLiteral("text/rtf")};
        if (PanelPresenter::shared().runModal(panel) != NSModalResponseOK) return;
        for (const QString& path : panel.chosenPaths) {
            if (action == QLatin1String("importDocumentAsNote"))
                importText(path);
            else
                importList(path, action == QLatin1String("importDocumentAsTasks"));
        }
    } else if (action == QLatin1String("toggleDashboardMode")) {
        flip(kPreferenceKeyDashboardMode);
        if (hooks.setDashboardModeEnabled)
            hooks.setDashboardModeEnabled(NSPrefs().boolForKey(kPreferenceKeyDashboardMode));
    } else if (action == QLatin1String("onlineSupport")) {
        Workspace::shared().openURL(QUrl(websiteURL()));
    } else if (action == QLatin1String("checkForUpdates")) {
        // Update news arrive on their own; the command says so rather than doing nothing.
        Alert alert;
        alert.messageText = QStringLiteral("%1 %2").arg(NSBundleName(), ApplicationInfo::version());
        alert.informativeText = QStringLiteral("News of updates is shown when it arrives, while \"Updates\" "
                                               "is ticked in the Preferences.");
        alert.style = Alert::Style::Informational;
        AlertPresenter::shared().beginSheet(alert, nullptr, {});
    }
}

void AppController::addCardForEntry(TCard* card, bool rename) {
    TCardControllerProtocol* controller = TSheetManager::SharedManager()->AddCard(card);
    if (auto* cardController = dynamic_cast<TCardWindowController*>(controller))
        cardController->prepareForEntry(rename);
}

void AppController::newCard(qint64 kind) {
    if (!TSheetManager::SharedManager()->GetActiveSheet()) return;
    const QString title = QStringLiteral("Untitled");
    Ref<TCard> card;
    if (kind == 2) {
        card = Ref<TCard>::adopt(TMemoleaf::Create(title));
    } else {
        TJobslate* jobslate = TJobslate::Create(title);
        if (kind == 1) jobslate->SetDefaultItem(1);
        if (kind == 3) jobslate->SetDefaultItem(2);
        card = Ref<TCard>::adopt(jobslate);
    }
    addCardForEntry(card.get(), true);
}

void AppController::addSheetAsStack() {
    TSheet* sheet = TSheetManager::SharedManager()->GetActiveSheet();
    if (!sheet) return;
    const Ref<TCard> stack = Ref<TCard>::adopt(TStack::Create(sheet->GetUUID(), sheet->GetTitle()));
    addCardForEntry(stack.get(), true);
}

void AppController::newSheet() {
    const QString folder = sheetFolder();
    QString path = folder + QStringLiteral("/Untitled.qxsheet");
    Diagnostics::line(QStringLiteral("new path: ") + path);
    if (QFileInfo::exists(path)) {
        path = folder + QLatin1Char('/') +
               FileCreationUtilities::UniqueFileNameForDirectory(FSRef{folder}, QStringLiteral("Untitled"),
                                                                 QStringLiteral("qxsheet"));
        Diagnostics::line(QStringLiteral("new path: ") + path);
    }
    if (QFileInfo::exists(path)) return; // no free name: nothing is overwritten
    TSheetManager* manager = TSheetManager::SharedManager();
    TSheet* sheet = manager->RegisterSheet(path);
    if (!sheet) return;
    switchToSheet(sheet);
    newCard(NSPrefs().integerForKey(kPreferenceKeyDefaultNewCardKind));
    if (TSheetBrowserWindowController* browser = ModelContracts::sheetBrowser()) browser->update();
}

bool AppController::ensureActiveSheet() {
    TSheetManager* manager = TSheetManager::SharedManager();
    if (manager->GetActiveSheet()) return true;
    TSheet* sheet = nullptr;
    if (manager->GetSheets() && manager->GetSheets()->Count() > 0)
        sheet = static_cast<TSheet*>(manager->GetSheets()->GetObjectValue(0));
    const QString folder = isMini() ? QString() : sheetFolder();
    if (!sheet && !folder.isEmpty()) {
        const QString name = FileCreationUtilities::UniqueFileNameForDirectory(
            FSRef{folder}, QStringLiteral("Untitled"), QStringLiteral("qxsheet"));
        sheet = manager->RegisterSheet(folder + QLatin1Char('/') + name);
    }
    if (!sheet) return false;
    switchToSheet(sheet);
    return manager->GetActiveSheet() != nullptr;
}

void AppController::convertLegacySheets() {
    OpenPanel panel;
    panel.allowsMultipleSelection = true;
    panel.allowedExtensions = {QStringLiteral("qxproj"), QStringLiteral("mzsheet")};
    panel.message = QStringLiteral(
        "Convert Jobslate 1.x or Memoleaf sheet files (.qxproj/.mzsheet) to Jobslate 2 format.");
    panel.title = QStringLiteral("Convert Legacy Sheets");
    panel.prompt = QStringLiteral("Convert");
    if (PanelPresenter::shared().runModal(panel) == NSModalResponseOK) {
        AlertPresenter::shared().runModal(
            {QStringLiteral("Converting Sheets"),
             QStringLiteral(
                 "The original sheet file will not be affected and the converted sheet will be saved in the "
                 "sheet folder. Not all features have direct equivalents so some properties may be removed "
                 "or changed."),
             {},
             Alert::Style::Informational});
        QStringList failures;
        for (const QString& source : panel.chosenPaths) {
            // A file of another kind is no legacy sheet, whatever it holds.
            if (!hasExtension(source, "qxproj") && !hasExtension(source, "mzsheet")) {
                failures.append(
                    QStringLiteral("%1: not a legacy sheet file").arg(QFileInfo(source).fileName()));
                continue;
            }
            // Each result goes into a free name, so an earlier conversion is never overwritten.
            const QString destination = ConvertedSheetPath(source, sheetFolder());
            QString error;
            TSheet* sheet = hasExtension(source, "qxproj")
                                ? ConvertJobslateSheet(source, destination, &error)
                                : ConvertMemoleafSheet(source, destination, &error);
            if (!sheet) {
                failures.append(QStringLiteral("%1: %2").arg(QFileInfo(source).fileName(), error));
                continue;
            }
            if (!sheet->Save())
                failures.append(QStringLiteral("%1: the converted sheet could not be saved")
                                    .arg(QFileInfo(source).fileName()));
            sheet->Release();
        }
        if (!failures.isEmpty())
            AlertPresenter::shared().runModal({QStringLiteral("Some sheets could not be converted."),
                                               failures.join(QLatin1Char('\n')),
                                               {},
                                               Alert::Style::Warning});
    }
    if (TSheetBrowserWindowController* browser = ModelContracts::sheetBrowser()) browser->update();
}

void AppController::reportImportError() {
    AlertPresenter::shared().runModal({QStringLiteral("Error Importing"),
                                       QStringLiteral("The file could not be imported due to an error."),
                                       {},
                                       Alert::Style::Warning});
}

void AppController::importList(const QString& path, bool asTasks) {
    if (!ensureActiveSheet()) return;
    QString error;
    const std::optional<QString> text = readText(path, &error);
    if (!text) {
        Diagnostics::line(QStringLiteral("failed to import text from url."));
        Diagnostics::line(error);
        reportImportError();
        return;
    }
    const Ref<TJobslate> card = Ref<TJobslate>::adopt(TJobslate::Create(QFileInfo(path).completeBaseName()));
    static const QRegularExpression newline(QStringLiteral("\r\n|\r|\n"));
    for (const QString& line : text->split(newline, Qt::SkipEmptyParts)) {
        TTextItem* row = asTasks ? static_cast<TTextItem*>(TTask::Create(line)) : TListItem::Create(line);
        card->GetRoot()->AddChild(row);
        row->Release();
    }
    addCardForEntry(card.get(), true);
}

void AppController::importText(const QString& path) {
    if (!ensureActiveSheet()) return;
    const Ref<TMemoleaf> card = Ref<TMemoleaf>::adopt(TMemoleaf::Create(QFileInfo(path).completeBaseName()));
    QString error;
    if (StringFileObjectUtilities::conformsToUTIdentifier(path, QStringLiteral("com.apple.rtfd")) ||
        StringFileObjectUtilities::conformsToUTIdentifier(path, QStringLiteral("public.rtf"))) {
        std::optional<AttributedString> text;
        if (QFileInfo(path).isDir()) {
            text = RTFDCodec::readFolder(path, &error);
        } else {
            QFile file(path);
            if (file.open(QIODevice::ReadOnly)) text = RTFCodec::read(file.readAll(), &error);
        }
        if (!text) {
            reportImportError();
            return;
        }
        card->SetText(*text);
    } else {
        const std::optional<QString> text = readText(path, &error);
        if (!text) {
            AlertPresenter::shared().runModal(
                {QStringLiteral("The file could not be opened."), error, {}, Alert::Style::Warning});
            return;
        }
        card->SetText(*text);
    }
    addCardForEntry(card.get(), true);
}

void AppController::newDocument() {
    perform(QStringLiteral("newDocument"));
}

QList<QAction*> AppController::sheetsMenuItems(QObject* parent) {
    QList<QAction*> items;
    TSheetManager* manager = TSheetManager::SharedManager();
    TObjectArray* sheets = manager->GetSheets();
    if (!sheets) return items;
    for (TObject* object : *sheets) {
        auto* sheet = static_cast<TSheet*>(object);
        auto* item = new QAction(sheet->GetTitle(), parent);
        item->setCheckable(true);
        item->setChecked(sheet == manager->GetActiveSheet());
        const QString uuid = sheet->GetUUID();
        connect(item, &QAction::triggered, this,
                [this, uuid] { perform(QStringLiteral("openSheet"), uuid); });
        items.append(item);
    }
    return items;
}
