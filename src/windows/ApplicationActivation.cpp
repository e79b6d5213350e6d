#include "ApplicationActivation.h"

#include <QApplication>

ApplicationActivation& ApplicationActivation::shared() {
    static ApplicationActivation activation;
    return activation;
}

void ApplicationActivation::hideAll() {
    if (m_hidden) return;
    m_hidden = true;
    m_hiddenWindows.clear();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible()) continue;
        m_hiddenWindows.append(window);
        window->hide();
    }
}

void ApplicationActivation::restore() {
    if (!m_hidden) return;
    m_hidden = false;
    for (const QPointer<QWidget>& window : std::as_const(m_hiddenWindows))
        if (window) window->show();
    m_hiddenWindows.clear();
}
