#include "capture/ProbedStreams.h"

#include "platform/CommandLine.h"
#include "platform/ToolInputs.h"
#include "probe/ProbeReport.h"

#include <algorithm>
#include <cwchar>
#include <initializer_list>
#include <tuple>

namespace capture {

namespace {

std::wstring FirstWord(std::wstring_view text) {
    const std::size_t end = text.find_first_of(L" ,(\r\n");
    return std::wstring(text.substr(0, end));
}

}  // namespace

ProbedStreams ReadProbedStreams(std::wstring_view report) {
    ProbedStreams streams;
    std::size_t start = 0;
    while (start < report.size()) {
        std::size_t end = report.find(L'\n', start);
        if (end == std::wstring_view::npos) end = report.size();
        const std::wstring_view line = report.substr(start, end - start);
        start = end + 1;
        if (streams.seconds < 0) streams.seconds = probe::ReportedDuration(line).value_or(-1);
        if (line.find(L"Stream #") == std::wstring_view::npos) continue;
        for (const auto& [label, found, codec] : {std::tuple{L": Video: ", &streams.video, &streams.videoCodec},
                                                  std::tuple{L": Audio: ", &streams.audio, &streams.audioCodec}}) {
            const std::size_t at = line.find(label);
            if (at == std::wstring_view::npos || *found) continue;
            *found = true;
            *codec = FirstWord(line.substr(at + std::wcslen(label)));
        }
    }
    return streams;
}

ClipContainer ContainerForCodecs(std::wstring_view videoCodec, std::wstring_view audioCodec) {
    auto among = [](std::wstring_view codec, std::initializer_list<std::wstring_view> names) {
        return std::find(names.begin(), names.end(), codec) != names.end();
    };
    if (among(videoCodec, {L"h264", L"hevc"}) && among(audioCodec, {L"aac", L"mp3"})) return ClipContainer::Mp4;
    if (among(videoCodec, {L"vp8", L"vp9", L"av1"}) && among(audioCodec, {L"opus", L"vorbis"}))
        return ClipContainer::WebM;
    return ClipContainer::Matroska;
}

const wchar_t* ExtensionOf(ClipContainer container) {
    switch (container) {
    case ClipContainer::Mp4: return L".mp4";
    case ClipContainer::WebM: return L".webm";
    case ClipContainer::Matroska: break;
    }
    return L".mkv";
}

const wchar_t* MuxerOf(ClipContainer container) {
    switch (container) {
    case ClipContainer::Mp4: return L"mp4";
    case ClipContainer::WebM: return L"webm";
    case ClipContainer::Matroska: break;
    }
    return L"matroska";
}

std::wstring JoinCommandLine(const std::wstring& ffmpegPath, const std::wstring& video, const std::wstring& audio,
                             ClipContainer container, const std::wstring& out) {
    const std::wstring program = platform::QuoteProgram(ffmpegPath);
    const std::wstring videoArgument = platform::QuoteArgument(video);
    const std::wstring outArgument = platform::QuoteArgument(out);
    if (program.empty() || videoArgument.empty() || outArgument.empty()) return {};
    std::wstring command = program + L" -y -nostdin" + platform::LocalMediaInput() + L" -i " + videoArgument;
    if (!audio.empty()) {
        const std::wstring audioArgument = platform::QuoteArgument(audio);
        if (audioArgument.empty()) return {};
        command += platform::LocalMediaInput() + L" -i " + audioArgument + L" -map 0:v -map 1:a";
    }
    return command + L" -c copy -f " + MuxerOf(container) + L" " + outArgument;
}

}  // namespace capture
