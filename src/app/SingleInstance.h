#pragma once

#include <QObject>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

// One running instance per edition and user. The first start listens on a local socket named after
// the edition in the user's runtime folder; a later start hands its arguments to it and ends. Main
// thread only; emits argumentsReceived for every start that forwarded to this one, from the event loop
// after its connection was answered.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // name: the socket's name (an absolute path or a plain name).
    explicit SingleInstance(const QString& name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The socket of the running edition: $XDG_RUNTIME_DIR/<scheme>.instance, else a name with the
    // user's id in the temporary folder.
    static QString socketName(const QString& scheme);

    // Hands the arguments to a running instance; true when it took them (it answers once it has).
    bool forward(const QStringList& arguments, int timeoutMs = 5000);
    // Listens as the running instance; a socket left by an instance that died is replaced. False
    // (with the reason in error) when the socket can't be made.
    bool listen(QString* error = nullptr);
    // After a failed listen: an instance holds the socket (it may be too busy to answer).
    bool anotherInstanceRunning() const { return m_anotherRunning; }

signals:
    void argumentsReceived(const QStringList& arguments);

private:
    void accept();
    // Reads a forwarded message once it is whole, answers and closes.
    void serve(QLocalSocket* socket);
    QString m_name;
    QLocalServer* m_server = nullptr;
    bool m_anotherRunning = false;
};
