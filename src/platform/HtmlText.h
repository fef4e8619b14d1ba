#pragma once
// Text as web pages write it: character references, the Windows-1252 bytes that pages
// still declare as Latin-1, and titles fit to be shown and stored. Portable.
#include <string>
#include <string_view>

namespace platform {

// Named (the HTML 4 set), decimal and hexadecimal character references become their
// characters; a reference that names nothing, or lacks its ";", stays as it is written.
// Numbers that no character has become U+FFFD, and 128 to 159 are read as Windows-1252,
// as browsers read them.
std::wstring DecodeEntities(std::wstring_view text);

// The character of a Windows-1252 byte (pages that say ISO-8859-1 mean this too).
char32_t Windows1252Character(unsigned char byte);

// A title as the library keeps it: runs of blanks, tabs and line breaks become one space;
// other control characters and the marks that reorder text (U+202E and its kin) go; the
// ends are trimmed; a runaway text is cut at kLongestTitle characters.
inline constexpr std::size_t kLongestTitle = 500;
std::wstring TidyTitle(std::wstring_view text);

// DecodeEntities, then TidyTitle.
std::wstring PageTitleText(std::wstring_view html);

}  // namespace platform
