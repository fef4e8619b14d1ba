#include "update/Publisher.h"

#include "platform/Authenticode.h"
#include "platform/PeImage.h"
#include "platform/UniqueHandle.h"
#include "update/UpdateRules.h"

#include <algorithm>

namespace update {

namespace {

// A read-only view of a whole file; only the pages read are loaded.
class FileView {
public:
    explicit FileView(const std::wstring& path) {
        platform::UniqueFile file(
            CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        LARGE_INTEGER size{};
        if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart == 0) return;
        platform::UniqueHandle mapping(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
        if (!mapping) return;
        view_ = MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0);
        if (view_ != nullptr) size_ = static_cast<std::size_t>(size.QuadPart);
    }
    ~FileView() {
        if (view_ != nullptr) UnmapViewOfFile(view_);
    }
    FileView(const FileView&) = delete;
    FileView& operator=(const FileView&) = delete;
    std::span<const std::uint8_t> bytes() const { return {static_cast<const std::uint8_t*>(view_), size_}; }

private:
    void* view_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace

std::optional<Publisher> Publisher::OfProgram(const std::wstring& program) {
    const FileView view(program);
    std::vector<KeyFingerprint> keys = ReleaseKeysOf(view.bytes());
    if (keys.empty()) return std::nullopt;
    return Publisher(std::move(keys));
}

SetupVerdict Publisher::Check(std::span<const std::uint8_t> file, std::int64_t now) const {
    const platform::SignatureCheck signature = platform::CheckAuthenticode(file, now);
    switch (signature.problem) {
    case platform::SignatureProblem::None: break;
    case platform::SignatureProblem::NotSigned: return SetupVerdict::NotSigned;
    case platform::SignatureProblem::RidesAlong: return SetupVerdict::RidesAlong;
    case platform::SignatureProblem::Changed: return SetupVerdict::Changed;
    case platform::SignatureProblem::Expired: return SetupVerdict::Expired;
    }
    if (std::ranges::find(keys_, signature.signerKey) == keys_.end()) return SetupVerdict::NotOurKey;
    // The version the set-up says of itself, under the signature: not the server's word.
    const auto version = platform::ReadProductVersion(file);
    if (!version || !IsNewerVersion(*version)) return SetupVerdict::NotNewer;
    return SetupVerdict::Offer;
}

}  // namespace update
