#include "SignalQuit.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int s_fds[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

void writeSignal(int signal) {
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(s_fds[0], &byte, 1);
}

} // namespace

SignalQuit::SignalQuit(std::function<void(int)> handler, QObject* parent)
    : QObject(parent), m_handler(std::move(handler)) {
    if (s_fds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, s_fds) != 0) return;
    ::fcntl(s_fds[0], F_SETFL, O_NONBLOCK);
    m_notifier = new QSocketNotifier(s_fds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalQuit::readSignal);
    struct sigaction action = {};
    action.sa_handler = writeSignal;
    sigemptyset(&action.sa_mask);
    // A second signal of a kind takes its default action: it ends a program whose loop is stuck.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int signal : kSignals) ::sigaction(signal, &action, nullptr);
}

SignalQuit::~SignalQuit() {
    if (!m_notifier) return;
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    for (int signal : kSignals) ::sigaction(signal, &action, nullptr);
    ::close(s_fds[0]);
    ::close(s_fds[1]);
    s_fds[0] = s_fds[1] = -1;
}

void SignalQuit::readSignal() {
    unsigned char byte = 0;
    if (::read(s_fds[1], &byte, 1) == 1 && m_handler) m_handler(byte);
}
