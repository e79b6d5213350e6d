#include "UpdatePortal.h"

#include "model/Globals.h"
#include "model/Preferences.h"
#include "platform/Diagnostics.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "utilities/Clock.h"
#include "utilities/NetworkReachability.h"

#include <QBoxLayout>
#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QStringDecoder>
#include <QTextBrowser>
#include <QUrlQuery>

namespace {
QPointer<TWebPortalWindowController> g_shared;
}

TWebPortalWindowController::TWebPortalWindowController() {
    g_shared = this;
    QWidget* window = this->window();
    window->setWindowTitle(NSBundleName());
    window->resize(500, 340);
    window->setStyleSheet(QStringLiteral("background: white;"));
    m_portalView = new QTextBrowser(window);
    m_portalView->setOpenLinks(false);
    m_portalView->setContextMenuPolicy(Qt::NoContextMenu);
    m_portalView->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    // Only web and mail links leave the page: a served page must not open local files or programs.
    connect(m_portalView, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
        const QUrl target = m_portalView->document()->baseUrl().resolved(link);
        const QString scheme = target.scheme().toLower();
        if (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
            scheme == QLatin1String("mailto"))
            Workspace::shared().openURL(target);
    });
    auto* later = new QPushButton(QCoreApplication::translate("Portal", "Remind Me Later"), window);
    m_doneButton = new QPushButton(QCoreApplication::translate("Portal", "Done"), window);
    m_doneButton->setDefault(true);
    connect(later, &QPushButton::clicked, this, &TWebPortalWindowController::remindLater);
    connect(m_doneButton, &QPushButton::clicked, this, &TWebPortalWindowController::done);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(later);
    buttons->addWidget(m_doneButton);
    auto* layout = new QVBoxLayout(window);
    layout->addWidget(m_portalView, 1);
    layout->addLayout(buttons);
    m_network = new QNetworkAccessManager(this);
}

TWebPortalWindowController* TWebPortalWindowController::sharedController() {
    return g_shared;
}

void TWebPortalWindowController::showUpdatePortal() {
    if (NetworkReachability::GetNetworkReachability() == NetworkReachability::kNotReachable ||
        sharedController())
        return;
    auto* controller = new TWebPortalWindowController;
    if (!controller->checkForUpdates()) controller->window()->close();
}

void TWebPortalWindowController::scheduleChecks(const void* owner) {
    Scheduler& scheduler = Scheduler::shared();
    scheduler.performAfterDelay(owner, QStringLiteral("showUpdatePortal"), 3.0, [] { showUpdatePortal(); });
    scheduler.scheduleRepeating(owner, QStringLiteral("showUpdatePortalTimer"), 28800.0,
                                [] { showUpdatePortal(); });
}

QNetworkRequest TWebPortalWindowController::requestWithMode(const QString& mode, const QSize& size) {
    const UserDefaults& defaults = UserDefaults::standardUserDefaults();
    QUrl url(defaults.stringForKey(kPreferenceKeyPortalAddress).trimmed());
    if (url.isEmpty() || url.isRelative()) return QNetworkRequest(QUrl());
    QString path = url.path();
    while (path.endsWith(QLatin1Char('/'))) path.chop(1);
    url.setPath(path + QStringLiteral("/portal/portal.php"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("sender"), NSBundleName().toLower());
    query.addQueryItem(QStringLiteral("mode"), mode);
    query.addQueryItem(QStringLiteral("size"), QStringLiteral("%1x%2").arg(size.width()).arg(size.height()));
    query.addQueryItem(QStringLiteral("appstore"), QStringLiteral("0"));
    query.addQueryItem(QStringLiteral("level"),
                       QString::number(defaults.integerForKey(kPreferenceKeyPortalLevel)));
    const QVariant previous = defaults.objectForKey(kPreferenceKeyPreviousPortalRequest);
    if (previous.typeId() == QMetaType::QDateTime)
        query.addQueryItem(QStringLiteral("previousRequest"),
                           QString::number(previous.toDateTime().toSecsSinceEpoch()));
    url.setQuery(query);
    QNetworkRequest request(url);
    request.setTransferTimeout(20000);
    return request;
}

namespace {
constexpr qint64 kLargestPage = 4 * 1024 * 1024;
} // namespace

bool TWebPortalWindowController::checkForUpdates() {
    if (UserDefaults::standardUserDefaults().integerForKey(kPreferenceKeyPortalLevel) == 0) return false;
    const QNetworkRequest request = requestWithMode(QStringLiteral("update"), QSize(500, 300));
    if (!request.url().isValid()) return false;
    return processRequest(request);
}

bool TWebPortalWindowController::processRequest(const QNetworkRequest& request) {
    m_reply = m_network->get(request);
    if (!m_reply) return false;
    connect(m_reply, &QNetworkReply::finished, this, &TWebPortalWindowController::connectionDidFinish);
    // A portal page is small: a reply growing past the limit is dropped rather than held in memory.
    QNetworkReply* reply = m_reply;
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > kLargestPage) reply->abort();
    });
    return true;
}

void TWebPortalWindowController::connectionDidFinish() {
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    if (!reply) return;
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError && status == 0) {
        Diagnostics::line(QStringLiteral("web portal failed to load with error: ") + reply->url().toString() +
                          QLatin1Char(' ') + reply->errorString());
        window()->close();
        return;
    }
    const QByteArray body = reply->readAll();
    const QString type = reply->header(QNetworkRequest::ContentTypeHeader).toString();
    const bool html = type.section(QLatin1Char(';'), 0, 0)
                          .trimmed()
                          .compare(QLatin1String("text/html"), Qt::CaseInsensitive) == 0;
    // A page cut short by a dropped connection is not shown either.
    if (reply->error() != QNetworkReply::NoError || status < 200 || status > 299 || !html ||
        body.trimmed().isEmpty() || body.size() > kLargestPage) {
        window()->close();
        return;
    }
    QString charset = QStringLiteral("UTF-8");
    for (const QString& part : type.split(QLatin1Char(';')))
        if (part.trimmed().startsWith(QLatin1String("charset="), Qt::CaseInsensitive))
            charset = part.trimmed().mid(8).remove(QLatin1Char('"'));
    QStringDecoder decoder(charset.toUtf8().constData());
    if (!decoder.isValid()) decoder = QStringDecoder(QStringDecoder::Utf8);
    m_portalView->document()->setBaseUrl(reply->url());
    m_portalView->setHtml(decoder(body));
    m_connectionFinishedLoading = true;
    beginModalSession();
}

void TWebPortalWindowController::beginModalSession() {
    window()->setWindowModality(Qt::ApplicationModal);
    showWindow();
    window()->activateWindow();
}

void TWebPortalWindowController::done() {
    UserDefaults::standardUserDefaults().setObjectForKey(Clock::shared().now(),
                                                         kPreferenceKeyPreviousPortalRequest);
    window()->close();
}

void TWebPortalWindowController::remindLater() {
    window()->close();
}

void TWebPortalWindowController::windowWillClose() {
    if (m_reply) m_reply->abort();
    NSManagedWindowController::windowWillClose();
    if (g_shared == this) g_shared = nullptr;
}
