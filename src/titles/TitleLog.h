#pragma once
// The fallback title store's log: a header and then checksummed records, each binding one
// file identity to one title. Appending is the only way the log changes in place; a reader
// that finds a torn or damaged record keeps every intact record around it.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace titles {

// Who a file is, as far as the fallback store can tell without a place inside the file.
// The write time and the size are part of it because some volumes reuse a deleted file's
// index and hand its creation time on to a new file of the same name.
struct FileIdentity {
    std::uint32_t volumeSerial = 0;
    std::uint64_t fileIndex = 0;
    std::uint64_t creationTime = 0;
    std::uint64_t lastWriteTime = 0;
    std::uint64_t size = 0;
    bool operator==(const FileIdentity&) const = default;
};

struct FileIdentityHash {
    std::size_t operator()(const FileIdentity& identity) const noexcept;
};

struct TitleRecord {
    FileIdentity identity;
    std::u16string title;  // UTF-16 code units; empty forgets the identity's title
    // The file's change time when the title was written. A copy put in a deleted file's
    // place can match its identity to the last field, but never this: no copy, rename or
    // attribute change keeps it. 0 where unknown, as in logs written before it was kept.
    std::uint64_t changeTime = 0;
};

struct StoredTitle {
    std::u16string title;
    std::uint64_t changeTime = 0;
};

namespace title_log {

inline constexpr std::size_t kHeaderSize = 16;
inline constexpr std::size_t kMaxTitleUnits = 32767;

std::vector<std::uint8_t> EncodeHeader(std::uint64_t generation);
// The log's generation, or nothing when the bytes do not start with a valid header.
std::optional<std::uint64_t> DecodeHeader(std::span<const std::uint8_t> bytes);

// Appends one record; a title longer than kMaxTitleUnits is cut to that length. Records
// of older logs, which carry no change time, still parse (with a change time of 0).
void AppendRecord(std::vector<std::uint8_t>& out, const TitleRecord& record);

struct ParseResult {
    std::vector<TitleRecord> records;
    // Bytes up to the end of the last intact record. What follows is either a record still
    // being written or the remains of a writer that died; the caller reads it again later.
    std::size_t consumed = 0;
    // Damaged bytes that were stepped over because an intact record follows them.
    std::size_t skipped = 0;
};
ParseResult ParseRecords(std::span<const std::uint8_t> bytes);

}  // namespace title_log

// Titles by identity, as the records of one log say them in order.
class TitleMap {
public:
    // The last record for an identity wins; an empty title forgets the identity.
    void Apply(const TitleRecord& record);
    const StoredTitle* Find(const FileIdentity& identity) const;
    std::size_t size() const { return titles_.size(); }
    void clear() { titles_.clear(); }
    // Header plus one record per title: the content of a compacted log.
    std::vector<std::uint8_t> Serialize(std::uint64_t generation) const;
    // What Serialize would take, kept up to date so that the compaction check costs nothing.
    std::size_t SerializedBytes() const { return title_log::kHeaderSize + recordBytes_; }

private:
    std::unordered_map<FileIdentity, StoredTitle, FileIdentityHash> titles_;
    std::size_t recordBytes_ = 0;
};

}  // namespace titles
