#pragma once

#include "NSTabItemViewController.h"

#include <QPointer>
#include <QWidget>

// The view of a tab's content controller: passes the pointer's entering and leaving on to it and
// tells it when its window changes full-screen state. The controller is not owned.
class NSTabItemContentView : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    void setController(NSTabItemViewController* controller) { m_controller = controller; }
    NSTabItemViewController* controller() const { return m_controller; }

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QPointer<NSTabItemViewController> m_controller;
};
