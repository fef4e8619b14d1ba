// Entry of the Windows test binary, run under Wine.
#include "common/SlowTests.h"

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // A console process with no window would hand its pipes to the desktop process that
    // its first GUI child starts; touching the desktop first prevents that.
    GetDesktopWindow();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    testing::InitGoogleTest(&argc, argv);
    testing_support::SlowTests::Install();
    const int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
