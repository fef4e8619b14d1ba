// The update agent against a real server on 127.0.0.1, with an injected clock: when it
// calls, what it records, what it writes, and what it refuses to write.
// Winsock wants to come before windows.h.
#include "support/LoopbackServer.h"

#include "framework/Worker.h"
#include "platform/Sha256.h"
#include "support/FileBytes.h"
#include "support/QuietMainWindow.h"
#include "support/ScratchFolder.h"
#include "support/SignedFiles.h"
#include "update/UpdateAgent.h"
#include "update/UpdateRules.h"
#include "update/WaitingSetup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

namespace update {
namespace {

using testing_support::BinFolder;
using testing_support::HttpHead;
using testing_support::LoopbackConnection;
using testing_support::LoopbackServer;
using testing_support::ReadFileBytes;
using testing_support::RequestPath;
using testing_support::SignedFile;

// A day when the test publisher's certificates were all valid.
const std::int64_t kNow = std::time(nullptr);

// The installers the server hands out, by the answer kind of the request's first folder.
struct Installers {
    std::string ours = ReadFileBytes(SignedFile(L"ours.exe"));
    std::string otherPublisher = ReadFileBytes(SignedFile(L"other-publisher.exe"));
    std::string copiedSubject = ReadFileBytes(SignedFile(L"copied-subject.exe"));
    std::string unsignedStub = ReadFileBytes(BinFolder() + L"e2e_trace_stub.exe");
    std::string spare = ReadFileBytes(SignedFile(L"spare.exe"));
    std::string older = ReadFileBytes(SignedFile(L"older.exe"));
    std::string padded = ReadFileBytes(SignedFile(L"padded.exe"));

    const std::string& For(const std::string& kind) const {
        if (kind == "other") return otherPublisher;
        if (kind == "copied") return copiedSubject;
        if (kind == "unsigned") return unsignedStub;
        if (kind == "spare") return spare;
        if (kind == "downgrade") return older;
        if (kind == "padded") return padded;
        return ours;
    }
};

// What /<kind>/actual-version/ answers: a version, or something that is none.
std::string VersionAnswer(const std::string& kind) {
    if (kind == "same") return "1.21";
    if (kind == "crlf") return "1.21\r\n";
    if (kind == "older") return "1.20.9";
    if (kind == "page") return "<html>Service unavailable</html>";
    // A newer version, but padded far past any version's length.
    if (kind == "endless") return "1.22" + std::string(100'000, ' ');
    return "1.22";
}

// /<answer kind>/actual-version/ and its update.exe.
LoopbackServer::Handler Answer(const Installers& installers) {
    return [&installers](const std::string& head, LoopbackConnection& connection) {
        const std::string path = RequestPath(head);
        const std::string kind = path.substr(1, path.find('/', 1) - 1);
        const bool installer = path.ends_with("/update.exe");
        if (kind == "gone") return void(connection.Send(HttpHead(404, 9) + "not here!"));
        if (!installer) {
            const std::string version = VersionAnswer(kind);
            return void(connection.Send(HttpHead(200, version.size(), "text/plain") + version));
        }
        const std::string& body = installers.For(kind);
        if (kind == "cut") return void(connection.Send(HttpHead(200, body.size()) + body.substr(0, 1000)));
        if (kind == "unsized") return void(connection.Send(HttpHead(200, 0, "application/octet-stream", false) + body));
        // A terabyte announced, and a start of it sent.
        if (kind == "huge") return void(connection.Send(HttpHead(200, 1ull << 40) + body));
        connection.Send(HttpHead(200, body.size(), "application/octet-stream") + body);
    };
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class UpdateAgent : public testing::Test {
protected:
    AgentContext Context(const std::wstring& base) {
        AgentContext context;
        context.updateBase = base;
        context.updatesFolder = updates_.path();
        context.runningProgram = runningProgram_;
        context.autoUpdateOn = [this] { return switchOn_.load(); };
        context.lastContact = [this] { return lastContact_.load(); };
        context.recordContact = [this](std::int32_t time) {
            lastContact_ = time;
            ++contacts_;
        };
        context.now = [this] { return now_.load(); };
        context.timeoutMs = 5000;
        context.freeBytes = [this](const std::wstring&) { return freeBytes_; };
        return context;
    }
    std::wstring Installer() const { return updates_.path() + L"update.exe"; }
    std::wstring Marker() const { return updates_.path() + L"update.dat"; }

    testing_support::ScratchFolder updates_{L"updates"};
    // The program signed at build time with our test publisher's key.
    std::wstring runningProgram_ = SignedFile(L"Reelkeep.exe");
    std::atomic<bool> switchOn_{true};
    std::atomic<std::int32_t> lastContact_{0};
    std::atomic<std::int64_t> now_{kNow};
    int contacts_ = 0;
    std::optional<std::uint64_t> freeBytes_ = 45ull << 30;
};

TEST_F(UpdateAgent, CallsWhenDueAndLeavesAMarkerOnlyBesideOurWholeNewerInstaller) {
    const Installers installers;
    ASSERT_FALSE(installers.ours.empty()) << "the signed test files are not built beside the tests";
    LoopbackServer server(Answer(installers));
    const std::wstring developerBuild = BinFolder() + L"Reelkeep.exe";
    struct Case {
        const char* name;
        const wchar_t* kind;
        bool on;
        std::int64_t sinceContact;  // seconds since the last contact; -1 for never
        bool markerBefore;
        CheckOutcome outcome;
        size_t requests;
        bool contactRecorded;
        bool installerAfter;
        bool signedProgram = true;
        std::optional<std::uint64_t> freeBytes = 45ull << 30;
    };
    const Case cases[] = {
        {"switch off", L"new", false, -1, false, CheckOutcome::NotDue, 0, false, false},
        {"exactly a day", L"new", true, 86'400, false, CheckOutcome::NotDue, 0, false, false},
        {"a day and a second", L"new", true, 86'401, false, CheckOutcome::Downloaded, 2, true, true},
        {"same version", L"same", true, -1, false, CheckOutcome::NotNewer, 1, true, false},
        {"same with a line break", L"crlf", true, -1, false, CheckOutcome::NotNewer, 1, true, false},
        {"older version", L"older", true, -1, false, CheckOutcome::NotNewer, 1, true, false},
        {"an error page", L"page", true, -1, false, CheckOutcome::NotNewer, 1, true, false},
        {"an endless answer", L"endless", true, -1, false, CheckOutcome::NotNewer, 1, true, false},
        {"newer version", L"new", true, -1, false, CheckOutcome::Downloaded, 2, true, true},
        {"marker waiting", L"new", true, -1, true, CheckOutcome::InstallerWaiting, 1, true, false},
        {"404", L"gone", true, -1, false, CheckOutcome::OtherStatus, 1, true, false},
        {"cut installer", L"cut", true, -1, false, CheckOutcome::DownloadFailed, 2, true, false},
        {"unsized installer", L"unsized", true, -1, false, CheckOutcome::DownloadFailed, 2, true, false},
        {"another publisher", L"other", true, -1, false, CheckOutcome::NotOurPublisher, 2, true, false},
        {"our name, not our key", L"copied", true, -1, false, CheckOutcome::NotOurPublisher, 2, true, false},
        {"unsigned installer", L"unsigned", true, -1, false, CheckOutcome::NotOurPublisher, 2, true, false},
        {"developer build", L"new", true, -1, false, CheckOutcome::UnsignedProgram, 1, true, false, false},
        {"the spare key", L"spare", true, -1, false, CheckOutcome::Downloaded, 2, true, true},
        {"older by its own version", L"downgrade", true, -1, false, CheckOutcome::SetupNotNewer, 2, true, false},
        {"4 KB in its certificate table", L"padded", true, -1, false, CheckOutcome::NotOurPublisher, 2, true, false},
        {"a terabyte", L"huge", true, -1, false, CheckOutcome::NoRoom, 2, true, false},
        {"more than the disk holds", L"new", true, -1, false, CheckOutcome::NoRoom, 2, true, false, true, 1000},
        {"free space unknown", L"new", true, -1, false, CheckOutcome::Downloaded, 2, true, true, true, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileW(Installer().c_str());
        DeleteFileW(Marker().c_str());
        if (c.markerBefore)
            CloseHandle(CreateFileW(Marker().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        switchOn_ = c.on;
        lastContact_ = c.sinceContact < 0 ? 0 : static_cast<std::int32_t>(kNow - c.sinceContact);
        contacts_ = 0;
        runningProgram_ = c.signedProgram ? SignedFile(L"Reelkeep.exe") : developerBuild;
        freeBytes_ = c.freeBytes;
        const size_t before = server.Requests().size();

        EXPECT_EQ(CheckForUpdate(Context(server.Url(L"/" + std::wstring(c.kind) + L"/actual-version/"))), c.outcome);

        EXPECT_EQ(server.Requests().size() - before, c.requests);
        EXPECT_EQ(contacts_, c.contactRecorded ? 1 : 0);
        if (c.contactRecorded) {
            EXPECT_EQ(lastContact_.load(), static_cast<std::int32_t>(kNow));
        }
        EXPECT_EQ(Exists(Installer()), c.installerAfter);
        EXPECT_EQ(Exists(Marker()), c.installerAfter || c.markerBefore)
            << "the marker must stand beside a whole installer";
        if (c.installerAfter) {
            const std::string fetched = ReadFileBytes(Installer());
            EXPECT_EQ(fetched, installers.For(std::string(c.kind, c.kind + wcslen(c.kind))));
            EXPECT_EQ(ReadFileBytes(Marker()),
                      MarkerText(
                          platform::Sha256Of({reinterpret_cast<const std::uint8_t*>(fetched.data()), fetched.size()})));
        }
    }
    const auto heads = server.Requests();
    ASSERT_FALSE(heads.empty());
    EXPECT_NE(heads.front().find("User-Agent: Reelkeep - Agent UpDater\r\n"), std::string::npos) << heads.front();
}

TEST_F(UpdateAgent, RefusedConnectionIsNoContactAndTheLoopRereadsTheSwitch) {
    std::wstring refused;
    {
        LoopbackServer closed([](const std::string&, LoopbackConnection&) {});
        refused = closed.Url(L"/new/actual-version/");
    }
    EXPECT_EQ(CheckForUpdate(Context(refused)), CheckOutcome::NoAnswer);
    EXPECT_EQ(contacts_, 0);
    EXPECT_EQ(lastContact_.load(), 0);

    // Wake-ups 1 and 2 find the switch off; the user turns it on before wake-up 3, which
    // calls; wake-up 4 is within the day and stays quiet.
    const Installers installers;
    LoopbackServer server(Answer(installers));
    switchOn_ = false;
    int wakeUps = 0;
    RunUpdateAgent(Context(server.Url(L"/same/actual-version/")), [&] {
        if (++wakeUps == 3) switchOn_ = true;
        now_ += 60;
        return wakeUps <= 4;
    });
    EXPECT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(contacts_, 1);
    EXPECT_FALSE(Exists(Marker()));
}

// The main window's own agent (its settings, its registry record, the update base from
// REELKEEP_UPDATE_URL), woken once instead of after a minute: it fetches our set-up, and
// the next start's check offers that very file.
class AgentOfTheWindow : public testing_support::QuietMainWindow {
public:
    std::wstring updates, program;
    // The window reads its settings after it has started its workers, as the program does:
    // the one wake-up comes once it has.
    std::atomic<bool> started{false}, done{false};

protected:
    void StartWorkers() override {
        AgentContext context = UpdateAgentContext();
        context.updatesFolder = updates;
        context.runningProgram = program;
        framework::StartWorker(context, [this](const AgentContext& agent) {
            int wakeUps = 0;
            RunUpdateAgent(agent, [&] {
                while (!started) Sleep(10);
                return ++wakeUps == 1;
            });
            done = true;
        });
    }
};

TEST_F(UpdateAgent, TheWindowsAgentFetchesOurSetUpAndTheNextStartOffersIt) {
    testing_support::TrustTestRoot();
    if (HasFatalFailure()) return;
    const Installers installers;
    LoopbackServer server(Answer(installers));
    RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Reelkeep");
    SetEnvironmentVariableW(L"REELKEEP_UPDATE_URL", server.Url(L"/new/actual-version/").c_str());
    AgentOfTheWindow window;
    window.updates = updates_.path();
    window.program = SignedFile(L"Reelkeep.exe");
    ASSERT_TRUE(window.CreateModeless());
    window.started = true;
    MSG message;
    for (int i = 0; i < 1000 && !window.done; ++i) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(10);
    }
    SetEnvironmentVariableW(L"REELKEEP_UPDATE_URL", nullptr);
    ASSERT_TRUE(window.done);
    wchar_t recorded[32] = {};
    DWORD size = sizeof recorded;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"SOFTWARE\\Reelkeep", L"lastpingtime", RRF_RT_REG_SZ, nullptr, recorded,
                           &size),
              ERROR_SUCCESS);
    EXPECT_GT(std::wcstoll(recorded, nullptr, 10), 0);
    DestroyWindow(window.hwnd());
    RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Reelkeep");

    const auto waiting = WaitingSetup::Find(updates_.path(), SignedFile(L"Reelkeep.exe"), kNow);
    ASSERT_TRUE(waiting.has_value());
    EXPECT_EQ(waiting->path(), Installer());
    EXPECT_EQ(ReadFileBytes(Installer()), installers.ours);
}

// What the start finds in Updates\: only the set-up the marker names, which holds up as
// the agent's did, is offered; anything else goes with its marker, and the start goes on.
TEST_F(UpdateAgent, TheStartOffersOnlyTheSetUpTheMarkerNamesAndDeletesAnyOther) {
    testing_support::TrustTestRoot();
    if (HasFatalFailure()) return;
    auto digestOf = [](const std::string& bytes) {
        return MarkerText(platform::Sha256Of({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}));
    };
    const std::string ours = ReadFileBytes(SignedFile(L"ours.exe"));
    const struct {
        const char* name;
        std::string setup;
        std::optional<std::string> marker;
        bool offered;
    } cases[] = {
        {"ours, as fetched", ours, digestOf(ours), true},
        {"ours, with a line end after the digest", ours, digestOf(ours) + "\r\n", true},
        {"ours, without a marker", ours, std::nullopt, false},
        {"ours, with the empty marker of old", ours, "", false},
        {"another file than the marker names", ReadFileBytes(SignedFile(L"spare.exe")), digestOf(ours), false},
        {"older, its own marker beside it", ReadFileBytes(SignedFile(L"older.exe")),
         digestOf(ReadFileBytes(SignedFile(L"older.exe"))), false},
        {"the same version", ReadFileBytes(SignedFile(L"same-version.exe")),
         digestOf(ReadFileBytes(SignedFile(L"same-version.exe"))), false},
        {"4 KB in its table", ReadFileBytes(SignedFile(L"padded.exe")),
         digestOf(ReadFileBytes(SignedFile(L"padded.exe"))), false},
        {"a marker alone", "", digestOf(ours), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileW(Installer().c_str());
        DeleteFileW(Marker().c_str());
        if (!c.setup.empty()) {
            ASSERT_TRUE(testing_support::WriteFileBytes(Installer(), c.setup));
        }
        if (c.marker) {
            ASSERT_TRUE(testing_support::WriteFileBytes(Marker(), *c.marker));
        }
        {
            const auto waiting = WaitingSetup::Find(updates_.path(), SignedFile(L"Reelkeep.exe"), kNow);
            EXPECT_EQ(waiting.has_value(), c.offered);
            if (waiting) {
                // Held until it has been started: nobody may change it meanwhile.
                EXPECT_FALSE(testing_support::WriteFileBytes(Installer(), "changed"));
                EXPECT_FALSE(DeleteFileW(Installer().c_str()));
            }
        }
        EXPECT_EQ(Exists(Installer()), c.offered);
        EXPECT_EQ(Exists(Marker()), c.offered);
    }
    // A developer build names no keys: even ours is deleted.
    ASSERT_TRUE(testing_support::WriteFileBytes(Installer(), ours));
    ASSERT_TRUE(testing_support::WriteFileBytes(Marker(), digestOf(ours)));
    EXPECT_FALSE(WaitingSetup::Find(updates_.path(), BinFolder() + L"Reelkeep.exe", kNow).has_value());
    EXPECT_FALSE(Exists(Installer()));
}

// The check of a waiting 20 MB set-up is what it adds to a start: at most 100 ms.
TEST_F(UpdateAgent, CheckingAWaiting20MbSetUpTakesAtMostATenthOfASecond) {
    testing_support::TrustTestRoot();
    if (HasFatalFailure()) return;
    const std::string large = ReadFileBytes(SignedFile(L"large.exe"));
    ASSERT_GE(large.size(), 20u << 20);
    ASSERT_TRUE(testing_support::WriteFileBytes(Installer(), large));
    ASSERT_TRUE(testing_support::WriteFileBytes(
        Marker(), MarkerText(platform::Sha256Of({reinterpret_cast<const std::uint8_t*>(large.data()), large.size()}))));
    std::vector<double> times;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const auto waiting = WaitingSetup::Find(updates_.path(), SignedFile(L"Reelkeep.exe"), kNow);
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        ASSERT_TRUE(waiting.has_value());
    }
    const double first = times.front();
    std::sort(times.begin(), times.end());
    std::printf("[ figure ] check of a waiting 20 MB set-up: first %.1f ms, median %.1f ms\n", first,
                times[times.size() / 2]);
    EXPECT_LE(times[times.size() / 2], 100.0);
}

}  // namespace
}  // namespace update
