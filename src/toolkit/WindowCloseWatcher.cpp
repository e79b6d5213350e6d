#include "WindowCloseWatcher.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

WindowCloseWatcher::WindowCloseWatcher(QWidget* window, std::function<void()> closed)
    : QObject(window), m_window(window), m_closed(std::move(closed)) {
    window->installEventFilter(this);
}

bool WindowCloseWatcher::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_window || event->type() != QEvent::Close || m_dispatching) return false;
    // The window decides first; its answer stays in the event for the code that closes it.
    m_dispatching = true;
    QCoreApplication::sendEvent(m_window, event);
    m_dispatching = false;
    if (event->isAccepted() && m_closed) m_closed();
    return true;
}
