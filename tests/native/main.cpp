// Entry of the native test binary.
#include "common/SlowTests.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing_support::SlowTests::Install();
    return RUN_ALL_TESTS();
}
