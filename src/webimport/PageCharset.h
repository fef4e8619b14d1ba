#pragma once
// Turning the bytes of a page into text by the character set it declares. Portable: the
// code pages that need the system's tables are decoded through a callback.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace webimport {

struct PageCharset {
    enum class Kind { Undeclared, Utf8, Utf16Le, Utf16Be, Windows1252, CodePage };
    Kind kind = Kind::Undeclared;
    unsigned codePage = 0;          // Kind::CodePage: the Windows code page
    std::size_t byteOrderMark = 0;  // bytes of a leading byte-order mark, skipped when decoding
};

// The Windows code page of a charset label ("shift_jis" is 932), for the labels that
// pages use and that the system's tables decode; nullopt for any other.
std::optional<unsigned> CodePageOfLabel(std::wstring_view label);

// As browsers decide: a byte-order mark first, then the charset of the Content-Type
// header, then a <meta charset> or <meta http-equiv="Content-Type"> within the first
// 1024 bytes.
PageCharset FindPageCharset(std::string_view bytes, std::wstring_view contentType);

// Decodes `bytes` from `codePage` (0: the system's ANSI code page).
using CodePageDecoder = std::function<std::wstring(std::string_view bytes, unsigned codePage)>;

// The page as text. A page that declares nothing is read as UTF-8 when it is well-formed
// UTF-8 (plain ASCII is), else in the system's ANSI code page.
std::wstring DecodePage(std::string_view bytes, std::wstring_view contentType, const CodePageDecoder& decodeCodePage);

}  // namespace webimport
