#include "webimport/PageScrape.h"

#include <array>
#include <string>

namespace webimport {

namespace {

struct Markers {
    std::wstring_view start;
    std::wstring_view end;
};

constexpr std::array<Markers, 4> kIdentifierMarkers{{
    {L"'VIDEO_ID': '", L"',"},
    {L"video_id=", L"&"},
    {L"video_id\" value=\"", L"\""},
    {L"video_id\": \"", L"\""},
}};
constexpr Markers kTokenMarkers{L"\"t\": \"", L"\","};
constexpr Markers kTitleMarkers{L"<meta name=\"title\" content=\"", L"\">"};

int HexValue(wchar_t digit) {
    if (digit >= L'0' && digit <= L'9') return digit - L'0';
    if (digit >= L'a' && digit <= L'f') return digit - L'a' + 10;
    if (digit >= L'A' && digit <= L'F') return digit - L'A' + 10;
    return -1;
}

// %-escapes become bytes; other characters pass through as they are (addresses typed by a
// user may hold them unescaped).
std::u32string DecodeEscapes(std::wstring_view text) {
    std::string bytes;
    std::u32string decoded;
    auto flushBytes = [&] {
        // UTF-8 sequences as far as they are well formed; a stray byte stands for itself.
        for (size_t at = 0; at < bytes.size();) {
            const auto lead = static_cast<unsigned char>(bytes[at]);
            const int extra = lead >= 0xF0 && lead < 0xF8 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 && lead < 0xE0 ? 1 : 0;
            char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
            bool wellFormed = lead < 0x80 || extra > 0;
            for (int k = 1; wellFormed && k <= extra; ++k) {
                const auto next = at + k < bytes.size() ? static_cast<unsigned char>(bytes[at + k]) : 0;
                wellFormed = (next & 0xC0) == 0x80;
                code = (code << 6) | (next & 0x3F);
            }
            if (!wellFormed || code > 0x10FFFF) {
                decoded.push_back(lead);
                ++at;
                continue;
            }
            decoded.push_back(code);
            at += static_cast<size_t>(extra) + 1;
        }
        bytes.clear();
    };
    for (size_t at = 0; at < text.size(); ++at) {
        if (text[at] == L'%' && at + 2 < text.size() && HexValue(text[at + 1]) >= 0 && HexValue(text[at + 2]) >= 0) {
            bytes.push_back(static_cast<char>(HexValue(text[at + 1]) * 16 + HexValue(text[at + 2])));
            at += 2;
            continue;
        }
        flushBytes();
        decoded.push_back(static_cast<char32_t>(text[at]));
    }
    flushBytes();
    return decoded;
}

// wchar_t is UTF-16 on Windows and UTF-32 elsewhere.
std::wstring ToWide(const std::u32string& text) {
    std::wstring wide;
    for (const char32_t code : text) {
        if constexpr (sizeof(wchar_t) == 2) {
            if (code >= 0x10000) {
                wide.push_back(static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10)));
                wide.push_back(static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
                continue;
            }
        }
        wide.push_back(static_cast<wchar_t>(code));
    }
    return wide;
}

}  // namespace

std::wstring ValueBetween(std::wstring_view text, std::wstring_view start, std::wstring_view end) {
    const size_t found = text.find(start);
    if (found == std::wstring_view::npos) return std::wstring(kNotFound);
    const std::wstring_view rest = text.substr(found + start.size());
    const size_t stop = rest.find(end);
    return stop == std::wstring_view::npos ? std::wstring() : std::wstring(rest.substr(0, stop));
}

bool PageValues::Complete() const { return identifier != kNotFound && token != kNotFound && title != kNotFound; }

PageValues ScrapePage(std::wstring_view page) {
    PageValues values;
    values.identifier = std::wstring(kNotFound);
    for (const Markers& markers : kIdentifierMarkers) {
        if (page.find(markers.start) == std::wstring_view::npos) continue;
        values.identifier = ValueBetween(page, markers.start, markers.end);
        break;
    }
    values.token = ValueBetween(page, kTokenMarkers.start, kTokenMarkers.end);
    values.title = ValueBetween(page, kTitleMarkers.start, kTitleMarkers.end);
    return values;
}

std::wstring StreamAddress(std::wstring_view site, std::wstring_view identifier, std::wstring_view token) {
    std::wstring address(site);
    if (address.empty() || address.back() != L'/') address += L'/';
    return address + L"get_video?asv=&video_id=" + std::wstring(identifier) + L"&t=" + std::wstring(token);
}

std::wstring ProgressCaption(std::uint64_t receivedBytes, std::uint64_t totalBytes) {
    return L"Downloading video file: " + std::to_wstring(receivedBytes / 1024) + L" Kb from " +
           std::to_wstring(totalBytes / 1024) + L" Kb recived...";
}

bool ShouldPaste(bool autoCopyOn, std::wstring_view clipboard) {
    return autoCopyOn && clipboard.find(L"http://") != std::wstring_view::npos &&
           clipboard.size() <= kLongestPastedText;
}

bool IsDirectVideoType(std::wstring_view contentType) {
    const std::wstring_view type = contentType.substr(0, contentType.find(L';'));
    return type.starts_with(L"video/") || type == L"application/octet-stream";
}

std::wstring DirectVideoTitle(std::wstring_view url) {
    std::wstring_view path = url.substr(0, url.find_first_of(L"?#"));
    const size_t scheme = path.find(L"://");
    if (scheme != std::wstring_view::npos) {
        path.remove_prefix(scheme + 3);
        const size_t slash = path.find(L'/');
        path = slash == std::wstring_view::npos ? std::wstring_view() : path.substr(slash);
    }
    while (!path.empty() && path.back() == L'/') path.remove_suffix(1);
    const std::wstring title = ToWide(DecodeEscapes(path.substr(path.rfind(L'/') + 1)));
    return title.empty() ? std::wstring(L"video") : title;
}

}  // namespace webimport
