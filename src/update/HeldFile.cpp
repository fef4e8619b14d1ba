#include "update/HeldFile.h"

#include "update/UpdateRules.h"

namespace update {

void HeldFile::Unmap::operator()(const void* view) const { UnmapViewOfFile(view); }

std::optional<HeldFile> HeldFile::Open(const std::wstring& path) {
    HeldFile held;
    held.file_.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    if (!held.file_ || !GetFileSizeEx(held.file_.get(), &size) || size.QuadPart <= 0 ||
        static_cast<std::uint64_t>(size.QuadPart) > kLargestInstaller)
        return std::nullopt;
    held.mapping_.reset(CreateFileMappingW(held.file_.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!held.mapping_) return std::nullopt;
    held.view_.reset(MapViewOfFile(held.mapping_.get(), FILE_MAP_READ, 0, 0, 0));
    if (!held.view_) return std::nullopt;
    held.size_ = static_cast<std::size_t>(size.QuadPart);
    return held;
}

}  // namespace update
