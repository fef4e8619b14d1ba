#pragma once
// Which container a clip goes into, whichever way it came: the same codecs give the same
// container from a capture and from an import, and a clip's extension says its container.
// Portable: no Windows header.
#include "intake/ClipReport.h"
#include "intake/MediaBytes.h"

#include <optional>
#include <string_view>

namespace intake {

enum class ClipContainer { Mp4, WebM, Matroska, Flv, Ts, Avi, Wmv, Mpeg, Ogg };

// The container a joined or rewritten clip goes into, by its codecs (as the tool names
// them): MP4 for H.264 or HEVC with AAC or MP3 (or none), WebM for VP8, VP9 or AV1 with
// Opus or Vorbis (or none), Matroska for anything else.
ClipContainer ContainerForCodecs(std::wstring_view videoCodec, std::wstring_view audioCodec);

// The container of codecs named as manifests name them ("avc1.64001e,mp4a.40.2",
// "vp09.00.10.08,opus"): the same rule, so that a playlist copied from the web goes where
// the same streams rebuilt from a cache go. Nothing when the text names no codec.
std::optional<ClipContainer> ContainerForManifestCodecs(std::wstring_view codecs);

// A whole file, kept as it came (a plain cache file, a web download), stays in its own
// container, which its extension then names: by the container the tool read. Nothing for
// a container the tool did not name, which is rewritten into the container of its codecs.
std::optional<ClipContainer> ContainerOfWholeFile(const ClipReport& report);
// The same from a stream's first bytes, when no probe was made.
std::optional<ClipContainer> KeptAsItIs(MediaContainer container);

// ".mp4", ".webm", ".mkv", ".flv", ".ts", ".avi", ".wmv", ".mpg", ".ogv"
const wchar_t* ExtensionOf(ClipContainer container);
// The muxer name the tool knows it by.
const wchar_t* MuxerOf(ClipContainer container);

}  // namespace intake
