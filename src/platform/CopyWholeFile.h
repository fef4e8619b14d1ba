#pragma once
// Copying a file byte for byte, refusing one that another program is still writing.
#include <windows.h>

#include <functional>
#include <string>

namespace platform {

// Writes one block to the destination; false when not every byte was written. Tests put
// a failing one in to stand for a full disk.
using BlockWriter = std::function<bool(HANDLE destination, const char* data, DWORD size)>;
bool WriteWholeBlock(HANDLE destination, const char* data, DWORD size);

// Copies `source` to `destination` in 4096-byte blocks. The source is opened denying
// writers, so a file another process holds open for writing is not copied now. The
// destination is created (or truncated) for exclusive writing. A read or write error on
// the way deletes the destination: no half-written copy outlives a false result.
bool CopyWholeFile(const std::wstring& source, const std::wstring& destination,
                   const BlockWriter& writeBlock = WriteWholeBlock);

}  // namespace platform
