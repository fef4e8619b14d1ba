#pragma once
// The preview's two ffmpeg runs over a clip of the library: its pictures as raw BGRA
// frames and its sound as 16-bit stereo samples, both on the tool's standard output.
// Portable.
#include <string>

namespace flashctl {

// Frames larger than this are scaled down by ffmpeg: a 4K clip would otherwise push
// 33 MB per frame through the pipe.
inline constexpr int kMaxWidth = 1280, kMaxHeight = 720;

std::wstring PictureDecodeCommand(const std::wstring& ffmpeg, const std::wstring& clip, double startSeconds);
std::wstring SoundDecodeCommand(const std::wstring& ffmpeg, const std::wstring& clip, double startSeconds);

// The option that starts decoding `seconds` into the clip (none at its start). It seeks
// on the output side: slower than seeking in the input, but an FLV without a seek index
// refuses an input seek, even to 0, and then yields no frame at all.
std::wstring SeekOption(double seconds);

}  // namespace flashctl
