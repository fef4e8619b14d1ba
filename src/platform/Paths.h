#pragma once
// Paths as the file system takes them. Cache trees nest deeper than 260 characters; such
// paths reach the file system only in their extended-length form. Keys that must not
// depend on how the caller spelled a path use its full form.
#include <string>

namespace platform {

// `path` (full, with drive or UNC root) as the Win32 calls accept it: unchanged while
// short, with the "\\?\" prefix once it is long enough that a file name added to a
// folder could pass the old limit.
std::wstring FileSystemPath(const std::wstring& path);

// The full path of `path` (relative parts and "." resolved), without the extended prefix;
// empty when the system cannot make one.
std::wstring FullPath(const std::wstring& path);

// The full path of `path` as the system resolves it, prefix kept; `path` itself when the
// system cannot make one.
std::wstring FullPathOrSame(const std::wstring& path);

}  // namespace platform
