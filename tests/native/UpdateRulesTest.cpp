// When the update agent calls, what the answer means, and the length rules of the client.
#include "platform/HttpText.h"
#include "update/UpdateRules.h"

#include <gtest/gtest.h>

namespace update {
namespace {

TEST(UpdateRules, DueOnlyWhenSwitchedOnAndMoreThanADayHasPassed) {
    constexpr std::int64_t now = 1'700'000'000;
    struct Case {
        bool on;
        std::int32_t last;
        bool due;
    };
    const Case cases[] = {
        {true, 0, true},
        {false, 0, false},
        {true, static_cast<std::int32_t>(now - 86'400), false},
        {true, static_cast<std::int32_t>(now - 86'401), true},
        {true, static_cast<std::int32_t>(now), false},
        // A contact time in the future (a clock set back) waits until it is a day old.
        {true, static_cast<std::int32_t>(now + 5), false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsCheckDue(c.on, c.last, now), c.due) << c.on << " " << c.last;
}

TEST(UpdateRules, VersionAnswerAndAddresses) {
    EXPECT_FALSE(IsOtherVersion(L"1.21"));
    for (const wchar_t* answer : {L"1.22", L"1.21\r\n", L" 1.21", L"", L"1.2"})
        EXPECT_TRUE(IsOtherVersion(answer)) << answer;
    EXPECT_EQ(InstallerUrl(L"http://127.0.0.1:9/actual-version/"), L"http://127.0.0.1:9/actual-version/update.exe");
    EXPECT_EQ(VersionUrl(L"http://127.0.0.1:9/actual-version"), L"http://127.0.0.1:9/actual-version/");
}

TEST(HttpText, ContentLengthAndWholeBodies) {
    const std::pair<const wchar_t*, std::optional<std::uint64_t>> lengths[] = {
        {L"1234", 1234},        {L" 52428800", 52428800}, {L"0", 0},      {L"", std::nullopt},
        {L"abc", std::nullopt}, {L"-5", std::nullopt},    {L"12abc", 12}, {L"99999999999999999999999", std::nullopt},
    };
    for (const auto& [text, length] : lengths) EXPECT_EQ(platform::ParseContentLength(text), length) << text;
    EXPECT_TRUE(IsWholeInstaller(5000, 5000));
    EXPECT_FALSE(IsWholeInstaller(5000, 4999));
    EXPECT_FALSE(IsWholeInstaller(std::nullopt, 5000));
}

}  // namespace
}  // namespace update
