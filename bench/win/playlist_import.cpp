// Importing a page whose video is a 50 MB HLS stream in 1 MB segments, served on
// 127.0.0.1, through the whole dialog (page, playlists, copy, check, library), against
// the same ffmpeg.exe copying the same playlist bare; and how quickly the dialog answers
// while it imports.
// Winsock wants to come before windows.h.
#include "support/LoopbackServer.h"

#include "platform/CommandLine.h"
#include "platform/ToolRun.h"

#include "support/ImportBench.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

namespace {

using bench::BinFolder;
using bench::Median;
using bench::NowMilliseconds;
using bench::RunImport;
using testing_support::HttpHead;
using testing_support::LoopbackConnection;
using testing_support::LoopbackServer;
using testing_support::RequestPath;

constexpr int kRounds = 3;
constexpr double kImportLimit = 1.3;
constexpr double kAnswerLimitMs = 100;

std::string ReadBytes(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// The made stream's files, read once: the server must not be what is measured.
const std::string& StreamFile(const std::string& name) {
    static std::map<std::string, std::string> files;
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    auto found = files.find(name);
    if (found == files.end()) {
        std::wstring local = BinFolder() + L"bench-streams\\big\\";
        for (const char c : name) local.push_back(static_cast<wchar_t>(c));
        found = files.emplace(name, ReadBytes(local)).first;
    }
    return found->second;
}

void Serve(const std::string& head, LoopbackConnection& connection) {
    const std::string path = RequestPath(head);
    auto send = [&](const std::string& body, const std::string& type) {
        connection.Send(HttpHead(200, body.size(), type));
        for (std::size_t at = 0; at < body.size(); at += 1u << 20)
            if (!connection.Send(body.substr(at, 1u << 20))) return;
    };
    if (path == "/page.html")
        return send(
            "<html><head><title>Bench</title><meta property=\"og:video\" content=\"/big/master.m3u8\">"
            "</head></html>",
            "text/html");
    // What sites serve: a master playlist that names the codecs of its variant.
    if (path == "/big/master.m3u8")
        return send(
            "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=8500000,RESOLUTION=1280x720,"
            "CODECS=\"avc1.42c01f,mp4a.40.2\"\nindex.m3u8\n",
            "application/vnd.apple.mpegurl");
    if (path.starts_with("/big/")) {
        const std::string& file = StreamFile(path.substr(5));
        if (!file.empty()) return send(file, path.ends_with(".m3u8") ? "application/vnd.apple.mpegurl" : "video/mp2t");
    }
    connection.Send(HttpHead(404, 0));
}

// The yardstick: the same tool copying the same playlist, nothing else.
double BareCopy(const std::wstring& playlist, const std::wstring& output) {
    const std::wstring line = platform::QuoteProgram(BinFolder() + L"ffmpeg.exe") + L" -nostdin -y -i " +
                              platform::QuoteArgument(playlist) + L" -c copy " + platform::QuoteArgument(output);
    const double start = NowMilliseconds();
    const platform::ToolRunOutcome outcome = platform::RunToolWithOutput(line, nullptr, [](std::string_view) {});
    const double elapsed = NowMilliseconds() - start;
    DeleteFileW(output.c_str());
    return outcome.exitCode == 0 ? elapsed : -1;
}

}  // namespace

int main() {
    GetDesktopWindow();
    bench::PrintingPrompter prompter("playlist_import");
    const bench::ScratchLibrary library(L"playlist");
    if (StreamFile("index.m3u8").empty()) {
        std::printf("playlist_import: the benchmark stream is missing (bench-streams\\big)\n");
        return 1;
    }
    LoopbackServer server(Serve);
    const webimport::ImportSettings settings{library.path(), BinFolder() + L"ffmpeg.exe", server.Url(L"")};
    const std::wstring page = server.Url(L"/page.html");

    std::vector<double> bare, imported;
    bool failed = false;
    for (int round = 0; round < kRounds && !failed; ++round) {
        // Each goes first in turn, so neither gains from what the other left warm.
        if (round % 2 == 1) imported.push_back(RunImport(settings, page, false).milliseconds);
        bare.push_back(BareCopy(server.Url(L"/big/index.m3u8"), library.path() + L"bare.mp4"));
        if (round % 2 == 0) imported.push_back(RunImport(settings, page, false).milliseconds);
        failed = bare.back() < 0 || imported.back() < 0;
        library.Empty();
    }
    const bench::ImportRun answered = RunImport(settings, page, true);
    failed = failed || answered.milliseconds < 0;
    if (failed) {
        std::printf("playlist_import: an import or a bare copy did not complete\n");
        return 1;
    }
    const double ratio = Median(imported) / Median(bare);
    std::printf("playlist_import.bare_ffmpeg: %.0f ms, import_dialog: %.0f ms for 50 MB of HLS\n", Median(bare),
                Median(imported));
    std::printf("playlist_import.import_vs_bare: %.2fx (limit %.1fx)\n", ratio, kImportLimit);
    std::printf("playlist_import.dialog_answer: slowest %.1f ms (limit %.0f ms)\n", answered.slowestAnswerMs,
                kAnswerLimitMs);
    return ratio <= kImportLimit && answered.slowestAnswerMs <= kAnswerLimitMs ? 0 : 1;
}
