#include "webimport/WebAddress.h"

#include "platform/Utf8.h"
#include "webimport/HtmlTags.h"

#include <array>
#include <vector>

namespace webimport {

namespace {

bool IsAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
bool IsAsciiDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool IsHexDigit(wchar_t c) { return IsAsciiDigit(c) || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F'); }

struct Pieces {
    std::wstring scheme;  // without ":"; empty for a relative reference
    std::optional<std::wstring> authority;
    std::wstring path;
    std::optional<std::wstring> query;
};

std::size_t SchemeLength(std::wstring_view text) {
    if (text.empty() || !IsAsciiLetter(text[0])) return 0;
    for (std::size_t at = 1; at < text.size(); ++at) {
        const wchar_t c = text[at];
        if (c == L':') return at;
        if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != L'+' && c != L'-' && c != L'.') return 0;
    }
    return 0;
}

Pieces Split(std::wstring_view text) {
    Pieces pieces;
    text = text.substr(0, text.find(L'#'));
    if (const std::size_t scheme = SchemeLength(text)) {
        pieces.scheme = std::wstring(text.substr(0, scheme));
        text.remove_prefix(scheme + 1);
    }
    if (text.starts_with(L"//")) {
        text.remove_prefix(2);
        const std::size_t end = text.find_first_of(L"/?");
        pieces.authority = std::wstring(text.substr(0, end));
        text = end == std::wstring_view::npos ? std::wstring_view() : text.substr(end);
    }
    const std::size_t question = text.find(L'?');
    pieces.path = std::wstring(text.substr(0, question));
    if (question != std::wstring_view::npos) pieces.query = std::wstring(text.substr(question + 1));
    return pieces;
}

// RFC 3986, 5.2.4, over whole segments.
std::wstring RemoveDotSegments(std::wstring_view path) {
    std::vector<std::wstring_view> kept;
    const bool absolute = path.starts_with(L'/');
    if (absolute) path.remove_prefix(1);
    bool endsInDirectory = false;
    while (true) {
        const std::size_t slash = path.find(L'/');
        const std::wstring_view segment = path.substr(0, slash);
        const bool last = slash == std::wstring_view::npos;
        endsInDirectory = last && (segment == L"." || segment == L"..");
        if (segment == L"..") {
            if (!kept.empty()) kept.pop_back();
        } else if (segment != L".") {
            kept.push_back(segment);
        }
        if (last) break;
        path.remove_prefix(slash + 1);
    }
    std::wstring result = absolute ? L"/" : L"";
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (i > 0) result += L'/';
        result += kept[i];
    }
    if (endsInDirectory && !result.empty() && result.back() != L'/') result += L'/';
    return result;
}

std::wstring MergePaths(const Pieces& base, std::wstring_view reference) {
    if (base.authority && base.path.empty()) return L"/" + std::wstring(reference);
    const std::size_t slash = base.path.rfind(L'/');
    return slash == std::wstring::npos ? std::wstring(reference)
                                       : base.path.substr(0, slash + 1) + std::wstring(reference);
}

std::wstring Join(const Pieces& pieces) {
    std::wstring text = pieces.scheme + L":";
    if (pieces.authority) text += L"//" + *pieces.authority;
    text += pieces.path;
    if (pieces.query) text += L"?" + *pieces.query;
    return text;
}

// Characters a request line may carry as they are; "%" stays where it starts an escape.
bool Unreserved(wchar_t c) {
    return IsAsciiLetter(c) || IsAsciiDigit(c) || c == L'-' || c == L'.' || c == L'_' || c == L'~';
}
bool AllowedInAddress(wchar_t c) {
    return Unreserved(c) || std::wstring_view(L"!$&'()*+,;=:@/?[]").find(c) != std::wstring_view::npos;
}

// Escapes every character that `keep` refuses; with `keepEscapes`, a "%" that starts an
// escape stays, so that an address escaped already is not escaped twice.
void AppendEscaped(std::wstring& out, std::wstring_view text, bool (*keep)(wchar_t), bool keepEscapes) {
    static constexpr wchar_t kHex[] = L"0123456789ABCDEF";
    for (std::size_t at = 0, units = 1; at < text.size(); at += units) {
        const char32_t c = platform::CodePointAt(text, at, units);
        const bool escape = c == L'%' && at + 2 < text.size() && IsHexDigit(text[at + 1]) && IsHexDigit(text[at + 2]);
        if (c < 0x80 && (keep(static_cast<wchar_t>(c)) || (keepEscapes && escape))) {
            out.push_back(static_cast<wchar_t>(c));
            continue;
        }
        std::string bytes;
        platform::AppendUtf8(bytes, c);
        for (const char byte : bytes) {
            const auto value = static_cast<unsigned char>(byte);
            out += {L'%', kHex[value >> 4], kHex[value & 0xF]};
        }
    }
}

// Blanks around an address go, and line breaks and tabs inside it, as browsers do.
std::wstring Trimmed(std::wstring_view text) {
    std::wstring kept;
    for (const wchar_t c : text)
        if (c != L'\t' && c != L'\n' && c != L'\r') kept.push_back(c);
    const std::size_t first = kept.find_first_not_of(L" \f");
    if (first == std::wstring::npos) return {};
    return kept.substr(first, kept.find_last_not_of(L" \f") - first + 1);
}

std::wstring_view PathOf(std::wstring_view address) {
    address = address.substr(0, address.find_first_of(L"?#"));
    if (const std::size_t scheme = address.find(L"://"); scheme != std::wstring_view::npos) {
        address.remove_prefix(scheme + 3);
        const std::size_t slash = address.find(L'/');
        return slash == std::wstring_view::npos ? std::wstring_view() : address.substr(slash);
    }
    return address;
}

struct Extension {
    std::wstring_view extension;
    AddressKind kind;
};
constexpr std::array<Extension, 16> kExtensions{{
    {L"m3u8", AddressKind::HlsPlaylist},
    {L"mpd", AddressKind::DashManifest},
    {L"mp4", AddressKind::MediaFile},
    {L"m4v", AddressKind::MediaFile},
    {L"mov", AddressKind::MediaFile},
    {L"webm", AddressKind::MediaFile},
    {L"mkv", AddressKind::MediaFile},
    {L"flv", AddressKind::MediaFile},
    {L"f4v", AddressKind::MediaFile},
    {L"ogv", AddressKind::MediaFile},
    {L"avi", AddressKind::MediaFile},
    {L"wmv", AddressKind::MediaFile},
    {L"3gp", AddressKind::MediaFile},
    {L"mpg", AddressKind::MediaFile},
    {L"mpeg", AddressKind::MediaFile},
    {L"ts", AddressKind::MediaFile},
}};

struct ContentType {
    std::wstring_view type;
    AddressKind kind;
};
constexpr std::array<ContentType, 6> kPlaylistTypes{{
    {L"application/vnd.apple.mpegurl", AddressKind::HlsPlaylist},
    {L"application/x-mpegurl", AddressKind::HlsPlaylist},
    {L"audio/mpegurl", AddressKind::HlsPlaylist},
    {L"audio/x-mpegurl", AddressKind::HlsPlaylist},
    {L"application/dash+xml", AddressKind::DashManifest},
    {L"video/vnd.mpeg.dash.mpd", AddressKind::DashManifest},
}};

}  // namespace

bool HasScheme(std::wstring_view address) { return SchemeLength(Trimmed(address)) > 0; }

bool IsWebAddress(std::wstring_view address) {
    const Pieces pieces = Split(address);
    const bool web = EqualsAsciiNoCase(pieces.scheme, L"http") || EqualsAsciiNoCase(pieces.scheme, L"https");
    return web && pieces.authority && !pieces.authority->empty() && pieces.authority->front() != L':';
}

std::optional<std::wstring> ResolveAddress(std::wstring_view base, std::wstring_view reference) {
    const std::wstring trimmed = Trimmed(reference);
    if (trimmed.empty() || trimmed.front() == L'#') return std::nullopt;
    const Pieces from = Split(base);
    Pieces target = Split(trimmed);
    if (!target.scheme.empty()) {
        target.path = RemoveDotSegments(target.path);
    } else if (target.authority) {
        target.scheme = from.scheme;
        target.path = RemoveDotSegments(target.path);
    } else {
        target.scheme = from.scheme;
        target.authority = from.authority;
        if (target.path.empty()) {
            target.path = from.path;
            if (!target.query) target.query = from.query;
        } else {
            target.path =
                RemoveDotSegments(target.path.starts_with(L'/') ? target.path : MergePaths(from, target.path));
        }
    }
    if (target.authority && target.path.empty()) target.path = L"/";
    std::wstring escaped;
    AppendEscaped(escaped, Join(target), AllowedInAddress, true);
    if (!IsWebAddress(escaped)) return std::nullopt;
    return escaped;
}

std::wstring EscapeQueryValue(std::wstring_view value) {
    std::wstring escaped;
    AppendEscaped(escaped, value, Unreserved, false);
    return escaped;
}

AddressKind KindOfAddress(std::wstring_view address) {
    const std::wstring_view path = PathOf(address);
    const std::size_t dot = path.rfind(L'.');
    if (dot == std::wstring_view::npos || path.find(L'/', dot) != std::wstring_view::npos) return AddressKind::Unknown;
    const std::wstring_view extension = path.substr(dot + 1);
    for (const Extension& known : kExtensions)
        if (EqualsAsciiNoCase(extension, known.extension)) return known.kind;
    return AddressKind::Unknown;
}

AddressKind KindOfContentType(std::wstring_view contentType) {
    std::wstring_view type = contentType.substr(0, contentType.find(L';'));
    while (!type.empty() && type.back() == L' ') type.remove_suffix(1);
    for (const ContentType& known : kPlaylistTypes)
        if (EqualsAsciiNoCase(type, known.type)) return known.kind;
    if (type.size() > 6 && EqualsAsciiNoCase(type.substr(0, 6), L"video/")) return AddressKind::MediaFile;
    return AddressKind::Unknown;
}

AddressKind KindOfBody(std::string_view firstBytes) {
    if (firstBytes.starts_with("\xEF\xBB\xBF")) firstBytes.remove_prefix(3);
    const std::size_t start = firstBytes.find_first_not_of(" \t\r\n");
    if (start != std::string_view::npos && firstBytes.substr(start).starts_with("#EXTM3U"))
        return AddressKind::HlsPlaylist;
    const std::string_view head = firstBytes.substr(0, 4096);
    if (head.find("<MPD") != std::string_view::npos) return AddressKind::DashManifest;
    return AddressKind::Unknown;
}

}  // namespace webimport
