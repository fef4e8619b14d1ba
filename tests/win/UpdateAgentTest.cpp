// The update agent against a real server on 127.0.0.1, with an injected clock: when it
// calls, what it records, what it writes, and what it refuses to write.
// Winsock wants to come before windows.h.
#include "support/LoopbackServer.h"

#include "support/FileBytes.h"
#include "support/ScratchFolder.h"
#include "update/UpdateAgent.h"

#include <gtest/gtest.h>

namespace update {
namespace {

using testing_support::BinFolder;
using testing_support::HttpHead;
using testing_support::LoopbackConnection;
using testing_support::LoopbackServer;
using testing_support::ReadFileBytes;
using testing_support::RequestPath;

constexpr std::int64_t kNow = 1'700'000'000;

std::wstring SignedFile(const wchar_t* name) { return BinFolder() + L"signed\\" + name; }

// The installers the server hands out, by the answer kind of the request's first folder.
struct Installers {
    std::string ours = ReadFileBytes(SignedFile(L"ours.exe"));
    std::string otherPublisher = ReadFileBytes(SignedFile(L"other-publisher.exe"));
    std::string copiedSubject = ReadFileBytes(SignedFile(L"copied-subject.exe"));
    std::string unsignedStub = ReadFileBytes(BinFolder() + L"e2e_trace_stub.exe");

    const std::string& For(const std::string& kind) const {
        if (kind == "other") return otherPublisher;
        if (kind == "copied") return copiedSubject;
        if (kind == "unsigned") return unsignedStub;
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
            EXPECT_EQ(ReadFileBytes(Installer()), installers.ours);
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

}  // namespace
}  // namespace update
