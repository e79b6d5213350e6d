#include "NSManagedWindowController.h"

#include "toolkit/WindowCloseWatcher.h"

#include <QVBoxLayout>

NSManagedWindowController::NSManagedWindowController(QWidget* window)
    : QObject(window ? window : new QWidget), m_window(static_cast<QWidget*>(parent())) {
    m_window->setAttribute(Qt::WA_DeleteOnClose);
    new WindowCloseWatcher(m_window, [this] {
        m_closed = true;
        windowWillClose();
    });
}

NSManagedWindowController::NSManagedWindowController(QWidget* window, QWidget* contentViewController)
    : NSManagedWindowController(window) {
    m_contentViewController = contentViewController;
    if (!contentViewController) return;
    delete m_window->layout();
    auto* layout = new QVBoxLayout(m_window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(contentViewController);
}

void NSManagedWindowController::showWindow() {
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

NSManagedWindowController* NSManagedWindowController::controllerOfWindow(const QWidget* window) {
    if (!window) return nullptr;
    return window->findChild<NSManagedWindowController*>(QString(), Qt::FindDirectChildrenOnly);
}

void NSManagedWindowController::windowWillClose() {}
