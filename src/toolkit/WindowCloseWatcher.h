#pragma once

#include <QObject>
#include <functional>

class QWidget;

// Tells when a window closes: the callback runs once the window has accepted its close event,
// before it hides (a close the window refuses is not reported). A child of the window.
class WindowCloseWatcher : public QObject {
    Q_OBJECT
public:
    WindowCloseWatcher(QWidget* window, std::function<void()> closed);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    std::function<void()> m_closed;
    bool m_dispatching = false;
};
