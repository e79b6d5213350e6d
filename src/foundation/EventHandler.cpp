#include "EventHandler.h"

#include "Responder.h"
#include "platform/Diagnostics.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QThread>
#include <QWheelEvent>
#include <cstring>
#include <optional>

using namespace EventHandlerUnit;

namespace {

quint64 eventKey(quint32 eventClass, quint32 eventKind) {
    return (quint64(eventClass) << 32) | eventKind;
}

template <class T> void put(EventRecord& record, quint32 name, quint32 type, const T& value) {
    record.parameters.insert(name, {type, QByteArray(reinterpret_cast<const char*>(&value),
                                                     static_cast<qsizetype>(sizeof value))});
}

template <class T> T get(const TEventHandler* handler, quint32 name, quint32 type) {
    T value{};
    handler->GetParameter(name, type, sizeof value, &value);
    return value;
}

struct HIPoint {
    double x = 0;
    double y = 0;
};

quint32 carbonModifiers(Qt::KeyboardModifiers modifiers) {
    quint32 mask = 0;
    if (modifiers & Qt::ControlModifier) mask |= HotKeyModifiers::cmdKey;
    if (modifiers & Qt::ShiftModifier) mask |= HotKeyModifiers::shiftKey;
    if (modifiers & Qt::AltModifier) mask |= HotKeyModifiers::optionKey;
    if (modifiers & Qt::MetaModifier) mask |= HotKeyModifiers::controlKey;
    return mask;
}

bool isModifierKey(int key) {
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
        return true;
    default:
        return false;
    }
}

quint16 mouseButton(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 3;
    case Qt::NoButton:
        return 0;
    default:
        return 4;
    }
}

std::optional<EventRecord> keyRecord(const QKeyEvent* key) {
    EventRecord record;
    record.eventClass = kEventClassKeyboard;
    if (isModifierKey(key->key()))
        record.eventKind = kEventRawKeyModifiersChanged;
    else if (key->type() == QEvent::KeyPress)
        record.eventKind = key->isAutoRepeat() ? kEventRawKeyRepeat : kEventRawKeyDown;
    else if (!key->isAutoRepeat())
        record.eventKind = kEventRawKeyUp;
    else
        return std::nullopt; // the release half of an autorepeat
    put(record, kEventParamKeyCode, typeUInt32, quint32(key->key()));
    put(record, kEventParamKeyModifiers, typeUInt32, carbonModifiers(key->modifiers()));
    if (!key->text().isEmpty())
        put(record, kEventParamKeyUnicodes, typeUnicodeText, key->text().at(0).unicode());
    return record;
}

std::optional<EventRecord> mouseRecord(const QMouseEvent* mouse) {
    EventRecord record;
    record.eventClass = kEventClassMouse;
    switch (mouse->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        record.eventKind = kEventMouseDown;
        break;
    case QEvent::MouseButtonRelease:
        record.eventKind = kEventMouseUp;
        break;
    default:
        record.eventKind = mouse->buttons() == Qt::NoButton ? kEventMouseMoved : kEventMouseDragged;
        break;
    }
    put(record, kEventParamWindowMouseLocation, typeHIPoint,
        HIPoint{mouse->position().x(), mouse->position().y()});
    if (record.eventKind == kEventMouseDown || record.eventKind == kEventMouseUp) {
        put(record, kEventParamMouseButton, typeMouseButton, mouseButton(mouse->button()));
        put(record, kEventParamClickCount, typeUInt32,
            quint32(mouse->type() == QEvent::MouseButtonDblClick ? 2 : 1));
    }
    return record;
}

std::optional<EventRecord> wheelRecord(const QWheelEvent* wheel) {
    const QPoint angle = wheel->angleDelta();
    const bool vertical = angle.y() != 0 || angle.x() == 0;
    const int eighths = vertical ? angle.y() : angle.x();
    // One step per 15 degrees; a smaller turn still counts as one.
    qint32 steps = eighths / 120;
    if (steps == 0 && eighths != 0) steps = eighths > 0 ? 1 : -1;
    EventRecord record;
    record.eventClass = kEventClassMouse;
    record.eventKind = kEventMouseWheelMoved;
    put(record, kEventParamWindowMouseLocation, typeHIPoint,
        HIPoint{wheel->position().x(), wheel->position().y()});
    put(record, kEventParamMouseWheelAxis, typeMouseWheelAxis,
        quint16(vertical ? kEventMouseWheelAxisY : kEventMouseWheelAxisX));
    put(record, kEventParamMouseWheelDelta, typeSInt32, steps);
    return record;
}

} // namespace

EventRecord EventHandlerUnit::HotKeyEventRecord(EventHotKeyID id) {
    EventRecord record;
    record.eventClass = kEventClassKeyboard;
    record.eventKind = kEventHotKeyPressed;
    put(record, kEventParamDirectObject, typeEventHotKeyID, id);
    return record;
}

// The event filter a handler installs on its target.
class EventHandlerInstallation : public QObject {
public:
    EventHandlerInstallation(TEventHandler* handler, QObject* target) : m_handler(handler), m_target(target) {
        target->installEventFilter(this);
    }
    ~EventHandlerInstallation() override {
        if (m_target) m_target->removeEventFilter(this);
    }

    bool eventFilter(QObject* receiver, QEvent* event) override {
        std::optional<EventRecord> record = translate(receiver, event);
        if (!record || !m_handler->m_events.contains(eventKey(record->eventClass, record->eventKind)))
            return false;
        // The handler may release itself, and this filter with it: nothing here is read afterwards.
        bool passedOn = false;
        const qint32 result = m_handler->Deliver(std::move(*record), &passedOn);
        return !passedOn && result != eventNotHandledErr;
    }

private:
    std::optional<EventRecord> translate(QObject* receiver, QEvent* event) const {
        const bool onApplication = m_target == QCoreApplication::instance();
        // On the application, input counts once: as the window receives it.
        const bool input = onApplication ? receiver->isWindowType() : receiver == m_target;
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            if (input) return keyRecord(static_cast<QKeyEvent*>(event));
            return std::nullopt;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove:
            if (input) return mouseRecord(static_cast<QMouseEvent*>(event));
            return std::nullopt;
        case QEvent::Wheel:
            if (input) return wheelRecord(static_cast<QWheelEvent*>(event));
            return std::nullopt;
        case QEvent::ApplicationStateChange:
            if (onApplication && receiver == m_target &&
                static_cast<QApplicationStateChangeEvent*>(event)->applicationState() ==
                    Qt::ApplicationActive) {
                EventRecord record;
                record.eventClass = kEventClassApplication;
                record.eventKind = kEventAppFrontSwitched;
                put(record, kEventParamProcessID, typeProcessSerialNumber,
                    CarbonUtilities::GetCurrentProcess());
                return record;
            }
            return std::nullopt;
        default:
            if (event->type() == HotKeyPressEvent::eventType() && receiver == m_target)
                return HotKeyEventRecord(static_cast<HotKeyPressEvent*>(event)->hotKeyID());
            return std::nullopt;
        }
    }

    TEventHandler* m_handler;
    QPointer<QObject> m_target;
};

// --- TEventHandler ---------------------------------------------------------------------------------

void TEventHandler::Initialize() {
    TObject::Initialize();
    if (!m_targetSet) m_target = QCoreApplication::instance();
    qint32 status = paramErr;
    if (m_target && m_target->thread() == QThread::currentThread()) {
        m_handler = new EventHandlerInstallation(this, m_target);
        status = 0;
    }
    CarbonUtilities::Err = status;
    if (status != 0)
        Diagnostics::warning(QStringLiteral("TEventHandler failed to install! ") + QString::number(status));
}

void TEventHandler::Deallocate() {
    delete m_handler;
    m_handler = nullptr;
    TObject::Deallocate();
}

void TEventHandler::AppendEvent(quint32 eventClass, quint32 eventKind) {
    if (m_handler) m_events.insert(eventKey(eventClass, eventKind));
}

qint32 TEventHandler::GetParameter(quint32 name, quint32 type, quint64 size, void* buffer) const {
    if (!m_event) return paramErr;
    const auto found = m_event->parameters.constFind(name);
    if (found == m_event->parameters.constEnd()) return eventParameterNotFoundErr;
    if (type != typeWildCard && type != found->type) return errAECoercionFail;
    if (buffer) std::memcpy(buffer, found->bytes.constData(), std::min<quint64>(size, found->bytes.size()));
    return 0;
}

qint32 TEventHandler::SetParameter(quint32 name, quint32 type, quint64 size, const void* data) {
    if (!m_event || (!data && size)) return paramErr;
    m_event->parameters.insert(
        name, {type, QByteArray(static_cast<const char*>(data), static_cast<qsizetype>(data ? size : 0))});
    return 0;
}

qint32 TEventHandler::InheritEventHandler() {
    if (!m_delivering || !m_callRef) return paramErr;
    m_callRef->passedOn = true;
    return 0;
}

qint32 TEventHandler::HandleAllEvents(EventRecord event) {
    return Deliver(std::move(event), nullptr);
}

qint32 TEventHandler::Deliver(EventRecord event, bool* passedOn) {
    Ref<TEventHandler> keep = Ref<TEventHandler>::retain(this);
    // A delivery inside another (a nested event loop) hands the outer one its event back afterwards.
    EventRecord record = std::move(event);
    EventHandlerCall call;
    EventRef outerEvent = m_event;
    EventHandlerCallRef outerCall = m_callRef;
    const bool nested = m_delivering;
    m_event = &record;
    m_callRef = &call;
    m_delivering = true;
    qint32 result = eventNotHandledErr;
    HandleEvent(&record, record.eventClass, record.eventKind, result);
    m_delivering = nested;
    if (nested) {
        m_event = outerEvent;
        m_callRef = outerCall;
    } else {
        m_lastEvent = std::move(record);
        m_lastCall = call;
        m_event = &m_lastEvent;
        m_callRef = &m_lastCall;
    }
    if (passedOn) *passedOn = call.passedOn;
    return result;
}

// --- THotKeyHandler --------------------------------------------------------------------------------

void THotKeyHandler::Initialize() {
    TEventHandler::Initialize();
    AppendEvent(kEventClassKeyboard, kEventHotKeyPressed);
}

void THotKeyHandler::Deallocate() {
    for (quint32 number = 0; number < kHotKeyCount; ++number) UnregisterHotKey(number);
    TEventHandler::Deallocate();
}

void THotKeyHandler::HandleEvent(EventRef, quint32 eventClass, quint32 eventKind, qint32& result) {
    if (eventClass != kEventClassKeyboard || eventKind != kEventHotKeyPressed) return;
    EventHotKeyID hotKey;
    if (GetParameter(kEventParamDirectObject, typeEventHotKeyID, sizeof hotKey, &hotKey) != 0) return;
    if (hotKey.signature != kHotKeySignature) return;
    TResponderUnit::TNotification* notification = TResponderUnit::TNotification::Create();
    notification->SetIntegerValue(QStringLiteral("id"), static_cast<qint32>(hotKey.id));
    TResponder::PostNotification(kHotKeyPressedNotification, nullptr, notification);
    notification->Release();
    EventHotKeyPressed(hotKey, result);
}

qint32 THotKeyHandler::RegisterHotKey(quint32 keyCode, quint32 modifiers, quint32 number) {
    qint32 status = paramErr;
    if (number < kHotKeyCount) {
        // A number registered again gives up its old key first; the old key comes back if the new one fails.
        const Slot old = m_slots[number];
        UnregisterHotKey(number);
        HotKeyBackend& backend = HotKeyBackend::shared();
        EventHotKeyRef ref = 0;
        status = backend.registerHotKey(keyCode, modifiers, {kHotKeySignature, number}, GetTarget(), &ref);
        if (status == 0) {
            m_slots[number] = {ref, keyCode, modifiers};
        } else if (old.ref && backend.registerHotKey(old.keyCode, old.modifiers, {kHotKeySignature, number},
                                                     GetTarget(), &ref) == 0) {
            m_slots[number] = {ref, old.keyCode, old.modifiers};
        }
    }
    if (status != 0)
        Diagnostics::line(QStringLiteral("THotKeyHandler.RegisterHotKey: ") + QString::number(status));
    return status;
}

void THotKeyHandler::UnregisterHotKey(quint32 number) {
    if (!IsRegistered(number)) return;
    HotKeyBackend::shared().unregisterHotKey(m_slots[number].ref);
    m_slots[number] = {};
}

// --- TMouseHandler ---------------------------------------------------------------------------------

void TMouseHandler::Initialize() {
    TEventHandler::Initialize();
    for (quint32 kind :
         {kEventMouseUp, kEventMouseDown, kEventMouseDragged, kEventMouseWheelMoved, kEventMouseMoved})
        AppendEvent(kEventClassMouse, kind);
}

void TMouseHandler::HandleEvent(EventRef, quint32 eventClass, quint32 eventKind, qint32& result) {
    if (eventClass != kEventClassMouse) return;
    const auto at = get<HIPoint>(this, kEventParamWindowMouseLocation, typeHIPoint);
    const QPointF where(at.x, at.y);
    switch (eventKind) {
    case kEventMouseDown:
    case kEventMouseUp: {
        const auto button = get<quint16>(this, kEventParamMouseButton, typeMouseButton);
        const auto clicks = get<quint32>(this, kEventParamClickCount, typeUInt32);
        if (eventKind == kEventMouseDown)
            EventMouseDown(button, clicks, where, result);
        else
            EventMouseUp(button, clicks, where, result);
        break;
    }
    case kEventMouseMoved:
        EventMouseMoved(where, result);
        break;
    case kEventMouseDragged:
        EventMouseDragged(where, result);
        break;
    case kEventMouseWheelMoved:
        EventMouseWheelMoved(where, get<qint32>(this, kEventParamMouseWheelDelta, typeSInt32),
                             get<quint16>(this, kEventParamMouseWheelAxis, typeMouseWheelAxis), result);
        break;
    default:
        break;
    }
}

// --- TKeyboardHandler ------------------------------------------------------------------------------

void TKeyboardHandler::Initialize() {
    TEventHandler::Initialize();
    for (quint32 kind : {kEventRawKeyDown, kEventRawKeyRepeat, kEventRawKeyUp, kEventRawKeyModifiersChanged})
        AppendEvent(kEventClassKeyboard, kind);
}

void TKeyboardHandler::HandleEvent(EventRef, quint32 eventClass, quint32 eventKind, qint32& result) {
    if (eventClass != kEventClassKeyboard) return;
    const auto keyCode = get<quint32>(this, kEventParamKeyCode, typeUInt32);
    const auto modifiers = get<quint32>(this, kEventParamKeyModifiers, typeUInt32);
    const auto character = get<quint16>(this, kEventParamKeyUnicodes, typeUnicodeText);
    switch (eventKind) {
    case kEventRawKeyDown:
        EventRawKeyDown(keyCode, character, modifiers, result);
        break;
    case kEventRawKeyRepeat:
        EventRawKeyRepeat(keyCode, character, modifiers, result);
        break;
    case kEventRawKeyUp:
        EventRawKeyUp(keyCode, character, modifiers, result);
        break;
    case kEventRawKeyModifiersChanged:
        EventRawKeyModifiersChanged(modifiers, result);
        break;
    default:
        break;
    }
}

// --- TApplicationProcessHandler --------------------------------------------------------------------

void TApplicationProcessHandler::Initialize() {
    SetTarget(QCoreApplication::instance());
    TEventHandler::Initialize();
    for (quint32 kind : {kEventAppLaunched, kEventAppTerminated, kEventAppFrontSwitched})
        AppendEvent(kEventClassApplication, kind);
}

void TApplicationProcessHandler::HandleEvent(EventRef, quint32 eventClass, quint32 eventKind, qint32&) {
    if (eventClass != kEventClassApplication) return;
    const auto psn = get<ProcessSerialNumber>(this, kEventParamProcessID, typeProcessSerialNumber);
    const QString name = QFileInfo(CarbonUtilities::CopyProcessBundlePath(psn)).fileName();
    switch (eventKind) {
    case kEventAppLaunched:
        EventAppLaunched(psn, psn.pid, name);
        break;
    case kEventAppTerminated:
        EventAppTerminated(psn);
        break;
    case kEventAppFrontSwitched:
        EventAppFrontSwitched(psn, psn.pid, name);
        break;
    default:
        break;
    }
}
