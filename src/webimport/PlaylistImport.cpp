#include "webimport/PlaylistImport.h"

#include "intake/ClipReport.h"
#include "platform/ToolOutput.h"
#include "platform/ToolRun.h"
#include "webimport/DownloadLog.h"
#include "webimport/ImportRequests.h"
#include "webimport/ImportTexts.h"
#include "webimport/ImportedClip.h"
#include "webimport/Playlist.h"
#include "webimport/PlaylistCommand.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace webimport {

namespace {

// How far the copy's length may stray from what the playlist says.
constexpr double kLengthTolerance = 2.0;
// How much less picture than the playlist's length a whole copy may hold: the lengths a
// playlist gives its segments are rounded, a lost part is a segment of seconds.
constexpr double kMissingPictureTolerance = 0.5;
constexpr double kMissingPictureShare = 0.0001;
// A probe's report is a few kilobytes; more is not read.
constexpr std::size_t kLongestProbeReport = 256 * 1024;

// What to fetch, or the report that says why there is nothing to fetch.
struct Plan {
    PlaylistSource source;
    std::wstring failure;
    // HLS: the first segment of each playlist the tool reads, and how many they list.
    std::vector<std::wstring> firstSegments;
    std::size_t segments = 0;
};

Plan Refused(std::wstring_view failure) {
    Plan plan;
    plan.failure = failure;
    return plan;
}

void NoteSegments(const HlsPlaylist& media, Plan& plan) {
    if (media.segments.empty()) return;
    plan.firstSegments.push_back(media.segments.front());
    plan.segments += media.segments.size();
}

class PlaylistImport {
public:
    PlaylistImport(ImportChannel& channel, const platform::HttpSession& session, const ImportSettings& settings,
                   const PlaylistRequest& request)
        : channel_(channel),
          session_(session),
          settings_(settings),
          request_(request),
          identity_{std::wstring(kUserAgent), request.referrer} {}

    void Run();

private:
    Plan PlanHls();
    // The media playlist at `address`, read and judged: the failure text when it cannot be
    // copied.
    std::wstring ReadMedia(const std::wstring& address, Plan& plan);
    Plan PlanDash() const;
    // A media playlist fetched and read; the failure text when it cannot be.
    std::wstring FetchMedia(const std::wstring& address, HlsPlaylist& media) const;
    intake::ClipContainer ProbeContainer(const std::wstring& input) const;
    // The copy itself; false when it failed and was reported (or was halted).
    bool Copy(const PlaylistSource& source, const std::wstring& path, DownloadLog& log);
    std::wstring CopyFailure(const platform::ToolRunOutcome& outcome, const DownloadLog& log) const;
    void Finish(const PlaylistSource& source, const std::wstring& path, const DownloadLog& log, std::int32_t second);

    ImportChannel& channel_;
    const platform::HttpSession& session_;
    const ImportSettings& settings_;
    const PlaylistRequest& request_;
    RequestIdentity identity_;
};

// Whatever in the playlist keeps it from being copied, read before the tool asks for any
// part of it; empty when it may be.
std::wstring PlaylistFailure(const HlsPlaylist& media) {
    if (!media.notWebPart.empty()) return std::wstring(kNotWebPart) + media.notWebPart;
    if (media.segments.empty()) return std::wstring(kEmptyPlaylist);
    if (!media.ended) return std::wstring(kLiveStream);
    if (IsAbsurd(media)) return std::wstring(kAbsurdPlaylist);
    return {};
}

std::wstring ManifestFailure(const DashManifest& manifest) {
    if (!manifest.valid || manifest.representations.empty()) return std::wstring(kEmptyPlaylist);
    if (!manifest.notWebPart.empty()) return std::wstring(kNotWebPart) + manifest.notWebPart;
    if (manifest.live) return std::wstring(kLiveStream);
    if (IsAbsurd(manifest)) return std::wstring(kAbsurdPlaylist);
    return {};
}

std::wstring PlaylistText(const std::string& body) { return platform::DecodeToolOutput(body); }

// How many seconds of pictures the copy lacks against the playlist's length, by the
// pictures it wrote at the input's rate; 0 when the tool did not say.
double MissingPictureSeconds(const DownloadLog& log, std::optional<double> expected) {
    if (!expected || !log.framesPerSecond() || !log.framesWritten()) return 0;
    return *expected - *log.framesWritten() / *log.framesPerSecond();
}

std::wstring SecondsText(double seconds) {
    wchar_t text[32];
    std::swprintf(text, 32, L"%.1f s", seconds);
    return text;
}

}  // namespace

std::wstring PlaylistImport::FetchMedia(const std::wstring& address, HlsPlaylist& media) const {
    platform::HttpResponse response;
    const auto failure = session_.Get(address, response, &channel_.job().halted, identity_.referrer);
    if (failure != platform::HttpFailure::None) return std::wstring(RequestFailureText(failure));
    if (response.status() != 200)
        return std::wstring(kPartMissing) + address + L" (HTTP " + std::to_wstring(response.status()) + L")";
    std::string body;
    if (const std::wstring_view text = BodyFailureText(ReadBody(response, body)); !text.empty())
        return std::wstring(text);
    media = ParseHlsPlaylist(PlaylistText(body), response.url());
    return PlaylistFailure(media);
}

Plan PlaylistImport::PlanHls() {
    Plan plan;
    const HlsPlaylist playlist = ParseHlsPlaylist(PlaylistText(request_.body), request_.address);
    if (!playlist.valid) return Refused(kEmptyPlaylist);
    if (!playlist.isMaster()) {
        plan.failure = PlaylistFailure(playlist);
        plan.source.input = request_.address;
        plan.source.seconds = playlist.seconds;
        NoteSegments(playlist, plan);
        return plan;
    }
    const HlsVariant& variant = playlist.variants[*BestVariant(playlist.variants)];
    HlsPlaylist media;
    plan.failure = FetchMedia(variant.address, media);
    plan.source.input = variant.address;
    plan.source.audioInput = AudioAddressOf(playlist, variant);
    plan.source.container = intake::ContainerForManifestCodecs(variant.codecs);
    plan.source.seconds = media.seconds;
    NoteSegments(media, plan);
    // The separate sound is copied too, so it is read as carefully as the picture.
    if (plan.failure.empty() && !plan.source.audioInput.empty()) {
        HlsPlaylist sound;
        plan.failure = FetchMedia(plan.source.audioInput, sound);
        NoteSegments(sound, plan);
    }
    return plan;
}

Plan PlaylistImport::PlanDash() const {
    Plan plan;
    const DashManifest manifest = ParseDashManifest(PlaylistText(request_.body));
    if (std::wstring failure = ManifestFailure(manifest); !failure.empty()) return Refused(failure);
    const DashChoice choice = ChooseRepresentations(manifest);
    if (!choice.video) return Refused(kEmptyPlaylist);
    plan.source.input = request_.address;
    // With several periods the tool numbers its streams otherwise: it picks for itself then.
    if (manifest.periods <= 1) {
        plan.source.videoStream = choice.video;
        plan.source.audioStream = choice.audio;
    }
    plan.source.container = intake::ContainerForManifestCodecs(choice.codecs);
    plan.source.seconds = manifest.seconds;
    return plan;
}

intake::ClipContainer PlaylistImport::ProbeContainer(const std::wstring& input) const {
    std::string report;
    platform::RunToolWithOutput(PlaylistProbeCommandLine(settings_.ffmpegPath, input, identity_),
                                channel_.job().haltEvent.get(), [&](std::string_view bytes) {
                                    if (report.size() < kLongestProbeReport) report.append(bytes);
                                });
    // The same rule as for a stream rebuilt from a cache; Matroska holds whatever it carries.
    const intake::ClipReport probed = intake::ReadClipReport(platform::DecodeToolOutput(report));
    return intake::ContainerForCodecs(probed.videoCodec, probed.audioCodec);
}

bool PlaylistImport::Copy(const PlaylistSource& source, const std::wstring& path, DownloadLog& log) {
    const auto total = static_cast<std::uint64_t>(std::llround(source.seconds.value_or(0)));
    DownloadProgress progress{0, total, DownloadProgress::Unit::Seconds};
    channel_.Range(progress);
    channel_.Progress(progress, true);
    // A lost part, or a playlist that is no longer the one read, ends the copy at once:
    // nothing of it will be kept.
    const platform::ToolRunOutcome outcome = platform::RunWatchedTool(
        PlaylistCopyCommandLine(settings_.ffmpegPath, source, identity_, path), channel_.job().haltEvent.get(),
        settings_.stallLimit, [&](std::string_view bytes) {
            for (const double seconds : log.Feed(bytes)) {
                progress.received = static_cast<std::uint64_t>(std::max(seconds, 0.0));
                if (total > 0) progress.received = std::min(progress.received, total);
                channel_.Progress(progress);
            }
            return log.failedPart().empty() && !log.turnedLive() && log.untrustedCertificate().empty();
        });
    log.Finish();
    const std::wstring failure = CopyFailure(outcome, log);
    if (outcome.halted || channel_.halted() || !failure.empty()) {
        // The tool has ended: what it wrote can go.
        DeleteFileW(path.c_str());
        if (!outcome.halted) channel_.Fail(failure);
        return false;
    }
    if (total > 0) channel_.Progress({total, total, DownloadProgress::Unit::Seconds}, true);
    return true;
}

std::wstring PlaylistImport::CopyFailure(const platform::ToolRunOutcome& outcome, const DownloadLog& log) const {
    if (!outcome.started) return std::wstring(kToolMissing);
    if (!log.untrustedCertificate().empty()) return std::wstring(kUntrustedSite) + log.untrustedCertificate();
    if (log.turnedLive()) return std::wstring(kTurnedLive);
    if (!log.failedPart().empty()) {
        std::wstring failure = std::wstring(kPartMissing) + log.failedPart();
        if (!log.failedReason().empty()) failure += L" (" + log.failedReason() + L")";
        return failure;
    }
    if (outcome.silent) {
        return std::wstring(kPartMissing) + log.currentPart() + L" (no answer for " +
               std::to_wstring(settings_.stallLimit.count() / 1000) + L" s)";
    }
    if (outcome.exitCode != 0) return std::wstring(kPlaylistFailed) + log.lastError();
    return {};
}

void PlaylistImport::Finish(const PlaylistSource& source, const std::wstring& path, const DownloadLog& log,
                            std::int32_t second) {
    channel_.Caption(kCheckingClip);
    const ProbedFile probed = ProbeDownloadedFile(path, settings_);
    const std::optional<double> expected = source.seconds ? source.seconds : log.inputSeconds();
    std::wstring failure;
    if (!probed.hasVideo) {
        failure = kSiteSentNoVideo;
    } else if (expected && (!probed.seconds || std::abs(*probed.seconds - *expected) > kLengthTolerance)) {
        failure = kIncompleteClip;
    } else if (const double missing = MissingPictureSeconds(log, expected);
               missing > kMissingPictureTolerance + kMissingPictureShare * expected.value_or(0)) {
        failure = log.brokenPart().empty() ? std::wstring(kPartsLost) + SecondsText(missing) + L" of its picture."
                                           : std::wstring(kPartMissing) + log.brokenPart() + L" (it was no video)";
    }
    if (!failure.empty() || channel_.halted()) {
        DeleteFileW(path.c_str());
        if (!failure.empty()) channel_.Fail(failure);
        return;
    }
    ProbedFile placed = probed;
    placed.extension = intake::ExtensionOf(source.container.value_or(intake::ClipContainer::Matroska));
    if (!PlaceInLibrary(path, placed, settings_, second, request_.title, request_.address))
        return channel_.Fail(kCannotWriteClip);
    channel_.Done();
}

void PlaylistImport::Run() {
    channel_.Caption(kReadingPlaylist);
    Plan plan = request_.kind == AddressKind::DashManifest ? PlanDash() : PlanHls();
    if (channel_.halted()) return;
    if (!plan.failure.empty()) return channel_.Fail(plan.failure);
    if (!plan.source.container) plan.source.container = ProbeContainer(plan.source.input);
    if (channel_.halted()) return;

    const auto second = static_cast<std::int32_t>(std::time(nullptr));
    const std::wstring path = NewIncomingPath(settings_.libraryFolder, second);
    DownloadLog log;
    log.ExpectSegments(plan.firstSegments, plan.segments);
    if (!Copy(plan.source, path, log)) return;
    Finish(plan.source, path, log, second);
}

void ImportPlaylist(ImportChannel& channel, const platform::HttpSession& session, const ImportSettings& settings,
                    const PlaylistRequest& request) {
    PlaylistImport(channel, session, settings, request).Run();
}

}  // namespace webimport
