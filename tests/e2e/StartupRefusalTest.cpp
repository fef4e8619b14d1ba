// Starts that must end before the main window: a missing companion file and a waiting
// update. Each shows its messages and leaves the browsers' settings alone.
#include "ProgramTest.h"

#include <wincrypt.h>

namespace e2e {
namespace {

// Browser state that a refused start must not touch: a Firefox profile without
// user.js, an Internet Explorer cache limit that a normal start would raise, and no
// settings key (a normal start would create it).
class RefusedStart : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        if (HasFatalFailure()) return;
        MakeFirefoxProfiles({L"refused.default"});
        WriteDword(HKEY_CURRENT_USER, kCacheContentKey, L"CacheLimit", 5);
        DeleteKeyTree(HKEY_CURRENT_USER, kSettingsKey);
    }

    void ExpectNothingChanged() {
        EXPECT_FALSE(FileExists(FirefoxProfiles() + L"\\refused.default\\user.js"));
        const auto limit = ReadValue(HKEY_CURRENT_USER, kCacheContentKey, L"CacheLimit");
        ASSERT_TRUE(limit.has_value());
        EXPECT_EQ(limit->Dword(), std::optional<DWORD>(5));
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKey)) << "the settings key was created";
    }
};

// An empty or cut player movie would leave the preview blank without a word: it counts
// as missing.
enum class Missing { Ffmpeg, PlayerMovie, Both, EmptyPlayerMovie, CutPlayerMovie };

class MissingCompanions : public RefusedStart, public testing::WithParamInterface<Missing> {};

TEST_P(MissingCompanions, ShowTheMessageOnceAndEndWithoutAWindow) {
    const std::wstring movie = program().Path(L"player.swf");
    switch (GetParam()) {
    case Missing::Ffmpeg: program().RemoveCompanion(Companion::Ffmpeg); break;
    case Missing::PlayerMovie: program().RemoveCompanion(Companion::PlayerMovie); break;
    case Missing::Both:
        program().RemoveCompanion(Companion::Ffmpeg);
        program().RemoveCompanion(Companion::PlayerMovie);
        break;
    case Missing::EmptyPlayerMovie: WriteWholeFile(movie, ""); break;
    case Missing::CutPlayerMovie: {
        const auto bytes = ReadWholeFile(movie);
        ASSERT_TRUE(bytes.has_value() && bytes->size() > 64);
        WriteWholeFile(movie, bytes->substr(0, bytes->size() / 2));
        break;
    }
    }

    RunningProgram run(program());
    const auto transcript = WatchUntilExit(run, AcknowledgeAnything, kExitTimeout);

    EXPECT_TRUE(transcript.exited) << "the program kept running";
    EXPECT_EQ(transcript.messages, std::vector<std::wstring>{kMissingFilesMessage});
    EXPECT_FALSE(transcript.mainWindowSeen);
    ExpectNothingChanged();
}

INSTANTIATE_TEST_SUITE_P(Startup, MissingCompanions,
                         testing::Values(Missing::Ffmpeg, Missing::PlayerMovie, Missing::Both,
                                         Missing::EmptyPlayerMovie, Missing::CutPlayerMovie),
                         [](const testing::TestParamInfo<Missing>& info) {
                             switch (info.param) {
                             case Missing::Ffmpeg: return std::string("FfmpegMissing");
                             case Missing::PlayerMovie: return std::string("PlayerMovieMissing");
                             case Missing::Both: return std::string("BothMissing");
                             case Missing::EmptyPlayerMovie: return std::string("PlayerMovieEmpty");
                             case Missing::CutPlayerMovie: return std::string("PlayerMovieCut");
                             }
                             return std::string("Unknown");
                         });

// The installer stand-in records its start in Updates\update.exe.ran.
class UpdateMarker : public RefusedStart {
protected:
    void SetUp() override {
        RefusedStart::SetUp();
        if (HasFatalFailure()) return;
        MakeDirectories(program().Path(L"Updates"));
        WriteWholeFile(program().Path(L"Updates\\update.dat"), "1.22");
        TrustTestRoot();
        ASSERT_TRUE(CopyFileW((BuildProgramFolder() + L"e2e_signed_stub.exe").c_str(),
                              program().Path(L"Updates\\update.exe").c_str(), FALSE))
            << "e2e_signed_stub.exe is not built beside the driver";
    }

    // The signed stand-in chains to the build's throw-away root; the prefix trusts it.
    static void TrustTestRoot() {
        const auto root = ReadWholeFile(BuildProgramFolder() + L"e2e-test-root.cer");
        ASSERT_TRUE(root.has_value()) << "e2e-test-root.cer is not built beside the driver";
        HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
        ASSERT_NE(store, nullptr);
        const BOOL added = CertAddEncodedCertificateToStore(
            store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(root->data()), static_cast<DWORD>(root->size()),
            CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
        CertCloseStore(store, 0);
        ASSERT_TRUE(added);
    }

    std::wstring InstallerTrace() { return program().Path(L"Updates\\update.exe.ran"); }

    // Answers the update question with `answer` and anything else with OK; remembers the
    // buttons the question offered.
    Answerer AnswerQuestionWith(int answer) {
        return [this, answer](const MessageBoxView& box) {
            if (box.text == kOutdatedQuestion) {
                questionButtons_ = box.buttons;
                return box.Has(answer) ? answer : box.buttons.front();
            }
            return AcknowledgeAnything(box);
        };
    }

    void ExpectYesNoQuestion() {
        EXPECT_TRUE(std::find(questionButtons_.begin(), questionButtons_.end(), IDYES) != questionButtons_.end());
        EXPECT_TRUE(std::find(questionButtons_.begin(), questionButtons_.end(), IDNO) != questionButtons_.end());
        EXPECT_EQ(questionButtons_.size(), 2u) << "the question offers more than Yes and No";
    }

    std::vector<int> questionButtons_;
};

TEST_F(UpdateMarker, YesStartsTheInstallerAndEnds) {
    RunningProgram run(program());
    const auto transcript = WatchUntilExit(run, AnswerQuestionWith(IDYES), kExitTimeout);

    EXPECT_TRUE(transcript.exited) << "the program kept running";
    EXPECT_EQ(transcript.messages, std::vector<std::wstring>{kOutdatedQuestion});
    ExpectYesNoQuestion();
    EXPECT_FALSE(transcript.mainWindowSeen);
    EXPECT_TRUE(WaitUntil([&] { return FileExists(InstallerTrace()); }, 10s)) << "Updates\\update.exe never ran";
    ExpectNothingChanged();
}

TEST_F(UpdateMarker, NoSaysTheProgramQuitsAndEndsWithoutTheInstaller) {
    RunningProgram run(program());
    const auto transcript = WatchUntilExit(run, AnswerQuestionWith(IDNO), kExitTimeout);

    EXPECT_TRUE(transcript.exited) << "the program kept running";
    EXPECT_EQ(transcript.messages, (std::vector<std::wstring>{kOutdatedQuestion, kQuitsAsOutdatedMessage}));
    ExpectYesNoQuestion();
    EXPECT_FALSE(transcript.mainWindowSeen);
    // An installer would have been started before the process ended: it either runs
    // still or has left its trace. Looked at in this order, a start cannot slip between.
    EXPECT_FALSE(ProcessRunsFrom(program().Path(L"Updates\\update.exe"))) << "Updates\\update.exe runs after No";
    EXPECT_FALSE(FileExists(InstallerTrace())) << "Updates\\update.exe ran after No";
    ExpectNothingChanged();
}

// An installer that is not signed, or whose signed bytes were changed, is never offered:
// it goes with its marker and the program starts as usual.
TEST_F(UpdateMarker, UnsignedOrTamperedInstallerIsDeletedAndTheStartGoesOn) {
    const std::wstring installer = program().Path(L"Updates\\update.exe");
    for (const bool tampered : {false, true}) {
        SCOPED_TRACE(tampered ? "tampered" : "unsigned");
        auto bytes = ReadWholeFile(BuildProgramFolder() + (tampered ? L"e2e_signed_stub.exe" : L"e2e_trace_stub.exe"));
        ASSERT_TRUE(bytes.has_value());
        // A byte of the code, well inside the first section.
        if (tampered) (*bytes)[0x600] ^= 0x01;
        WriteWholeFile(installer, *bytes);
        WriteWholeFile(program().Path(L"Updates\\update.dat"), "");

        RunningProgram run(program());
        const StartWatch start = WatchStartUntilMainWindow(run, kStartTimeout);
        EXPECT_TRUE(start.mainWindowShown) << "the program did not start";
        EXPECT_TRUE(start.messages.empty());
        EXPECT_FALSE(FileExists(installer));
        EXPECT_FALSE(FileExists(program().Path(L"Updates\\update.dat")));
        EXPECT_FALSE(FileExists(InstallerTrace()));
    }
}

}  // namespace
}  // namespace e2e
