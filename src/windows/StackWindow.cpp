#include "StackWindow.h"

#include "Compositor.h"

#include <QCloseEvent>

TStackWindow::TStackWindow(TGenericCardWindowController* controller, QWidget* parent)
    : TGenericCardWindow(controller, parent) {
    setAttribute(Qt::WA_TranslucentBackground, Compositor::isRunning());
    QPalette background = palette();
    background.setColor(QPalette::Window, Qt::red);
    setPalette(background);
    setAutoFillBackground(true);
}

void TStackWindow::performClose() {
    closeWithoutAsking();
}

void TStackWindow::closeEvent(QCloseEvent* event) {
    event->accept();
}
