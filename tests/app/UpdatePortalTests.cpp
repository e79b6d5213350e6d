#include "app/UpdatePortal.h"
#include "model/Globals.h"
#include "model/Preferences.h"
#include "platform/Diagnostics.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "utilities/NetworkReachability.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QHash>
#include <QImage>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrlQuery>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Answers every request on the loopback with one canned reply and keeps the request lines.
class LoopbackServer : public QObject {
public:
    explicit LoopbackServer(QByteArray reply) : m_reply(std::move(reply)) {
        server.listen(QHostAddress::LocalHost);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* socket = server.nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                m_request += socket->readAll();
                if (!m_request.contains("\r\n\r\n")) return;
                const QByteArray line = m_request.left(m_request.indexOf("\r\n"));
                requests << QString::fromLatin1(line);
                m_request.clear();
                const QByteArray path = line.split(' ').value(1);
                socket->write(routes.value(path, m_reply));
                socket->disconnectFromHost();
            });
        });
    }
    QString address() const { return QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort()); }
    QTcpServer server;
    QStringList requests;
    QHash<QByteArray, QByteArray> routes; // replies by path; others get the canned one

private:
    QByteArray m_reply;
    QByteArray m_request;
};

QByteArray reply(const char* status, const char* type, const QByteArray& body) {
    return QByteArray("HTTP/1.1 ") + status + "\r\nContent-Type: " + type +
           "\r\nConnection: close\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

class UpdatePortalTest : public ::testing::Test {
protected:
    void SetUp() override {
        QCoreApplication::setApplicationName(QStringLiteral("Jobslate"));
        UserDefaults::setStandardUserDefaults(&defaults);
        NetworkReachability::setSource(&reachability);
        Workspace::setShared(&workspace);
        defaults.setIntegerForKey(5, kPreferenceKeyPortalLevel);
    }
    void TearDown() override {
        if (auto* open = TWebPortalWindowController::sharedController()) open->window()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Workspace::setShared(nullptr);
        NetworkReachability::setSource(nullptr);
        UserDefaults::setStandardUserDefaults(nullptr);
    }
    // Runs one check against the server; the controller while its window is open.
    TWebPortalWindowController* check(LoopbackServer& server) {
        defaults.setObjectForKey(server.address(), kPreferenceKeyPortalAddress);
        TWebPortalWindowController::showUpdatePortal();
        TWebPortalWindowController* controller = TWebPortalWindowController::sharedController();
        if (!controller) return nullptr;
        QPointer<TWebPortalWindowController> watched = controller;
        EXPECT_TRUE(QTest::qWaitFor([&] { return !watched || !watched->isRequestRunning(); }, 30000));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return watched;
    }

    ScopedManualScheduler scheduler;
    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath("defaults.plist")};
    NetworkReachability::ManualReachabilitySource reachability;
    RecordingWorkspace workspace;
    Diagnostics::Capture capture;
};

TEST_F(UpdatePortalTest, RequestCarriesTheQueryInOrder) {
    EXPECT_FALSE(TWebPortalWindowController::requestWithMode("update", QSize(500, 300)).url().isValid());
    defaults.setObjectForKey(QStringLiteral("https://portal.example.test/base/"),
                             kPreferenceKeyPortalAddress);
    QUrl url = TWebPortalWindowController::requestWithMode("update", QSize(500, 300)).url();
    EXPECT_EQ(url.toString(), "https://portal.example.test/base/portal/portal.php"
                              "?sender=jobslate&mode=update&size=500x300&appstore=0&level=5");
    defaults.setObjectForKey(QDateTime::fromSecsSinceEpoch(1767254400, Qt::UTC).addMSecs(700),
                             kPreferenceKeyPreviousPortalRequest);
    url = TWebPortalWindowController::requestWithMode("update", QSize(500, 300)).url();
    EXPECT_TRUE(url.toString().endsWith("&level=5&previousRequest=1767254400"));
}

TEST_F(UpdatePortalTest, OnlyASuccessfulHtmlReplyIsShown) {
    struct Case {
        const char* name;
        QByteArray reply;
        bool shown;
    };
    const Case cases[] = {
        {"200 html",
         reply("200 OK", "text/html; charset=utf-8", "<p>News: <a href=\"https://x.test/\">more</a></p>"),
         true},
        {"200 empty", reply("200 OK", "text/html", ""), false},
        {"500 html", reply("500 Internal Server Error", "text/html", "<p>broken</p>"), false},
        {"200 text", reply("200 OK", "text/plain", "plain"), false},
        {"200 cut short",
         "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\nContent-Length: 500\r\n\r\n"
         "<p>News, half of it",
         false},
        {"200 too large", reply("200 OK", "text/html", "<p>News</p>" + QByteArray(5 * 1024 * 1024, ' ')),
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackServer server(c.reply);
        TWebPortalWindowController* controller = check(server);
        ASSERT_EQ(server.requests.size(), 1);
        EXPECT_TRUE(server.requests[0].startsWith("GET /portal/portal.php?sender=jobslate&mode=update"));
        EXPECT_EQ(controller != nullptr, c.shown);
        if (!controller) continue;
        EXPECT_TRUE(controller->window()->isVisible());
        EXPECT_TRUE(controller->portalView()->toPlainText().contains("News"));
        // A clicked link goes to the browser and the page stays.
        emit controller->portalView()->anchorClicked(QUrl("https://x.test/"));
        ASSERT_EQ(workspace.requests.size(), 1);
        EXPECT_EQ(workspace.requests[0].arguments, QStringList{"https://x.test/"});
        // Links to local files or programs are not followed; relative ones are the server's pages.
        emit controller->portalView()->anchorClicked(QUrl("file:///usr/bin/xterm"));
        emit controller->portalView()->anchorClicked(QUrl("Downloads/run.desktop"));
        ASSERT_EQ(workspace.requests.size(), 2);
        EXPECT_EQ(workspace.requests[1].arguments,
                  QStringList{server.address() + "/portal/Downloads/run.desktop"});
        EXPECT_TRUE(controller->portalView()->toPlainText().contains("News"));
        // While it is open, no second check starts.
        TWebPortalWindowController::showUpdatePortal();
        EXPECT_EQ(TWebPortalWindowController::sharedController(), controller);
        controller->done();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(TWebPortalWindowController::sharedController(), nullptr);
        EXPECT_EQ(defaults.objectForKey(kPreferenceKeyPreviousPortalRequest).toDateTime(),
                  scheduler.scheduler.now());
    }
}

TEST_F(UpdatePortalTest, RefusedConnectionShowsNothing) {
    LoopbackServer server("");
    const QString address = server.address();
    server.server.close();
    defaults.setObjectForKey(address, kPreferenceKeyPortalAddress);
    TWebPortalWindowController::showUpdatePortal();
    QPointer<TWebPortalWindowController> controller = TWebPortalWindowController::sharedController();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !controller || !controller->isRequestRunning(); }, 30000));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(TWebPortalWindowController::sharedController(), nullptr);
    EXPECT_TRUE(capture.lines().join("\n").contains("web portal failed to load with error: "));
}

TEST_F(UpdatePortalTest, ChecksThatSendNothingBlockNothing) {
    LoopbackServer server(reply("200 OK", "text/html", "<p>News</p>"));
    defaults.setIntegerForKey(0, kPreferenceKeyPortalLevel);
    EXPECT_EQ(check(server), nullptr);
    defaults.setIntegerForKey(1, kPreferenceKeyPortalLevel);
    reachability.setFlags(0);
    EXPECT_EQ(check(server), nullptr);
    EXPECT_TRUE(server.requests.isEmpty());
    // The checks that sent nothing left nothing behind: the next one goes out.
    reachability.setFlags(NetworkReachability::kFlagReachable);
    EXPECT_NE(check(server), nullptr);
    EXPECT_EQ(server.requests.size(), 1);
}

TEST_F(UpdatePortalTest, ChecksRunThreeSecondsAfterLaunchAndEveryEightHours) {
    int owner = 0;
    TWebPortalWindowController::scheduleChecks(&owner);
    EXPECT_TRUE(scheduler.scheduler.isPending(&owner, "showUpdatePortal"));
    EXPECT_TRUE(scheduler.scheduler.isPending(&owner, "showUpdatePortalTimer"));
    defaults.setIntegerForKey(0, kPreferenceKeyPortalLevel);
    scheduler.scheduler.advance(3);
    EXPECT_FALSE(scheduler.scheduler.isPending(&owner, "showUpdatePortal"));
    EXPECT_EQ(TWebPortalWindowController::sharedController(), nullptr);
    scheduler.scheduler.cancelAll(&owner);
}

} // namespace

namespace {

QByteArray pngBytes(const QSize& size, const QColor& colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

TEST_F(UpdatePortalTest, AHostilePageIsShownWithoutLocalFilesAndWithItsNestingCapped) {
    // GIVEN a page of tables nested 300 deep (it would overflow the stack or take ages to lay out),
    // a local picture, a picture of another host and one of the portal's own
    const QString local = dir.filePath("local.png");
    {
        QFile file(local);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(pngBytes(QSize(5, 5), Qt::red));
    }
    LoopbackServer elsewhere(reply("200 OK", "image/png", pngBytes(QSize(7, 7), Qt::blue)));
    QByteArray page;
    for (int i = 0; i < 300; ++i) page += "<table><tr><td>";
    page += "News <img src=\"" + QUrl::fromLocalFile(local).toEncoded() + "\"> <img src=\"/dev/zero\">";
    page += " <img src=\"" + elsewhere.address().toUtf8() + "/other.png\"> <img src=\"/own.png\">";
    for (int i = 0; i < 300; ++i) page += "</td></tr></table>";
    LoopbackServer server(reply("200 OK", "text/html", page));
    server.routes.insert("/own.png", reply("200 OK", "image/png", pngBytes(QSize(9, 6), Qt::green)));

    // WHEN the portal shows it
    TWebPortalWindowController* controller = check(server);

    // THEN it is shown, its own picture comes from the portal, nothing else is read
    ASSERT_NE(controller, nullptr);
    EXPECT_TRUE(controller->portalView()->toPlainText().contains("News"));
    QTextDocument* document = controller->portalView()->document();
    const QUrl own(server.address() + "/own.png");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return document->resource(QTextDocument::ImageResource, own).value<QImage>().size() ==
                   QSize(9, 6);
        },
        30000));
    EXPECT_EQ(document->resource(QTextDocument::ImageResource, own).value<QImage>().size(), QSize(9, 6));
    EXPECT_NE(
        document->resource(QTextDocument::ImageResource, QUrl::fromLocalFile(local)).value<QImage>().size(),
        QSize(5, 5));
    EXPECT_TRUE(elsewhere.requests.isEmpty());
    // Nested tables beyond the limit are flattened.
    int deepest = 0;
    const std::function<void(QTextFrame*, int)> walk = [&](QTextFrame* frame, int tables) {
        if (qobject_cast<QTextTable*>(frame)) deepest = std::max(deepest, ++tables);
        for (QTextFrame* child : frame->childFrames()) walk(child, tables);
    };
    walk(document->rootFrame(), 0);
    EXPECT_GT(deepest, 0);
    EXPECT_LE(deepest, TWebPortalWindowController::kMaximumTableNesting);
}

TEST(UpdatePortalPage, NestingBeyondTheLimitLosesItsTagsButNotItsText) {
    QString html;
    for (int i = 0; i < 20; ++i) html += "<table><tr><td>";
    html += "deep";
    for (int i = 0; i < 20; ++i) html += "</td></tr></table>";
    html += "<div title='a > b'>after</div><!-- <table> -->";
    const QString page = TWebPortalWindowController::sanitisedPage(html);
    EXPECT_EQ(page.count("<table>"), TWebPortalWindowController::kMaximumTableNesting);
    EXPECT_EQ(page.count("</table>"), TWebPortalWindowController::kMaximumTableNesting);
    EXPECT_EQ(page.count("<td>"), TWebPortalWindowController::kMaximumTableNesting);
    EXPECT_TRUE(page.contains("deep"));
    EXPECT_TRUE(page.contains("<div title='a > b'>after</div>"));
    EXPECT_FALSE(page.contains("<!--"));
}

TEST(UpdatePortalPage, TablesWrittenAnyWayTheViewReadsThemStayWithinTheLimit) {
    const auto repeated = [](const QString& part, int times) { return part.repeated(times); };
    struct Case {
        const char* name;
        QString html;
    };
    const Case cases[] = {
        {"space after <", repeated("< table><tr><td>", 40)},
        {"quoted name", repeated("<\"table\"><tr><td>", 40)},
        {"entity in name", repeated("<t&#97;ble><tr><td>", 40)},
        {"capitals", repeated("<TaBlE\n><TR><TD>", 40)},
        {"stray cells", repeated("<td>", 40)},
        {"stray rows and cells", repeated("<tr><td>x</td></tr>", 40) + repeated("<div><th>", 40)},
        {"cells in tables of a dropped table", repeated("<table><tr><td>", 20) + repeated("<td><tr>", 40)},
    };
    for (const Case& c : cases) {
        const QString page = TWebPortalWindowController::sanitisedPage(c.html);
        QTextDocument document;
        document.setHtml(page);
        int deepest = 0;
        const std::function<void(QTextFrame*, int)> walk = [&](QTextFrame* frame, int tables) {
            if (qobject_cast<QTextTable*>(frame)) deepest = std::max(deepest, ++tables);
            for (QTextFrame* child : frame->childFrames()) walk(child, tables);
        };
        walk(document.rootFrame(), 0);
        EXPECT_LE(deepest, TWebPortalWindowController::kMaximumTableNesting) << c.name;
    }
    // A '<' that opens no tag is shown as written.
    QTextDocument document;
    document.setHtml(TWebPortalWindowController::sanitisedPage("1 < 2 and <\"b\">x"));
    EXPECT_EQ(document.toPlainText(), "1 < 2 and <\"b\">x");
}

} // namespace
