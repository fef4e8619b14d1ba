#include "webimport/PlaylistImport.h"

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
#include <ctime>

namespace webimport {

namespace {

// How far the copy's length may stray from what the playlist says.
constexpr double kLengthTolerance = 2.0;
// A probe's report is a few kilobytes; more is not read.
constexpr std::size_t kLongestProbeReport = 256 * 1024;

// What to fetch, or the report that says why there is nothing to fetch.
struct Plan {
    PlaylistSource source;
    std::wstring failure;
};

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
    Plan PlanDash() const;
    // A media playlist fetched and read; the failure text when it cannot be.
    std::wstring FetchMedia(const std::wstring& address, HlsPlaylist& media) const;
    Container ProbeContainer(const std::wstring& input) const;
    // The copy itself; false when it failed and was reported (or was halted).
    bool Copy(const PlaylistSource& source, const std::wstring& path, DownloadLog& log);
    void Finish(const PlaylistSource& source, const std::wstring& path, const DownloadLog& log, std::int32_t second);

    ImportChannel& channel_;
    const platform::HttpSession& session_;
    const ImportSettings& settings_;
    const PlaylistRequest& request_;
    RequestIdentity identity_;
};

std::wstring PlaylistFailure(const HlsPlaylist& media) {
    if (media.segments.empty()) return std::wstring(kEmptyPlaylist);
    if (!media.ended) return std::wstring(kLiveStream);
    return {};
}

std::wstring PlaylistText(const std::string& body) { return platform::DecodeToolOutput(body); }

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
    if (!playlist.valid) return {{}, std::wstring(kEmptyPlaylist)};
    if (!playlist.isMaster()) {
        plan.failure = PlaylistFailure(playlist);
        plan.source.input = request_.address;
        plan.source.seconds = playlist.seconds;
        return plan;
    }
    const HlsVariant& variant = playlist.variants[*BestVariant(playlist.variants)];
    HlsPlaylist media;
    plan.failure = FetchMedia(variant.address, media);
    plan.source.input = variant.address;
    plan.source.audioInput = AudioAddressOf(playlist, variant);
    plan.source.container = ContainerForCodecs(variant.codecs);
    plan.source.seconds = media.seconds;
    return plan;
}

Plan PlaylistImport::PlanDash() const {
    Plan plan;
    const DashManifest manifest = ParseDashManifest(PlaylistText(request_.body));
    if (!manifest.valid || manifest.representations.empty()) return {{}, std::wstring(kEmptyPlaylist)};
    if (manifest.live) return {{}, std::wstring(kLiveStream)};
    const DashChoice choice = ChooseRepresentations(manifest);
    if (!choice.video) return {{}, std::wstring(kEmptyPlaylist)};
    plan.source.input = request_.address;
    // With several periods the tool numbers its streams otherwise: it picks for itself then.
    if (manifest.periods <= 1) {
        plan.source.videoStream = choice.video;
        plan.source.audioStream = choice.audio;
    }
    plan.source.container = ContainerForCodecs(choice.codecs);
    plan.source.seconds = manifest.seconds;
    return plan;
}

Container PlaylistImport::ProbeContainer(const std::wstring& input) const {
    std::string report;
    platform::RunToolWithOutput(PlaylistProbeCommandLine(settings_.ffmpegPath, input, identity_),
                                channel_.job().haltEvent.get(), [&](std::string_view bytes) {
                                    if (report.size() < kLongestProbeReport) report.append(bytes);
                                });
    const Container container = ContainerForCodecs(CodecsOfReport(platform::DecodeToolOutput(report)));
    // Matroska holds whatever the stream carries.
    return container == Container::Unknown ? Container::Matroska : container;
}

bool PlaylistImport::Copy(const PlaylistSource& source, const std::wstring& path, DownloadLog& log) {
    const auto total = static_cast<std::uint64_t>(std::llround(source.seconds.value_or(0)));
    DownloadProgress progress{0, total, DownloadProgress::Unit::Seconds};
    channel_.Range(progress);
    channel_.Progress(progress, true);
    const platform::ToolRunOutcome outcome =
        platform::RunToolWithOutput(PlaylistCopyCommandLine(settings_.ffmpegPath, source, identity_, path),
                                    channel_.job().haltEvent.get(), [&](std::string_view bytes) {
                                        for (const double seconds : log.Feed(bytes)) {
                                            progress.received = static_cast<std::uint64_t>(std::max(seconds, 0.0));
                                            if (total > 0) progress.received = std::min(progress.received, total);
                                            channel_.Progress(progress);
                                        }
                                    });
    log.Finish();
    std::wstring failure;
    if (!outcome.started) {
        failure = kToolMissing;
    } else if (!log.failedPart().empty()) {
        failure = std::wstring(kPartMissing) + log.failedPart();
        if (!log.failedReason().empty()) failure += L" (" + log.failedReason() + L")";
    } else if (outcome.exitCode != 0) {
        failure = std::wstring(kPlaylistFailed) + log.lastError();
    }
    if (outcome.halted || channel_.halted() || !failure.empty()) {
        // The tool has ended: what it wrote can go.
        DeleteFileW(path.c_str());
        if (!outcome.halted) channel_.Fail(failure);
        return false;
    }
    if (total > 0) channel_.Progress({total, total, DownloadProgress::Unit::Seconds}, true);
    return true;
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
    }
    if (!failure.empty() || channel_.halted()) {
        DeleteFileW(path.c_str());
        if (!failure.empty()) channel_.Fail(failure);
        return;
    }
    ProbedFile placed = probed;
    placed.extension = ExtensionOf(source.container);
    if (!PlaceInLibrary(path, placed, settings_, second, request_.title, request_.address)) return channel_.Fail(kCannotWriteClip);
    channel_.Done();
}

void PlaylistImport::Run() {
    channel_.Caption(kReadingPlaylist);
    Plan plan = request_.kind == AddressKind::DashManifest ? PlanDash() : PlanHls();
    if (channel_.halted()) return;
    if (!plan.failure.empty()) return channel_.Fail(plan.failure);
    if (plan.source.container == Container::Unknown) plan.source.container = ProbeContainer(plan.source.input);
    if (channel_.halted()) return;

    const auto second = static_cast<std::int32_t>(std::time(nullptr));
    const std::wstring path = NewIncomingPath(settings_.libraryFolder, second);
    DownloadLog log;
    if (!Copy(plan.source, path, log)) return;
    Finish(plan.source, path, log, second);
}

void ImportPlaylist(ImportChannel& channel, const platform::HttpSession& session, const ImportSettings& settings,
                    const PlaylistRequest& request) {
    PlaylistImport(channel, session, settings, request).Run();
}

}  // namespace webimport
