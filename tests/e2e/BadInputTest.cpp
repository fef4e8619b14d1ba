// Starting on damaged ground: settings of the wrong type or size, a library folder that
// is missing or cannot be one, and a title store with a torn tail. The program starts,
// keeps what it can and changes nothing it should not.
#include "ProgramTest.h"

#include "titles/FallbackTitleStore.h"
#include "titles/TitleStore.h"

namespace e2e {
namespace {

class BadInput : public ProgramTest {
protected:
    void StartsAndShowsItsWindow() {
        RunningProgram run(program());
        HWND window = run.WaitForVisibleMainWindow(kStartTimeout);
        ASSERT_NE(window, nullptr) << "the program did not start";
        // The start's work goes on behind the shown window: its list build reads the
        // library folder and the title store.
        EXPECT_TRUE(ListAgain(run, window)) << "the program ended or stopped answering after its start";
    }
};

TEST_F(BadInput, SettingsOfTheWrongTypeOrSizeAreLeftAsTheyAre) {
    DeleteKeyTree(HKEY_CURRENT_USER, kSettingsKey);
    WriteDword(HKEY_CURRENT_USER, kSettingsKey, L"view", 3);
    WriteString(HKEY_CURRENT_USER, kSettingsKey, L"showicon", std::wstring(300, L'x'));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    const BYTE oddBytes[] = {'1', 0, '1'};
    RegSetValueExW(key, L"browsers", 0, REG_SZ, oddBytes, sizeof oddBytes);
    const BYTE binary[] = {1, 2, 3, 4, 5};
    RegSetValueExW(key, L"volume", 0, REG_BINARY, binary, sizeof binary);
    RegCloseKey(key);

    StartsAndShowsItsWindow();
    // An existing key is never repaired; "view" read as empty takes the Standard layout,
    // convert panel and all, and is written back as "2".
    const auto browsers = ReadValue(HKEY_CURRENT_USER, kSettingsKey, L"browsers");
    ASSERT_TRUE(browsers.has_value());
    EXPECT_EQ(browsers->type, static_cast<DWORD>(REG_SZ));
    const auto volume = ReadValue(HKEY_CURRENT_USER, kSettingsKey, L"volume");
    ASSERT_TRUE(volume.has_value());
    EXPECT_EQ(volume->type, static_cast<DWORD>(REG_BINARY));
    const auto view = ReadValue(HKEY_CURRENT_USER, kSettingsKey, L"view");
    ASSERT_TRUE(view.has_value());
    EXPECT_EQ(view->Text(), L"2");
    EXPECT_FALSE(ReadValue(HKEY_CURRENT_USER, kSettingsKey, L"showmessage").has_value()) << "no value is added";
}

TEST_F(BadInput, AMissingLibraryFolderIsMadeAndOneThatCannotBeIsSurvived) {
    RemoveTree(program().Path(L"Videos"));
    StartsAndShowsItsWindow();
    EXPECT_TRUE(DirectoryExists(program().Path(L"Videos")));
}

TEST_F(BadInput, ALibraryFolderNameTakenByAFileStaysAFile) {
    RemoveTree(program().Path(L"Videos"));
    WriteWholeFile(program().Path(L"Videos"), "not a folder");
    StartsAndShowsItsWindow();
    EXPECT_EQ(ReadWholeFile(program().Path(L"Videos")), std::optional<std::string>("not a folder"));
}

TEST_F(BadInput, ATornTitleStoreKeepsTheTitlesBeforeTheTear) {
    MakeDirectories(program().Path(L"Videos"));
    const std::wstring clip = program().Path(L"Videos\\kept.flv");
    WriteWholeFile(clip, "FLV not really a clip, but a titled file");
    titles::WriteTitle(clip, L"Kept title");
    // A record cut off in the middle, as a crash during an append leaves it.
    const std::wstring log = titles::ProcessTitleStore()->logPath();
    const auto before = ReadWholeFile(log);
    ASSERT_TRUE(before.has_value());
    WriteWholeFile(log, *before + std::string("\x52\x4b\x54\x31garbage-torn-record", 22));

    StartsAndShowsItsWindow();
    EXPECT_EQ(titles::ReadTitle(clip), L"Kept title");
    EXPECT_TRUE(FileExists(clip));
}

}  // namespace
}  // namespace e2e
