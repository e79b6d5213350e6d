#pragma once

#include <QApplication>
#include <QObject>
#include <QPointer>
#include <QWidget>

// A window controller that owns itself through its window: it is a child of its window, and the
// window deletes itself when closed (Qt::WA_DeleteOnClose), taking the controller and an optional
// content view with it. Whoever makes one shows it and forgets it. Subclasses that override
// windowWillClose call this one. Main thread only.
class NSManagedWindowController : public QObject {
    Q_OBJECT
public:
    // A new window when none is given.
    explicit NSManagedWindowController(QWidget* window = nullptr);
    // The content view fills the window (the window owns it).
    NSManagedWindowController(QWidget* window, QWidget* contentViewController);

    QWidget* window() const { return m_window; }
    QWidget* contentViewController() const { return m_contentViewController; }
    void showWindow();

    // The controller of a window, when it is a managed one.
    static NSManagedWindowController* controllerOfWindow(const QWidget* window);

    // The first open window's controller that is a T (or a subclass of it); null when none is.
    template <class T = NSManagedWindowController> static T* findController() {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            NSManagedWindowController* controller = controllerOfWindow(window);
            if (controller && !controller->m_closed)
                if (T* found = dynamic_cast<T*>(controller)) return found;
        }
        return nullptr;
    }

protected:
    // The window accepted its close; it is deleted, with the controller, on the event loop.
    virtual void windowWillClose();

private:
    QPointer<QWidget> m_window;
    QPointer<QWidget> m_contentViewController;
    bool m_closed = false;
};
