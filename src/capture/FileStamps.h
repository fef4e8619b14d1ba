#pragma once
// A digest of the files of a cache entry or folder, by their sizes and times: a change of
// any of them changes it, so an unchanged digest means nothing there needs reading again.
// Portable: no Windows header.
#include <cstdint>

namespace capture {

// Folds one file's size or time into a digest.
std::uint64_t MixStamp(std::uint64_t digest, std::uint64_t value);

}  // namespace capture
