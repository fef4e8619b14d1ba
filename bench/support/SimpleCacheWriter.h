#pragma once
// Writes Chromium Simple-cache entry files for the cache benchmarks: the same layout the
// readers take apart (header and key, body as stream 1, response info as stream 0, the
// key's hash and the end records), with as many entries as a benchmark needs.
#include "platform/Crc32.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace bench {

inline void Put32(std::string& bytes, std::uint32_t value) { bytes.append(reinterpret_cast<const char*>(&value), 4); }
inline void Put64(std::string& bytes, std::uint64_t value) { bytes.append(reinterpret_cast<const char*>(&value), 8); }

inline bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    CloseHandle(file);
    return ok;
}

// The 24-byte header every Simple entry file starts with, and the key after it.
inline std::string EntryHeader(const std::string& key, std::uint32_t version) {
    std::string bytes;
    Put64(bytes, 0xfcfb6d1ba7725c30ull);
    Put32(bytes, version);
    Put32(bytes, static_cast<std::uint32_t>(key.size()));
    Put32(bytes, 0);
    Put32(bytes, 0);
    return bytes + key;
}

// The end record of a stream written in one go, with the stream's CRC-32 as Chromium
// stores it; `flags` says what else follows.
inline std::string Eof(std::uint32_t flags, const std::string& stream) {
    constexpr std::uint32_t kHasCrc32 = 1;
    std::string bytes;
    Put64(bytes, 0xf4fa6f45970d41d8ull);
    Put32(bytes, flags | kHasCrc32);
    Put32(bytes, platform::Crc32(std::span(reinterpret_cast<const std::uint8_t*>(stream.data()), stream.size())));
    Put32(bytes, static_cast<std::uint32_t>(stream.size()));
    Put32(bytes, 0);
    return bytes;
}

// A "_0" file: `body` as stream 1 and a response of `headers` (NUL-separated) as stream 0,
// received at `responseTime` (Chromium's microseconds since 1601; 0 for none).
inline std::string StreamFile(const std::string& key, const std::string& body, const std::string& headers,
                              std::uint64_t responseTime = 0) {
    std::string info;
    Put32(info, 3);  // version 3, no extra flags
    Put64(info, responseTime);
    Put64(info, responseTime);
    Put32(info, static_cast<std::uint32_t>(headers.size()));
    info += headers;
    info.resize((info.size() + 3) & ~std::size_t{3}, '\0');
    std::string pickle;
    Put32(pickle, static_cast<std::uint32_t>(info.size()));
    pickle += info;
    return EntryHeader(key, 5) + body + Eof(0, body) + pickle + std::string(32, '\0') + Eof(2, pickle);
}

// An "index" that tells the folder for a Simple cache.
inline bool WriteSimpleIndex(const std::wstring& folder) {
    std::string index;
    Put64(index, 0xfcfb6d1ba7725c30ull);
    Put32(index, 9);
    index.resize(24, '\0');
    return WriteFileBytes(folder + L"\\index", index);
}

inline std::wstring HashName(int i, const wchar_t* suffix) {
    wchar_t name[32];
    std::swprintf(name, 32, L"%016llx%ls", 0x1234000000000000ull + static_cast<unsigned long long>(i) * 7919, suffix);
    return name;
}

// The key of a piece that a page on 127.0.0.1 fetched.
inline std::string KeyOf(const std::string& url) { return "1/0/_dk_http://127.0.0.1 http://127.0.0.1 " + url; }

}  // namespace bench
