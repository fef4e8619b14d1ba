#include "webimport/PageCharset.h"

#include "platform/ToolOutput.h"
#include "platform/Utf8.h"
#include "webimport/HtmlTags.h"
#include "platform/HtmlText.h"

namespace webimport {

namespace {

struct Label {
    std::wstring_view name;
    unsigned codePage;
};
// 65001 stands for UTF-8, 1200 and 1201 for UTF-16, 1252 for the Latin-1 family.
constexpr Label kLabels[] = {
    {L"utf-8", 65001},       {L"utf8", 65001},         {L"unicode-1-1-utf-8", 65001},
    {L"utf-16", 1200},       {L"utf-16le", 1200},      {L"utf-16be", 1201},
    {L"iso-8859-1", 1252},   {L"iso8859-1", 1252},     {L"latin1", 1252},
    {L"l1", 1252},           {L"windows-1252", 1252},  {L"cp1252", 1252},
    {L"us-ascii", 1252},     {L"ascii", 1252},         {L"shift_jis", 932},
    {L"shift-jis", 932},     {L"sjis", 932},           {L"windows-31j", 932},
    {L"euc-jp", 20932},      {L"iso-2022-jp", 50220},  {L"gbk", 936},
    {L"gb2312", 936},        {L"gb18030", 54936},      {L"big5", 950},
    {L"euc-kr", 949},        {L"ks_c_5601-1987", 949}, {L"koi8-r", 20866},
    {L"koi8-u", 21866},      {L"windows-1250", 1250},  {L"windows-1251", 1251},
    {L"windows-1253", 1253}, {L"windows-1254", 1254},  {L"windows-1255", 1255},
    {L"windows-1256", 1256}, {L"windows-1257", 1257},  {L"windows-1258", 1258},
    {L"iso-8859-2", 28592},  {L"iso-8859-5", 28595},   {L"iso-8859-7", 28597},
    {L"iso-8859-9", 28599},  {L"iso-8859-15", 28605},  {L"windows-874", 874},
    {L"tis-620", 874},
};

// The value of "charset=" in a Content-Type text, unquoted; empty without one.
std::wstring_view CharsetParameter(std::wstring_view contentType) {
    for (std::size_t at = 0; at + 8 <= contentType.size(); ++at) {
        if (!EqualsAsciiNoCase(contentType.substr(at, 8), L"charset=")) continue;
        std::wstring_view value = contentType.substr(at + 8);
        if (!value.empty() && (value.front() == L'"' || value.front() == L'\'')) {
            const wchar_t quote = value.front();
            value.remove_prefix(1);
            return value.substr(0, value.find(quote));
        }
        return value.substr(0, value.find_first_of(L"; \t"));
    }
    return {};
}

PageCharset CharsetOfLabel(std::wstring_view label, bool fromMeta) {
    PageCharset charset;
    const auto codePage = CodePageOfLabel(label);
    if (!codePage) return charset;
    charset.codePage = *codePage;
    switch (*codePage) {
    case 65001: charset.kind = PageCharset::Kind::Utf8; break;
    // A page that says "UTF-16" in its own bytes has just been read as ASCII, so it is not
    // UTF-16: browsers take it as UTF-8.
    case 1200: charset.kind = fromMeta ? PageCharset::Kind::Utf8 : PageCharset::Kind::Utf16Le; break;
    case 1201: charset.kind = fromMeta ? PageCharset::Kind::Utf8 : PageCharset::Kind::Utf16Be; break;
    case 1252: charset.kind = PageCharset::Kind::Windows1252; break;
    default: charset.kind = PageCharset::Kind::CodePage; break;
    }
    return charset;
}

std::wstring_view MetaCharsetLabel(const HtmlTag& tag) {
    if (const auto charset = tag.Attribute(L"charset")) return *charset;
    const auto equiv = tag.Attribute(L"http-equiv");
    const auto content = tag.Attribute(L"content");
    if (equiv && content && EqualsAsciiNoCase(*equiv, L"content-type")) return CharsetParameter(*content);
    return {};
}

PageCharset MetaCharset(std::string_view bytes) {
    // The first bytes as Latin-1: the markup that declares a charset is ASCII in every
    // charset a page may declare this way.
    std::wstring head;
    for (const char byte : bytes.substr(0, 1024)) head.push_back(static_cast<unsigned char>(byte));
    PageCharset found;
    ForEachTag(head, [&](const HtmlTag& tag) {
        if (!tag.opening || tag.name != L"meta") return true;
        found = CharsetOfLabel(MetaCharsetLabel(tag), true);
        return found.kind == PageCharset::Kind::Undeclared;
    });
    return found;
}

std::wstring DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::wstring units;
    for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) {
        const auto first = static_cast<unsigned char>(bytes[at]);
        const auto second = static_cast<unsigned char>(bytes[at + 1]);
        units.push_back(static_cast<wchar_t>(bigEndian ? (first << 8) | second : (second << 8) | first));
    }
    if constexpr (sizeof(wchar_t) == 2) return units;
    std::wstring text;
    for (std::size_t at = 0, taken = 1; at < units.size(); at += taken) {
        const char32_t unit = static_cast<char32_t>(units[at]);
        taken = 1;
        if (unit >= 0xD800 && unit <= 0xDBFF && at + 1 < units.size()) {
            const auto low = static_cast<char32_t>(units[at + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                platform::AppendCodePoint(text, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                taken = 2;
                continue;
            }
        }
        platform::AppendCodePoint(text, unit);
    }
    return text;
}

std::wstring DecodeWindows1252(std::string_view bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    for (const char byte : bytes)
        platform::AppendCodePoint(text, platform::Windows1252Character(static_cast<unsigned char>(byte)));
    return text;
}

}  // namespace

std::optional<unsigned> CodePageOfLabel(std::wstring_view label) {
    while (!label.empty() && (label.front() == L' ' || label.front() == L'\t')) label.remove_prefix(1);
    while (!label.empty() && (label.back() == L' ' || label.back() == L'\t')) label.remove_suffix(1);
    for (const Label& known : kLabels)
        if (EqualsAsciiNoCase(label, known.name)) return known.codePage;
    return std::nullopt;
}

PageCharset FindPageCharset(std::string_view bytes, std::wstring_view contentType) {
    PageCharset charset;
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        charset.kind = PageCharset::Kind::Utf8;
        charset.byteOrderMark = 3;
    } else if (bytes.starts_with("\xFF\xFE")) {
        charset.kind = PageCharset::Kind::Utf16Le;
        charset.byteOrderMark = 2;
    } else if (bytes.starts_with("\xFE\xFF")) {
        charset.kind = PageCharset::Kind::Utf16Be;
        charset.byteOrderMark = 2;
    }
    if (charset.kind != PageCharset::Kind::Undeclared) return charset;
    charset = CharsetOfLabel(CharsetParameter(contentType), false);
    if (charset.kind != PageCharset::Kind::Undeclared) return charset;
    return MetaCharset(bytes);
}

std::wstring DecodePage(std::string_view bytes, std::wstring_view contentType, const CodePageDecoder& decodeCodePage) {
    const PageCharset charset = FindPageCharset(bytes, contentType);
    bytes.remove_prefix(charset.byteOrderMark);
    switch (charset.kind) {
    case PageCharset::Kind::Utf8: return platform::DecodeToolOutput(bytes);
    case PageCharset::Kind::Utf16Le: return DecodeUtf16(bytes, false);
    case PageCharset::Kind::Utf16Be: return DecodeUtf16(bytes, true);
    case PageCharset::Kind::Windows1252: return DecodeWindows1252(bytes);
    case PageCharset::Kind::CodePage: return decodeCodePage(bytes, charset.codePage);
    case PageCharset::Kind::Undeclared: break;
    }
    return platform::IsWellFormedUtf8(bytes) ? platform::DecodeToolOutput(bytes) : decodeCodePage(bytes, 0);
}

}  // namespace webimport
