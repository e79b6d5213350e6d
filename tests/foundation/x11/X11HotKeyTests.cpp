// Global hot keys on a real X server. The program starts an Xvfb of its own and runs under the xcb
// platform; without Xvfb it says so and exits with 77, which ctest reports as skipped.

#include "foundation/EventHandler.h"
#include "foundation/HotKeyTestSupport.h"
#include "platform/AutoreleasePool.h"
#include "platform/Diagnostics.h"

#include <QGuiApplication>
#include <QTest>
#include <X11/keysym.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

namespace {

// An Xvfb that picks a free display itself and reports it on a pipe once it accepts clients.
class Xvfb {
public:
    bool start() {
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) return false;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(pipeFds[0]);
            const std::string fd = std::to_string(pipeFds[1]);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0",
                     "640x480x24", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(pipeFds[1]);
        if (m_pid < 0) {
            ::close(pipeFds[0]);
            return false;
        }
        std::string number;
        pollfd reader{pipeFds[0], POLLIN, 0};
        char c = 0;
        while (::poll(&reader, 1, 15000) > 0 && ::read(pipeFds[0], &c, 1) == 1 && c != '\n') number += c;
        ::close(pipeFds[0]);
        if (number.empty()) {
            stop();
            return false;
        }
        m_display = ":" + number;
        return true;
    }
    void stop() {
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = 0;
    }
    const std::string& display() const { return m_display; }

private:
    pid_t m_pid = 0;
    std::string m_display;
};

// Another X client: it types through XTest and can hold keys of its own.
class OtherClient {
public:
    OtherClient()
        : m_connection(xcb_connect(nullptr, nullptr)), m_symbols(xcb_key_symbols_alloc(m_connection)) {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }
    ~OtherClient() {
        xcb_key_symbols_free(m_symbols);
        xcb_disconnect(m_connection);
    }
    xcb_keycode_t code(xcb_keysym_t keysym) {
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(m_symbols, keysym);
        const xcb_keycode_t first = codes ? codes[0] : 0;
        std::free(codes);
        return first;
    }
    void key(xcb_keysym_t keysym, bool press) {
        xcb_test_fake_input(m_connection, press ? XCB_KEY_PRESS : XCB_KEY_RELEASE, code(keysym),
                            XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    }
    // Presses the keys in order and releases them in reverse.
    void type(std::initializer_list<xcb_keysym_t> keys) {
        for (xcb_keysym_t k : keys) key(k, true);
        for (auto it = std::rbegin(keys); it != std::rend(keys); ++it) key(*it, false);
        sync();
    }
    bool grab(xcb_keysym_t keysym, quint16 modifiers) {
        xcb_generic_error_t* error = xcb_request_check(
            m_connection, xcb_grab_key_checked(m_connection, 1, m_root, modifiers, code(keysym),
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        std::free(error);
        return !error;
    }
    // The server's modifier state, locks included.
    quint16 state() {
        xcb_query_pointer_reply_t* reply =
            xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, m_root), nullptr);
        const quint16 mask = reply ? reply->mask : 0;
        std::free(reply);
        return mask;
    }
    void sync() {
        std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }

private:
    xcb_connection_t* m_connection;
    xcb_key_symbols_t* m_symbols;
    xcb_window_t m_root = 0;
};

constexpr quint32 kCtrlAlt = HotKeyModifiers::cmdKey | HotKeyModifiers::optionKey;

class X11HotKeyTest : public ::testing::Test {
protected:
    void SetUp() override { handler = Ref<TCountingHotKeys>::adopt(TCountingHotKeys::Create()); }
    // Waits for the expected count, then a little longer to see that no other press follows.
    int pressesAfter(int expected, int timeout = 5000) {
        (void)QTest::qWaitFor([&] { return handler->pressed.size() >= expected; }, timeout);
        QTest::qWait(300);
        return static_cast<int>(handler->pressed.size());
    }

    AutoreleasePool pool;
    OtherClient other;
    Ref<TCountingHotKeys> handler;
};

TEST_F(X11HotKeyTest, APressRunsTheHandlerOnceWhateverTheLockKeys) {
    ASSERT_EQ(handler->RegisterHotKey(Qt::Key_J, kCtrlAlt, 1), 0);

    other.type({XK_Control_L, XK_Alt_L, XK_j});
    EXPECT_EQ(pressesAfter(1), 1);
    EXPECT_EQ(handler->pressed.value(0), 1u);

    // Num Lock on: the grab of that variant catches the press.
    other.type({XK_Num_Lock});
    ASSERT_NE(other.state() & XCB_MOD_MASK_2, 0) << "Num Lock should be on";
    other.type({XK_Control_L, XK_Alt_L, XK_j});
    EXPECT_EQ(pressesAfter(2), 2);
    other.type({XK_Num_Lock});

    // The key without its modifiers, and the key once unregistered, do nothing.
    other.type({XK_j});
    handler->UnregisterHotKey(1);
    other.type({XK_Control_L, XK_Alt_L, XK_j});
    EXPECT_EQ(pressesAfter(3, 500), 2);
}

TEST_F(X11HotKeyTest, AKeyAnotherProgramHoldsIsRefused) {
    ASSERT_TRUE(other.grab(XK_k, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1));
    Diagnostics::Capture capture;
    EXPECT_EQ(handler->RegisterHotKey(Qt::Key_K, kCtrlAlt, 2), HotKeyStatus::eventHotKeyExistsErr);
    EXPECT_FALSE(handler->IsRegistered(2));
    EXPECT_EQ(capture.lines(), QStringList{"THotKeyHandler.RegisterHotKey: -9878"});
    // Another combination of the same key is free.
    EXPECT_EQ(handler->RegisterHotKey(Qt::Key_K, HotKeyModifiers::cmdKey | HotKeyModifiers::shiftKey, 2), 0);
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    Xvfb server;
    if (!server.start()) {
        std::printf("Xvfb is not installed or did not start: the X11 hot-key tests are skipped.\n");
        return 77;
    }
    qputenv("DISPLAY", QByteArray::fromStdString(server.display()));
    qputenv("QT_QPA_PLATFORM", "xcb");
    int result = 1;
    {
        QGuiApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    server.stop();
    return result;
}
