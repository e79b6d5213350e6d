#include "GenericCardWindow.h"

#include "GenericCardWindowController.h"
#include "utilities/CocoaUtilities.h"

#include <QCloseEvent>

TGenericCardWindow::TGenericCardWindow(TGenericCardWindowController* controller, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_controller(controller) {}

TCard* TGenericCardWindow::card() const {
    TCard* card = m_controller ? m_controller->card() : nullptr;
    if (!card) CocoaUtilities::Fatal(QStringLiteral("Card window controller is invalid."));
    return card;
}

void TGenericCardWindow::performClose() {
    if (m_controller && !m_controller->windowShouldClose()) return;
    if (m_controller)
        m_controller->performClose();
    else
        closeWithoutAsking();
}

bool TGenericCardWindow::validateMenuItem(const QString& action) const {
    return action == QLatin1String("performClose");
}

void TGenericCardWindow::closeWithoutAsking() {
    m_closing = true;
    close();
    m_closing = false;
}

void TGenericCardWindow::closeEvent(QCloseEvent* event) {
    if (m_closing) {
        event->accept();
        return;
    }
    event->ignore();
    performClose();
}
