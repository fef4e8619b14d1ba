#pragma once
// The decisions of the capture path that need no file system: which cache entries are
// worth a look, what a probe report makes of a file and which movie number comes next.
// Portable: no Windows header.
#include "library/MovieNumbering.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace capture {

// Cache entries of this size or smaller are pages, images and scripts, never streams.
inline constexpr std::uint64_t kSmallestExaminedSize = 200000;

// True when a cache entry of `size` bytes is large enough to be examined. The whole
// 64-bit size counts: a stream of 4 GiB and a little more is still a stream.
bool PassesSizeRule(std::uint64_t size);

// Cache entries carry either no extension at all or a stream extension somewhere after
// the first character; a dot without one of those names a page, image or script.
bool PassesNameRule(std::wstring_view name);

enum class IntakeVerdict {
    NotVideo,     // mark "NotFlv"
    SilentVideo,  // mark "FlvAd"
    Keep,         // copy into the library, then mark "Flv"
};
// Reads the report of a probe of `probedPath` as ffmpeg printed it: no "Video"/"video" is
// no video, and a video without ": Audio: " is taken for an advertisement unless silent
// clips are kept. The echoes of the probed path do not count, as the list does not count
// them: a copy made under "Videos\" would otherwise always say "Video", be kept, and
// never be listed.
IntakeVerdict JudgeProbeReport(std::wstring_view report, bool keepSilentClips, std::wstring_view probedPath);

// True when the report comes from ffmpeg itself: it carries the tool's banner.
// Anything else (nothing at all, or the words of a program put in its place) is no
// verdict on the file.
bool IsToolReport(std::wstring_view report);

// Whole seconds since 1970-01-01 UTC of a FILETIME value (100-ns units since 1601),
// truncated, as the low 32 bits read signed.
std::int32_t CreationSecond(std::uint64_t fileTime);

// The one numbering of "Movie" titles lives with the library (MovieNumbering.h).
using library::MovieNumberOfTitle;
using library::MovieNumbers;

}  // namespace capture
