#include "intake/ClipContainer.h"

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <string>
#include <utility>

namespace intake {

ClipContainer ContainerForCodecs(std::wstring_view videoCodec, std::wstring_view audioCodec) {
    auto among = [](std::wstring_view codec, std::initializer_list<std::wstring_view> names) {
        return std::find(names.begin(), names.end(), codec) != names.end();
    };
    if (among(videoCodec, {L"h264", L"hevc"}) && among(audioCodec, {L"aac", L"mp3", L""})) return ClipContainer::Mp4;
    if (among(videoCodec, {L"vp8", L"vp9", L"av1"}) && among(audioCodec, {L"opus", L"vorbis", L""}))
        return ClipContainer::WebM;
    return ClipContainer::Matroska;
}

namespace {

bool StartsWithNoCase(std::wstring_view text, std::wstring_view start) {
    if (text.size() < start.size()) return false;
    for (std::size_t i = 0; i < start.size(); ++i) {
        const wchar_t c = text[i] >= L'A' && text[i] <= L'Z' ? static_cast<wchar_t>(text[i] - L'A' + L'a') : text[i];
        if (c != start[i]) return false;
    }
    return true;
}

// A manifest's codec name as the tool names the codec; empty for one it does not know.
std::wstring_view ToolCodecName(std::wstring_view codec) {
    static constexpr std::pair<std::wstring_view, std::wstring_view> kNames[] = {
        {L"avc1", L"h264"},    {L"avc3", L"h264"},      {L"hvc1", L"hevc"},   {L"hev1", L"hevc"},
        {L"vp09", L"vp9"},     {L"vp9", L"vp9"},        {L"vp08", L"vp8"},    {L"vp8", L"vp8"},
        {L"av01", L"av1"},     {L"mp4a.40.34", L"mp3"}, {L"mp4a.6b", L"mp3"}, {L"mp4a.69", L"mp3"},
        {L"mp4a.40.", L"aac"}, {L"mp4a.67", L"aac"},    {L"opus", L"opus"},   {L"vorbis", L"vorbis"},
        {L"ac-3", L"ac3"},     {L"ec-3", L"eac3"},      {L"flac", L"flac"},
    };
    for (const auto& [prefix, name] : kNames)
        if (StartsWithNoCase(codec, prefix)) return name;
    return L"?";
}

bool IsVideoCodec(std::wstring_view name) {
    return name == L"h264" || name == L"hevc" || name == L"vp9" || name == L"vp8" || name == L"av1";
}

}  // namespace

std::optional<ClipContainer> ContainerForManifestCodecs(std::wstring_view codecs) {
    std::wstring video;
    std::wstring audio;
    bool any = false;
    while (!codecs.empty()) {
        const std::size_t comma = codecs.find(L',');
        std::wstring_view codec = codecs.substr(0, comma);
        codecs = comma == std::wstring_view::npos ? std::wstring_view() : codecs.substr(comma + 1);
        while (!codec.empty() && codec.front() == L' ') codec.remove_prefix(1);
        while (!codec.empty() && codec.back() == L' ') codec.remove_suffix(1);
        if (codec.empty()) continue;
        any = true;
        const std::wstring_view name = ToolCodecName(codec);
        // A codec the rule does not know fits neither MP4 nor WebM: Matroska holds it.
        if (name == L"?") return ClipContainer::Matroska;
        (IsVideoCodec(name) ? video : audio) = name;
    }
    if (!any) return std::nullopt;
    return ContainerForCodecs(video, audio);
}

std::optional<ClipContainer> ContainerOfWholeFile(const ClipReport& report) {
    const std::wstring_view format = report.format;
    const std::wstring_view first = format.substr(0, format.find(L','));
    if (first == L"mov") return ClipContainer::Mp4;
    if (first == L"matroska")
        return ContainerForCodecs(report.videoCodec, report.audioCodec) == ClipContainer::WebM
                   ? ClipContainer::WebM
                   : ClipContainer::Matroska;
    if (first == L"flv") return ClipContainer::Flv;
    if (first == L"mpegts") return ClipContainer::Ts;
    if (first == L"avi") return ClipContainer::Avi;
    if (first == L"asf") return ClipContainer::Wmv;
    if (first == L"mpeg") return ClipContainer::Mpeg;
    if (first == L"ogg") return ClipContainer::Ogg;
    return std::nullopt;
}

std::optional<ClipContainer> KeptAsItIs(MediaContainer container) {
    switch (container) {
    case MediaContainer::Mp4: return ClipContainer::Mp4;
    case MediaContainer::WebM: return ClipContainer::WebM;
    case MediaContainer::Flv: return ClipContainer::Flv;
    case MediaContainer::Ts: return ClipContainer::Ts;
    case MediaContainer::Unknown: break;
    }
    return std::nullopt;
}

namespace {

struct ContainerNames {
    const wchar_t* extension;
    const wchar_t* muxer;
};

// In the order of ClipContainer.
constexpr ContainerNames kContainerNames[] = {
    {L".mp4", L"mp4"}, {L".webm", L"webm"}, {L".mkv", L"matroska"}, {L".flv", L"flv"}, {L".ts", L"mpegts"},
    {L".avi", L"avi"}, {L".wmv", L"asf"},   {L".mpg", L"mpeg"},     {L".ogv", L"ogg"},
};
static_assert(std::size(kContainerNames) == static_cast<std::size_t>(ClipContainer::Ogg) + 1);

}  // namespace

const wchar_t* ExtensionOf(ClipContainer container) {
    return kContainerNames[static_cast<std::size_t>(container)].extension;
}

const wchar_t* MuxerOf(ClipContainer container) { return kContainerNames[static_cast<std::size_t>(container)].muxer; }

}  // namespace intake
