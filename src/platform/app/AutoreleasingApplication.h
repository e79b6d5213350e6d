#pragma once

#include <QApplication>

// The application object: every event it dispatches runs inside an autorelease pool of its own,
// which drains when the event has been handled.
class AutoreleasingApplication : public QApplication {
    Q_OBJECT
public:
    AutoreleasingApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
