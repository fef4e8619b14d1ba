// Starts that must end before the main window: a missing companion file and a waiting
// update. Each shows its messages and leaves the browsers' settings alone.
#include "ProgramTest.h"

#include "platform/Sha256.h"
#include "update/UpdateRules.h"

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

// The program signed with the test publisher's key, and beside it in Updates\ an installer
// stand-in signed with the same key, version 1.22, with the marker that names it as the
// agent writes it; the stand-in records its start in Updates\update.exe.ran.
class UpdateMarker : public RefusedStart {
protected:
    void SetUp() override {
        RefusedStart::SetUp();
        if (HasFatalFailure()) return;
        MakeDirectories(program().Path(L"Updates"));
        TrustTestRoot();
        if (HasFatalFailure()) return;
        program().UseSignedProgram();
        ASSERT_TRUE(CopyFileW(SignedFile(L"ours.exe").c_str(), Installer().c_str(), FALSE))
            << "the signed test files are not built beside the driver";
        WriteMarkerFor(*ReadWholeFile(Installer()));
    }

    // The marker the agent leaves beside the set-up it fetched: the set-up's SHA-256.
    void WriteMarkerFor(const std::string& setup) {
        WriteWholeFile(Marker(), update::MarkerText(platform::Sha256Of(
                                     {reinterpret_cast<const std::uint8_t*>(setup.data()), setup.size()})));
    }

    std::wstring Installer() { return program().Path(L"Updates\\update.exe"); }
    std::wstring Marker() { return program().Path(L"Updates\\update.dat"); }
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

// Only the set-up that the agent fetched and checked is offered: signed with a key the
// running release names, whole, newer by its own version. Any other goes with its marker,
// and the program starts as usual, whether or not the marker names it: one that is not
// signed, one whose signed bytes were changed, one with 4 KB added in its certificate
// table, one from another publisher under a root the machine trusts, one whose self-made
// certificate copies our publisher's name, an older one and one of the same version, ours
// without a marker or beside a marker that names another file; and a developer build,
// which names no keys, takes even ours for no update.
TEST_F(UpdateMarker, SetUpsOtherThanTheOneTheAgentCheckedAreDeletedAndTheStartGoesOn) {
    const auto ours = ReadWholeFile(SignedFile(L"ours.exe"));
    ASSERT_TRUE(ours.has_value());
    auto tampered = ours;
    // A byte of the code, well inside the first section.
    (*tampered)[0x600] ^= 0x01;
    enum class MarkerKind { ForIt, None, ForAnother };
    const struct {
        const char* name;
        std::optional<std::string> installer;
        MarkerKind marker;
        bool developerBuild;
    } cases[] = {
        {"unsigned", ReadWholeFile(BuildProgramFolder() + L"e2e_trace_stub.exe"), MarkerKind::ForIt, false},
        {"tampered", tampered, MarkerKind::ForIt, false},
        {"4 KB added in the certificate table", ReadWholeFile(SignedFile(L"padded.exe")), MarkerKind::ForIt, false},
        {"another trusted publisher", ReadWholeFile(SignedFile(L"other-publisher.exe")), MarkerKind::ForIt, false},
        {"self-signed copy of our name", ReadWholeFile(SignedFile(L"copied-subject.exe")), MarkerKind::ForIt, false},
        {"older", ReadWholeFile(SignedFile(L"older.exe")), MarkerKind::ForIt, false},
        {"the same version", ReadWholeFile(SignedFile(L"same-version.exe")), MarkerKind::ForIt, false},
        {"ours without a marker", ours, MarkerKind::None, false},
        {"ours beside a marker for another file", ours, MarkerKind::ForAnother, false},
        {"ours, but the program is a developer build", ours, MarkerKind::ForIt, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.installer.has_value());
        WriteWholeFile(Installer(), *c.installer);
        DeleteFileW(Marker().c_str());
        if (c.marker == MarkerKind::ForIt) WriteMarkerFor(*c.installer);
        if (c.marker == MarkerKind::ForAnother) WriteMarkerFor(*ReadWholeFile(SignedFile(L"spare.exe")));
        if (c.developerBuild) {
            ASSERT_TRUE(
                CopyFileW((BuildProgramFolder() + L"Reelkeep.exe").c_str(), program().ExecutablePath().c_str(), FALSE));
        }

        RunningProgram run(program());
        const StartWatch start = WatchStartUntilMainWindow(run, kStartTimeout);
        EXPECT_TRUE(start.mainWindowShown) << "the program did not start";
        EXPECT_TRUE(start.messages.empty());
        EXPECT_FALSE(FileExists(Installer()));
        EXPECT_FALSE(FileExists(Marker()));
        EXPECT_FALSE(FileExists(InstallerTrace()));
    }
}

// The update agent of a running copy leaves an installer; a second start meanwhile hands
// over to that copy without a word, and the offer waits for a start of its own.
TEST_F(UpdateMarker, SecondStartWhileTheFirstRunsDoesNotOfferTheInstaller) {
    ASSERT_TRUE(DeleteFileW(Marker().c_str()));
    // No set-up waits at this start: the one there has no marker yet, so it would go.
    const auto setup = ReadWholeFile(Installer());
    RunningProgram first(program());
    ASSERT_NE(first.WaitForVisibleMainWindow(kStartTimeout), nullptr);
    WriteWholeFile(Installer(), *setup);
    WriteMarkerFor(*setup);

    RunningProgram second(program());
    const auto transcript = WatchUntilExit(second, AnswerQuestionWith(IDYES), kExitTimeout);
    EXPECT_TRUE(transcript.exited) << "the second start kept running";
    EXPECT_TRUE(transcript.messages.empty()) << "the second start spoke: " << transcript.messages.size();
    EXPECT_TRUE(first.IsRunning());
    EXPECT_TRUE(FileExists(Installer()));
    EXPECT_TRUE(FileExists(Marker()));
    EXPECT_FALSE(FileExists(InstallerTrace())) << "the installer ran while the first copy runs";

    first.Terminate();
    ASSERT_TRUE(first.WaitForExit(kExitTimeout));
    RunningProgram third(program());
    const auto later = WatchUntilExit(third, AnswerQuestionWith(IDNO), kExitTimeout);
    EXPECT_EQ(later.messages, (std::vector<std::wstring>{kOutdatedQuestion, kQuitsAsOutdatedMessage}));
}

}  // namespace
}  // namespace e2e
