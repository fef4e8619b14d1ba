#include "titles/TitleLog.h"

#include "platform/Crc32.h"
#include "platform/ByteOrder.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace titles {

using platform::GetLittleEndian;
using platform::PutLittleEndian;

namespace {

constexpr std::array<std::uint8_t, 8> kHeaderMagic = {'R', 'K', 'T', 'I', 'T', 'L', 'E', '1'};
// Records written before the change time was kept have no such field.
constexpr std::array<std::uint8_t, 4> kPlainRecordMagic = {'R', 'K', 'T', 'R'};
constexpr std::array<std::uint8_t, 4> kRecordMagic = {'R', 'K', 'T', 'C'};
// Magic, checksum of what follows it, payload length.
constexpr std::size_t kRecordHeadSize = 12;
// Serial, index, creation time, write time, size.
constexpr std::size_t kIdentityBytes = 4 + 8 + 8 + 8 + 8;
constexpr std::size_t kChangeTimeBytes = 8;
// Everything of a record but its title.
constexpr std::size_t kFixedRecordBytes = kRecordHeadSize + kIdentityBytes + kChangeTimeBytes;

struct DecodedRecord {
    TitleRecord record;
    std::size_t end = 0;
};

// The record that starts at `at`, when it is complete and its checksum holds.
std::optional<DecodedRecord> DecodeRecordAt(std::span<const std::uint8_t> bytes, std::size_t at) {
    if (bytes.size() - at < kRecordHeadSize) return std::nullopt;
    const std::uint8_t* head = bytes.data() + at;
    const bool stamped = std::equal(kRecordMagic.begin(), kRecordMagic.end(), head);
    if (!stamped && !std::equal(kPlainRecordMagic.begin(), kPlainRecordMagic.end(), head)) return std::nullopt;
    const std::size_t fixedSize = kIdentityBytes + (stamped ? kChangeTimeBytes : 0);
    const std::size_t payloadSize = GetLittleEndian(head + 8, 4);
    if (payloadSize < fixedSize || payloadSize > fixedSize + 2 * title_log::kMaxTitleUnits) return std::nullopt;
    if ((payloadSize - fixedSize) % 2 != 0) return std::nullopt;
    if (bytes.size() - at - kRecordHeadSize < payloadSize) return std::nullopt;
    const std::uint32_t stored = static_cast<std::uint32_t>(GetLittleEndian(head + 4, 4));
    // The checksum covers the length too, so a damaged length cannot pass as another record.
    if (platform::Crc32(bytes.subspan(at + 8, 4 + payloadSize)) != stored) return std::nullopt;

    const std::uint8_t* payload = head + kRecordHeadSize;
    DecodedRecord decoded;
    FileIdentity& identity = decoded.record.identity;
    identity.volumeSerial = static_cast<std::uint32_t>(GetLittleEndian(payload, 4));
    identity.fileIndex = GetLittleEndian(payload + 4, 8);
    identity.creationTime = GetLittleEndian(payload + 12, 8);
    identity.lastWriteTime = GetLittleEndian(payload + 20, 8);
    identity.size = GetLittleEndian(payload + 28, 8);
    if (stamped) decoded.record.changeTime = GetLittleEndian(payload + kIdentityBytes, 8);
    const std::size_t units = (payloadSize - fixedSize) / 2;
    decoded.record.title.resize(units);
    for (std::size_t i = 0; i < units; ++i) {
        decoded.record.title[i] = static_cast<char16_t>(GetLittleEndian(payload + fixedSize + 2 * i, 2));
    }
    decoded.end = at + kRecordHeadSize + payloadSize;
    return decoded;
}

}  // namespace

std::size_t FileIdentityHash::operator()(const FileIdentity& identity) const noexcept {
    // FNV-1a over the fields; the index and the times already spread well.
    std::uint64_t hash = 1469598103934665603ull;
    for (std::uint64_t field : {std::uint64_t{identity.volumeSerial}, identity.fileIndex, identity.creationTime,
                                identity.lastWriteTime, identity.size}) {
        hash = (hash ^ field) * 1099511628211ull;
    }
    return static_cast<std::size_t>(hash ^ (hash >> 32));
}

namespace title_log {

std::vector<std::uint8_t> EncodeHeader(std::uint64_t generation) {
    std::vector<std::uint8_t> out(kHeaderMagic.begin(), kHeaderMagic.end());
    PutLittleEndian(out, generation, 8);
    return out;
}

std::optional<std::uint64_t> DecodeHeader(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kHeaderSize) return std::nullopt;
    if (!std::equal(kHeaderMagic.begin(), kHeaderMagic.end(), bytes.begin())) return std::nullopt;
    return GetLittleEndian(bytes.data() + kHeaderMagic.size(), 8);
}

void AppendRecord(std::vector<std::uint8_t>& out, const TitleRecord& record) {
    const std::size_t units = std::min(record.title.size(), kMaxTitleUnits);
    const std::size_t payloadSize = kIdentityBytes + kChangeTimeBytes + 2 * units;
    std::vector<std::uint8_t> covered;
    covered.reserve(4 + payloadSize);
    PutLittleEndian(covered, payloadSize, 4);
    const FileIdentity& identity = record.identity;
    PutLittleEndian(covered, identity.volumeSerial, 4);
    PutLittleEndian(covered, identity.fileIndex, 8);
    PutLittleEndian(covered, identity.creationTime, 8);
    PutLittleEndian(covered, identity.lastWriteTime, 8);
    PutLittleEndian(covered, identity.size, 8);
    PutLittleEndian(covered, record.changeTime, 8);
    for (std::size_t i = 0; i < units; ++i) PutLittleEndian(covered, record.title[i], 2);

    out.insert(out.end(), kRecordMagic.begin(), kRecordMagic.end());
    PutLittleEndian(out, platform::Crc32(covered), 4);
    out.insert(out.end(), covered.begin(), covered.end());
}

ParseResult ParseRecords(std::span<const std::uint8_t> bytes) {
    ParseResult result;
    std::size_t at = 0;
    while (at < bytes.size()) {
        if (auto decoded = DecodeRecordAt(bytes, at)) {
            result.records.push_back(std::move(decoded->record));
            at = decoded->end;
            result.consumed = at;
            continue;
        }
        // Step over damage only when an intact record follows it: a record that is still
        // being appended must be read again once it is complete, not skipped for good.
        std::optional<std::size_t> next;
        for (std::size_t probe = at + 1; probe + kRecordHeadSize <= bytes.size(); ++probe) {
            if (bytes[probe] == kRecordMagic[0] && DecodeRecordAt(bytes, probe)) {
                next = probe;
                break;
            }
        }
        if (!next) break;
        result.skipped += *next - at;
        at = *next;
    }
    return result;
}

}  // namespace title_log

void TitleMap::Apply(const TitleRecord& record) {
    const auto found = titles_.find(record.identity);
    if (found != titles_.end()) {
        recordBytes_ -= kFixedRecordBytes + 2 * found->second.title.size();
        titles_.erase(found);
    }
    if (record.title.empty()) return;
    StoredTitle stored{record.title.substr(0, title_log::kMaxTitleUnits), record.changeTime};
    recordBytes_ += kFixedRecordBytes + 2 * stored.title.size();
    titles_.emplace(record.identity, std::move(stored));
}

const StoredTitle* TitleMap::Find(const FileIdentity& identity) const {
    const auto found = titles_.find(identity);
    return found == titles_.end() ? nullptr : &found->second;
}

std::vector<std::uint8_t> TitleMap::Serialize(std::uint64_t generation) const {
    std::vector<std::uint8_t> out = title_log::EncodeHeader(generation);
    out.reserve(SerializedBytes());
    for (const auto& [identity, stored] : titles_) {
        title_log::AppendRecord(out, TitleRecord{identity, stored.title, stored.changeTime});
    }
    return out;
}

}  // namespace titles
