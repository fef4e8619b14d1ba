#include "update/UpdateAgent.h"

#include "platform/AnsiText.h"
#include "platform/Environment.h"
#include "platform/FileValues.h"
#include "platform/UniqueHandle.h"
#include "platform/Authenticode.h"
#include "platform/Sha256.h"
#include "update/Publisher.h"
#include "update/HeldFile.h"
#include "update/UpdateRules.h"
#include "update/WaitingSetup.h"

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
// were written, and no more than any set-up of ours may have.
bool SaveWholeBody(platform::HttpResponse& response, const std::wstring& path) {
    platform::UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    char piece[kPieceSize];
    DWORD got = 0;
    platform::HttpResponse::Read read;
    while ((read = response.ReadPiece(piece, kPieceSize, got)) == platform::HttpResponse::Read::Data) {
        DWORD written = 0;
        if (response.received() > kLargestInstaller) return false;
        if (!WriteFile(file.get(), piece, got, &written, nullptr) || written != got) return false;
    }
    return read == platform::HttpResponse::Read::End && IsWholeInstaller(response.ContentLength(), response.received());
}

bool WriteMarker(const std::wstring& path, const std::string& text) {
    platform::UniqueFile marker(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return marker && WriteFile(marker.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

// The installer as it lies on disk, held against writers while it is checked and its
// digest goes into the marker.
CheckOutcome KeepIfOurs(const AgentContext& context, const Publisher& publisher) {
    const std::wstring installer = context.updatesFolder + kInstallerName;
    const std::wstring marker = context.updatesFolder + kMarkerName;
    auto setup = HeldFile::Open(installer);
    const SetupVerdict verdict = setup ? publisher.Check(setup->bytes(), context.now()) : SetupVerdict::NotSigned;
    // The system has its say too: on Windows its certificate chain and the machine's policy.
    if (verdict == SetupVerdict::Offer && platform::SystemTrustsFile(installer) &&
        WriteMarker(marker, MarkerText(platform::Sha256Of(setup->bytes()))))
        return CheckOutcome::Downloaded;
    // Nothing of whoever answered for the server waits for the next start.
    setup.reset();
    DeleteFileW(marker.c_str());
    DeleteFileW(installer.c_str());
    if (verdict == SetupVerdict::NotNewer) return CheckOutcome::SetupNotNewer;
    return verdict == SetupVerdict::Offer ? CheckOutcome::DownloadFailed : CheckOutcome::NotOurPublisher;
}

CheckOutcome FetchInstaller(const AgentContext& context, const platform::HttpSession& session,
                            const Publisher& publisher) {
    platform::HttpResponse response;
    if (session.Get(InstallerUrl(context.updateBase), response) != platform::HttpFailure::None ||
        response.status() != 200)
        return CheckOutcome::DownloadFailed;
    if (RoomForInstaller(response.ContentLength(), context.freeBytes(context.updatesFolder)) != InstallerRoom::Enough)
        return CheckOutcome::NoRoom;
    const std::wstring installer = context.updatesFolder + kInstallerName;
    if (!SaveWholeBody(response, installer)) {
        // A cut installer is no installer; the next attempt fetches it again whole.
        DeleteFileW(installer.c_str());
        return CheckOutcome::DownloadFailed;
    }
    response = platform::HttpResponse();
    return KeepIfOurs(context, publisher);
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
    if (platform::FileExists(context.updatesFolder + kMarkerName)) return CheckOutcome::InstallerWaiting;
    // A program that names no keys could never take the installer: it is not fetched.
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

std::optional<std::uint64_t> FreeBytesIn(const std::wstring& folder) {
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) return std::nullopt;
    return available.QuadPart;
}

std::wstring UpdateBaseUrl() { return platform::EnvironmentOr(L"REELKEEP_UPDATE_URL", kDefaultUpdateBase); }

}  // namespace update
