#include "library/ImportRules.h"

namespace library {

std::wstring ImportTitle(std::wstring_view path) {
    const size_t slash = path.rfind(L'\\');
    const std::wstring_view name = slash == std::wstring_view::npos ? path : path.substr(slash + 1);
    return name.size() <= 4 ? std::wstring() : std::wstring(name.substr(0, name.size() - 4));
}

std::wstring LibraryClipName(std::int32_t second, int attempt, std::wstring_view extension) {
    std::wstring name = std::to_wstring(second);
    if (attempt > 0) name += L"_" + std::to_wstring(attempt + 1);
    return name + std::wstring(extension);
}

}  // namespace library
