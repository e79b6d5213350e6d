#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a call on the main thread (through a pipe the handler writes
// one byte to), so stopping the program ends it through its normal quit. A second signal of the
// same kind ends it at once, as when the loop no longer runs. One per process.
class SignalQuit : public QObject {
    Q_OBJECT
public:
    explicit SignalQuit(std::function<void(int signal)> handler, QObject* parent = nullptr);
    ~SignalQuit() override;
    bool isInstalled() const { return m_notifier != nullptr; }

private:
    void readSignal();
    std::function<void(int)> m_handler;
    QSocketNotifier* m_notifier = nullptr;
};
