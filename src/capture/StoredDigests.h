#pragma once
// The checksums browsers keep beside cached bytes, computed again over what is read, so
// that bytes damaged on disk are never taken for a video. Portable: no Windows header.
#include "capture/CachedResponse.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace capture {

// Runs one stored digest's algorithm over bytes that arrive in pieces of any size.
class DigestAccumulator {
public:
    explicit DigestAccumulator(DigestKind kind);
    void Add(std::span<const std::uint8_t> bytes);
    // The digest of everything added, in the form the browser stores it.
    std::uint32_t Value() const;

private:
    void MixGroup(const std::uint8_t* group);

    DigestKind kind_;
    std::uint32_t crc_ = 0;
    // Firefox's chunk hash (Bob Jenkins' 1996 hash): its state, the bytes of a group of
    // twelve not yet mixed in, and the length so far.
    std::uint32_t a_ = 0x9e3779b9;
    std::uint32_t b_ = 0x9e3779b9;
    std::uint32_t c_ = 0;
    std::array<std::uint8_t, 12> pending_{};
    std::size_t pendingSize_ = 0;
    std::uint32_t length_ = 0;
};

// The digest of `bytes` as `kind` stores it.
std::uint32_t DigestOf(DigestKind kind, std::span<const std::uint8_t> bytes);

enum class DigestCheck {
    Hold,        // every range with a digest matches it; ranges without one count as holding
    Fail,        // a range does not match its digest
    Unreadable,  // a range could not be read whole
};
DigestCheck CheckStoredDigests(const CacheFiles& files, const std::vector<BodyRange>& ranges);

}  // namespace capture
