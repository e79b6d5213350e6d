#pragma once

#include "CarbonUtilities.h"
#include "Object.h"
#include "platform/hotkeys/HotKeyBackend.h"

#include <QHash>
#include <QPointF>
#include <QSet>

class QEvent;
class QObject;

// Event handlers over Qt's event machinery. A handler watches one target object (the application by
// default) through an event filter and routes the events of the classes and kinds it asked for to
// HandleEvent, as an EventRecord of typed parameters:
//   'keyb' 1 raw key down, 2 repeat, 3 up, 4 modifiers changed, 5 hot key pressed;
//   'mous' 1 down, 2 up, 5 moved, 6 dragged, 10 wheel moved;
//   'appl' 7 front switched (this program became active).
// On the application, key and mouse events count once, as their window receives them. A handler
// that leaves the result at eventNotHandledErr lets the event go on to the target; any other result
// stops it. Key codes are Qt::Key values and modifiers the Carbon mask of HotKeyBackend.h.
// Main thread only. Diagnostics: Diagnostics::line.

using EventTargetRef = QObject*;

// An event as a handler sees it.
struct EventRecord {
    struct Parameter {
        quint32 type = 0;
        QByteArray bytes;
    };
    quint32 eventClass = 0;
    quint32 eventKind = 0;
    QHash<quint32, Parameter> parameters;
};
using EventRef = EventRecord*;

// One delivery: whether the handler passed the event on.
struct EventHandlerCall {
    bool passedOn = false;
};
using EventHandlerCallRef = EventHandlerCall*;

namespace EventHandlerUnit {
enum : quint32 {
    kEventClassKeyboard = FourCharCode("keyb"),
    kEventClassMouse = FourCharCode("mous"),
    kEventClassApplication = FourCharCode("appl"),

    kEventRawKeyDown = 1,
    kEventRawKeyRepeat = 2,
    kEventRawKeyUp = 3,
    kEventRawKeyModifiersChanged = 4,
    kEventHotKeyPressed = 5,
    kEventMouseDown = 1,
    kEventMouseUp = 2,
    kEventMouseMoved = 5,
    kEventMouseDragged = 6,
    kEventMouseWheelMoved = 10,
    kEventAppLaunched = 5,
    kEventAppTerminated = 6,
    kEventAppFrontSwitched = 7,

    // Parameter names and types.
    kEventParamDirectObject = FourCharCode("----"),
    kEventParamKeyCode = FourCharCode("kcod"),
    kEventParamKeyModifiers = FourCharCode("kmod"),
    kEventParamKeyUnicodes = FourCharCode("kuni"),
    kEventParamMouseButton = FourCharCode("mbtn"),
    kEventParamWindowMouseLocation = FourCharCode("wmou"),
    kEventParamClickCount = FourCharCode("ccnt"),
    kEventParamMouseWheelAxis = FourCharCode("mwax"),
    kEventParamMouseWheelDelta = FourCharCode("mwdl"),
    kEventParamProcessID = FourCharCode("psn "),
    typeEventHotKeyID = FourCharCode("hkid"),
    typeUInt32 = FourCharCode("magn"),
    typeUInt16 = FourCharCode("ushr"),
    typeSInt32 = FourCharCode("long"),
    typeUnicodeText = FourCharCode("utxt"),
    typeMouseButton = FourCharCode("mbtn"),
    typeHIPoint = FourCharCode("hipt"),
    typeMouseWheelAxis = FourCharCode("mwax"),
    typeProcessSerialNumber = FourCharCode("psn "),
    typeWildCard = FourCharCode("****"),

    kHotKeySignature = FourCharCode("thtk"),
};

// Statuses.
enum : qint32 {
    eventNotHandledErr = -9874,
    eventParameterNotFoundErr = -9870,
    errAECoercionFail = -1700,
    paramErr = -50,
};

// Mouse wheel axes.
enum : quint16 { kEventMouseWheelAxisX = 0, kEventMouseWheelAxisY = 1 };

// A hot-key press as the platform reports it, for handlers made without the event loop.
EventRecord HotKeyEventRecord(EventHotKeyID id);
} // namespace EventHandlerUnit

// Installs itself on its target when initialised and routes the events it asked for to HandleEvent.
// Made by a subclass's Create() (on the application) or Create(target).
class TEventHandler : public TObject {
    T_OBJECT_ABSTRACT(TEventHandler, TObject)
public:
    void Initialize() override;

    void AppendEvent(quint32 eventClass, quint32 eventKind);
    bool IsInstalled() const { return m_handler != nullptr; }
    EventTargetRef GetTarget() const { return m_target; }

    // The parameters of the event being handled (the last one once handled). GetParameter copies at
    // most size bytes; both answer 0, eventParameterNotFoundErr, errAECoercionFail (another type), or
    // paramErr before any event.
    qint32 GetParameter(quint32 name, quint32 type, quint64 size, void* buffer) const;
    qint32 SetParameter(quint32 name, quint32 type, quint64 size, const void* data);
    // Lets the event go on to the target once this handler returns; 0, or paramErr outside a delivery.
    qint32 InheritEventHandler();

    // Handles one event; result starts as eventNotHandledErr.
    virtual void HandleEvent(EventRef event, quint32 eventClass, quint32 eventKind, qint32& result) = 0;

    // Runs one delivery as the platform would; returns the result.
    qint32 HandleAllEvents(EventRecord event);

protected:
    TEventHandler() = default;
    void Deallocate() override;
    void SetTarget(EventTargetRef target) {
        m_target = target;
        m_targetSet = true;
    }

private:
    friend class EventHandlerInstallation;
    qint32 Deliver(EventRecord event, bool* passedOn);

    EventHandlerCallRef m_callRef = nullptr;
    EventRef m_event = nullptr;
    EventTargetRef m_target = nullptr;
    QObject* m_handler = nullptr; // the installed filter; null when installation failed
    bool m_targetSet = false;
    bool m_delivering = false;
    EventRecord m_lastEvent;
    EventHandlerCall m_lastCall;
    QSet<quint64> m_events; // class << 32 | kind
};

// The constructors every concrete handler offers; a subclass of one repeats the line for its own class.
#define T_EVENT_HANDLER(Class)                                                                               \
public:                                                                                                      \
    static Class* Create(EventTargetRef target) {                                                            \
        Class* handler = Allocate();                                                                         \
        handler->SetTarget(target);                                                                          \
        handler->Initialize();                                                                               \
        return handler;                                                                                      \
    }                                                                                                        \
    static Class* CreateWithApplication() {                                                                  \
        return Create();                                                                                     \
    }                                                                                                        \
                                                                                                             \
private:

// Global hot keys numbered 0 to 32, registered with the platform's hot-key backend for the handler's
// target. A press posts "THotKeyHandler.hotKeyPressed" (user info "id") through TResponder and calls
// EventHotKeyPressed. Registering a number again replaces its key; releasing the handler unregisters
// its keys.
class THotKeyHandler : public TEventHandler {
    T_OBJECT(THotKeyHandler, TEventHandler)
    T_EVENT_HANDLER(THotKeyHandler)
public:
    static constexpr quint32 kHotKeyCount = 33;
    static inline const QString kHotKeyPressedNotification = QStringLiteral("THotKeyHandler.hotKeyPressed");

    void Initialize() override;
    void HandleEvent(EventRef event, quint32 eventClass, quint32 eventKind, qint32& result) override;

    // 0 when registered, paramErr for a number out of range, else the backend's status (with a line).
    qint32 RegisterHotKey(quint32 keyCode, quint32 modifiers, quint32 number);
    void UnregisterHotKey(quint32 number);
    bool IsRegistered(quint32 number) const { return number < kHotKeyCount && m_slots[number].ref != 0; }

    virtual void EventHotKeyPressed(EventHotKeyID /*hotKey*/, qint32& /*result*/) {}

protected:
    THotKeyHandler() = default;
    void Deallocate() override;

private:
    struct Slot {
        EventHotKeyRef ref = 0;
        quint32 keyCode = 0;
        quint32 modifiers = 0;
    };
    Slot m_slots[kHotKeyCount];
};

class TMouseHandler : public TEventHandler {
    T_OBJECT(TMouseHandler, TEventHandler)
    T_EVENT_HANDLER(TMouseHandler)
public:
    void Initialize() override;
    void HandleEvent(EventRef event, quint32 eventClass, quint32 eventKind, qint32& result) override;

    // Buttons: 1 primary, 2 secondary, 3 middle. Locations in window coordinates.
    virtual void EventMouseUp(quint16 /*button*/, quint32 /*clickCount*/, QPointF /*where*/,
                              qint32& /*result*/) {}
    virtual void EventMouseDown(quint16 /*button*/, quint32 /*clickCount*/, QPointF /*where*/,
                                qint32& /*result*/) {}
    virtual void EventMouseDragged(QPointF /*where*/, qint32& /*result*/) {}
    virtual void EventMouseMoved(QPointF /*where*/, qint32& /*result*/) {}
    // Delta in wheel steps, positive away from the user; axis kEventMouseWheelAxisX or Y.
    virtual void EventMouseWheelMoved(QPointF /*where*/, qint32 /*delta*/, quint16 /*axis*/,
                                      qint32& /*result*/) {}

protected:
    TMouseHandler() = default;
};

class TKeyboardHandler : public TEventHandler {
    T_OBJECT(TKeyboardHandler, TEventHandler)
    T_EVENT_HANDLER(TKeyboardHandler)
public:
    void Initialize() override;
    void HandleEvent(EventRef event, quint32 eventClass, quint32 eventKind, qint32& result) override;

    // Character: the first UTF-16 unit the key types (0 for none).
    virtual void EventRawKeyDown(quint32 /*keyCode*/, quint16 /*character*/, quint32 /*modifiers*/,
                                 qint32& /*result*/) {}
    virtual void EventRawKeyRepeat(quint32 /*keyCode*/, quint16 /*character*/, quint32 /*modifiers*/,
                                   qint32& /*result*/) {}
    virtual void EventRawKeyUp(quint32 /*keyCode*/, quint16 /*character*/, quint32 /*modifiers*/,
                               qint32& /*result*/) {}
    virtual void EventRawKeyModifiersChanged(quint32 /*modifiers*/, qint32& /*result*/) {}

protected:
    TKeyboardHandler() = default;
};

// Process events. Linux announces no other program's launch or end to a program, so only "front
// switched" arrives on its own, when this program becomes active; the other kinds are handled when
// delivered through HandleAllEvents.
class TApplicationProcessHandler : public TEventHandler {
    T_OBJECT(TApplicationProcessHandler, TEventHandler)
    T_EVENT_HANDLER(TApplicationProcessHandler)
public:
    void Initialize() override;
    void HandleEvent(EventRef event, quint32 eventClass, quint32 eventKind, qint32& result) override;

    using ProcessSerialNumber = CarbonUtilities::ProcessSerialNumber;
    virtual void EventAppLaunched(ProcessSerialNumber /*psn*/, qint64 /*pid*/, const QString& /*name*/) {}
    virtual void EventAppTerminated(ProcessSerialNumber /*psn*/) {}
    virtual void EventAppFrontSwitched(ProcessSerialNumber /*psn*/, qint64 /*pid*/, const QString& /*name*/) {
    }

protected:
    TApplicationProcessHandler() = default;
};
