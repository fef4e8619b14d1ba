#include "platform/PeImage.h"

#include "platform/ByteOrder.h"
#include "platform/Der.h"

#include <algorithm>

namespace platform {

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kSecurityEntry = 4;
constexpr std::size_t kResourceEntry = 2;
constexpr std::uint16_t kCertificateRevision2 = 0x0200;
constexpr std::uint16_t kPkcsSignedData = 0x0002;
constexpr std::size_t kCertificateHeaderSize = 8;

bool Fits(Bytes file, std::uint64_t offset, std::uint64_t size) {
    return offset <= file.size() && size <= file.size() - offset;
}

struct Section {
    std::uint32_t virtualAddress = 0;
    std::uint32_t virtualSize = 0;
    std::uint32_t rawOffset = 0;
    std::uint32_t rawSize = 0;
};

struct Headers {
    std::size_t checksumOffset = 0;
    std::size_t directoryOffset = 0;  // of the data directory's first entry
    std::uint32_t directoryCount = 0;
    std::vector<Section> sections;

    std::size_t EntryOffset(std::size_t entry) const { return directoryOffset + entry * 8; }
};

std::optional<Headers> ReadHeaders(Bytes file) {
    if (!Fits(file, 0, 0x40) || file[0] != 'M' || file[1] != 'Z') return std::nullopt;
    const std::uint32_t peOffset = LoadLe32(file, 0x3C);
    if (!Fits(file, peOffset, 24) || LoadLe32(file, peOffset) != 0x00004550) return std::nullopt;
    const std::uint16_t sectionCount = LoadLe16(file, peOffset + 6);
    const std::uint16_t optionalSize = LoadLe16(file, peOffset + 20);
    const std::size_t optional = peOffset + 24;
    if (!Fits(file, optional, optionalSize) || optionalSize < 2) return std::nullopt;
    // PE32 and PE32+ differ in where the data directory starts.
    const std::uint16_t magic = LoadLe16(file, optional);
    const std::size_t countAt = magic == 0x20B ? 108 : magic == 0x10B ? 92 : 0;
    if (countAt == 0 || optionalSize < countAt + 4) return std::nullopt;
    Headers headers;
    headers.checksumOffset = optional + 64;
    headers.directoryOffset = optional + countAt + 4;
    headers.directoryCount = LoadLe32(file, optional + countAt);
    if (headers.directoryCount > (optionalSize - countAt - 4) / 8) return std::nullopt;
    const std::size_t sectionTable = optional + optionalSize;
    if (!Fits(file, sectionTable, std::uint64_t{sectionCount} * kSectionHeaderSize)) return std::nullopt;
    for (std::size_t i = 0; i < sectionCount; ++i) {
        const std::size_t at = sectionTable + i * kSectionHeaderSize;
        headers.sections.push_back(
            {LoadLe32(file, at + 12), LoadLe32(file, at + 8), LoadLe32(file, at + 20), LoadLe32(file, at + 16)});
    }
    return headers;
}

// The file offset of `size` bytes at `rva`, when one section holds them in the file.
std::optional<std::size_t> FileOffsetOf(Bytes file, const Headers& headers, std::uint32_t rva, std::uint32_t size) {
    for (const Section& section : headers.sections) {
        const std::uint64_t inFile = std::min(section.virtualSize, section.rawSize);
        if (rva < section.virtualAddress || rva - section.virtualAddress > inFile ||
            size > inFile - (rva - section.virtualAddress))
            continue;
        const std::uint64_t offset = std::uint64_t{section.rawOffset} + (rva - section.virtualAddress);
        if (Fits(file, offset, size)) return static_cast<std::size_t>(offset);
    }
    return std::nullopt;
}

bool AllZero(Bytes bytes) {
    return std::ranges::all_of(bytes, [](std::uint8_t b) { return b == 0; });
}

}  // namespace

SignedImage ReadSignedImage(Bytes file) {
    SignedImage image;
    const auto headers = ReadHeaders(file);
    if (!headers || headers->directoryCount <= kSecurityEntry) return image;
    const std::size_t entry = headers->EntryOffset(kSecurityEntry);
    const std::uint32_t tableOffset = LoadLe32(file, entry);
    const std::uint32_t tableSize = LoadLe32(file, entry + 4);
    if (tableOffset == 0 && tableSize == 0) {
        image.problem = SignedImageProblem::NotSigned;
        return image;
    }
    // The table's address is a file offset, and it comes last: nothing may follow it that
    // the signature does not cover, and nothing of it may overlap the headers.
    if (tableOffset % 8 != 0 || tableOffset < entry + 8 || std::uint64_t{tableOffset} + tableSize != file.size()) {
        image.problem = SignedImageProblem::TableNotAtEnd;
        return image;
    }
    const Bytes table = file.subspan(tableOffset);
    image.problem = SignedImageProblem::TableDamaged;
    if (table.size() < kCertificateHeaderSize) return image;
    const std::uint32_t length = LoadLe32(table, 0);
    if (LoadLe16(table, 4) != kCertificateRevision2 || LoadLe16(table, 6) != kPkcsSignedData ||
        length < kCertificateHeaderSize || length > table.size())
        return image;
    const auto signature = FirstDerElement(table.subspan(kCertificateHeaderSize, length - kCertificateHeaderSize));
    if (!signature || signature->tag != der::kSequence) return image;
    // Past the signature's own end only the alignment to 8 bytes may follow, as zeros:
    // anything else would ride along unsigned, whatever the table's lengths claim.
    const Bytes rest = table.subspan(kCertificateHeaderSize + signature->whole.size());
    if (rest.size() >= 8 || !AllZero(rest)) {
        image.problem = SignedImageProblem::ExtraInTable;
        return image;
    }
    image.problem = SignedImageProblem::None;
    image.signature = {tableOffset + kCertificateHeaderSize, signature->whole.size()};
    image.hashed = {{0, headers->checksumOffset},
                    {headers->checksumOffset + 4, entry - headers->checksumOffset - 4},
                    {entry + 8, tableOffset - entry - 8}};
    return image;
}

namespace {

struct ResourceTable {
    Bytes file;
    const Headers& headers;
    std::size_t start = 0;  // file offset of the root directory
    std::size_t size = 0;

    // The entry of the directory at `directory` (relative to the root) that `key` names,
    // or its first entry when `key` is none; the entry's target offset and whether it is
    // a directory.
    std::optional<std::pair<std::uint32_t, bool>> Find(std::uint32_t directory, const ResourceKey* key) const {
        if (directory > size || size - directory < 16) return std::nullopt;
        const Bytes dir = file.subspan(start + directory, size - directory);
        const std::size_t named = LoadLe16(dir, 12), numbered = LoadLe16(dir, 14);
        if ((dir.size() - 16) / 8 < named + numbered) return std::nullopt;
        for (std::size_t i = 0; i < named + numbered; ++i) {
            const std::uint32_t name = LoadLe32(dir, 16 + i * 8), target = LoadLe32(dir, 20 + i * 8);
            if (key == nullptr || Matches(name, *key)) return std::pair{target & 0x7FFFFFFFu, (target >> 31) != 0};
        }
        return std::nullopt;
    }

    bool Matches(std::uint32_t name, const ResourceKey& key) const {
        if (const auto* id = std::get_if<std::uint16_t>(&key)) return (name >> 31) == 0 && name == *id;
        if ((name >> 31) == 0) return false;
        const std::uint32_t at = name & 0x7FFFFFFFu;
        const auto wanted = std::get<std::u16string_view>(key);
        if (at > size || size - at < 2) return false;
        const std::size_t length = LoadLe16(file, start + at);
        if (length != wanted.size() || (size - at - 2) / 2 < length) return false;
        for (std::size_t i = 0; i < length; ++i)
            if (LoadLe16(file, start + at + 2 + i * 2) != wanted[i]) return false;
        return true;
    }
};

}  // namespace

std::optional<Bytes> FindResource(Bytes file, ResourceKey type, std::optional<ResourceKey> name) {
    const auto headers = ReadHeaders(file);
    if (!headers || headers->directoryCount <= kResourceEntry) return std::nullopt;
    const std::size_t entry = headers->EntryOffset(kResourceEntry);
    const std::uint32_t rva = LoadLe32(file, entry), size = LoadLe32(file, entry + 4);
    const auto start = FileOffsetOf(file, *headers, rva, size);
    if (size == 0 || !start) return std::nullopt;
    const ResourceTable table{file, *headers, *start, size};
    // Type, name and language: three levels, the last pointing at a data entry.
    const auto byType = table.Find(0, &type);
    const auto byName = byType && byType->second ? table.Find(byType->first, name ? &*name : nullptr) : std::nullopt;
    const auto byLanguage = byName && byName->second ? table.Find(byName->first, nullptr) : std::nullopt;
    if (!byLanguage || byLanguage->second || byLanguage->first > size || size - byLanguage->first < 16)
        return std::nullopt;
    const std::size_t dataEntry = *start + byLanguage->first;
    const std::uint32_t dataRva = LoadLe32(file, dataEntry), dataSize = LoadLe32(file, dataEntry + 4);
    const auto data = FileOffsetOf(file, *headers, dataRva, dataSize);
    if (!data) return std::nullopt;
    return file.subspan(*data, dataSize);
}

std::optional<std::vector<std::uint32_t>> ReadProductVersion(Bytes file) {
    const auto resource = FindResource(file, kVersionResource, std::nullopt);
    if (!resource) return std::nullopt;
    // VS_VERSIONINFO: length, value length, type, the key "VS_VERSION_INFO", padding to 4
    // bytes, then VS_FIXEDFILEINFO.
    constexpr std::u16string_view kKey = u"VS_VERSION_INFO";
    constexpr std::size_t kFixedAt = 40, kFixedSize = 52;
    const Bytes info = *resource;
    if (info.size() < kFixedAt + kFixedSize || LoadLe16(info, 2) < kFixedSize) return std::nullopt;
    for (std::size_t i = 0; i <= kKey.size(); ++i)
        if (LoadLe16(info, 6 + i * 2) != (i < kKey.size() ? kKey[i] : 0)) return std::nullopt;
    if (LoadLe32(info, kFixedAt) != 0xFEEF04BD) return std::nullopt;
    const std::uint32_t high = LoadLe32(info, kFixedAt + 16), low = LoadLe32(info, kFixedAt + 20);
    return std::vector<std::uint32_t>{high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF};
}

}  // namespace platform
