#pragma once
// Which container a clip goes into, whichever way it came: the same codecs give the same
// container from a capture and from an import, and a clip's extension says its container.
// Portable: no Windows header.
#include "intake/MediaBytes.h"

#include <string_view>

namespace intake {

enum class ClipContainer { Mp4, WebM, Matroska, Flv };

// The container a joined or rewritten clip goes into, by its codecs (as the tool names
// them): MP4 for H.264 or HEVC with AAC or MP3 (or none), WebM for VP8, VP9 or AV1 with
// Opus or Vorbis (or none), Matroska for anything else.
ClipContainer ContainerForCodecs(std::wstring_view videoCodec, std::wstring_view audioCodec);

// A whole file kept as it came stays in its own container; one the library does not keep
// as it is (a transport stream) is rewritten into the container of its codecs.
std::optional<ClipContainer> KeptAsItIs(MediaContainer container);

// ".mp4", ".webm", ".mkv", ".flv"
const wchar_t* ExtensionOf(ClipContainer container);
// The muxer name the tool knows it by.
const wchar_t* MuxerOf(ClipContainer container);

}  // namespace intake
