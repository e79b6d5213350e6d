#include "SingleInstance.h"

#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QtEndian>
#include <optional>
#include <unistd.h>

namespace {

constexpr char kAck = '\x06';
// Far beyond any command line; a larger message is not read.
constexpr quint32 kMaxMessage = 16 * 1024 * 1024;

// The forwarded list, read without trusting its counts; nothing when the message is malformed.
std::optional<QStringList> readArguments(const QByteArray& message) {
    QDataStream reader(message);
    quint32 count = 0;
    reader >> count;
    // Each string takes at least its four-byte length.
    if (reader.status() != QDataStream::Ok || count > quint32(message.size() / 4)) return std::nullopt;
    QStringList arguments;
    for (quint32 i = 0; i < count; ++i) {
        QString argument;
        reader >> argument;
        if (reader.status() != QDataStream::Ok) return std::nullopt;
        arguments.append(argument);
    }
    return arguments;
}

} // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent) : QObject(parent), m_name(name) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::socketName(const QString& scheme) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return runtime + QLatin1Char('/') + scheme + QStringLiteral(".instance");
    // Qt's private runtime folder of this user (made 0700 and checked to be the user's own), never a
    // name in the shared temporary folder that another user could take first.
    const QString fallback = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!fallback.isEmpty() && QDir().mkpath(fallback))
        return fallback + QLatin1Char('/') + scheme + QStringLiteral(".instance");
    return QStringLiteral("%1-%2.instance").arg(scheme).arg(getuid());
}

bool SingleInstance::forward(const QStringList& arguments, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(timeoutMs)) return false;
    QByteArray message;
    QDataStream writer(&message, QIODevice::WriteOnly);
    writer << arguments;
    QDataStream out(&socket);
    out << message;
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    // The answer tells that the running instance read the whole message.
    while (socket.bytesAvailable() < 1)
        if (!socket.waitForReadyRead(timeoutMs)) return false;
    char answer = 0;
    return socket.getChar(&answer) && answer == kAck;
}

bool SingleInstance::listen(QString* error) {
    if (!m_server) {
        m_server = new QLocalServer(this);
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::accept);
    }
    // Two starts at once take turns, so the later one finds the earlier one's socket rather than
    // replacing it.
    const QString socketPath = QFileInfo(m_name).isAbsolute() ? m_name : QDir::temp().filePath(m_name);
    QLockFile lock(socketPath + QStringLiteral(".lock"));
    if (!lock.tryLock(10000)) {
        if (error) *error = QStringLiteral("the instance lock %1 can't be taken").arg(lock.fileName());
        return false;
    }
    // A socket nobody answers on was left by an instance that ended without removing it.
    QLocalSocket probe;
    probe.connectToServer(m_name);
    if (probe.waitForConnected(1000)) {
        m_anotherRunning = true;
        if (error) *error = QStringLiteral("another instance is running");
        return false;
    }
    QLocalServer::removeServer(m_name);
    if (m_server->listen(m_name)) return true;
    if (error) *error = m_server->errorString();
    return false;
}

void SingleInstance::accept() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { serve(socket); });
    }
}

void SingleInstance::serve(QLocalSocket* socket) {
    if (socket->bytesAvailable() >= 4) {
        const quint32 size = qFromBigEndian<quint32>(socket->peek(4).constData());
        if (size != 0xffffffff && size > kMaxMessage) {
            socket->abort();
            return;
        }
    }
    QDataStream in(socket);
    in.startTransaction();
    QByteArray message;
    in >> message;
    if (!in.commitTransaction()) return;
    const std::optional<QStringList> arguments = readArguments(message);
    if (!arguments) {
        socket->abort();
        return;
    }
    // One message per connection: answer and let the socket go.
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    socket->putChar(kAck);
    socket->disconnectFromServer();
    // Handled once the socket's own signal has returned: a question opens an event loop, in which the
    // socket ends and is deleted.
    QMetaObject::invokeMethod(
        this, [this, arguments = *arguments] { emit argumentsReceived(arguments); }, Qt::QueuedConnection);
}
