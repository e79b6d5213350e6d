#include "WelcomeWindowController.h"

#include "app/AppController.h"
#include "model/Globals.h"
#include "model/Preferences.h"
#include "platform/AlertPresenter.h"
#include "platform/ApplicationInfo.h"
#include "platform/Diagnostics.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "utilities/SandboxUtilities.h"
#include "utilities/StringPathUtilities.h"
#include "windows/SavePanelPresenter.h"

#include <QApplication>
#include <QBoxLayout>
#include <QDir>
#include <QDirIterator>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>

namespace {

std::function<void(int)> g_exit = [](int code) { std::exit(code); };

const QString kSampleSheet = QStringLiteral("demo.qxsheet");

// Copies a file or a folder with everything in it; the error text when something could not be copied.
QString copyItem(const QString& source, const QString& target) {
    if (!QFileInfo(source).isDir())
        return QFile::copy(source, target) ? QString() : QStringLiteral("can't copy ") + source;
    if (!QDir().mkdir(target)) return QStringLiteral("can't make ") + target;
    const QDir folder(source);
    for (const QString& name : folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
        const QString error = copyItem(folder.filePath(name), target + QLatin1Char('/') + name);
        if (!error.isEmpty()) return error;
    }
    return {};
}

QFont welcomeFont(int points, QFont::Weight weight) {
    QFont font(QStringLiteral("DejaVu Sans"), points);
    font.setWeight(weight);
    return font;
}

} // namespace

void TWelcomeWindowController::setExitHandler(std::function<void(int)> handler) {
    g_exit = handler ? std::move(handler) : [](int code) { std::exit(code); };
}

QList<WelcomeLocation> TWelcomeWindowController::availableLocations() {
    QStyle* style = QApplication::style();
    QList<WelcomeLocation> locations;
    locations.append({style->standardIcon(QStyle::SP_DriveHDIcon),
                      QStringLiteral("Default"),
                      QStringLiteral("Files are stored in the data folder."),
                      ApplicationInfo::dataFolder(),
                      true,
                      true,
                      {}});
    locations.append({style->standardIcon(QStyle::SP_DirIcon),
                      QStringLiteral("Custom"),
                      QStringLiteral("Choose a custom location on your computer."),
                      QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                      true,
                      false,
                      {}});
    const QString dropbox = QStringLiteral("~/Dropbox");
    if (QFileInfo(StringPathUtilities::stringByExpandingTildeInPath(dropbox)).isDir())
        locations.append({style->standardIcon(QStyle::SP_DriveNetIcon), QStringLiteral("Dropbox"),
                          QStringLiteral("Files are synched on Dropbox."), dropbox, true, false,
                          QStringLiteral("https://www.dropbox.com/")});
    return locations;
}

TWelcomeWindowController::TWelcomeWindowController() : m_locations(availableLocations()) {
    QWidget* window = this->window();
    window->setWindowTitle(NSBundleName());
    window->setStyleSheet(QStringLiteral("QWidget#welcome { background: white; }"));
    window->setObjectName(QStringLiteral("welcome"));
    m_welcomeTextField = new QLabel(QStringLiteral("Welcome to ") + NSBundleName(), window);
    m_welcomeTextField->setFont(welcomeFont(24, QFont::Light));
    auto* prompt = new QLabel(QStringLiteral("Where should your sheets be kept?"), window);
    m_browser = new QListWidget(window);
    m_browser->setIconSize(QSize(32, 32));
    for (int row = 0; row < m_locations.size(); ++row) {
        const WelcomeLocation& location = m_locations[row];
        auto* item =
            new QListWidgetItem(location.image, location.title + QLatin1Char('\n') + location.description);
        item->setFont(welcomeFont(13, QFont::Normal));
        item->setToolTip(StringPathUtilities::stringByAbbreviatingWithTildeInPath(location.where));
        if (!location.available) item->setFlags(item->flags() & ~(Qt::ItemIsSelectable | Qt::ItemIsEnabled));
        m_browser->addItem(item);
    }
    selectRow(0);
    auto* quitButton = new QPushButton(QStringLiteral("Quit"), window);
    auto* nextButton = new QPushButton(QStringLiteral("Next"), window);
    nextButton->setDefault(true);
    connect(quitButton, &QPushButton::clicked, this, &TWelcomeWindowController::quit);
    connect(nextButton, &QPushButton::clicked, this, &TWelcomeWindowController::next);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(quitButton);
    buttons->addStretch();
    buttons->addWidget(nextButton);
    auto* layout = new QVBoxLayout(window);
    layout->addWidget(m_welcomeTextField);
    layout->addWidget(prompt);
    layout->addWidget(m_browser, 1);
    layout->addLayout(buttons);
    window->resize(480, 360);
}

void TWelcomeWindowController::selectRow(int row) {
    if (row >= 0 && row < m_locations.size() && m_locations[row].available) m_browser->setCurrentRow(row);
}

bool TWelcomeWindowController::beginModalSession() {
    auto* controller = new TWelcomeWindowController;
    QPointer<QWidget> window = controller->window();
    QEventLoop loop;
    connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    window->setWindowModality(Qt::ApplicationModal);
    controller->showWindow();
    if (window) loop.exec();
    return !UserDefaults::standardUserDefaults().stringForKey(kPreferenceKeySheetFolder).isEmpty();
}

void TWelcomeWindowController::moreInfo(int row) {
    if (row >= 0 && row < m_locations.size() && !m_locations[row].url.isEmpty())
        Workspace::shared().openURL(QUrl(m_locations[row].url));
}

void TWelcomeWindowController::next() {
    const int row = m_browser->currentRow();
    if (row < 0 || row >= m_locations.size()) return;
    const WelcomeLocation& location = m_locations[row];
    const QString where = StringPathUtilities::stringByExpandingTildeInPath(location.where);
    // The data folder also holds the calendars, so the default sheets get a folder of their own.
    QString folder =
        location.isDefault ? AppController::defaultSheetFolder() : QDir(where).filePath(NSBundleName());
    bool forcePanel = false, replace = false;
    if (QFileInfo::exists(folder)) {
        Alert alert;
        alert.style = Alert::Style::Informational;
        alert.messageText = QStringLiteral("Existing Folder");
        alert.informativeText =
            QStringLiteral("There is already a folder at this location named \"") + NSBundleName() +
            QStringLiteral("\" which may contain sheets. Do you want to use this folder, replace "
                           "it or choose a new one?");
        alert.buttons = {QStringLiteral("Use Folder"), QStringLiteral("Choose New"),
                         QStringLiteral("Replace")};
        const int answer = AlertPresenter::shared().runModal(alert, window());
        if (answer == NSModalResponseAbort) return;
        if (answer == NSAlertFirstButtonReturn) {
            if (!SandboxUtilities::RequestDirectoryAccessOutsideContainer(folder)) {
                Diagnostics::line(QStringLiteral("failed to get access"));
                return;
            }
            UserDefaults::standardUserDefaults().setObjectForKey(folder, kPreferenceKeySheetFolder);
            window()->close();
            return;
        }
        if (answer == NSAlertSecondButtonReturn) forcePanel = true;
        if (answer == NSAlertThirdButtonReturn) {
            if (!SandboxUtilities::RequestDirectoryAccessOutsideContainer(folder)) return;
            replace = true;
        }
    }
    if ((!location.isDefault || forcePanel) && !replace) {
        SavePanel panel;
        panel.title = QStringLiteral("Choose Sheet Folder");
        panel.canCreateDirectories = true;
        panel.nameFieldStringValue = folder;
        if (SavePanelPresenter::shared().runModal(panel, window()) != NSModalResponseOK ||
            panel.chosenPath.isEmpty())
            return;
        folder = panel.chosenPath;
    }
    if (setUpFolder(folder, replace)) window()->close();
}

bool TWelcomeWindowController::setUpFolder(const QString& folder, bool replace) {
    Diagnostics::line(folder);
    if (replace && QFileInfo::exists(folder) && !Workspace::shared().moveToTrash(folder)) {
        // Filling the old folder would mix the samples into the user's sheets.
        Alert alert;
        alert.messageText = QStringLiteral("Error");
        alert.informativeText = QStringLiteral("The folder \"") + folder +
                                QStringLiteral("\" could not be moved to the Trash. Nothing was changed.");
        AlertPresenter::shared().runModal(alert, window());
        return false;
    }
    if (!QFileInfo::exists(folder) && !QDir().mkpath(folder)) {
        Alert alert;
        alert.messageText = QStringLiteral("Error");
        alert.informativeText =
            QStringLiteral("There was an error creating the default sheet folder (%1). Please try "
                           "again after relaunching.")
                .arg(QStringLiteral("can't make ") + folder);
        AlertPresenter::shared().runModal(alert, window());
        g_exit(1);
        return false;
    }
    copySampleSheets(folder);
    SandboxUtilities::StartAccessingBookmark(folder);
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.setObjectForKey(folder, kPreferenceKeySheetFolder);
    defaults.setObjectForKey(QDir(folder).filePath(kSampleSheet), kPreferenceKeyActiveSheet);
    return true;
}

void TWelcomeWindowController::copySampleSheets(const QString& folder) {
    const QDir samples(ApplicationInfo::resourcePath(QStringLiteral("Sheets")));
    for (const QString& name : samples.entryList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
        const QString target = QDir(folder).filePath(name);
        if (QFileInfo::exists(target)) continue;
        Diagnostics::line(target);
        const QString error = copyItem(samples.filePath(name), target);
        if (!error.isEmpty()) Diagnostics::line(error);
    }
}

void TWelcomeWindowController::quit() {
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.removeObjectForKey(kPreferenceKeySheetFolder);
    defaults.removeObjectForKey(kPreferenceKeyActiveSheet);
    defaults.removeObjectForKey(kPreferenceKeyLaunchedFirstTime);
    window()->close();
    QCoreApplication::quit();
}
