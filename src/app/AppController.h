#pragma once

#include "DockMenu.h"
#include "MenuValidation.h"
#include "ShellHooks.h"
#include "UrlCommand.h"

#include "foundation/Object.h"
#include "model/ModelContracts.h"

#include <QObject>
#include <QStringList>
#include <QUrl>

class TCard;
class TCardItem;
class TCardWindowController;

// The application delegate: launch and quit, the sheet manager's delegate with the coalesced save
// and preview work, open-file requests and links of the program's scheme, and the application-wide
// menu commands with their validation. Made once by the entry point (or a test), which owns it;
// it installs itself as the model's application delegate and the sheet manager's delegate and takes
// both back when destroyed. Main thread only. Diagnostics go to Diagnostics::line.
class AppController : public QObject, public TAppController, public DockMenuHost {
    Q_OBJECT
public:
    explicit AppController(QObject* parent = nullptr);
    ~AppController() override;

    ShellHooks hooks;

    // Launch and quit.
    // Clears the settings when the command line asked for a reset.
    void applicationWillFinishLaunching();
    // The launch sequence; false (the reason in error) when the program can't go on.
    bool applicationDidFinishLaunching(QString* error = nullptr);
    void applicationWillTerminate();
    void saveActiveSheet() override;
    // The folder a first start without a welcome window keeps sheets in.
    static QString defaultSheetFolder();
    static QString websiteURL();

    // The sheet manager's delegate.
    TCardControllerProtocol* makeControllerForCard(TCard* card) override;
    bool removeController(TCardControllerProtocol* controller) override;
    QImage previewForController(TCardControllerProtocol* controller, QRectF* screenFrame) override;
    void activeSheetWillChange(TSheet* sheet) override;
    void activeSheetDidChange(TSheet* sheet) override;

    // Deferred work: each request cancels the same pending one first.
    // Follows card edits and calendar changes (launch does this; tests may call it alone).
    void observeNotifications();
    void cardModifiedNotification();
    void eventStoreChanged();
    void updateSheetPreviewAfterDelay() override;
    void updateSheetPreview();
    void displayMissingEventsNotice() override;
    void applicationDidChangeScreenParameters();
    void windowWillEnterFullScreen();
    void windowDidExitFullScreen();
    bool fullscreenMode() const { return m_fullscreenMode; }
    // The card of the active card window; null when no card window is active.
    TCard* frontCard() const;
    // The controller of the active card window; null when no card window is active.
    TCardWindowController* frontController() const;
    void advanceFirstResponder() override;

    // Files and links.
    // Command-line arguments of this start or a forwarded one: links of the program's scheme and files
    // (relative paths taken from workingFolder).
    void handleArguments(const QStringList& arguments, const QString& workingFolder);
    void openFiles(const QStringList& paths);
    bool openSheetFile(const QString& path);
    bool openCardFile(const QString& path);
    // A writable copy of the scratch sheet, made from the shipped one on first use.
    static QString scratchSheetPath();
    void processURL(const QUrl& url);
    void processCommand(const QString& command, const UrlCommand::Options& options);
    bool gotoCard(const QString& uuid);
    bool gotoItem(const QString& uuid);
    void gotoEvent(const QString& eventIdentifier) override;
    bool restoringPreviousSheet() const { return m_restoringPreviousSheet; }

    // Menu commands, named by their actions ("newSheet", "toggleSheetBrowser", ...).
    void perform(const QString& action, const QVariant& representedObject = {}, qint64 tag = 0);
    MenuValidation::Result validateMenuItem(const MenuValidation::Item& item) const;
    void newSheet();
    // The tray menu's "New Card..." and its sheets (each opens its sheet).
    void newDocument() override;
    QList<QAction*> sheetsMenuItems(QObject* parent) override;
    // kind: the "defaultNewCardKind" values (1 list, 2 rich text, 3 tasks; others: tasks with the
    // row kind of the settings).
    void newCard(qint64 kind);
    void addSheetAsStack() override;
    void convertLegacySheets() override;
    void importList(const QString& path, bool asTasks);
    void importText(const QString& path);
    void reportSaveError(const QString& message) override;

private:
    void addCardForEntry(TCard* card, bool rename);
    bool ensureActiveSheet();
    void setupSheets(QString* error);
    bool makeDefaultSheetFolder(QString* error);
    void switchToSheet(TSheet* sheet);
    // Shows the first row of a card of the class that matches; false when no sheet holds one.
    bool gotoRow(TObjectClass cardClass, const std::function<bool(TCardItem*)>& match);
    void showController(TCard* card);
    bool browserAvailable() const;
    void reportImportError();
    bool m_fullscreenMode = false;
    bool m_restoringPreviousSheet = false;
    bool m_launched = false;
};
