#include "AutoreleasingApplication.h"

#include "platform/AutoreleasePool.h"

AutoreleasingApplication::AutoreleasingApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool AutoreleasingApplication::notify(QObject* receiver, QEvent* event) {
    AutoreleasePool pool;
    return QApplication::notify(receiver, event);
}
