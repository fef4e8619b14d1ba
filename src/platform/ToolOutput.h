#pragma once
// Turning the bytes an outside tool prints into program text. Portable.
#include <string>
#include <string_view>

namespace platform {

// ffmpeg writes UTF-8 (file names, tags), so well-formed UTF-8 sequences become their
// characters; every other byte above 0x7F becomes the character of the same value
// (Latin-1), so no byte is lost and the ASCII the parsers look for never moves between
// lines. Line ends are left as they are.
std::wstring DecodeToolOutput(std::string_view bytes);

}  // namespace platform
