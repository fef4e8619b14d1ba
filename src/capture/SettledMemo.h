#pragma once
// What the watcher already knows about cache entries read through the cache readers:
// an entry whose files are unchanged since it was settled (captured, marked, too small,
// or incomplete as it stood) need not be read again. Lives only as long as the watcher;
// the markers stay the record. Portable: no Windows header.
#include <cstdint>
#include <string>
#include <unordered_map>

namespace capture {

// Folds one file's size and times into a digest of an entry's files.
std::uint64_t MixStamp(std::uint64_t digest, std::uint64_t value);

class SettledMemo {
public:
    // True when `key` was settled with this same digest; counts as seen for this pass.
    bool Settled(const std::wstring& key, std::uint64_t digest);
    void Remember(const std::wstring& key, std::uint64_t digest);
    // Forgets the entries the passes since the last call did not meet.
    void ForgetUnseen();
    std::size_t size() const { return digests_.size(); }

private:
    struct Known {
        std::uint64_t digest = 0;
        bool seen = true;
    };
    std::unordered_map<std::wstring, Known> digests_;
};

}  // namespace capture
