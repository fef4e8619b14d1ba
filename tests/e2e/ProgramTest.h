#pragma once
// Base of every e2e test: a fresh scratch program folder per test, no Reelkeep.exe left
// running from before, and the places outside the folder that start-up touches.
#include <windows.h>
#include <shlobj.h>
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "Harness.h"
#include "resources/resource.h"

namespace e2e {

inline constexpr wchar_t kSettingsKey[] = L"SOFTWARE\\Reelkeep";
inline constexpr wchar_t kCacheContentKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\5.0\\Cache\\Content";
inline constexpr wchar_t kLowCacheContentKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\5.0\\LowCache\\Content";
inline constexpr DWORD kWantedCacheLimit = 0x100000;
inline constexpr char kFirefoxCacheLine[] = "user_pref(\"browser.cache.disk.capacity\", 1024000);";
inline constexpr UINT kTrayIconId = 7353;

inline constexpr wchar_t kMissingFilesMessage[] =
    L"The program has detected that some files are missing, please reinstall the program";
inline constexpr wchar_t kOutdatedQuestion[] = L"This version of Reelkeep is outdated. Reinstall the program?";
inline constexpr wchar_t kQuitsAsOutdatedMessage[] = L"The program quits as outdated";

// Start-up under Wine takes well under a second when warm; these leave room for a
// loaded CI machine without letting a hung program stall the run.
inline constexpr auto kStartTimeout = 20s;
inline constexpr auto kExitTimeout = 20s;

class ProgramTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(EndLeftoverPrograms(), 0)
            << "another Reelkeep.exe runs in this Wine prefix; the single-instance rule would "
               "turn every start of this test into a hand-over";
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        const std::string name = std::string(info->test_suite_name()) + "." + info->name();
        program_.emplace(std::wstring(name.begin(), name.end()));
    }
    void TearDown() override {
        if (HasFailure() && program_) program_->Keep();
    }

    ScratchProgram& program() { return *program_; }

    // The clips the Windows tests made, beside the driver.
    static std::wstring ClipsFolder() {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring folder(path);
        return folder.substr(0, folder.rfind(L'\\') + 1) + L"probe-clips\\";
    }

    static std::wstring FirefoxProfiles() { return SpecialFolder(CSIDL_APPDATA) + L"\\Mozilla\\Firefox\\Profiles"; }
    // Starts from an empty Profiles folder holding the given profile folders.
    static void MakeFirefoxProfiles(std::initializer_list<const wchar_t*> profiles) {
        RemoveTree(FirefoxProfiles());
        for (const wchar_t* profile : profiles) MakeDirectories(FirefoxProfiles() + L"\\" + profile);
    }

    // The program and the installer stand-ins that the build signed with throw-away
    // certificates (tests/e2e/sign-test-files.sh).
    static std::wstring SignedFile(const wchar_t* name) { return BuildProgramFolder() + L"signed\\" + name; }
    // Their certificates chain to the build's test root; the prefix trusts it, as a Windows
    // machine trusts the root of our real certificate.
    static void TrustTestRoot() { TrustRoot(SignedFile(L"test-root.cer")); }
    // Takes back what TrustRoot gave.
    static void ForgetRoot(const std::wstring& file) {
        const auto root = ReadWholeFile(file);
        if (!root) return;
        PCCERT_CONTEXT wanted = CertCreateCertificateContext(
            X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(root->data()), static_cast<DWORD>(root->size()));
        HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
        if (wanted && store) {
            if (PCCERT_CONTEXT found =
                    CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, wanted, nullptr))
                CertDeleteCertificateFromStore(found);
        }
        if (store) CertCloseStore(store, 0);
        if (wanted) CertFreeCertificateContext(wanted);
    }
    // Makes the certificate in the file (DER) a trusted root of this prefix's user.
    static void TrustRoot(const std::wstring& file) {
        const auto root = ReadWholeFile(file);
        ASSERT_TRUE(root.has_value()) << "no test root at " << std::string(file.begin(), file.end());
        HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
        ASSERT_NE(store, nullptr);
        const BOOL added = CertAddEncodedCertificateToStore(
            store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(root->data()), static_cast<DWORD>(root->size()),
            CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
        CertCloseStore(store, 0);
        ASSERT_TRUE(added);
    }

    // Presses the filter's Show and waits until the list it rebuilds is complete: the
    // rebuild waits for any build under way, and Show stays disabled until it has ended.
    // False when the program ended or the rebuild never did.
    static bool ListAgain(const RunningProgram& run, HWND main) {
        HWND show = GetDlgItem(main, IDC_FILTER_SHOW);
        SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_FILTER_SHOW, BN_CLICKED), reinterpret_cast<LPARAM>(show));
        return WaitUntil([&] { return !run.IsRunning() || IsWindowEnabled(show); }, 30s) && run.IsRunning();
    }

    // Presses OK where there is one, else the first button: for boxes a test does not
    // expect, so that the program can go on and the transcript shows what came.
    static int AcknowledgeAnything(const MessageBoxView& box) { return box.Has(IDOK) ? IDOK : box.buttons.front(); }

private:
    std::optional<ScratchProgram> program_;
};

}  // namespace e2e
