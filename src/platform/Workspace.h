#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

// The desktop's services for files and links: opening with the default program, revealing in the
// file manager, the Trash, and handing files to this program's own open-files handler. The real
// one is DesktopWorkspace; tests install a RecordingWorkspace. Main thread only.
class Workspace {
public:
    virtual ~Workspace() = default;

    static Workspace& shared();
    // Installs the workspace shared() answers (not owned; null: the desktop one again).
    static void setShared(Workspace* workspace);

    // Opens the link or file with the desktop's default program; false when none took it.
    virtual bool openURL(const QUrl& url) = 0;
    bool openFile(const QString& path) { return openURL(QUrl::fromLocalFile(path)); }
    // Shows the item selected in a file manager window (its folder opened when no file manager
    // answers the selection request).
    virtual bool selectFile(const QString& path) = 0;
    // Moves the item to the Trash; its new path in trashedPath. False when it can't.
    virtual bool moveToTrash(const QString& path, QString* trashedPath = nullptr) = 0;
    // Hands the paths to this program's open-files handler, later on the event loop, as if the
    // desktop had asked the program to open them.
    virtual void openFilesWithThisApplication(const QStringList& paths) = 0;

    // The program's open-files handler (the application shell sets it).
    using OpenFilesHandler = std::function<void(const QStringList& paths)>;
    static void setOpenFilesHandler(OpenFilesHandler handler);
    static const OpenFilesHandler& openFilesHandler();
};

class DesktopWorkspace : public Workspace {
public:
    bool openURL(const QUrl& url) override;
    bool selectFile(const QString& path) override;
    bool moveToTrash(const QString& path, QString* trashedPath = nullptr) override;
    void openFilesWithThisApplication(const QStringList& paths) override;
};

// Records every request and changes nothing on the desktop; moveToTrash answers trashResult, and
// when trashFolder is set, really moves the item into that folder (a stand-in for the Trash).
class RecordingWorkspace : public Workspace {
public:
    struct Request {
        QString kind; // "openURL", "selectFile", "moveToTrash", "openFiles"
        QStringList arguments;
        friend bool operator==(const Request&, const Request&) = default;
    };

    bool openURL(const QUrl& url) override;
    bool selectFile(const QString& path) override;
    bool moveToTrash(const QString& path, QString* trashedPath = nullptr) override;
    void openFilesWithThisApplication(const QStringList& paths) override;

    QList<Request> requests;
    bool trashResult = true;
    QString trashFolder;
};
