#include "webimport/PageScrape.h"

#include "platform/HtmlText.h"
#include "platform/ToolOutput.h"
#include "platform/Utf8.h"
#include "titles/TitleMarkers.h"
#include "webimport/WebAddress.h"

#include <array>
#include <cwchar>
#include <iterator>
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

// %-escapes become bytes and other characters their UTF-8 (addresses typed by a user may
// hold them unescaped); the bytes then read as UTF-8 where they are well formed.
std::wstring DecodeEscapes(std::wstring_view text) {
    std::string bytes;
    for (std::size_t at = 0, units = 1; at < text.size(); at += units) {
        units = 1;
        if (text[at] == L'%' && at + 2 < text.size() && HexValue(text[at + 1]) >= 0 && HexValue(text[at + 2]) >= 0) {
            bytes.push_back(static_cast<char>(HexValue(text[at + 1]) * 16 + HexValue(text[at + 2])));
            units = 3;
            continue;
        }
        platform::AppendUtf8(bytes, platform::CodePointAt(text, at, units));
    }
    return platform::DecodeToolOutput(bytes);
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
    std::wstring caption = L"Downloading video file: " + std::to_wstring(receivedBytes / 1024);
    if (totalBytes > 0) caption += L" Kb from " + std::to_wstring(totalBytes / 1024);
    return caption + L" Kb recived...";
}

std::wstring PlaylistProgressCaption(std::uint64_t seconds, std::uint64_t totalSeconds) {
    auto clock = [](std::uint64_t value) {
        wchar_t text[32];
        std::swprintf(text, std::size(text), L"%02llu:%02llu:%02llu", static_cast<unsigned long long>(value / 3600),
                      static_cast<unsigned long long>(value / 60 % 60), static_cast<unsigned long long>(value % 60));
        return std::wstring(text);
    };
    std::wstring caption = L"Downloading video: " + clock(seconds);
    if (totalSeconds > 0) caption += L" of " + clock(totalSeconds);
    return caption;
}

bool ShouldPaste(bool autoCopyOn, std::wstring_view clipboard) {
    if (!autoCopyOn || clipboard.size() > kLongestPastedText) return false;
    if (clipboard.find(L"http://") != std::wstring_view::npos) return true;
    // A copied address of a video file or a playlist, https:// included, is one too.
    const std::size_t first = clipboard.find_first_not_of(L" \t\r\n");
    if (first == std::wstring_view::npos) return false;
    const std::wstring_view address = clipboard.substr(first, clipboard.find_last_not_of(L" \t\r\n") - first + 1);
    return address.find_first_of(L" \t\r\n") == std::wstring_view::npos && IsWebAddress(address) &&
           KindOfAddress(address) != AddressKind::Unknown;
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
    const std::wstring title = platform::TidyTitle(DecodeEscapes(path.substr(path.rfind(L'/') + 1)));
    return title.empty() ? std::wstring(L"video") : title;
}

std::wstring ImportedClipTitle(std::wstring_view pageTitle, std::wstring_view address) {
    if (!titles::ReadsAsMarker(pageTitle)) return std::wstring(pageTitle);
    std::wstring title = DirectVideoTitle(address);
    return titles::ReadsAsMarker(title) ? std::wstring(L"video") : title;
}

}  // namespace webimport
