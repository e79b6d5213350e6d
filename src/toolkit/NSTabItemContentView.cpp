#include "NSTabItemContentView.h"

#include "NSTabItemViewController.h"

void NSTabItemContentView::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    if (m_controller) m_controller->mouseEntered();
}

void NSTabItemContentView::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    if (m_controller) m_controller->mouseExited();
}

void NSTabItemContentView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_controller && window() != this) window()->installEventFilter(m_controller);
}
