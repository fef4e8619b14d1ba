#include "capture/SettledMemo.h"

#include <iterator>

namespace capture {

std::uint64_t MixStamp(std::uint64_t digest, std::uint64_t value) {
    // FNV-1a over the value's bytes: cheap, and any change of size or time changes it.
    for (int i = 0; i < 8; ++i) {
        digest ^= (value >> (8 * i)) & 0xff;
        digest *= 0x100000001b3ull;
    }
    return digest;
}

bool SettledMemo::Settled(const std::wstring& key, std::uint64_t digest) {
    const auto found = digests_.find(key);
    if (found == digests_.end() || found->second.digest != digest) return false;
    found->second.seen = true;
    return true;
}

void SettledMemo::Remember(const std::wstring& key, std::uint64_t digest) { digests_[key] = {digest, true}; }

void SettledMemo::ForgetUnseen() {
    std::erase_if(digests_, [](const auto& known) { return !known.second.seen; });
    for (auto& known : digests_) known.second.seen = false;
}

}  // namespace capture
