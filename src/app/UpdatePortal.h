#pragma once

#include "toolkit/NSManagedWindowController.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSet>
#include <QSize>
#include <QString>
#include <QVariant>

class QNetworkAccessManager;

class QPushButton;
class QTextBrowser;

// The portal server's address ("https://host[:port][/base]"); empty, the default, turns the portal off,
// so no machine asks a host the user did not name.
inline const QString kPreferenceKeyPortalAddress = QStringLiteral("portalAddress");

// Asks the portal for news or an update for this edition and shows the page it answers in a modal
// window. Only a successful (2xx) HTML reply is shown; an empty one, an error or a refused connection
// close the unseen window. Links open in the user's browser; the page runs no scripts. The view gets
// the reply's own bytes and nothing local: images come only from the page's own http(s) origin,
// fetched in the background within a size limit, and tables or blocks nested past a sane depth are
// flattened before the view lays the page out.
class TWebPortalWindowController : public NSManagedWindowController {
    Q_OBJECT
public:
    TWebPortalWindowController();

    // The controller whose window is open; null when none.
    static TWebPortalWindowController* sharedController();
    // The periodic check: nothing without network or while a portal window is open. A check that
    // sends no request leaves no controller behind.
    static void showUpdatePortal();
    // showUpdatePortal 3 seconds from now and every eight hours, for the owner's lifetime.
    static void scheduleChecks(const void* owner);

    // False, with nothing sent, for level 0 or no portal address.
    bool checkForUpdates();
    // The request for the mode and window size; an invalid URL without a portal address.
    static QNetworkRequest requestWithMode(const QString& mode, const QSize& size);
    bool processRequest(const QNetworkRequest& request);

    void done();
    void remindLater();

    // The page as the view is given it: tables nested deeper than kMaximumTableNesting and other
    // blocks deeper than kMaximumBlockNesting lose their tags (their content stays).
    static QString sanitisedPage(const QString& html);
    static constexpr int kMaximumTableNesting = 8;
    static constexpr int kMaximumBlockNesting = 64;
    static constexpr int kMaximumImages = 32;
    static constexpr qint64 kLargestImage = 2 * 1024 * 1024;

    QTextBrowser* portalView() const { return m_portalView; }
    bool connectionFinishedLoading() const { return m_connectionFinishedLoading; }
    bool isRequestRunning() const { return m_reply != nullptr; }

protected:
    void windowWillClose() override;

private:
    void connectionDidFinish();
    void beginModalSession();
    QVariant pageResource(const QUrl& url);
    void imageDidFinish(QNetworkReply* reply);
    void showPage();

    QTextBrowser* m_portalView = nullptr;
    QPushButton* m_doneButton = nullptr;
    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    bool m_connectionFinishedLoading = false;
    QUrl m_pageUrl;
    QString m_page; // sanitised
    QHash<QUrl, QImage> m_images;
    QSet<QUrl> m_requestedImages;
};
