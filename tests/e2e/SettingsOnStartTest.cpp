// What the first start leaves in the settings key, and that a later start leaves an
// existing key as it is.
#include <algorithm>
#include <utility>
#include <vector>

#include "ProgramTest.h"

namespace e2e {
namespace {

class SettingsOnStart : public ProgramTest {};

std::vector<std::pair<std::wstring, std::wstring>> ExpectedFirstRunValues() {
    return {
        {L"lastpingtime", L"0"},
        {L"view", L"2"},
        {L"convertpath", SpecialFolder(CSIDL_MYVIDEO)},
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
}

std::wstring Names(const std::vector<RegistryValue>& values) {
    std::wstring names;
    for (const auto& value : values) names += value.name + L" ";
    return names;
}

TEST_F(SettingsOnStart, FirstStartCreatesTheKeyWithEveryDefaultInOrder) {
    DeleteKeyTree(HKEY_CURRENT_USER, kSettingsKey);
    // Wine keeps a key's values sorted by name, so the order of the first-run writes shows
    // only in Wine's trace of the program's registry writes.
    TraceLog trace;
    RunningProgram run(program(), L"", {L"WINEDEBUG=trace+reg"});
    ASSERT_NE(run.WaitForVisibleMainWindow(kStartTimeout), nullptr) << "the main window never showed";

    const auto expected = ExpectedFirstRunValues();
    const auto values = ReadKeyValues(HKEY_CURRENT_USER, kSettingsKey);
    ASSERT_TRUE(values.has_value()) << "the settings key was not created";
    ASSERT_EQ(values->size(), expected.size()) << "values present: " << testing::PrintToString(Names(*values));
    for (const auto& [name, text] : expected) {
        SCOPED_TRACE(testing::PrintToString(name));
        const auto value = ReadValue(HKEY_CURRENT_USER, kSettingsKey, name);
        ASSERT_TRUE(value.has_value()) << "missing";
        EXPECT_EQ(value->name, name) << "the name differs in case";
        EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(value->Text(), text);
        // A string value carries its terminating zero and nothing after it.
        EXPECT_EQ(value->data.size(), (text.size() + 1) * sizeof(wchar_t));
    }

    // The first write of each setting, in the order they came; later writes (the layout
    // stores "view" again when it is applied) do not count.
    std::vector<std::wstring> firstWrites;
    for (const std::wstring& name : RegistryWritesIn(trace.ReadNew())) {
        const bool isSetting =
            std::any_of(expected.begin(), expected.end(), [&](const auto& e) { return e.first == name; });
        if (isSetting && std::find(firstWrites.begin(), firstWrites.end(), name) == firstWrites.end())
            firstWrites.push_back(name);
    }
    std::vector<std::wstring> expectedOrder;
    for (const auto& entry : expected) expectedOrder.push_back(entry.first);
    EXPECT_EQ(firstWrites, expectedOrder);
}

TEST_F(SettingsOnStart, AnExistingKeyIsNeitherFilledUpNorReset) {
    DeleteKeyTree(HKEY_CURRENT_USER, kSettingsKey);
    WriteString(HKEY_CURRENT_USER, kSettingsKey, L"view", L"2");
    WriteString(HKEY_CURRENT_USER, kSettingsKey, L"volume", L"33");

    RunningProgram run(program());
    ASSERT_NE(run.WaitForVisibleMainWindow(kStartTimeout), nullptr) << "the main window never showed";

    const auto values = ReadKeyValues(HKEY_CURRENT_USER, kSettingsKey);
    ASSERT_TRUE(values.has_value());
    ASSERT_EQ(values->size(), 2u) << "values present: " << testing::PrintToString(Names(*values));
    const auto volume = ReadValue(HKEY_CURRENT_USER, kSettingsKey, L"volume");
    ASSERT_TRUE(volume.has_value());
    EXPECT_EQ(volume->Text(), L"33");
}

}  // namespace
}  // namespace e2e
