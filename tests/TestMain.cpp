#include "platform/app/AutoreleasingApplication.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    AutoreleasingApplication app(argc, argv);
    QCoreApplication::setApplicationName("Jobslate");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
