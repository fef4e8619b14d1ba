#pragma once
// What the watcher knows of the streams it has seen: when each last grew, and which were
// made into clips, how far, and under which clip name. The captured part is kept in a
// small text file beside the library, so that a stream that grows later grows its own
// clip, also after a restart, and a stream already kept is not kept twice. Portable.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

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
};

class StreamRecord {
public:
    const CapturedStream* Find(const std::string& identity) const;
    void Set(const std::string& identity, CapturedStream captured);
    std::size_t size() const { return streams_.size(); }

    // One line per stream: length, clip name and identity, separated by tabs. Lines that
    // do not read are left out, so a damaged record costs at most a clip made again.
    std::string Text() const;
    static StreamRecord Parse(std::string_view text);

private:
    std::unordered_map<std::string, CapturedStream> streams_;
};

}  // namespace capture
