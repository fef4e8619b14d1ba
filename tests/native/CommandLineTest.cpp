#include "platform/CommandLine.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(QuoteArgument, SurvivesTheRuntimeSplitting) {
    struct Case {
        const wchar_t* argument;
        const wchar_t* quoted;
    };
    const Case cases[] = {
        {L"", L"\"\""},
        {L"C:\\Videos\\clip one.flv", L"\"C:\\Videos\\clip one.flv\""},
        {L"C:\\a & b %PATH%.flv", L"\"C:\\a & b %PATH%.flv\""},
        {L"C:\\folder\\", L"\"C:\\folder\\\\\""},
        {L"say \"hi\"", L"\"say \\\"hi\\\"\""},
        {L"back\\\"quote", L"\"back\\\\\\\"quote\""},
        {L"two\\\\", L"\"two\\\\\\\\\""},
        {L"\\\\server\\share\\x", L"\"\\\\server\\share\\x\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(QuoteArgument(c.argument), c.quoted);
    }
}

TEST(QuoteProgram, QuotesWithoutEscapesAndRefusesQuotes) {
    EXPECT_EQ(QuoteProgram(L"C:\\Program Files\\Reelkeep\\ffmpeg.exe"), L"\"C:\\Program Files\\Reelkeep\\ffmpeg.exe\"");
    EXPECT_EQ(QuoteProgram(L"bad\"name.exe"), L"");
}

}  // namespace
}  // namespace platform
