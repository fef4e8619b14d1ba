#include "update/Publisher.h"

namespace update {

std::optional<Publisher> Publisher::OfProgram(const std::wstring& program) {
    auto key = platform::VerifiedSignerKey(program);
    if (!key) return std::nullopt;
    return Publisher(std::move(*key));
}

bool Publisher::Signed(const std::wstring& file) const { return platform::VerifiedSignerKey(file) == key_; }

}  // namespace update
