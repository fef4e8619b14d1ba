#pragma once
// The decisions of the capture path that need no file system: which cache entries are
// worth a look, what a probe report makes of a file and which movie number comes next.
// Portable: no Windows header.
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

// The number a library title contributes to the numbering: every "Movie" is removed and
// the C number rule read from the start of the rest. 0 when the title has no "Movie".
std::int32_t MovieNumberOfTitle(std::wstring_view title);

// The highest movie number this process has seen; never lowered, so a number once seen
// is not given out again even after its clip is deleted.
//
// A scan cannot read the title of a clip that is held open at that moment (the list's
// probe of a clip just added, say), so the numbers given out are remembered with their
// clips: while such a clip is still there its number stays taken, seen or not.
class MovieNumbers {
public:
    void See(std::wstring_view title);
    // `numberText` was given to the clip at `clip`.
    void Given(std::wstring_view numberText, std::wstring clip);
    // Decimal text of the number after the highest seen, and after the highest given to
    // a clip for which `stillThere` holds.
    std::wstring NextText(const std::function<bool(const std::wstring& clip)>& stillThere = {}) const;
    std::int32_t highest() const { return highest_; }

private:
    std::int32_t highest_ = 0;
    std::vector<std::pair<std::int64_t, std::wstring>> given_;
};

}  // namespace capture
