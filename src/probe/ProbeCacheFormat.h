#pragma once
// What the probe cache keeps per clip, and its file format: a header naming the ffmpeg.exe
// that made the entries, then one checksummed record per clip, sorted by path so each
// record stores only what its path does not share with the one before. Portable: no
// Windows header.
#include "probe/ProbeReport.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace probe {

// Which ffmpeg.exe made the entries: a replaced tool may report differently.
struct ProbeToolIdentity {
    std::uint64_t size = 0;
    std::uint64_t lastWriteTime = 0;
    bool operator==(const ProbeToolIdentity&) const = default;
};

// What a list build needs of one probe; the report itself is not kept.
struct CachedProbe {
    std::uint64_t size = 0;
    std::uint64_t lastWriteTime = 0;
    // Whether the report named a video, which decides if the clip is listed at all.
    bool listsClip = false;
    ProbeFields fields;
    bool operator==(const CachedProbe&) const = default;
};

// Entries by the clip's full path.
using ProbeEntries = std::map<std::wstring, CachedProbe>;

namespace probe_cache {

inline constexpr std::uint32_t kFormatVersion = 1;

enum class FileState {
    Intact,
    Empty,         // no bytes at all (no file yet)
    Foreign,       // not a probe cache, or its header is damaged
    FutureFormat,  // written by a newer program
    OtherTool,     // made by another ffmpeg.exe
    Damaged,       // a record failed its checksum or was cut off; the ones before it hold
};

struct Parsed {
    FileState state = FileState::Empty;
    ProbeEntries entries;
};

std::vector<std::uint8_t> Serialize(const ProbeToolIdentity& tool, const ProbeEntries& entries);
// Never trusts a byte it has not checked; anything but Intact means the file must be
// written again.
Parsed Parse(std::span<const std::uint8_t> bytes, const ProbeToolIdentity& tool);

}  // namespace probe_cache

}  // namespace probe
