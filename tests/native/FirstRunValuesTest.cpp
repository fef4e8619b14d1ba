#include "settings/FirstRunValues.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace settings {
namespace {

using NamedText = std::pair<std::wstring, std::wstring>;

std::vector<NamedText> Materialise(const std::vector<SettingValue>& values) {
    std::vector<NamedText> result;
    for (const SettingValue& value : values) result.emplace_back(value.name, value.text);
    return result;
}

// Written out here on purpose rather than derived from the table, so a reordered or
// mistyped table entry shows up.
std::vector<NamedText> ExpectedFirstRun(const std::wstring& myVideos) {
    std::vector<NamedText> expected{
        {L"lastpingtime", L"0"},
        {L"view", L"2"},
        {L"convertpath", myVideos},
        {L"autocopyurl", L"true"},
        {L"bsel", L"0"},
        {L"browsers", L"1111"},
        {L"showicon", L"true"},
        {L"showmessage", L"true"},
        {L"playsound", L"true"},
        {L"autoupdate", L"true"},
        {L"autoopenfolder", L"true"},
        {L"loadonstartup", L"true"},
        {L"savewithnosound", L"false"},
        {L"allowfullscreen", L"true"},
        {L"fs_mode", L"normal"},
        {L"allowzoom", L"true"},
        {L"allowtimeline", L"true"},
        {L"hintshow", L"true"},
        {L"zholderfitbycontent", L"false"},
        {L"volume", L"70"},
        {L"nhidemenu", L"5"},
        {L"iconsize", L"16"},
    };
    if (myVideos.empty()) expected.erase(expected.begin() + 2);
    return expected;
}

TEST(FirstRunValues, AreTheTableInOrderWithMyVideosAsOutputFolder) {
    for (const std::wstring myVideos : {L"C:\\users\\me\\Videos", L"D:\\Eigene Videos\\"}) {
        const std::vector<NamedText> values = Materialise(FirstRunValues(myVideos));
        EXPECT_EQ(values.size(), 22u);
        EXPECT_EQ(values, ExpectedFirstRun(myVideos));
    }
}

TEST(FirstRunValues, SkipOutputFolderWhenMyVideosIsUnknown) {
    const std::vector<NamedText> values = Materialise(FirstRunValues(L""));
    EXPECT_EQ(values.size(), 21u);
    EXPECT_EQ(values, ExpectedFirstRun(L""));
}

}  // namespace
}  // namespace settings
