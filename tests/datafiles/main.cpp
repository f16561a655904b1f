#include "ui/application.h"

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    // Test discovery runs the program outside CTest's environment; widgets need a platform.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    testing::InitGoogleTest(&argc, argv);
    px708::TApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
