#include "capture/CacheFiles.h"

#include <limits>
#include <system_error>

namespace capture {

std::optional<std::vector<std::uint8_t>> ReadBytes(const CacheFiles& files, const std::string& name,
                                                   std::uint64_t offset, std::uint64_t count) {
    // Sizes come from the cache's own records; a damaged one must not ask for gigabytes.
    constexpr std::uint64_t kLargestRecord = 64u << 20;
    if (count > kLargestRecord) return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
    if (!files.Read(name, offset, bytes)) return std::nullopt;
    return bytes;
}

std::filesystem::path DiskCacheFiles::PathOf(const std::string& name) const {
    return (folder_ / std::filesystem::path(name)).make_preferred();
}

std::vector<std::string> DiskCacheFiles::List(const std::string& subfolder) const {
    std::vector<std::string> names;
    std::error_code error;
    const std::filesystem::path where = subfolder.empty() ? folder_ : PathOf(subfolder);
    for (std::filesystem::directory_iterator it(where, error), end; !error && it != end; it.increment(error)) {
        if (it->is_regular_file(error)) names.push_back(it->path().filename().string());
    }
    return names;
}

std::optional<std::uint64_t> DiskCacheFiles::Size(const std::string& name) const {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(PathOf(name), error);
    if (error) return std::nullopt;
    return static_cast<std::uint64_t>(size);
}

bool DiskCacheFiles::Read(const std::string& name, std::uint64_t offset, std::span<std::uint8_t> out) const {
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<std::streamoff>::max())) return false;
    if (name != openName_ || !open_.is_open()) {
        open_.close();
        openName_.clear();
        open_.open(PathOf(name), std::ios::binary);
        if (!open_) {
            std::error_code error;
            if (std::filesystem::exists(PathOf(name), error)) heldFile_ = true;
            return false;
        }
        openName_ = name;
    }
    open_.clear();
    open_.seekg(static_cast<std::streamoff>(offset));
    open_.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return open_.gcount() == static_cast<std::streamsize>(out.size());
}

}  // namespace capture
