#pragma once

#include "toolkit/NSManagedWindowController.h"

#include <QIcon>
#include <QList>
#include <QString>
#include <functional>

class QLabel;
class QListWidget;

// A place the sheet folder may go.
struct WelcomeLocation {
    QIcon image;
    QString title;
    QString description;
    QString where; // may start with "~"
    bool available = true;
    bool isDefault = false;
    QString url; // a page about the service; empty for none
};

// The window shown at launch while no sheet folder is set: the user picks a place, the folder named
// after the program is made there, the sample sheets are copied into it, and it becomes the sheet
// folder with the demo sheet as the sheet to open.
class TWelcomeWindowController : public NSManagedWindowController {
    Q_OBJECT
public:
    TWelcomeWindowController();

    // Runs the window modally until it closes; answers whether a sheet folder was set.
    static bool beginModalSession();
    // The places on this system: "Default" (the data folder), "Custom" (Documents) and the Dropbox
    // folder when there is one.
    static QList<WelcomeLocation> availableLocations();
    // Ends the program when the folder can't be made (tests install their own).
    static void setExitHandler(std::function<void(int code)> handler);

    const QList<WelcomeLocation>& locations() const { return m_locations; }
    QListWidget* browser() const { return m_browser; }
    void selectRow(int row);

    void next();
    void quit();
    void moreInfo(int row);

private:
    // Makes the folder when needed and fills it; false when the window stays open.
    bool setUpFolder(const QString& folder, bool replace);
    void copySampleSheets(const QString& folder);

    QListWidget* m_browser = nullptr;
    QLabel* m_welcomeTextField = nullptr;
    QList<WelcomeLocation> m_locations;
};
