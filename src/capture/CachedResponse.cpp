#include "capture/CachedResponse.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>

namespace capture {

std::uint64_t CachedResponse::BodyLength() const {
    std::uint64_t length = 0;
    for (const BodyRange& range : body) length += range.length;
    return length;
}

std::vector<std::uint8_t> ReadBody(const CacheFiles& files, const CachedResponse& response) {
    std::vector<std::uint8_t> bytes;
    for (const BodyRange& range : response.body) {
        const auto piece = ReadBytes(files, range.file, range.offset, range.length);
        if (!piece) return {};
        bytes.insert(bytes.end(), piece->begin(), piece->end());
    }
    return bytes;
}

std::string OriginOf(std::string_view url) {
    const std::size_t scheme = url.find("://");
    if (scheme == std::string_view::npos || scheme == 0) return {};
    const std::size_t end = url.find_first_of("/?#", scheme + 3);
    return std::string(url.substr(0, end));
}

void NoteCompressedBody(const CacheFiles& files, CachedResponse& response) {
    constexpr std::array<std::uint8_t, 4> kZstdMagic{0x28, 0xb5, 0x2f, 0xfd};
    if (response.body.empty() || response.body.front().length < kZstdMagic.size()) return;
    std::array<std::uint8_t, 4> start{};
    const BodyRange& first = response.body.front();
    if (files.Read(first.file, first.offset, start) && start == kZstdMagic) response.state = BodyState::Compressed;
}

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

std::uint64_t ParseUnsigned(std::string_view text) {
    text = Trim(text);
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : 0;
}

}  // namespace

HttpHead::HttpHead(std::string_view raw) {
    std::size_t start = 0;
    while (start < raw.size()) {
        std::size_t end = raw.find_first_of(std::string_view("\0\n", 2), start);
        if (end == std::string_view::npos) end = raw.size();
        const std::string_view line = Trim(raw.substr(start, end - start));
        if (!line.empty()) lines_.emplace_back(line);
        start = end + 1;
    }
    if (lines_.empty() || !lines_.front().starts_with("HTTP/")) {
        lines_.clear();
        return;
    }
    const std::string_view status = lines_.front();
    const std::size_t space = status.find(' ');
    if (space != std::string_view::npos) status_ = static_cast<int>(ParseUnsigned(status.substr(space + 1, 3)));
}

std::string HttpHead::Value(std::string_view name) const {
    for (std::size_t i = 1; i < lines_.size(); ++i) {
        const std::string_view line = lines_[i];
        const std::size_t colon = line.find(':');
        if (colon != std::string_view::npos && EqualsIgnoringCase(Trim(line.substr(0, colon)), name))
            return std::string(Trim(line.substr(colon + 1)));
    }
    return {};
}

std::uint64_t HttpHead::TotalLength() const {
    if (status_ == 206) {
        const std::string range = Value("Content-Range");
        const std::size_t slash = range.rfind('/');
        return slash == std::string::npos ? 0 : ParseUnsigned(std::string_view(range).substr(slash + 1));
    }
    return status_ == 200 ? ParseUnsigned(Value("Content-Length")) : 0;
}

std::string HttpHead::ContentType() const {
    const std::string type = Value("Content-Type");
    return std::string(Trim(std::string_view(type).substr(0, type.find(';'))));
}

}  // namespace capture
