// Entry of the e2e driver, run under Wine inside a Wine session with an X display.
#include "Harness.h"
#include "common/SlowTests.h"

#include <windows.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // A console process with no window hands its pipes to the desktop process that its
    // first GUI child starts; touching the desktop first prevents that.
    GetDesktopWindow();
    e2e::ClearSetAsideFiles();
    testing::InitGoogleTest(&argc, argv);
    testing_support::SlowTests::Install();
    return RUN_ALL_TESTS();
}
