#pragma once
// The files of one browser cache folder as the cache readers see them: listed by name and
// read at an offset. The readers take this seam so that the same code reads a folder on
// disk, and bytes a fuzzer made. Portable: no Windows header.
#include "platform/ByteOrder.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace capture {

class CacheFiles {
public:
    virtual ~CacheFiles() = default;
    // Names of the plain files in `subfolder` ("" for the cache folder itself).
    virtual std::vector<std::string> List(const std::string& subfolder) const = 0;
    // `name` is relative to the cache folder, with '/' between folders.
    virtual std::optional<std::uint64_t> Size(const std::string& name) const = 0;
    // Fills `out` from `offset`; false unless every byte was there.
    virtual bool Read(const std::string& name, std::uint64_t offset, std::span<std::uint8_t> out) const = 0;
};

// Exactly `count` bytes at `offset`, or nothing.
std::optional<std::vector<std::uint8_t>> ReadBytes(const CacheFiles& files, const std::string& name,
                                                   std::uint64_t offset, std::uint64_t count);

// A cache folder on disk. The file read last stays open for the next read (a reader
// walks hundreds of records of one file), and only as long as this object lives: the
// browser must stay free to rename and delete its files.
class DiskCacheFiles final : public CacheFiles {
public:
    explicit DiskCacheFiles(std::filesystem::path folder) : folder_(std::move(folder)) {}
    DiskCacheFiles(const DiskCacheFiles&) = delete;
    DiskCacheFiles& operator=(const DiskCacheFiles&) = delete;
    std::vector<std::string> List(const std::string& subfolder) const override;
    std::optional<std::uint64_t> Size(const std::string& name) const override;
    bool Read(const std::string& name, std::uint64_t offset, std::span<std::uint8_t> out) const override;
    std::filesystem::path PathOf(const std::string& name) const;
    // True when, since the last call, a file that is there could not be opened: another
    // program holds it without sharing, and it may be read once that program lets go.
    bool TakeHeldFile() const { return std::exchange(heldFile_, false); }

private:
    std::filesystem::path folder_;
    mutable std::string openName_;
    mutable std::ifstream open_;
    mutable bool heldFile_ = false;
};

using platform::LoadBe16;
using platform::LoadBe32;
using platform::LoadLe16;
using platform::LoadLe32;
using platform::LoadLe64;

}  // namespace capture
