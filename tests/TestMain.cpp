#include "platform/AutoreleasePool.h"
#include "platform/app/AutoreleasingApplication.h"

#include <gtest/gtest.h>

#ifdef __SANITIZE_ADDRESS__
// Freed memory is overwritten, so a use after free inside Qt, which is built without the sanitizer,
// fails here too instead of reading what the sanitizer's quarantine still holds.
extern "C" const char* __asan_default_options() {
    return "max_free_fill_size=4096:free_fill_byte=251";
}
#endif

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
