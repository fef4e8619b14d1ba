#include "capture/BlockfileCache.h"

#include "capture/ChromiumCache.h"

#include <cinttypes>
#include <cstdio>
#include <map>
#include <set>
#include <unordered_map>

namespace capture {

namespace {

constexpr std::uint32_t kIndexMagic = 0xC103CAC3;
constexpr std::size_t kIndexTableLengthAt = 28;
constexpr std::size_t kIndexTableAt = 368;
constexpr std::uint32_t kDefaultTableLength = 0x10000;
constexpr std::uint32_t kLargestTableLength = 1u << 20;
constexpr std::uint64_t kBlockFileHeaderSize = 8192;
constexpr std::size_t kEntrySize = 256;
constexpr std::uint32_t kParentEntry = 1;
constexpr std::uint32_t kEntryDoomed = 2;
constexpr std::uint64_t kChildSize = 1u << 20;
constexpr std::uint64_t kChildBlockSize = 1024;
constexpr std::size_t kSparseHeaderSize = 64;
constexpr std::size_t kInlineKeyAt = 96;
// A chain longer than the cache could hold entries is a loop in damaged data.
constexpr std::size_t kLongestChain = 1u << 16;

// A cache address: bit 31 set when used, bits 28-30 the kind of file, then either an
// external file's number or a block file's number, first block and block count.
struct CacheAddress {
    std::uint32_t value = 0;
    bool used() const { return (value & 0x80000000u) != 0; }
    std::uint32_t type() const { return (value >> 28) & 7; }
    bool external() const { return type() == 0; }
    std::uint64_t blockSize() const {
        switch (type()) {
        case 1: return 36;
        case 2: return 256;
        case 3: return 1024;
        case 4: return 4096;
        default: return 0;
        }
    }
    std::uint32_t blockCount() const { return ((value >> 24) & 3) + 1; }
    std::string File() const {
        char name[16];
        if (external()) {
            std::snprintf(name, sizeof name, "f_%06x", value & 0x0fffffffu);
        } else {
            std::snprintf(name, sizeof name, "data_%u", (value >> 16) & 0xffu);
        }
        return name;
    }
    std::uint64_t Offset() const { return external() ? 0 : kBlockFileHeaderSize + (value & 0xffffu) * blockSize(); }
};

struct Stream {
    std::uint32_t size = 0;
    CacheAddress address;
};

struct Entry {
    std::string key;
    std::uint32_t flags = 0;
    Stream streams[3];
};

class BlockfileReader {
public:
    explicit BlockfileReader(const CacheFiles& files) : files_(files) {}

    std::vector<CachedResponse> Read();

private:
    std::optional<Entry> LoadEntry(CacheAddress address, CacheAddress& next);
    std::optional<std::string> LoadKey(std::span<const std::uint8_t> store, CacheAddress self);
    std::optional<std::vector<std::uint8_t>> LoadStream(const Stream& stream);
    std::optional<CachedResponse> Describe(const Entry& entry);
    void AddChildren(const Entry& parent, CachedResponse& response);
    bool ChildCovers(const Entry& child, std::uint64_t needed);

    const CacheFiles& files_;
    std::unordered_map<std::string, Entry> byKey_;
};

std::optional<std::vector<std::uint8_t>> ReadAt(const CacheFiles& files, CacheAddress address, std::uint64_t length) {
    if (!address.used() || (!address.external() && address.blockSize() == 0)) return std::nullopt;
    return ReadBytes(files, address.File(), address.Offset(), length);
}

std::optional<std::string> BlockfileReader::LoadKey(std::span<const std::uint8_t> store, CacheAddress self) {
    const std::uint32_t keyLength = LoadLe32(store, 32);
    const CacheAddress longKey{LoadLe32(store, 36)};
    if (longKey.used()) {
        auto key = ReadAt(files_, longKey, keyLength);
        if (!key) return std::nullopt;
        return std::string(key->begin(), key->end());
    }
    // An inline key may run on into the entry's further blocks.
    if (keyLength > self.blockCount() * kEntrySize - kInlineKeyAt) return std::nullopt;
    const auto key = ReadAt(files_, self, kInlineKeyAt + keyLength);
    if (!key) return std::nullopt;
    return std::string(key->begin() + kInlineKeyAt, key->end());
}

std::optional<Entry> BlockfileReader::LoadEntry(CacheAddress address, CacheAddress& next) {
    if (address.type() != 2) return std::nullopt;
    const auto store = ReadAt(files_, address, kEntrySize);
    if (!store) return std::nullopt;
    next = CacheAddress{LoadLe32(*store, 4)};
    if (LoadLe32(*store, 20) == kEntryDoomed) return std::nullopt;
    auto key = LoadKey(*store, address);
    if (!key) return std::nullopt;
    Entry entry;
    entry.key = std::move(*key);
    entry.flags = LoadLe32(*store, 72);
    for (std::size_t i = 0; i < 3; ++i)
        entry.streams[i] = {LoadLe32(*store, 40 + 4 * i), CacheAddress{LoadLe32(*store, 56 + 4 * i)}};
    return entry;
}

std::optional<std::vector<std::uint8_t>> BlockfileReader::LoadStream(const Stream& stream) {
    return ReadAt(files_, stream.address, stream.size);
}

// A child holds bytes [i MiB, i+1 MiB) at their own offsets and marks each KiB block it
// has in a bitmap; a last block only partly written is noted apart, and is sometimes left
// unmarked although its bytes are there.
bool BlockfileReader::ChildCovers(const Entry& child, std::uint64_t needed) {
    if (child.streams[1].size < needed || !child.streams[1].address.used()) return false;
    const auto sparse = LoadStream(child.streams[2]);
    if (!sparse || sparse->size() < kSparseHeaderSize) return false;
    const std::uint64_t bitmapBits = (sparse->size() - kSparseHeaderSize) * 8;
    const std::uint64_t fullBlocks = needed / kChildBlockSize;
    if (fullBlocks > bitmapBits) return false;
    for (std::uint64_t block = 0; block < fullBlocks; ++block) {
        const std::uint8_t bits = (*sparse)[kSparseHeaderSize + block / 8];
        if (!(bits & (1u << (block % 8)))) return false;
    }
    return true;
}

void BlockfileReader::AddChildren(const Entry& parent, CachedResponse& response) {
    const auto sparse = LoadStream(parent.streams[2]);
    if (!sparse || sparse->size() < kSparseHeaderSize || response.totalLength == 0) {
        response.state = BodyState::Incomplete;
        return;
    }
    const std::uint64_t signature = LoadLe64(*sparse, 0);
    const std::uint64_t children = (response.totalLength + kChildSize - 1) / kChildSize;
    std::vector<ResourcePiece> pieces;
    for (std::uint64_t i = 0; i < children; ++i) {
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ":%" PRIx64 ":%" PRIx64, signature, i);
        const auto found = byKey_.find("Range_" + parent.key + suffix);
        if (found == byKey_.end()) break;
        const Entry& child = found->second;
        const std::uint64_t needed = std::min(kChildSize, response.totalLength - i * kChildSize);
        if (!ChildCovers(child, needed)) break;
        const CacheAddress data = child.streams[1].address;
        pieces.push_back({i * kChildSize, {data.File(), data.Offset(), needed}});
        if (data.external()) response.ownFiles.push_back(data.File());
    }
    AssemblePieces(std::move(pieces), response);
}

std::optional<CachedResponse> BlockfileReader::Describe(const Entry& entry) {
    const auto stream0 = LoadStream(entry.streams[0]);
    if (!stream0) return std::nullopt;
    CachedResponse response;
    bool truncated = false;
    if (!DescribeResponse(entry.key, *stream0, response, truncated)) return std::nullopt;
    if (entry.flags & kParentEntry) {
        AddChildren(entry, response);
    } else {
        const Stream& body = entry.streams[1];
        if (body.size > 0 && body.address.used()) {
            response.body.push_back({body.address.File(), body.address.Offset(), body.size});
            if (body.address.external()) response.ownFiles.push_back(body.address.File());
        }
        const bool lengthAgrees = response.totalLength == 0 || response.totalLength == body.size;
        response.state = !truncated && lengthAgrees && body.size > 0 ? BodyState::Whole : BodyState::Incomplete;
    }
    NoteCompressedBody(files_, response);
    return response;
}

std::vector<CachedResponse> BlockfileReader::Read() {
    std::vector<CachedResponse> responses;
    const auto header = ReadBytes(files_, "index", 0, kIndexTableAt);
    if (!header || LoadLe32(*header, 0) != kIndexMagic) return responses;
    std::uint32_t tableLength = LoadLe32(*header, kIndexTableLengthAt);
    if (tableLength == 0) tableLength = kDefaultTableLength;
    if (tableLength > kLargestTableLength) return responses;
    const auto table = ReadBytes(files_, "index", kIndexTableAt, std::uint64_t{tableLength} * 4);
    if (!table) return responses;
    std::vector<std::string> order;
    std::set<std::uint32_t> visited;
    for (std::uint32_t bucket = 0; bucket < tableLength; ++bucket) {
        // Most buckets are empty; the top byte holds the used bit.
        if (((*table)[bucket * 4 + 3] & 0x80) == 0) continue;
        CacheAddress address{LoadLe32(*table, bucket * 4)};
        for (std::size_t link = 0; address.used() && link < kLongestChain; ++link) {
            if (!visited.insert(address.value).second) break;
            CacheAddress next;
            std::optional<Entry> entry = LoadEntry(address, next);
            if (entry && !byKey_.contains(entry->key)) {
                order.push_back(entry->key);
                byKey_.emplace(entry->key, std::move(*entry));
            }
            address = next;
        }
    }
    for (const std::string& key : order) {
        if (key.starts_with("Range_")) continue;
        if (auto response = Describe(byKey_.at(key))) responses.push_back(std::move(*response));
    }
    return responses;
}

}  // namespace

std::vector<CachedResponse> ReadBlockfileCache(const CacheFiles& files) { return BlockfileReader(files).Read(); }

}  // namespace capture
