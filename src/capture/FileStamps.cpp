#include "capture/FileStamps.h"

namespace capture {

std::uint64_t MixStamp(std::uint64_t digest, std::uint64_t value) {
    // FNV-1a over the value's bytes: cheap, and any change of size or time changes it.
    for (int i = 0; i < 8; ++i) {
        digest ^= (value >> (8 * i)) & 0xff;
        digest *= 0x100000001b3ull;
    }
    return digest;
}

}  // namespace capture
