#include "settings/GeneralSettingsDialog.h"
#include "settings/SettingsStore.h"
#include "platform/ProgramFolder.h"
#include "platform/ComPtr.h"
#include "platform/UniqueHandle.h"
#include "support/ScriptedPrompter.h"

#include <gtest/gtest.h>

#include <shlobj.h>
#include <shobjidl.h>

#include <map>
#include <optional>

namespace settings {
namespace {

constexpr wchar_t kHttpCommandKey[] = L"HTTP\\shell\\open\\command";

std::optional<std::wstring> ReadHttpCommand() {
    platform::UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, kHttpCommandKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return std::nullopt;
    wchar_t text[1024] = {};
    DWORD bytes = sizeof(text) - sizeof(wchar_t);
    if (RegQueryValueExW(key.get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &bytes) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(text);
}

void WriteHttpCommand(const std::optional<std::wstring>& command) {
    platform::UniqueRegKey key;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_CLASSES_ROOT, kHttpCommandKey, 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr),
        ERROR_SUCCESS);
    if (!command) {
        RegDeleteValueW(key.get(), nullptr);
        return;
    }
    const DWORD bytes = static_cast<DWORD>((command->size() + 1) * sizeof(wchar_t));
    ASSERT_EQ(RegSetValueExW(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command->c_str()), bytes),
              ERROR_SUCCESS);
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class GeneralSettings : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath.data());
        shortcut_ = ShortcutIn(CSIDL_STARTUP);
        commonShortcut_ = ShortcutIn(CSIDL_COMMON_STARTUP);
        ASSERT_FALSE(shortcut_.empty());
        DeleteFileW(shortcut_.c_str());
        DeleteFileW(commonShortcut_.c_str());
        savedCommand_ = ReadHttpCommand();
    }
    void TearDown() override {
        dialog_.reset();
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath.data());
        DeleteFileW(shortcut_.c_str());
        DeleteFileW(commonShortcut_.c_str());
        WriteHttpCommand(savedCommand_);
    }

    void StoreSettings(const std::map<std::wstring, std::wstring>& values) {
        platform::UniqueRegKey key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath.data(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                  key.put(), nullptr),
                  ERROR_SUCCESS);
        for (const auto& [name, text] : values) ASSERT_TRUE(SettingsStore().WriteSetting(name, text));
    }
    void StoreDefaults() {
        StoreSettings({{L"bsel", L"0"},
                       {L"browsers", L"1111"},
                       {L"showicon", L"true"},
                       {L"showmessage", L"true"},
                       {L"playsound", L"true"},
                       {L"autoupdate", L"true"},
                       {L"autoopenfolder", L"true"},
                       {L"loadonstartup", L"true"},
                       {L"savewithnosound", L"false"}});
    }
    void UseDefaultBrowserCommand(const std::wstring& command) { WriteHttpCommand(command); }

    void Open() {
        dialog_ = std::make_unique<GeneralSettingsDialog>(nullptr);
        ASSERT_TRUE(dialog_->CreateModeless());
    }
    void Command(int id, WORD code) {
        SendMessageW(dialog_->hwnd(), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(dialog_->Item(id)));
    }
    // What a user's click on an automatic check box does: flip it, then notify the dialog.
    void ClickBox(int id) {
        dialog_->SendItem(id, BM_SETCHECK, Checked(id) ? BST_UNCHECKED : BST_CHECKED);
        Command(id, BN_CLICKED);
    }
    void SelectMode(int index) {
        dialog_->SendItem(IDC_BROWSER_MODE, CB_SETCURSEL, index);
        Command(IDC_BROWSER_MODE, CBN_SELCHANGE);
    }
    bool Checked(int id) const { return dialog_->SendItem(id, BM_GETCHECK) == BST_CHECKED; }
    bool Enabled(int id) const { return IsWindowEnabled(dialog_->Item(id)) != FALSE; }
    LRESULT Mode() const { return dialog_->SendItem(IDC_BROWSER_MODE, CB_GETCURSEL); }
    std::wstring Boxes() const {
        std::wstring text;
        for (int id : {IDC_BROWSER_IE, IDC_BROWSER_FIREFOX, IDC_BROWSER_CHROME, IDC_BROWSER_OPERA}) {
            text += Checked(id) ? L'1' : L'0';
        }
        return text;
    }
    // A modeless dialog only records its end; a loop run afterwards returns that result
    // at once, and the posted Cancel ends a dialog that is still open.
    bool Closed() const {
        PostMessageW(dialog_->hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return dialog_->RunModalLoop() == IDOK;
    }
    std::wstring Setting(const wchar_t* name) const { return SettingsStore().ReadSetting(name); }

    std::unique_ptr<GeneralSettingsDialog> dialog_;
    // Where the shortcut belongs, in the user's own Startup folder (a user without
    // administrator rights cannot write the all-users one), and where it must not go.
    static std::wstring ShortcutIn(int startupFolder) {
        wchar_t folder[MAX_PATH] = {};
        if (FAILED(SHGetFolderPathW(nullptr, startupFolder, nullptr, SHGFP_TYPE_CURRENT, folder))) return {};
        return std::wstring(folder) + L"\\Reelkeep.lnk";
    }
    std::wstring shortcut_;
    std::wstring commonShortcut_;
    std::optional<std::wstring> savedCommand_;
    testing_support::ScriptedPrompter prompter_;
};

TEST_F(GeneralSettings, DefaultBrowserComesFromTheHttpOpenCommand) {
    struct Case {
        const wchar_t* command;
        Browser expected;
    };
    const Case cases[] = {
        {L"\"C:\\Mozilla Firefox\\firefox.exe\" -url \"%1\"", Browser::Firefox},
        {L"\"C:\\Google\\chrome.exe\" \"%1\"", Browser::Chrome},
        {L"C:\\Opera\\opera.exe \"%1\"", Browser::Opera},
        {L"C:\\Other\\surf.exe \"%1\"", Browser::InternetExplorer},
    };
    for (const Case& c : cases) {
        UseDefaultBrowserCommand(c.command);
        EXPECT_EQ(GeneralSettingsDialog::DetectDefaultBrowser(), c.expected) << c.command;
    }
}

// Today's default browser is the user's choice for https addresses; the http one, and the
// old open command, count only where there is no choice of a browser this program knows.
TEST_F(GeneralSettings, DefaultBrowserComesFromTheUserChoiceOfEachBrowser) {
    const auto choose = [](const wchar_t* scheme, const wchar_t* progId) {
        const std::wstring path =
            std::wstring(L"Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\") + scheme +
            L"\\UserChoice";
        RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
        if (progId == nullptr) return;
        platform::UniqueRegKey key;
        ASSERT_EQ(
            RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(key.get(), L"ProgId", 0, REG_SZ, reinterpret_cast<const BYTE*>(progId),
                                 static_cast<DWORD>((wcslen(progId) + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    };
    UseDefaultBrowserCommand(L"\"C:\\Other\\surf.exe\" \"%1\"");
    const struct {
        const wchar_t* https;
        const wchar_t* http;
        Browser expected;
    } cases[] = {
        {L"ChromeHTML", nullptr, Browser::Chrome},
        {L"MSEdgeHTM", nullptr, Browser::Chrome},
        {L"BraveHTML", nullptr, Browser::Chrome},
        {L"VivaldiHTM", nullptr, Browser::Chrome},
        {L"ChromiumHTM", nullptr, Browser::Chrome},
        {L"FirefoxURL-308046B0AF4A39CB", nullptr, Browser::Firefox},
        {L"OperaStable", nullptr, Browser::Opera},
        {L"OperaGXStable", nullptr, Browser::Opera},
        {L"IE.HTTPS", L"FirefoxURL-308046B0AF4A39CB", Browser::InternetExplorer},
        {L"SomeOtherBrowserURL", L"BraveHTML", Browser::Chrome},
        {nullptr, L"OperaStable", Browser::Opera},
        {L"SomeOtherBrowserURL", nullptr, Browser::InternetExplorer},
        {nullptr, nullptr, Browser::InternetExplorer},
    };
    for (const auto& c : cases) {
        choose(L"https", c.https);
        choose(L"http", c.http);
        EXPECT_EQ(GeneralSettingsDialog::DetectDefaultBrowser(), c.expected)
            << testing::PrintToString(c.https ? c.https : L"-") << testing::PrintToString(c.http ? c.http : L"-");
    }
    // No choice at all: the old command, which now knows the other Chromium browsers too.
    UseDefaultBrowserCommand(L"\"C:\\Program Files\\BraveSoftware\\Brave-Browser\\Application\\brave.exe\" \"%1\"");
    EXPECT_EQ(GeneralSettingsDialog::DetectDefaultBrowser(), Browser::Chrome);
    choose(L"https", nullptr);
    choose(L"http", nullptr);
}

TEST_F(GeneralSettings, OpeningShowsTheStoredSettings) {
    StoreSettings({{L"bsel", L"2"},
                   {L"browsers", L"0110"},
                   {L"showicon", L"true"},
                   {L"showmessage", L"false"},
                   {L"playsound", L"true"},
                   {L"autoupdate", L"false"},
                   {L"autoopenfolder", L"true"},
                   {L"loadonstartup", L"false"},
                   {L"savewithnosound", L"TRUE"}});
    Open();
    EXPECT_EQ(Mode(), 2);
    EXPECT_EQ(Boxes(), L"0110");
    EXPECT_TRUE(Checked(IDC_SHOW_ICON));
    EXPECT_FALSE(Checked(IDC_SHOW_MESSAGE));
    // The message box rule runs once at opening: no message, so no sound either.
    EXPECT_FALSE(Checked(IDC_PLAY_SOUND));
    EXPECT_FALSE(Enabled(IDC_PLAY_SOUND));
    EXPECT_FALSE(Checked(IDC_AUTO_UPDATE));
    EXPECT_TRUE(Checked(IDC_AUTO_OPEN_FOLDER));
    EXPECT_FALSE(Checked(IDC_RUN_AT_STARTUP));
    // Only the exact word "true" ticks a box in this dialog.
    EXPECT_FALSE(Checked(IDC_SAVE_NO_SOUND));
    EXPECT_TRUE(dialog_->ItemText(IDC_BROWSER_MODE) == L"Save video from custom browsers");
}

TEST_F(GeneralSettings, BrowserBoxesAndModeFollowEachOther) {
    StoreDefaults();
    UseDefaultBrowserCommand(L"\"C:\\Mozilla Firefox\\firefox.exe\" \"%1\"");
    Open();
    struct Step {
        int mode;
        int clickedBox;
        std::wstring boxes;
        LRESULT expectedMode;
    };
    const Step steps[] = {
        {1, 0, L"0100", 1},                    // default browser: Firefox alone
        {-1, IDC_BROWSER_CHROME, L"0110", 2},  // a second browser: custom
        {-1, IDC_BROWSER_IE, L"1110", 2},
        {-1, IDC_BROWSER_OPERA, L"1111", 0},  // all four: all browsers
        {-1, IDC_BROWSER_FIREFOX, L"1011", 2},
        {2, 0, L"0000", 2},                    // custom clears every box
        {-1, IDC_BROWSER_CHROME, L"0010", 2},  // one browser, not the default one
        {-1, IDC_BROWSER_CHROME, L"0010", 2},  // the only ticked box stays ticked
        {-1, IDC_BROWSER_FIREFOX, L"0110", 2},
        {-1, IDC_BROWSER_CHROME, L"0100", 1},  // back to the default browser alone
        {0, 0, L"1111", 0},
    };
    int index = 0;
    for (const Step& step : steps) {
        if (step.mode >= 0)
            SelectMode(step.mode);
        else
            ClickBox(step.clickedBox);
        EXPECT_EQ(Boxes(), step.boxes) << "step " << index;
        EXPECT_EQ(Mode(), step.expectedMode) << "step " << index;
        ++index;
    }
}

TEST_F(GeneralSettings, NotificationBoxesDependOnEachOther) {
    StoreDefaults();
    Open();
    ClickBox(IDC_SHOW_ICON);
    EXPECT_FALSE(Checked(IDC_SHOW_MESSAGE));
    EXPECT_FALSE(Checked(IDC_PLAY_SOUND));
    EXPECT_FALSE(Enabled(IDC_SHOW_MESSAGE));
    EXPECT_FALSE(Enabled(IDC_PLAY_SOUND));
    ClickBox(IDC_SHOW_ICON);
    EXPECT_TRUE(Enabled(IDC_SHOW_MESSAGE));
    EXPECT_FALSE(Enabled(IDC_PLAY_SOUND));  // the message box is still clear
    ClickBox(IDC_SHOW_MESSAGE);
    EXPECT_TRUE(Enabled(IDC_PLAY_SOUND));
    EXPECT_FALSE(Checked(IDC_PLAY_SOUND));
    ClickBox(IDC_PLAY_SOUND);
    ClickBox(IDC_SHOW_MESSAGE);
    EXPECT_FALSE(Checked(IDC_PLAY_SOUND));
    EXPECT_FALSE(Enabled(IDC_PLAY_SOUND));
}

TEST_F(GeneralSettings, SaveStoresEveryBoxAndEndsWithOk) {
    StoreDefaults();
    Open();
    SelectMode(2);
    ClickBox(IDC_BROWSER_FIREFOX);
    ClickBox(IDC_BROWSER_OPERA);
    ClickBox(IDC_SHOW_MESSAGE);
    ClickBox(IDC_AUTO_UPDATE);
    ClickBox(IDC_SAVE_NO_SOUND);
    ClickBox(IDC_RUN_AT_STARTUP);
    Command(IDOK, BN_CLICKED);
    ASSERT_TRUE(Closed());
    const std::map<std::wstring, std::wstring> expected = {{L"browsers", L"0101"},        {L"bsel", L"2"},
                                                           {L"showicon", L"true"},        {L"showmessage", L"false"},
                                                           {L"playsound", L"false"},      {L"autoupdate", L"false"},
                                                           {L"savewithnosound", L"true"}, {L"autoopenfolder", L"true"},
                                                           {L"loadonstartup", L"false"}};
    for (const auto& [name, text] : expected) EXPECT_EQ(Setting(name.c_str()), text) << name.c_str();
    EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(GeneralSettings, SavingWithNoBrowserAsksFirst) {
    struct Case {
        std::optional<framework::Answer> answer;
        bool closes;
        std::wstring stored;
    };
    const Case cases[] = {
        {std::nullopt, false, L"1111"},  // no answer scripted: the box is closed, as No
        {framework::Answer::No, false, L"1111"},
        {framework::Answer::Yes, true, L"0000"},
    };
    for (const Case& c : cases) {
        StoreDefaults();
        Open();
        ClickBox(IDC_RUN_AT_STARTUP);  // keeps the shortcut out of this test
        SelectMode(2);
        prompter_.shown.clear();
        if (c.answer) prompter_.Answer(*c.answer);
        Command(IDOK, BN_CLICKED);
        ASSERT_EQ(prompter_.shown.size(), 1u);
        EXPECT_EQ(prompter_.shown[0], L"?yn All browsers are disconnected from the program. Do you want to continue?");
        EXPECT_EQ(Closed(), c.closes);
        EXPECT_EQ(Setting(L"browsers"), c.stored);
        dialog_.reset();
    }
}

TEST_F(GeneralSettings, RestoreDefaultsThenCancelChangesNothing) {
    StoreSettings({{L"bsel", L"2"},
                   {L"browsers", L"0010"},
                   {L"showicon", L"false"},
                   {L"showmessage", L"false"},
                   {L"playsound", L"false"},
                   {L"autoupdate", L"false"},
                   {L"autoopenfolder", L"false"},
                   {L"loadonstartup", L"false"},
                   {L"savewithnosound", L"true"}});
    Open();
    Command(IDC_GENERAL_RESTORE, BN_CLICKED);
    EXPECT_EQ(Mode(), 0);
    EXPECT_EQ(Boxes(), L"1111");
    for (int id :
         {IDC_SHOW_ICON, IDC_SHOW_MESSAGE, IDC_PLAY_SOUND, IDC_AUTO_UPDATE, IDC_AUTO_OPEN_FOLDER, IDC_RUN_AT_STARTUP}) {
        EXPECT_TRUE(Checked(id)) << id;
        EXPECT_TRUE(Enabled(id)) << id;
    }
    EXPECT_FALSE(Checked(IDC_SAVE_NO_SOUND));
    Command(IDCANCEL, BN_CLICKED);
    EXPECT_FALSE(Closed());
    EXPECT_EQ(Setting(L"browsers"), L"0010");
    EXPECT_EQ(Setting(L"bsel"), L"2");
    EXPECT_EQ(Setting(L"showicon"), L"false");
    EXPECT_EQ(Setting(L"savewithnosound"), L"true");
    EXPECT_FALSE(FileExists(shortcut_));
}

TEST_F(GeneralSettings, RunAtStartupMakesTheShortcutOnceAndClearingRemovesIt) {
    StoreDefaults();
    for (int round = 0; round < 2; ++round) {
        Open();
        Command(IDOK, BN_CLICKED);
        ASSERT_TRUE(Closed());
        ASSERT_TRUE(FileExists(shortcut_)) << round;
        EXPECT_FALSE(FileExists(commonShortcut_)) << round;
        EXPECT_EQ(Setting(L"loadonstartup"), L"true");
    }

    platform::ComPtr<IShellLinkW> link;
    ASSERT_HRESULT_SUCCEEDED(
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.putVoid()));
    platform::ComPtr<IPersistFile> file;
    ASSERT_HRESULT_SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.putVoid()));
    ASSERT_HRESULT_SUCCEEDED(file->Load(shortcut_.c_str(), STGM_READ));
    wchar_t text[MAX_PATH * 2] = {};
    ASSERT_HRESULT_SUCCEEDED(link->GetArguments(text, MAX_PATH * 2));
    EXPECT_STREQ(text, L"/min");
    ASSERT_HRESULT_SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH * 2));
    EXPECT_EQ(std::wstring(text), platform::ProgramFolder());
    ASSERT_HRESULT_SUCCEEDED(link->GetPath(text, MAX_PATH * 2, nullptr, SLGP_RAWPATH));
    EXPECT_EQ(lstrcmpiW(text, platform::ExecutablePath().c_str()), 0) << text;
    file.reset();
    link.reset();

    Open();
    ClickBox(IDC_RUN_AT_STARTUP);
    Command(IDOK, BN_CLICKED);
    ASSERT_TRUE(Closed());
    EXPECT_FALSE(FileExists(shortcut_));
    EXPECT_EQ(Setting(L"loadonstartup"), L"false");
}

TEST_F(GeneralSettings, SaveWithoutTheSettingsKeyStoresNothingAndStaysOpen) {
    Open();
    Command(IDC_GENERAL_RESTORE, BN_CLICKED);
    Command(IDOK, BN_CLICKED);
    EXPECT_FALSE(Closed());
    EXPECT_FALSE(FileExists(shortcut_));
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0], L"!error The settings could not be saved.");
}

}  // namespace
}  // namespace settings
