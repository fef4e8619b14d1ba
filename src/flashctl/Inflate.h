#pragma once
// A small zlib (RFC 1950/1951) decoder for compressed movies. Portable.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace flashctl {

enum class InflateResult { Complete, LimitReached, Corrupt, Truncated };

// Decodes the zlib stream in `input` into `output` (appended), stopping once `limit`
// bytes have been produced: a movie's header and first tags are all the control reads,
// so a huge or hostile stream costs no more than that.
InflateResult Inflate(const std::uint8_t* input, std::size_t size, std::size_t limit,
                      std::vector<std::uint8_t>& output);

}  // namespace flashctl
