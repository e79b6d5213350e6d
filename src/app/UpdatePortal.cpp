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
#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QScrollBar>
#include <QStringDecoder>
#include <QTextBrowser>
#include <QUrlQuery>
#include <functional>

namespace {
QPointer<TWebPortalWindowController> g_shared;

// A browser whose every resource comes from the given source, never from a file of its own.
class PortalView : public QTextBrowser {
public:
    PortalView(std::function<QVariant(const QUrl&)> source, QWidget* parent)
        : QTextBrowser(parent), m_source(std::move(source)) {}
    QVariant loadResource(int, const QUrl& name) override { return m_source(name); }

private:
    std::function<QVariant(const QUrl&)> m_source;
};

} // namespace

TWebPortalWindowController::TWebPortalWindowController() {
    g_shared = this;
    QWidget* window = this->window();
    window->setWindowTitle(NSBundleName());
    window->resize(500, 340);
    window->setStyleSheet(QStringLiteral("background: white;"));
    // Every resource the page names comes through pageResource, so the view never reads a local file.
    m_portalView = new PortalView([this](const QUrl& url) { return pageResource(url); }, window);
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
    m_pageUrl = reply->url();
    m_page = sanitisedPage(decoder(body));
    showPage();
    m_connectionFinishedLoading = true;
    beginModalSession();
}

void TWebPortalWindowController::showPage() {
    QScrollBar* scroller = m_portalView->verticalScrollBar();
    const int scrolled = scroller->value();
    m_portalView->document()->setBaseUrl(m_pageUrl);
    m_portalView->setHtml(m_page);
    scroller->setValue(scrolled);
}

namespace {

bool sameOrigin(const QUrl& a, const QUrl& b) {
    const QString scheme = a.scheme().toLower();
    return (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
           scheme == b.scheme().toLower() && a.host().compare(b.host(), Qt::CaseInsensitive) == 0 &&
           a.port(scheme == QLatin1String("https") ? 443 : 80) ==
               b.port(scheme == QLatin1String("https") ? 443 : 80);
}

} // namespace

QVariant TWebPortalWindowController::pageResource(const QUrl& url) {
    // Always a picture, never a null one, so the view never falls back to reading the name as a file.
    const QUrl resolved = m_pageUrl.resolved(url).adjusted(QUrl::RemoveFragment);
    if (const auto found = m_images.constFind(resolved); found != m_images.cend()) return *found;
    if (sameOrigin(resolved, m_pageUrl) && !m_requestedImages.contains(resolved) &&
        m_requestedImages.size() < kMaximumImages) {
        m_requestedImages.insert(resolved);
        QNetworkRequest request(resolved);
        request.setTransferTimeout(20000);
        QNetworkReply* reply = m_network->get(request);
        connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
            if (received > kLargestImage) reply->abort();
        });
        connect(reply, &QNetworkReply::finished, this, [this, reply] { imageDidFinish(reply); });
    }
    static const QImage placeholder = [] {
        QImage image(1, 1, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        return image;
    }();
    return placeholder;
}

void TWebPortalWindowController::imageDidFinish(QNetworkReply* reply) {
    reply->deleteLater();
    const QUrl url = reply->request().url();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status < 200 || status > 299) return;
    QByteArray bytes = reply->read(kLargestImage + 1);
    if (bytes.size() > kLargestImage) return;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // An image larger than any window shows is not decoded.
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > 4096 || size.height() > 4096) return;
    const QImage image = reader.read();
    if (image.isNull()) return;
    m_images.insert(url, image);
    showPage();
}

QString TWebPortalWindowController::sanitisedPage(const QString& html) {
    static const QSet<QString> blocks = {
        QStringLiteral("div"),        QStringLiteral("ul"), QStringLiteral("ol"), QStringLiteral("dl"),
        QStringLiteral("blockquote"), QStringLiteral("li"), QStringLiteral("dd")};
    // Where each table part may stand; elsewhere the view makes a table for it.
    static const QHash<QString, QStringList> tableParts = {
        {QStringLiteral("tr"), {"table", "thead", "tbody", "tfoot", ""}},
        {QStringLiteral("td"), {"tr"}},
        {QStringLiteral("th"), {"tr"}},
        {QStringLiteral("thead"), {"table", ""}},
        {QStringLiteral("tbody"), {"table", ""}},
        {QStringLiteral("tfoot"), {"table", ""}},
        {QStringLiteral("caption"), {"table", ""}}};
    const auto isNameStart = [](QChar c) { return c.isLetter() && c.unicode() < 128; };
    QString out;
    out.reserve(html.size());
    int nested = 0;
    QStringList open;            // table elements open; "" for a table made for a stray part
    QHash<QString, int> dropped; // opening tags left out, by name, whose closing tags go too
    const auto tableLevels = [&open] { return open.count(QStringLiteral("table")) + open.count(QString()); };
    qsizetype i = 0;
    while (i < html.size()) {
        const qsizetype start = html.indexOf(QLatin1Char('<'), i);
        if (start < 0) {
            out += QStringView(html).mid(i);
            break;
        }
        out += QStringView(html).mid(i, start - i);
        if (html.mid(start, 4) == QLatin1String("<!--")) {
            const qsizetype end = html.indexOf(QLatin1String("-->"), start + 4);
            i = end < 0 ? html.size() : end + 3;
            continue;
        }
        const bool closing = start + 1 < html.size() && html[start + 1] == QLatin1Char('/');
        const qsizetype nameStart = start + (closing ? 2 : 1);
        const bool declaration = !closing && nameStart < html.size() && html[nameStart] == QLatin1Char('!');
        qsizetype nameEnd = nameStart;
        while (nameEnd < html.size() && html[nameEnd].unicode() < 128 && html[nameEnd].isLetterOrNumber())
            ++nameEnd;
        // Only a plain name, ended plainly, makes a tag; any other '<' is text (the view reads
        // names more leniently than this would).
        const bool plainName = nameStart < html.size() && isNameStart(html[nameStart]) &&
                               (nameEnd == html.size() || html[nameEnd].isSpace() ||
                                html[nameEnd] == QLatin1Char('/') || html[nameEnd] == QLatin1Char('>'));
        if (!declaration && !plainName) {
            out += QLatin1String("&lt;");
            i = start + 1;
            continue;
        }
        // The tag's end, past quoted attribute values.
        qsizetype end = nameEnd;
        QChar quote;
        for (; end < html.size(); ++end) {
            const QChar c = html[end];
            if (!quote.isNull()) {
                if (c == quote) quote = QChar();
            } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
                quote = c;
            } else if (c == QLatin1Char('>')) {
                break;
            }
        }
        const QStringView tag = QStringView(html).mid(start, std::min(end + 1, html.size()) - start);
        i = end + 1;
        if (declaration) continue;
        const QString name = html.mid(nameStart, nameEnd - nameStart).toLower();
        const bool isTable = name == QLatin1String("table");
        const bool isPart = tableParts.contains(name);
        // The rows and cells of a table left out go with it; their content stays.
        if (isPart && dropped.value(QStringLiteral("table")) > 0) continue;
        if (closing) {
            if (dropped.value(name) > 0) {
                --dropped[name];
                continue;
            }
            if (isTable || isPart) {
                const qsizetype at = open.lastIndexOf(name);
                if (at >= 0) open.resize(at);
            } else if (blocks.contains(name) && nested > 0) {
                --nested;
            }
            out += tag;
            continue;
        }
        if (isTable || isPart) {
            qsizetype parent = -1;
            if (isPart)
                for (qsizetype k = open.size() - 1; k >= 0 && parent < 0; --k)
                    if (tableParts[name].contains(open[k])) parent = k;
            const bool newTable = isTable || parent < 0;
            if (newTable && tableLevels() >= kMaximumTableNesting) {
                ++dropped[name];
                continue;
            }
            if (parent >= 0)
                open.resize(parent + 1);
            else if (isPart)
                open.append(QString());
            open.append(name);
        } else if (blocks.contains(name)) {
            if (nested >= kMaximumBlockNesting) {
                ++dropped[name];
                continue;
            }
            ++nested;
        }
        out += tag;
    }
    return out;
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
