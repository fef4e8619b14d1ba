#include "library/PendingMarks.h"

#include <gtest/gtest.h>

#include <thread>

namespace library {
namespace {

using namespace std::chrono_literals;

TEST(PendingMarks, AClipStaysPendingUntilEachOfItsMarksIsWrittenAndTheEndWaitsForThem) {
    PendingMarks marks;
    EXPECT_TRUE(marks.WaitUntilWritten(0ms)) << "nothing to wait for";
    marks.Add({L"C:\\v\\a.flv", L"C:\\v\\b.flv", L"C:\\v\\a.flv"});
    EXPECT_TRUE(marks.Contains(L"C:\\v\\a.flv"));
    EXPECT_FALSE(marks.Contains(L"C:\\v\\c.flv"));
    marks.Written(L"C:\\v\\a.flv");
    EXPECT_TRUE(marks.Contains(L"C:\\v\\a.flv")) << "added twice, written once";
    marks.Written(L"C:\\v\\c.flv");
    EXPECT_FALSE(marks.WaitUntilWritten(50ms));

    std::thread writer([&] {
        std::this_thread::sleep_for(100ms);
        marks.Written(L"C:\\v\\a.flv");
        marks.Written(L"C:\\v\\b.flv");
    });
    EXPECT_TRUE(marks.WaitUntilWritten(10s));
    writer.join();
    EXPECT_FALSE(marks.Contains(L"C:\\v\\a.flv"));
    EXPECT_FALSE(marks.Contains(L"C:\\v\\b.flv"));
}

}  // namespace
}  // namespace library
