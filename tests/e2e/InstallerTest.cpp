// The set-up as an administrator runs it: a silent install into Program Files, the program
// started from its Start-menu shortcut, then a silent uninstall while it runs, which
// closes it through its own Quit, removes program and settings and keeps the clips.
#include "ProgramTest.h"

#include <shlobj.h>
#include <shobjidl.h>

#include "platform/ComPtr.h"

namespace e2e {
namespace {

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Reelkeep";
constexpr auto kSetupTimeout = 120s;

std::wstring SetupPath() {
    const char* unixPath = std::getenv("REELKEEP_SETUP");
    if (unixPath == nullptr || *unixPath == '\0')
        throw std::runtime_error("REELKEEP_SETUP is not set (make installer)");
    return WindowsPathOf(unixPath);
}

// Runs a program with arguments and waits for it; the exit code, or nullopt on time-out.
std::optional<DWORD> RunToEnd(const std::wstring& executable, const std::wstring& arguments, Milliseconds timeout) {
    RunningProgram run(executable, arguments);
    if (!run.WaitForExit(timeout)) return std::nullopt;
    return run.ExitCode();
}

// The target of a shell link, as Explorer would start it.
std::wstring LinkTarget(const std::wstring& link) {
    platform::ComPtr<IShellLinkW> shellLink;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, shellLink.putVoid())))
        return {};
    platform::ComPtr<IPersistFile> file;
    if (FAILED(shellLink->QueryInterface(IID_IPersistFile, file.putVoid())) ||
        FAILED(file->Load(link.c_str(), STGM_READ)))
        return {};
    wchar_t target[MAX_PATH] = {};
    return SUCCEEDED(shellLink->GetPath(target, MAX_PATH, nullptr, 0)) ? target : L"";
}

class Installer : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        installFolder_ = SpecialFolder(CSIDL_PROGRAM_FILES) + L"\\Reelkeep\\";
        RemoveInstallation();
    }
    void TearDown() override {
        RemoveInstallation();
        CoUninitialize();
        ProgramTest::TearDown();
    }
    void RemoveInstallation() {
        try {
            RemoveTree(installFolder_);
        } catch (const std::exception&) {
            // An uninstaller of a failed run may still be deleting files under our feet.
        }
        DeleteKeyTree(HKEY_LOCAL_MACHINE, kUninstallKey);
    }

    std::wstring installFolder_;
};

TEST_F(Installer, SilentInstallStartsFromTheStartMenuAndSilentUninstallKeepsTheClips) {
    DeleteKeyTree(HKEY_CURRENT_USER, kSettingsKey);
    const auto installed = RunToEnd(SetupPath(), L"/S", kSetupTimeout);
    ASSERT_EQ(installed, std::optional<DWORD>(0)) << "the silent install did not finish";
    // Every file as the build made it, byte for byte.
    for (const wchar_t* file : {L"Reelkeep.exe", L"ffmpeg.exe", L"player.swf", L"Help.chm"}) {
        const auto installed = ReadWholeFile(installFolder_ + file);
        // The set-up carries its own copy of the program: signed, when the release is.
        const std::wstring source =
            file == std::wstring(L"Reelkeep.exe") ? BuildProgramFolder() + L"..\\installer\\" : BuildProgramFolder();
        EXPECT_TRUE(installed && installed == ReadWholeFile(source + file))
            << testing::PrintToString(std::wstring(file));
    }
    EXPECT_TRUE(FileExists(installFolder_ + L"Uninstall.exe"));
    EXPECT_TRUE(DirectoryExists(installFolder_ + L"Updates"));
    EXPECT_TRUE(DirectoryExists(installFolder_ + L"Videos"));
    const auto text = [](const wchar_t* name) {
        const auto value = ReadValue(HKEY_LOCAL_MACHINE, kUninstallKey, name);
        return value ? value->Text() : std::wstring();
    };
    EXPECT_EQ(text(L"DisplayName"), L"Reelkeep");
    EXPECT_EQ(text(L"DisplayVersion"), L"1.21");
    EXPECT_FALSE(text(L"Publisher").empty());
    EXPECT_EQ(text(L"DisplayIcon"), installFolder_ + L"Reelkeep.exe,0");
    // Kilobytes of the program folder: more than the tool alone, which is most of it.
    WIN32_FILE_ATTRIBUTE_DATA tool{};
    ASSERT_TRUE(GetFileAttributesExW((installFolder_ + L"ffmpeg.exe").c_str(), GetFileExInfoStandard, &tool));
    EXPECT_GT(
        ReadValue(HKEY_LOCAL_MACHINE, kUninstallKey, L"EstimatedSize").value_or(RegistryValue{}).Dword().value_or(0),
        tool.nFileSizeLow / 1024)
        << "kilobytes of the program folder";

    const std::wstring link = SpecialFolder(CSIDL_COMMON_PROGRAMS) + L"\\Reelkeep.lnk";
    const std::wstring target = LinkTarget(link);
    ASSERT_EQ(_wcsicmp(target.c_str(), (installFolder_ + L"Reelkeep.exe").c_str()), 0)
        << testing::PrintToString(target);
    RunningProgram run(target);
    ASSERT_NE(run.WaitForVisibleMainWindow(kStartTimeout), nullptr);
    ASSERT_TRUE(WaitUntil([] { return ReadValue(HKEY_CURRENT_USER, kSettingsKey, L"view").has_value(); }, 10s))
        << "the installed program wrote no settings";
    const std::wstring clip = installFolder_ + L"Videos\\1260000001.flv";
    WriteWholeFile(clip, std::string(4096, 'c'));

    // Silent: no question, the running program is closed and the clips stay.
    ASSERT_TRUE(RunToEnd(installFolder_ + L"Uninstall.exe", L"/S", kSetupTimeout).has_value());
    EXPECT_TRUE(run.WaitForExit(kExitTimeout)) << "the uninstaller left the program running";
    EXPECT_EQ(run.ExitCode(), std::optional<DWORD>(0)) << "closed through its own Quit";
    // The uninstaller finishes from a copy of itself in the temporary folder, itself last.
    EXPECT_TRUE(WaitUntil([&] { return !FileExists(installFolder_ + L"Uninstall.exe"); }, kSetupTimeout));
    EXPECT_FALSE(FileExists(installFolder_ + L"Reelkeep.exe"));
    EXPECT_TRUE(WaitUntil([] { return !KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey); }, 20s));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));
    EXPECT_FALSE(FileExists(link));
    for (const wchar_t* file : {L"ffmpeg.exe", L"player.swf", L"Help.chm"})
        EXPECT_FALSE(FileExists(installFolder_ + file)) << testing::PrintToString(std::wstring(file));
    EXPECT_TRUE(FileExists(clip)) << "a silent uninstall must keep the clips";
}

}  // namespace
}  // namespace e2e
