#pragma once
// Web addresses as a page writes them and as a request needs them: resolved against the
// page, limited to http and https, escaped, and told apart by what they name. Portable.
#include <optional>
#include <string>
#include <string_view>

namespace webimport {

// An http:// or https:// address with a host (the scheme in any case).
bool IsWebAddress(std::wstring_view address);
// Text that starts with a scheme of its own ("file:", "ftp:", "javascript:"), as opposed
// to text without one ("example.org/watch").
bool HasScheme(std::wstring_view address);

// `reference` (as written in a page, character references already decoded) made
// absolute against `base`, the way browsers resolve links: blanks around it and line
// breaks in it dropped, "." and ".." segments removed, the fragment cut off, and every
// character a request may not carry %-escaped (non-ASCII as UTF-8). nullopt when the
// result is no http or https address: "javascript:", "data:", "file:" and the like.
std::optional<std::wstring> ResolveAddress(std::wstring_view base, std::wstring_view reference);

// A value %-escaped for a query: every byte of its UTF-8 but letters, digits and "-._~".
std::wstring EscapeQueryValue(std::wstring_view value);

// What an address names, by the extension of its path (any case).
enum class AddressKind { Unknown, HlsPlaylist, DashManifest, MediaFile };
AddressKind KindOfAddress(std::wstring_view address);

// What a response is by its Content-Type (parameters and case ignored).
AddressKind KindOfContentType(std::wstring_view contentType);

// What the start of a body says it is: "#EXTM3U" opens an HLS playlist, an <MPD> element
// a DASH manifest.
AddressKind KindOfBody(std::string_view firstBytes);

}  // namespace webimport
