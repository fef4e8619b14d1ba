#include "framework/MultiSelection.h"

namespace framework {

std::vector<std::wstring> SplitMultiSelection(std::wstring_view buffer) {
    std::vector<std::wstring_view> parts;
    size_t start = 0;
    while (start < buffer.size()) {
        const size_t end = buffer.find(L'\0', start);
        const std::wstring_view part = buffer.substr(start, end == std::wstring_view::npos ? end : end - start);
        if (part.empty()) break;
        parts.push_back(part);
        if (end == std::wstring_view::npos) break;
        start = end + 1;
    }
    std::vector<std::wstring> paths;
    if (parts.size() == 1) {
        paths.emplace_back(parts.front());
        return paths;
    }
    for (size_t i = 1; i < parts.size(); ++i) {
        std::wstring path(parts.front());
        if (!path.empty() && path.back() != L'\\') path += L'\\';
        paths.push_back(path + std::wstring(parts[i]));
    }
    return paths;
}

}  // namespace framework
