#pragma once
// What the watcher knows of the streams it has seen: when each last grew, and which were
// made into clips, how far, and under which clip name. The captured part is kept in a
// small text file beside the library, so that a stream that grows later grows its own
// clip, also after a restart, and a stream already kept is not kept twice. Portable.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace capture {

// A stream that has had no new piece for this long is taken as played as far as the
// viewer went; players keep only seconds ahead, so a minute without news means a pause
// or the end.
inline constexpr std::int64_t kStreamSettleSeconds = 60;

// When each stream last changed, as the watcher saw it. In memory only: after a restart
// every stream waits one settle time again, which is the safe side.
class StreamSettling {
public:
    // Notes the stream's extent at `now` (seconds); a change restarts its settle time.
    void Observe(const std::string& identity, std::uint64_t length, std::size_t pieces, std::int64_t now);
    // True when the stream has stayed as it is for `settleSeconds`.
    bool Settled(const std::string& identity, std::int64_t now, std::int64_t settleSeconds) const;
    // Forgets the streams last observed before `time`. A folder where nothing changed is
    // not read, so its streams go unobserved for many passes and must be kept meanwhile.
    void ForgetObservedBefore(std::int64_t time);
    bool Knows(const std::string& identity) const { return extents_.contains(identity); }

private:
    struct Extent {
        std::uint64_t length = 0;
        std::size_t pieces = 0;
        std::int64_t since = 0;
        std::int64_t observed = 0;
    };
    std::unordered_map<std::string, Extent> extents_;
};

struct CapturedStream {
    std::uint64_t length = 0;  // bytes of the stream in its clip
    std::wstring clip;         // the clip's file name in the library; empty: judged, no clip
    // The cache folder it was seen in (CacheFolderTag); empty for lines of older versions,
    // which are never pruned.
    std::string folder;
};

// A short tag of a cache folder's path, written with each stream so that a stream gone
// from its folder can be pruned.
std::string CacheFolderTag(std::wstring_view folder);

// The record of captured streams. It is appended to, one line per judgement, and read
// back line by line, a later line replacing an earlier one of the same stream; it is
// written whole only to drop streams that left their caches.
class StreamRecord {
public:
    const CapturedStream* Find(const std::string& identity) const;
    // False when the stream cannot be recorded (a tab or line break in what it says).
    bool Set(const std::string& identity, CapturedStream captured);
    void Erase(const std::string& identity) { streams_.erase(identity); }
    std::size_t size() const { return streams_.size(); }
    // Identities recorded as seen in the cache folder of `tag`.
    std::vector<std::string> InFolder(const std::string& tag) const;

    // One line per stream: length, clip name, folder tag and identity, separated by tabs.
    static std::string Line(const std::string& identity, const CapturedStream& captured);
    std::string Text() const;
    // `damaged` is set when any line does not read, or the text ends inside a line: a
    // record cut short or garbled says nothing of the streams it lost.
    static StreamRecord Parse(std::string_view text, bool* damaged = nullptr);

private:
    std::unordered_map<std::string, CapturedStream> streams_;
};

// What a clip carries of the streams it was made from: a line per stream, its length and
// identity separated by a tab. The record can be rebuilt from these.
std::wstring ClipStreamsText(const std::vector<std::pair<std::string, std::uint64_t>>& streams);
std::vector<std::pair<std::string, std::uint64_t>> ParseClipStreams(std::wstring_view text);

}  // namespace capture
