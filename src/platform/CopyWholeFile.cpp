#include "platform/CopyWholeFile.h"

#include "platform/UniqueHandle.h"

namespace platform {

bool WriteWholeBlock(HANDLE destination, const char* data, DWORD size) {
    DWORD written = 0;
    if (!WriteFile(destination, data, size, &written, nullptr)) return false;
    return written == size;
}

namespace {

bool CopyBlocks(HANDLE source, HANDLE destination, const BlockWriter& writeBlock) {
    char block[4096];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(source, block, sizeof block, &read, nullptr)) return false;
        if (read == 0) return true;
        if (!writeBlock(destination, block, read)) return false;
    }
}

}  // namespace

bool CopyWholeFile(const std::wstring& source, const std::wstring& destination, const BlockWriter& writeBlock) {
    platform::UniqueFile in(CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in) return false;
    platform::UniqueFile out(
        CreateFileW(destination.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return false;
    bool copied = CopyBlocks(in.get(), out.get(), writeBlock);
    // A write cached by the system can still fail for want of space when it is flushed.
    if (copied && !FlushFileBuffers(out.get())) copied = false;
    out.reset();
    if (!copied) DeleteFileW(destination.c_str());
    return copied;
}

}  // namespace platform
