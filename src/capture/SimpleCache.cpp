#include "capture/SimpleCache.h"

#include "capture/ChromiumCache.h"

#include <algorithm>
#include <map>

namespace capture {

namespace {

constexpr std::uint64_t kFileHeaderMagic = 0xfcfb6d1ba7725c30ull;
constexpr std::uint64_t kEofMagic = 0xf4fa6f45970d41d8ull;
constexpr std::uint64_t kSparseRangeMagic = 0xeb97bf016553676bull;
constexpr std::size_t kFileHeaderSize = 24;
constexpr std::size_t kEofSize = 24;
constexpr std::size_t kSparseRangeHeaderSize = 32;
constexpr std::size_t kKeySha256Size = 32;
constexpr std::uint32_t kEofHasCrc32 = 1;
constexpr std::uint32_t kEofHasKeySha256 = 2;
constexpr std::size_t kHashDigits = 16;
// Keys are URLs with two sites before them; anything far longer is damage.
constexpr std::uint32_t kLongestKey = 64 * 1024;

bool IsHashPrefix(std::string_view text) {
    return text.size() == kHashDigits && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

// The key of an entry file, after checking the file header.
std::optional<std::string> ReadKey(const CacheFiles& files, const std::string& name) {
    const auto header = ReadBytes(files, name, 0, kFileHeaderSize);
    if (!header || LoadLe64(*header, 0) != kFileHeaderMagic) return std::nullopt;
    const std::uint32_t keyLength = LoadLe32(*header, 12);
    if (keyLength == 0 || keyLength > kLongestKey) return std::nullopt;
    const auto key = ReadBytes(files, name, kFileHeaderSize, keyLength);
    if (!key) return std::nullopt;
    return std::string(key->begin(), key->end());
}

struct Streams {
    std::uint64_t stream1Offset = 0;
    std::uint64_t stream1Length = 0;
    std::optional<StoredDigest> stream1Digest;
    std::uint64_t stream0Offset = 0;
    std::vector<std::uint8_t> stream0;
    std::optional<StoredDigest> stream0Digest;
};

// An EOF record's CRC-32, when its flags say the stream was written in one go and has one.
std::optional<StoredDigest> CrcOfEof(std::span<const std::uint8_t> eof) {
    if (!(LoadLe32(eof, 8) & kEofHasCrc32)) return std::nullopt;
    return StoredDigest{DigestKind::Crc32, LoadLe32(eof, 12)};
}

// Walks back from the end: EOF of stream 0, the key's SHA-256, stream 0, EOF of stream 1.
std::optional<Streams> ReadStreams(const CacheFiles& files, const std::string& name, std::uint64_t keyLength) {
    const std::optional<std::uint64_t> size = files.Size(name);
    const std::uint64_t stream1Start = kFileHeaderSize + keyLength;
    if (!size || *size < stream1Start + 2 * kEofSize) return std::nullopt;
    const auto eof0 = ReadBytes(files, name, *size - kEofSize, kEofSize);
    if (!eof0 || LoadLe64(*eof0, 0) != kEofMagic) return std::nullopt;
    const std::uint64_t sha = (LoadLe32(*eof0, 8) & kEofHasKeySha256) ? kKeySha256Size : 0;
    const std::uint64_t stream0Length = LoadLe32(*eof0, 16);
    const std::uint64_t trailer = kEofSize + sha + stream0Length + kEofSize;
    if (*size - stream1Start < trailer) return std::nullopt;
    const std::uint64_t eof1At = *size - trailer;
    const auto eof1 = ReadBytes(files, name, eof1At, kEofSize);
    if (!eof1 || LoadLe64(*eof1, 0) != kEofMagic) return std::nullopt;
    auto stream0 = ReadBytes(files, name, eof1At + kEofSize, stream0Length);
    if (!stream0) return std::nullopt;
    return Streams{stream1Start,      eof1At - stream1Start, CrcOfEof(*eof1),
                   eof1At + kEofSize, std::move(*stream0),   CrcOfEof(*eof0)};
}

// The range records of a "_s" file, in the order they were appended. A record cut off by
// the end of the file, or one whose magic is wrong, ends the list.
std::vector<ResourcePiece> ReadSparseRanges(const CacheFiles& files, const std::string& name) {
    std::vector<ResourcePiece> pieces;
    const std::optional<std::uint64_t> size = files.Size(name);
    const auto header = ReadBytes(files, name, 0, kFileHeaderSize);
    if (!size || !header || LoadLe64(*header, 0) != kFileHeaderMagic) return pieces;
    std::uint64_t at = kFileHeaderSize + LoadLe32(*header, 12);
    while (at <= *size && *size - at >= kSparseRangeHeaderSize) {
        const auto record = ReadBytes(files, name, at, kSparseRangeHeaderSize);
        if (!record || LoadLe64(*record, 0) != kSparseRangeMagic) break;
        const std::uint64_t offset = LoadLe64(*record, 8);
        const std::uint64_t length = LoadLe64(*record, 16);
        const std::uint32_t crc = LoadLe32(*record, 24);
        const std::uint64_t data = at + kSparseRangeHeaderSize;
        if (length > *size - data) break;
        // A range rewritten in part keeps no CRC: it reads 0 then.
        std::optional<StoredDigest> digest;
        if (crc != 0) digest = StoredDigest{DigestKind::Crc32, crc};
        pieces.push_back({offset, {name, data, length, digest}});
        at = data + length;
    }
    return pieces;
}

}  // namespace

std::vector<SimpleEntryFiles> GroupSimpleEntries(const std::vector<std::string>& names) {
    std::map<std::string, SimpleEntryFiles> entries;
    for (const std::string& name : names) {
        if (name.size() != kHashDigits + 2 || name[kHashDigits] != '_') continue;
        const std::string hash = name.substr(0, kHashDigits);
        if (!IsHashPrefix(hash)) continue;
        const char stream = name.back();
        if (stream != '0' && stream != 's') continue;
        SimpleEntryFiles& entry = entries[hash];
        entry.hash = hash;
        (stream == '0' ? entry.hasStream0File : entry.hasSparseFile) = true;
    }
    std::vector<SimpleEntryFiles> grouped;
    for (auto& [hash, entry] : entries)
        if (entry.hasStream0File) grouped.push_back(std::move(entry));
    return grouped;
}

std::optional<CachedResponse> ReadSimpleEntry(const CacheFiles& files, const SimpleEntryFiles& entry) {
    const std::string main = entry.Stream0File();
    const std::optional<std::string> key = ReadKey(files, main);
    if (!key) return std::nullopt;
    const std::optional<Streams> streams = ReadStreams(files, main, key->size());
    if (!streams) return std::nullopt;
    CachedResponse response;
    bool truncated = false;
    if (!DescribeResponse(*key, streams->stream0, response, truncated)) return std::nullopt;
    response.ownFiles.push_back(main);
    if (streams->stream0Digest)
        response.otherDigests.push_back(
            {main, streams->stream0Offset, streams->stream0.size(), streams->stream0Digest});
    if (streams->stream1Length > 0 || !entry.hasSparseFile) {
        if (streams->stream1Length > 0)
            response.body.push_back({main, streams->stream1Offset, streams->stream1Length, streams->stream1Digest});
        const bool lengthAgrees = response.totalLength == 0 || response.totalLength == streams->stream1Length;
        response.state =
            !truncated && lengthAgrees && streams->stream1Length > 0 ? BodyState::Whole : BodyState::Incomplete;
    } else {
        response.ownFiles.push_back(entry.SparseFile());
        AssemblePieces(ReadSparseRanges(files, entry.SparseFile()), response);
    }
    NoteCompressedBody(files, response);
    return response;
}

}  // namespace capture
