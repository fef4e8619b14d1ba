#include "platform/Text.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(Text, NumbersFollowTheCRule) {
    struct Case {
        const wchar_t* text;
        std::int32_t expected;
    };
    const Case cases[] = {
        {L"", 0},
        {L"70", 70},
        {L"5s", 5},
        {L"abc", 0},
        {L"  16", 16},
        {L"\t\n-3", -3},
        {L"+8", 8},
        {L"2147483647", 2147483647},
        {L"99999999999", 2147483647},
        {L"-2147483648", -2147483647 - 1},
        {L"-99999999999", -2147483647 - 1},
        {L"- 4", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseNumber(c.text), c.expected) << c.text;
}

TEST(Text, CaseIsFoldedBeforeComparing) {
    struct Case {
        const wchar_t* a;
        const wchar_t* b;
        int order;
    };
    const Case cases[] = {
        {L"Stop", L"sTOP", 0},    {L"", L"", 0},           {L"abc", L"ABD", -1}, {L"b", L"A", 1},
        {L"Clip", L"clip 2", -1}, {L"clip 2", L"CLIP", 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CompareIgnoringCase(c.a, c.b), c.order) << c.a << L" / " << c.b;
        EXPECT_EQ(EqualsIgnoringCase(c.a, c.b), c.order == 0) << c.a << L" / " << c.b;
    }
    EXPECT_EQ(ToLowerCase(L"Movie 12 FLV"), L"movie 12 flv");
}

}  // namespace
}  // namespace platform
