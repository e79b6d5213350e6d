#include "platform/AutoreleasePool.h"
#include "platform/app/AutoreleasingApplication.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    AutoreleasingApplication app(argc, argv);
    QCoreApplication::setApplicationName("Jobslate");
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    // What tests left in the root pool goes while the program's services still stand.
    AutoreleasePool::drainRoot();
    return result;
}
