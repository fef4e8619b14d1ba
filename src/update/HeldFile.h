#pragma once
// A whole file as a read-only view, through a handle that keeps writers and deleters out
// while it is held: what was checked is what is later run. The view reads no more than is
// touched, and under Wine it costs a fraction of reading tens of megabytes into memory.
#include "platform/UniqueHandle.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace update {

class HeldFile {
public:
    // None when it cannot be opened or mapped, or is larger than any set-up of ours.
    static std::optional<HeldFile> Open(const std::wstring& path);

    std::span<const std::uint8_t> bytes() const { return {static_cast<const std::uint8_t*>(view_.get()), size_}; }

private:
    struct Unmap {
        void operator()(const void* view) const;
    };
    HeldFile() = default;

    platform::UniqueFile file_;
    platform::UniqueHandle mapping_;
    std::unique_ptr<const void, Unmap> view_;
    std::size_t size_ = 0;
};

}  // namespace update
