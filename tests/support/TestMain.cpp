#include "Guard.h"

#include <gtest/gtest.h>

// Every test executable runs inside one application object on the offscreen platform, so that
// widgets, dialogs and the GUI-thread call work without a display.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    vx::GuardedApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
