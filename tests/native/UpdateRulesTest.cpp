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

TEST(UpdateRules, OnlyADottedVersionAboveTheRunningOneIsAnUpdate) {
    struct Case {
        const wchar_t* answer;
        const wchar_t* running;
        bool newer;
    };
    const Case cases[] = {
        {L"1.22", L"1.21", true},
        {L"1.21", L"1.21", false},
        {L"1.20", L"1.21", false},
        {L"2", L"1.21", true},
        {L"1", L"1.21", false},
        // Parts are numbers, not text: 1.3 comes before 1.21, 1.100 after 1.99.
        {L"1.3", L"1.21", false},
        {L"1.100", L"1.99", true},
        {L"1.021", L"1.21", false},
        // Missing parts are zeros.
        {L"1.21.0", L"1.21", false},
        {L"1.21.0.1", L"1.21", true},
        {L"1.21", L"1.21.1", false},
        // A server's line break or blanks around the version are no part of it.
        {L"1.21\r\n", L"1.21", false},
        {L" 1.22\n", L"1.21", true},
        {L"\t1.22 ", L"1.21", true},
        // Text that is no version updates nothing.
        {L"", L"1.21", false},
        {L"\r\n", L"1.21", false},
        {L"1.22-beta", L"1.21", false},
        {L"v1.22", L"1.21", false},
        {L"+2.0", L"1.21", false},
        {L"1..22", L"1.21", false},
        {L".22", L"1.21", false},
        {L"1.22.", L"1.21", false},
        {L"1. 22", L"1.21", false},
        {L"1.22\n1.23", L"1.21", false},
        {L"<html>Not found</html>", L"1.21", false},
        // Digits of another script are not version digits.
        {L"\x0662.0", L"1.21", false},
        // A part longer than nine digits would not fit; it is no version, not a huge one.
        {L"1.9999999999", L"1.21", false},
        {L"1.999999999", L"1.21", true},
        // Nothing is newer than a running version that cannot be read.
        {L"1.22", L"dev", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsNewerVersion(c.answer, c.running), c.newer) << c.answer << " / " << c.running;
}

TEST(UpdateRules, ASetUpsVersionResourceMustBeAboveTheRunningVersion) {
    using Version = std::vector<std::uint32_t>;
    EXPECT_TRUE(IsNewerVersion(Version{1, 22, 0, 0}));
    EXPECT_TRUE(IsNewerVersion(Version{1, 21, 0, 1}));
    EXPECT_FALSE(IsNewerVersion(Version{1, 21, 0, 0}));
    EXPECT_FALSE(IsNewerVersion(Version{1, 0, 0, 0}));
    EXPECT_FALSE(IsNewerVersion(Version{}));
}

TEST(UpdateRules, AnInstallerIsRefusedBeforeItsFirstByteWhenItCannotFit) {
    constexpr std::uint64_t limit = kLargestInstaller;
    const struct {
        std::optional<std::uint64_t> length, freeBytes;
        InstallerRoom room;
    } cases[] = {
        {17 << 20, 45ull << 30, InstallerRoom::Enough},
        {limit, std::nullopt, InstallerRoom::Enough},
        {limit + 1, 45ull << 30, InstallerRoom::TooLarge},
        {1ull << 40, 45ull << 30, InstallerRoom::TooLarge},
        {17 << 20, 16 << 20, InstallerRoom::NoSpace},
        // Unknown length: the body is counted as it comes (the agent stops at the limit).
        {std::nullopt, 0, InstallerRoom::Enough},
    };
    for (const auto& c : cases) EXPECT_EQ(RoomForInstaller(c.length, c.freeBytes), c.room);
}

TEST(UpdateRules, TheMarkerNamesTheDigestOfTheFetchedSetUp) {
    std::array<std::uint8_t, 32> digest{};
    digest[0] = 0xAB, digest[31] = 0x01;
    const std::string text = MarkerText(digest);
    EXPECT_EQ(text, "ab" + std::string(60, '0') + "01");
    EXPECT_TRUE(MarkerNames(text, digest));
    EXPECT_TRUE(MarkerNames(text + "\r\n", digest));
    for (const std::string& other : {std::string(), std::string("1.22"), "AB" + text.substr(2), text.substr(1) + "1"})
        EXPECT_FALSE(MarkerNames(other, digest)) << other;
}

TEST(UpdateRules, Addresses) {
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
