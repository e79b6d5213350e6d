#include "SignalQuit.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int s_fds[2] = {-1, -1};
volatile std::sig_atomic_t s_signalled = 0;
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr unsigned kWatchdogSeconds = 5;

void writeSignal(int signal) {
    const int savedErrno = errno;
    // A program whose loop is stuck, or whose save never ends, ends by SIGALRM's default action.
    if (!s_signalled) {
        s_signalled = 1;
        ::alarm(kWatchdogSeconds);
    }
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(s_fds[0], &byte, 1);
    errno = savedErrno;
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
    // A second signal while the first one's save runs does not cut that save short.
    action.sa_flags = SA_RESTART;
    for (int signal : kSignals) ::sigaction(signal, &action, nullptr);
    std::signal(SIGALRM, SIG_DFL);
}

SignalQuit::~SignalQuit() {
    if (!m_notifier) return;
    // The program ended in time: the watchdog of a signal has nothing left to end.
    ::alarm(0);
    s_signalled = 0;
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
