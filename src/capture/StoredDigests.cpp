#include "capture/StoredDigests.h"

#include "platform/Crc32.h"

#include <algorithm>

namespace capture {

namespace {

// Large pieces keep the reads few; the ranges that carry digests are mostly 64 KiB to 256 KiB.
constexpr std::uint64_t kReadPiece = 1u << 20;

// One step of the hash's mix: x loses y and z and takes in z's bits, shifted right by
// `shift`, or left by -`shift`.
void MixStep(std::uint32_t& x, std::uint32_t y, std::uint32_t z, int shift) {
    x -= y;
    x -= z;
    x ^= shift > 0 ? z >> shift : z << -shift;
}

void Mix(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c) {
    MixStep(a, b, c, 13);
    MixStep(b, c, a, -8);
    MixStep(c, a, b, 13);
    MixStep(a, b, c, 12);
    MixStep(b, c, a, -16);
    MixStep(c, a, b, 5);
    MixStep(a, b, c, 3);
    MixStep(b, c, a, -10);
    MixStep(c, a, b, 15);
}

}  // namespace

DigestAccumulator::DigestAccumulator(DigestKind kind) : kind_(kind) {}

void DigestAccumulator::MixGroup(const std::uint8_t* group) {
    const std::span<const std::uint8_t> words(group, pending_.size());
    a_ += LoadLe32(words, 0);
    b_ += LoadLe32(words, 4);
    c_ += LoadLe32(words, 8);
    Mix(a_, b_, c_);
}

void DigestAccumulator::Add(std::span<const std::uint8_t> bytes) {
    if (kind_ == DigestKind::Crc32) {
        crc_ = platform::Crc32(bytes, crc_);
        return;
    }
    length_ += static_cast<std::uint32_t>(bytes.size());
    // Every whole group of twelve is mixed in as it arrives, as the one-call hash does.
    while (!bytes.empty()) {
        if (pendingSize_ == 0 && bytes.size() >= pending_.size()) {
            MixGroup(bytes.data());
            bytes = bytes.subspan(pending_.size());
            continue;
        }
        const std::size_t take = std::min(bytes.size(), pending_.size() - pendingSize_);
        std::copy_n(bytes.begin(), take, pending_.begin() + static_cast<std::ptrdiff_t>(pendingSize_));
        pendingSize_ += take;
        bytes = bytes.subspan(take);
        if (pendingSize_ == pending_.size()) {
            MixGroup(pending_.data());
            pendingSize_ = 0;
        }
    }
}

std::uint32_t DigestAccumulator::Value() const {
    if (kind_ == DigestKind::Crc32) return crc_;
    // The last bytes go into a, b and the upper three bytes of c; the low byte of c takes
    // the length.
    std::uint32_t a = a_, b = b_, c = c_ + length_;
    std::uint32_t* words[] = {&a, &a, &a, &a, &b, &b, &b, &b, &c, &c, &c};
    for (std::size_t i = 0; i < pendingSize_; ++i) {
        const unsigned shift = i < 8 ? 8 * (i % 4) : 8 * (i - 8 + 1);
        *words[i] += static_cast<std::uint32_t>(pending_[i]) << shift;
    }
    Mix(a, b, c);
    // Firefox keeps the low half of each chunk's hash.
    return c & 0xffff;
}

std::uint32_t DigestOf(DigestKind kind, std::span<const std::uint8_t> bytes) {
    DigestAccumulator digest(kind);
    digest.Add(bytes);
    return digest.Value();
}

DigestCheck CheckStoredDigests(const CacheFiles& files, const std::vector<BodyRange>& ranges) {
    for (const BodyRange& range : ranges) {
        if (!range.digest) continue;
        DigestAccumulator digest(range.digest->kind);
        for (std::uint64_t done = 0; done < range.length;) {
            const std::uint64_t piece = std::min(kReadPiece, range.length - done);
            const auto bytes = ReadBytes(files, range.file, range.offset + done, piece);
            if (!bytes) return DigestCheck::Unreadable;
            digest.Add(*bytes);
            done += piece;
        }
        if (digest.Value() != range.digest->value) return DigestCheck::Fail;
    }
    return DigestCheck::Hold;
}

}  // namespace capture
