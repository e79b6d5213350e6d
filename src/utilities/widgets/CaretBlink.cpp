#include "CaretBlink.h"

#include "platform/Scheduler.h"

#include <QApplication>
#include <QEvent>

namespace {
const QString kRestKey = QStringLiteral("rest");
}

CaretBlink::CaretBlink(QObject* parent) : QObject(parent), m_flashTime(QApplication::cursorFlashTime()) {
    qApp->installEventFilter(this);
    blink();
}

CaretBlink::~CaretBlink() {
    Scheduler::shared().cancelAll(this);
    if (m_resting) QApplication::setCursorFlashTime(m_flashTime);
}

bool CaretBlink::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::InputMethod:
    case QEvent::FocusIn:
        blink();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void CaretBlink::blink() {
    if (m_resting) {
        m_resting = false;
        QApplication::setCursorFlashTime(m_flashTime);
    }
    Scheduler::shared().performAfterDelay(this, kRestKey, kBlinkSeconds, [this] { rest(); });
}

void CaretBlink::rest() {
    m_resting = true;
    // A flash time of 0 shows the caret without blinking.
    QApplication::setCursorFlashTime(0);
}
