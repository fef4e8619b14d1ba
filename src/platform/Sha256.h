#pragma once
// SHA-256, with the processor's own SHA instructions where it has them: a waiting set-up
// of tens of megabytes is hashed at every start, and Wine's system hash takes most of a
// second for 20 MB. Portable.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace platform {

using Sha256Digest = std::array<std::uint8_t, 32>;

class Sha256 {
public:
    Sha256();
    void Add(std::span<const std::uint8_t> bytes);
    Sha256Digest Finish();

    // For the tests: the plain code even where the processor has the instructions.
    static void UsePlainCode(bool plain);

private:
    void Blocks(const std::uint8_t* data, std::size_t count);

    std::array<std::uint32_t, 8> state_;
    std::array<std::uint8_t, 64> pending_{};
    std::size_t pendingSize_ = 0;
    std::uint64_t total_ = 0;
};

Sha256Digest Sha256Of(std::span<const std::uint8_t> bytes);

}  // namespace platform
