#include "foundation/EventHandler.h"
#include "foundation/HotKeyTestSupport.h"
#include "foundation/Responder.h"
#include "platform/Diagnostics.h"
#include "platform/NotificationCenter.h"

#include <QCoreApplication>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

using namespace EventHandlerUnit;

class HotKeyHandlerTest : public ::testing::Test {
protected:
    void SetUp() override { HotKeyBackend::setShared(&backend); }
    void TearDown() override { HotKeyBackend::setShared(nullptr); }

    static constexpr quint32 kCtrlAlt = HotKeyModifiers::cmdKey | HotKeyModifiers::optionKey;
    RecordingHotKeyBackend backend;
};

TEST_F(HotKeyHandlerTest, APressRunsTheHandlerOnceAndPostsTheNotice) {
    QVariantMap posted;
    int posts = 0;
    NotificationCenter::defaultCenter().addObserver(this, THotKeyHandler::kHotKeyPressedNotification, nullptr,
                                                    [&](const Notification& n) {
                                                        posted = n.userInfo;
                                                        ++posts;
                                                    });
    Ref<TCountingHotKeys> handler = Ref<TCountingHotKeys>::adopt(TCountingHotKeys::Create());
    ASSERT_TRUE(handler->IsInstalled());
    ASSERT_EQ(handler->RegisterHotKey(Qt::Key_J, kCtrlAlt, 1), 0);
    ASSERT_TRUE(handler->IsRegistered(1));
    ASSERT_EQ(backend.registrations().size(), 1);
    EXPECT_EQ(backend.registrations().first().id, (EventHotKeyID{kHotKeySignature, 1}));

    ASSERT_TRUE(backend.press(Qt::Key_J, kCtrlAlt));
    QCoreApplication::processEvents();
    NotificationCenter::defaultCenter().removeObserver(this);

    EXPECT_EQ(handler->pressed, QList<quint32>{1});
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(posted.value("id").toInt(), 1);
    EXPECT_EQ(posted.value("notification").toString(), "THotKeyHandler.hotKeyPressed");
    EXPECT_EQ(posted.value("com.brasswick.TResponder.notificationKey").toString(), "TNotification");
}

TEST_F(HotKeyHandlerTest, NumbersAreCheckedAndRegisteringAgainReplacesTheKey) {
    Diagnostics::Capture capture;
    Ref<TCountingHotKeys> handler = Ref<TCountingHotKeys>::adopt(TCountingHotKeys::Create());
    EXPECT_EQ(handler->RegisterHotKey(Qt::Key_J, kCtrlAlt, 33), -50);
    EXPECT_FALSE(handler->IsRegistered(33));

    ASSERT_EQ(handler->RegisterHotKey(Qt::Key_J, kCtrlAlt, 1), 0);
    ASSERT_EQ(handler->RegisterHotKey(Qt::Key_K, kCtrlAlt, 1), 0);
    ASSERT_EQ(backend.registrations().size(), 1);
    EXPECT_EQ(backend.registrations().first().keyCode, quint32(Qt::Key_K));

    // A key that is taken fails the new registration and the old key stays.
    ASSERT_EQ(handler->RegisterHotKey(Qt::Key_L, kCtrlAlt, 2), 0);
    EXPECT_EQ(handler->RegisterHotKey(Qt::Key_K, kCtrlAlt, 2), HotKeyStatus::eventHotKeyExistsErr);
    EXPECT_TRUE(handler->IsRegistered(2));
    EXPECT_TRUE(backend.press(Qt::Key_L, kCtrlAlt));
    QCoreApplication::processEvents();
    EXPECT_EQ(handler->pressed, QList<quint32>{2});

    handler->UnregisterHotKey(1);
    EXPECT_FALSE(handler->IsRegistered(1));
    EXPECT_EQ(capture.lines(),
              (QStringList{"THotKeyHandler.RegisterHotKey: -50", "THotKeyHandler.RegisterHotKey: -9878"}));

    // Its keys go with the handler.
    handler = Ref<TCountingHotKeys>();
    EXPECT_TRUE(backend.registrations().isEmpty());
}

TEST_F(HotKeyHandlerTest, EventsItDoesNotHandleGoOnUnhandled) {
    Ref<TCountingHotKeys> handler = Ref<TCountingHotKeys>::adopt(TCountingHotKeys::Create());
    EXPECT_EQ(handler->HandleAllEvents(HotKeyEventRecord({FourCharCode("othr"), 1})), eventNotHandledErr);
    EXPECT_TRUE(handler->pressed.isEmpty());
    EXPECT_EQ(handler->HandleAllEvents(HotKeyEventRecord({kHotKeySignature, 4})), 0);

    // The last event stays readable; other types and names are refused.
    EventHotKeyID id;
    EXPECT_EQ(handler->GetParameter(kEventParamDirectObject, typeEventHotKeyID, sizeof id, &id), 0);
    EXPECT_EQ(id.id, 4u);
    EXPECT_EQ(handler->GetParameter(kEventParamDirectObject, typeUInt32, sizeof id, &id), errAECoercionFail);
    EXPECT_EQ(handler->GetParameter(kEventParamKeyCode, typeUInt32, sizeof id, &id),
              eventParameterNotFoundErr);
    EXPECT_EQ(handler->InheritEventHandler(), paramErr);
}

TEST(HotKeys, WithoutAnX11DisplayNothingIsRegisteredAndOneLineSaysSo) {
    NoHotKeyBackend none;
    HotKeyBackend::setShared(&none);
    Diagnostics::Capture capture;
    Ref<THotKeyHandler> handler = Ref<THotKeyHandler>::adopt(THotKeyHandler::Create());
    EXPECT_EQ(handler->RegisterHotKey(Qt::Key_J, HotKeyModifiers::cmdKey, 1), HotKeyStatus::unimpErr);
    EXPECT_EQ(handler->RegisterHotKey(Qt::Key_K, HotKeyModifiers::cmdKey, 1), HotKeyStatus::unimpErr);
    EXPECT_FALSE(handler->IsRegistered(1));
    HotKeyBackend::setShared(nullptr);
    EXPECT_EQ(
        capture.lines(),
        (QStringList{"Warning: global hot keys need an X11 display (platform \"offscreen\"); no hot key is "
                     "registered.",
                     "THotKeyHandler.RegisterHotKey: -4", "THotKeyHandler.RegisterHotKey: -4"}));
}

// Records raw events on a window; handles key presses unless told to pass them on.
class TRecordingInput : public TMouseHandler {
    T_OBJECT(TRecordingInput, TMouseHandler)
    T_EVENT_HANDLER(TRecordingInput)
public:
    QStringList seen;
    void EventMouseDown(quint16 button, quint32 clicks, QPointF where, qint32&) override {
        seen << QStringLiteral("down %1 %2 %3,%4").arg(button).arg(clicks).arg(where.x()).arg(where.y());
    }
    void EventMouseUp(quint16 button, quint32, QPointF, qint32&) override {
        seen << QStringLiteral("up %1").arg(button);
    }
    void EventMouseWheelMoved(QPointF, qint32 delta, quint16 axis, qint32&) override {
        seen << QStringLiteral("wheel %1 axis %2").arg(delta).arg(axis);
    }

protected:
    TRecordingInput() = default;
};

class TRecordingKeys : public TKeyboardHandler {
    T_OBJECT(TRecordingKeys, TKeyboardHandler)
    T_EVENT_HANDLER(TRecordingKeys)
public:
    QStringList seen;
    bool passOn = false;
    void EventRawKeyDown(quint32 key, quint16 character, quint32 modifiers, qint32& result) override {
        seen << QStringLiteral("down %1 %2 %3").arg(key, 0, 16).arg(QChar(character)).arg(modifiers, 0, 16);
        if (passOn)
            InheritEventHandler();
        else
            result = 0;
    }
    void EventRawKeyUp(quint32 key, quint16, quint32, qint32&) override {
        seen << QStringLiteral("up %1").arg(key, 0, 16);
    }
    void EventRawKeyModifiersChanged(quint32 modifiers, qint32&) override {
        seen << QStringLiteral("modifiers %1").arg(modifiers, 0, 16);
    }

protected:
    TRecordingKeys() = default;
};

class KeyWindow : public QWindow {
public:
    int presses = 0;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() != Qt::Key_Shift) ++presses;
    }
};

TEST(EventHandler, MouseAndKeyEventsOfAWindowReachTheHooks) {
    KeyWindow window;
    window.resize(100, 100);
    window.show();
    Ref<TRecordingInput> mouse = Ref<TRecordingInput>::adopt(TRecordingInput::Create(&window));
    Ref<TRecordingKeys> keys = Ref<TRecordingKeys>::adopt(TRecordingKeys::Create(&window));

    QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(5, 7));
    QWheelEvent wheel(QPointF(1, 1), QPointF(1, 1), {}, QPoint(0, -240), Qt::NoButton, {}, Qt::NoScrollPhase,
                      false);
    QCoreApplication::sendEvent(&window, &wheel);
    EXPECT_EQ(mouse->seen, (QStringList{"down 1 1 5,7", "up 1", "wheel -2 axis 1"}));

    // Handled presses stop at the handler; passed-on ones reach the window.
    QTest::keyClick(&window, Qt::Key_A, Qt::ShiftModifier);
    EXPECT_EQ(window.presses, 0);
    keys->passOn = true;
    QTest::keyClick(&window, Qt::Key_B);
    EXPECT_EQ(window.presses, 1);
    QTest::keyPress(&window, Qt::Key_Control);
    EXPECT_EQ(keys->seen, (QStringList{"modifiers 200", "down 41 a 200", "up 41", "modifiers 0",
                                       "down 42 b 0", "up 42", "modifiers 100"}))
        << keys->seen.join(" | ").toStdString();
}

} // namespace
