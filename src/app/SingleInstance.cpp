#include "SingleInstance.h"

#include <QDataStream>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <unistd.h>

namespace {
constexpr char kAck = '\x06';
}

SingleInstance::SingleInstance(const QString& name, QObject* parent) : QObject(parent), m_name(name) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::socketName(const QString& scheme) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return runtime + QLatin1Char('/') + scheme + QStringLiteral(".instance");
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
    // A socket nobody answers on was left by an instance that ended without removing it.
    QLocalSocket probe;
    probe.connectToServer(m_name);
    if (probe.waitForConnected(1000)) {
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
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            QDataStream in(socket);
            in.startTransaction();
            QByteArray message;
            in >> message;
            if (!in.commitTransaction()) return;
            QStringList arguments;
            QDataStream reader(message);
            reader >> arguments;
            socket->putChar(kAck);
            socket->flush();
            emit argumentsReceived(arguments);
        });
    }
}
