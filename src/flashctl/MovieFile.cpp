#include "flashctl/MovieFile.h"

#include "platform/UniqueHandle.h"

#include <vector>

namespace flashctl {

namespace {

// The header and first-frame tags lie at the start; a large movie is not read whole.
constexpr std::size_t kReadLimit = 1 << 20;

std::wstring FileName(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

const wchar_t* Reason(SwfProblem problem) {
    switch (problem) {
    case SwfProblem::None: return L"";
    case SwfProblem::NotAMovie: return L"it is not a movie.";
    case SwfProblem::Truncated: return L"the movie is cut short.";
    case SwfProblem::Corrupt: return L"the movie is damaged.";
    case SwfProblem::UnsupportedCompression: return L"its compression is not supported.";
    }
    return L"";
}

}  // namespace

MovieFile OpenMovieFile(const std::wstring& path) {
    MovieFile movie;
    const std::wstring prefix = L"Cannot show " + FileName(path) + L": ";
    platform::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size)) {
        movie.problem = prefix + L"the file is missing or cannot be read.";
        return movie;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min<LONGLONG>(size.QuadPart, kReadLimit)));
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + filled, static_cast<DWORD>(bytes.size() - filled), &got, nullptr) ||
            got == 0)
            break;
        filled += got;
    }
    const SwfReadResult read = ReadSwfHeader(bytes.data(), filled, filled < bytes.size() ? filled : size.QuadPart);
    movie.header = read.header;
    if (read.problem != SwfProblem::None) movie.problem = prefix + Reason(read.problem);
    return movie;
}

}  // namespace flashctl
