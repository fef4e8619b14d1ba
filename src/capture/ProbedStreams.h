#pragma once
// What the stream lines of a probe report say ("Stream #0:0: Video: h264 (High) ..."), and
// the container a clip of those codecs goes into. Only stream lines count: a file's path,
// which the report repeats, may hold any word. Portable: no Windows header.
#include <string>
#include <string_view>

namespace capture {

struct ProbedStreams {
    bool video = false;
    bool audio = false;
    std::wstring videoCodec;  // the first word after "Video: ", e.g. "h264"
    std::wstring audioCodec;
    double seconds = -1;  // "Duration: 00:00:14.02"; -1 when the report gives none
};
ProbedStreams ReadProbedStreams(std::wstring_view report);

// The container a joined or rebuilt clip goes into, by its codecs: MP4 for H.264 or
// HEVC with AAC or MP3, WebM for VP8, VP9 or AV1 with Opus or Vorbis, Matroska otherwise.
enum class ClipContainer { Mp4, WebM, Matroska };
ClipContainer ContainerForCodecs(std::wstring_view videoCodec, std::wstring_view audioCodec);
// ".mp4", ".webm", ".mkv"
const wchar_t* ExtensionOf(ClipContainer container);
// The muxer name ffmpeg knows it by.
const wchar_t* MuxerOf(ClipContainer container);

// ffmpeg joining a video stream and the audio stream played with it into one file,
// without re-encoding: `"<ffmpeg>" -y -i "<video>" -i "<audio>" -map 0:v -map 1:a -c copy
// -f <muxer> "<out>"`. With an empty audio path the video is only rewritten into the
// container (a transport stream made MP4). Empty when a path cannot be quoted.
std::wstring JoinCommandLine(const std::wstring& ffmpegPath, const std::wstring& video, const std::wstring& audio,
                             ClipContainer container, const std::wstring& out);

}  // namespace capture
