#pragma once
// Every setting of the program, declared once: value name and first-run default, in the
// order in which the first run writes them. Portable.
#include <array>
#include <string_view>

namespace settings {

struct SettingDefinition {
    std::wstring_view name;
    std::wstring_view firstRunDefault;
};

// "convertpath" has no fixed default: the first run writes the My Videos folder.
inline constexpr std::wstring_view kConvertPath = L"convertpath";

inline constexpr std::array<SettingDefinition, 22> kSettings{{
    {L"lastpingtime", L"0"},
    {L"view", L"2"},
    {kConvertPath, L""},
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
}};

}  // namespace settings
