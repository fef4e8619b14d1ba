#include "update/UpdateAgent.h"

#include "platform/AnsiText.h"
#include "platform/Environment.h"
#include "platform/FileValues.h"
#include "platform/UniqueHandle.h"
#include "update/Publisher.h"
#include "update/UpdateRules.h"

#include <optional>

namespace update {

namespace {

constexpr DWORD kPieceSize = 1024;

// The version answer, or nothing when it runs on past any version's length: a server
// that never stops talking must not fill the memory.
std::optional<std::wstring> ReadAnswer(platform::HttpResponse& response) {
    std::string body;
    char piece[kPieceSize];
    DWORD got = 0;
    while (response.ReadPiece(piece, kPieceSize, got) == platform::HttpResponse::Read::Data) {
        body.append(piece, got);
        if (body.size() > kLongestVersionAnswer) return std::nullopt;
    }
    return platform::AnsiToWide(body);
}

// Copies the body into `path`; true only when exactly the advertised bytes arrived and
// were written.
bool SaveWholeBody(platform::HttpResponse& response, const std::wstring& path) {
    platform::UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    char piece[kPieceSize];
    DWORD got = 0;
    platform::HttpResponse::Read read;
    while ((read = response.ReadPiece(piece, kPieceSize, got)) == platform::HttpResponse::Read::Data) {
        DWORD written = 0;
        if (!WriteFile(file.get(), piece, got, &written, nullptr) || written != got) return false;
    }
    return read == platform::HttpResponse::Read::End && IsWholeInstaller(response.ContentLength(), response.received());
}

CheckOutcome FetchInstaller(const AgentContext& context, const platform::HttpSession& session,
                            const Publisher& publisher) {
    platform::HttpResponse response;
    if (session.Get(InstallerUrl(context.updateBase), response) != platform::HttpFailure::None ||
        response.status() != 200)
        return CheckOutcome::DownloadFailed;
    const std::wstring installer = context.updatesFolder + L"update.exe";
    if (!SaveWholeBody(response, installer)) {
        // A cut installer is no installer; the next attempt fetches it again whole.
        DeleteFileW(installer.c_str());
        return CheckOutcome::DownloadFailed;
    }
    if (!publisher.Signed(installer)) {
        // Whoever answered for the server is not whoever signed us: nothing of theirs waits
        // for the next start.
        DeleteFileW(installer.c_str());
        return CheckOutcome::NotOurPublisher;
    }
    platform::UniqueFile marker(CreateFileW((context.updatesFolder + L"update.dat").c_str(), GENERIC_WRITE, 0, nullptr,
                                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return marker ? CheckOutcome::Downloaded : CheckOutcome::DownloadFailed;
}

}  // namespace

CheckOutcome CheckForUpdate(const AgentContext& context) {
    const std::int64_t now = context.now();
    if (!IsCheckDue(context.autoUpdateOn(), context.lastContact(), now)) return CheckOutcome::NotDue;

    const platform::HttpSession session(std::wstring(kAgentUserAgent), context.timeoutMs);
    platform::HttpResponse response;
    if (session.Get(VersionUrl(context.updateBase), response) != platform::HttpFailure::None)
        return CheckOutcome::NoAnswer;
    // Any status counts as a contact for the day, 404 and 500 included.
    context.recordContact(static_cast<std::int32_t>(now));
    if (response.status() != 200) return CheckOutcome::OtherStatus;
    const std::optional<std::wstring> answer = ReadAnswer(response);
    response = platform::HttpResponse();
    if (!answer || !IsNewerVersion(*answer)) return CheckOutcome::NotNewer;
    if (platform::FileExists(context.updatesFolder + L"update.dat")) return CheckOutcome::InstallerWaiting;
    // A program nobody signed could never take the installer: it is not fetched.
    const std::optional<Publisher> publisher = Publisher::OfProgram(context.runningProgram);
    if (!publisher) return CheckOutcome::UnsignedProgram;
    return FetchInstaller(context, session, *publisher);
}

void RunUpdateAgent(const AgentContext& context, const std::function<bool()>& sleep) {
    while (sleep()) {
        try {
            CheckForUpdate(context);
        } catch (...) {
            // The agent tells no one and never ends before the process does.
        }
    }
}

bool SleepOneMinute() {
    Sleep(60'000);
    return true;
}

std::wstring UpdateBaseUrl() { return platform::EnvironmentOr(L"REELKEEP_UPDATE_URL", kDefaultUpdateBase); }

}  // namespace update
