#include "intake/ClipContainer.h"

#include <algorithm>
#include <initializer_list>

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

std::optional<ClipContainer> KeptAsItIs(MediaContainer container) {
    switch (container) {
    case MediaContainer::Mp4: return ClipContainer::Mp4;
    case MediaContainer::WebM: return ClipContainer::WebM;
    case MediaContainer::Flv: return ClipContainer::Flv;
    case MediaContainer::Ts:
    case MediaContainer::Unknown: break;
    }
    return std::nullopt;
}

const wchar_t* ExtensionOf(ClipContainer container) {
    switch (container) {
    case ClipContainer::Mp4: return L".mp4";
    case ClipContainer::WebM: return L".webm";
    case ClipContainer::Flv: return L".flv";
    case ClipContainer::Matroska: break;
    }
    return L".mkv";
}

const wchar_t* MuxerOf(ClipContainer container) {
    switch (container) {
    case ClipContainer::Mp4: return L"mp4";
    case ClipContainer::WebM: return L"webm";
    case ClipContainer::Flv: return L"flv";
    case ClipContainer::Matroska: break;
    }
    return L"matroska";
}

}  // namespace intake
