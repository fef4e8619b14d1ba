#include "platform/Sha256.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define REELKEEP_SHA_INSTRUCTIONS 1
#else
#define REELKEEP_SHA_INSTRUCTIONS 0
#endif

namespace platform {

namespace {

alignas(16) constexpr std::uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr std::array<std::uint32_t, 8> kInitial = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                                   0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

std::atomic<bool> plainCodeOnly{false};

constexpr std::uint32_t Rotate(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

void PlainBlocks(std::uint32_t* state, const std::uint8_t* data, std::size_t count) {
    for (; count > 0; --count, data += 64) {
        std::uint32_t w[64];
        for (int i = 0; i < 16; ++i)
            w[i] = std::uint32_t{data[i * 4]} << 24 | std::uint32_t{data[i * 4 + 1]} << 16 |
                   std::uint32_t{data[i * 4 + 2]} << 8 | data[i * 4 + 3];
        for (int i = 16; i < 64; ++i) {
            const std::uint32_t s0 = Rotate(w[i - 15], 7) ^ Rotate(w[i - 15], 18) ^ (w[i - 15] >> 3);
            const std::uint32_t s1 = Rotate(w[i - 2], 17) ^ Rotate(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4], f = state[5], g = state[6],
                      h = state[7];
        for (int i = 0; i < 64; ++i) {
            const std::uint32_t t1 =
                h + (Rotate(e, 6) ^ Rotate(e, 11) ^ Rotate(e, 25)) + ((e & f) ^ (~e & g)) + kRound[i] + w[i];
            const std::uint32_t t2 = (Rotate(a, 2) ^ Rotate(a, 13) ^ Rotate(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
            h = g, g = f, f = e, e = d + t1, d = c, c = b, b = a, a = t1 + t2;
        }
        state[0] += a, state[1] += b, state[2] += c, state[3] += d;
        state[4] += e, state[5] += f, state[6] += g, state[7] += h;
    }
}

#if REELKEEP_SHA_INSTRUCTIONS
bool HasShaInstructions() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
    const bool ssse3 = (ecx & (1u << 9)) != 0, sse41 = (ecx & (1u << 19)) != 0;
    if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return false;
    return ssse3 && sse41 && (ebx & (1u << 29)) != 0;
}

// Four rounds per step; the state is kept as the instructions want it, ABEF and CDGH.
__attribute__((target("sha,sse4.1,ssse3"))) void ShaBlocks(std::uint32_t* state, const std::uint8_t* data,
                                                           std::size_t count) {
    const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    __m128i cdab = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[0])), 0xB1);
    __m128i efgh = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[4])), 0x1B);
    __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
    __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);
    for (; count > 0; --count, data += 64) {
        const __m128i abefBefore = abef, cdghBefore = cdgh;
        __m128i message[4];
        for (int step = 0; step < 16; ++step) {
            __m128i& words = message[step % 4];
            if (step < 4) {
                words = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + step * 16)), byteSwap);
            } else {
                // W[t] = s1(W[t-2]) + W[t-7] + s0(W[t-15]) + W[t-16], four at a time.
                const __m128i older = _mm_sha256msg1_epu32(words, message[(step + 1) % 4]);
                const __m128i middle = _mm_alignr_epi8(message[(step + 3) % 4], message[(step + 2) % 4], 4);
                words = _mm_sha256msg2_epu32(_mm_add_epi32(older, middle), message[(step + 3) % 4]);
            }
            const __m128i input =
                _mm_add_epi32(words, _mm_load_si128(reinterpret_cast<const __m128i*>(&kRound[step * 4])));
            cdgh = _mm_sha256rnds2_epu32(cdgh, abef, input);
            abef = _mm_sha256rnds2_epu32(abef, cdgh, _mm_shuffle_epi32(input, 0x0E));
        }
        abef = _mm_add_epi32(abef, abefBefore);
        cdgh = _mm_add_epi32(cdgh, cdghBefore);
    }
    const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
    const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[0]), _mm_blend_epi16(feba, dchg, 0xF0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[4]), _mm_alignr_epi8(dchg, feba, 8));
}
#endif

}  // namespace

Sha256::Sha256() : state_(kInitial) {}

void Sha256::UsePlainCode(bool plain) { plainCodeOnly = plain; }

void Sha256::Blocks(const std::uint8_t* data, std::size_t count) {
#if REELKEEP_SHA_INSTRUCTIONS
    static const bool hasInstructions = HasShaInstructions();
    if (hasInstructions && !plainCodeOnly) return ShaBlocks(state_.data(), data, count);
#endif
    PlainBlocks(state_.data(), data, count);
}

void Sha256::Add(std::span<const std::uint8_t> bytes) {
    total_ += bytes.size();
    if (pendingSize_ > 0) {
        const std::size_t taken = std::min(bytes.size(), pending_.size() - pendingSize_);
        std::memcpy(pending_.data() + pendingSize_, bytes.data(), taken);
        pendingSize_ += taken;
        bytes = bytes.subspan(taken);
        if (pendingSize_ < pending_.size()) return;
        Blocks(pending_.data(), 1);
        pendingSize_ = 0;
    }
    const std::size_t whole = bytes.size() / 64;
    if (whole > 0) Blocks(bytes.data(), whole);
    bytes = bytes.subspan(whole * 64);
    if (!bytes.empty()) std::memcpy(pending_.data(), bytes.data(), bytes.size());
    pendingSize_ = bytes.size();
}

Sha256Digest Sha256::Finish() {
    const std::uint64_t bits = total_ * 8;
    std::array<std::uint8_t, 72> tail{};
    tail[0] = 0x80;
    // The closing 1 bit, zeros up to 56 bytes past a block's start, the length in bits.
    const std::size_t padding = (pendingSize_ < 56 ? 56 : 120) - pendingSize_;
    for (int i = 0; i < 8; ++i) tail[padding + i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
    Add(std::span(tail).first(padding + 8));
    Sha256Digest digest;
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 4; ++j) digest[i * 4 + j] = static_cast<std::uint8_t>(state_[i] >> (24 - 8 * j));
    return digest;
}

Sha256Digest Sha256Of(std::span<const std::uint8_t> bytes) {
    Sha256 hash;
    hash.Add(bytes);
    return hash.Finish();
}

}  // namespace platform
