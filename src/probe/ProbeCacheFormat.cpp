#include "probe/ProbeCacheFormat.h"

#include "platform/Crc32.h"
#include "platform/ByteOrder.h"

#include <algorithm>
#include <array>
#include <optional>

namespace probe::probe_cache {

using platform::GetLittleEndian;
using platform::PutLittleEndian;

namespace {

constexpr std::array<std::uint8_t, 8> kMagic = {'R', 'K', 'P', 'R', 'O', 'B', 'E', 'S'};
// Magic, version, tool size, tool write time, record count, checksum of all that. The
// count tells a file cut at a record's end from a whole one.
constexpr std::size_t kHeaderSize = 8 + 4 + 8 + 8 + 4 + 4;
// Checksum of what follows it, payload length.
constexpr std::size_t kRecordHeadSize = 4 + 2;
constexpr std::size_t kMaxPayload = 0xFFFF;
// Larger than any character, in case a damaged file passes its checksum by chance.
constexpr std::uint64_t kMaxCodeUnit = 0x10FFFF;

// The fields in the order their texts follow each other in a record.
constexpr std::array<std::wstring ProbeFields::*, 8> kFieldOrder = {
    &ProbeFields::duration,  &ProbeFields::width,   &ProbeFields::height, &ProbeFields::resolution,
    &ProbeFields::frameRate, &ProbeFields::bitRate, &ProbeFields::video,  &ProbeFields::audio,
};

// Seven bits a byte, low first: the ASCII that fills these texts costs one byte a character.
void PutVarint(std::vector<std::uint8_t>& out, std::uint64_t value) {
    while (value >= 0x80) {
        out.push_back(static_cast<std::uint8_t>(value | 0x80));
        value >>= 7;
    }
    out.push_back(static_cast<std::uint8_t>(value));
}

void PutText(std::vector<std::uint8_t>& out, std::wstring_view text) {
    PutVarint(out, text.size());
    for (wchar_t unit : text)
        PutVarint(out, static_cast<std::uint64_t>(static_cast<std::make_unsigned_t<wchar_t>>(unit)));
}

std::size_t SharedPrefix(std::wstring_view a, std::wstring_view b) {
    const auto mismatch =
        std::mismatch(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(std::min(a.size(), b.size())), b.begin());
    return static_cast<std::size_t>(mismatch.first - a.begin());
}

std::vector<std::uint8_t> EncodePayload(std::wstring_view previousPath, std::wstring_view path,
                                        const CachedProbe& probe) {
    std::vector<std::uint8_t> out;
    const std::size_t shared = SharedPrefix(previousPath, path);
    PutVarint(out, shared);
    PutText(out, path.substr(shared));
    PutVarint(out, probe.size);
    PutLittleEndian(out, probe.lastWriteTime, 8);
    out.push_back(probe.listsClip ? 1 : 0);
    for (auto field : kFieldOrder) PutText(out, probe.fields.*field);
    return out;
}

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    bool done() const { return at_ == bytes_.size(); }

    std::optional<std::uint64_t> Varint() {
        std::uint64_t value = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (at_ == bytes_.size()) return std::nullopt;
            const std::uint8_t byte = bytes_[at_++];
            value |= std::uint64_t{byte & 0x7Fu} << shift;
            if ((byte & 0x80) == 0) return value;
        }
        return std::nullopt;
    }
    std::optional<std::uint64_t> Fixed(int count) {
        if (bytes_.size() - at_ < static_cast<std::size_t>(count)) return std::nullopt;
        const std::uint64_t value = GetLittleEndian(bytes_.data() + at_, count);
        at_ += static_cast<std::size_t>(count);
        return value;
    }
    bool Text(std::wstring& text) {
        const std::optional<std::uint64_t> length = Varint();
        // Every unit takes at least a byte, which bounds the length before anything is allocated.
        if (!length || *length > bytes_.size() - at_) return false;
        text.reserve(text.size() + static_cast<std::size_t>(*length));
        for (std::uint64_t i = 0; i < *length; ++i) {
            const std::optional<std::uint64_t> unit = Varint();
            if (!unit || *unit > kMaxCodeUnit) return false;
            text.push_back(static_cast<wchar_t>(*unit));
        }
        return true;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

std::optional<CachedProbe> DecodePayload(std::span<const std::uint8_t> payload, const std::wstring& previousPath,
                                         std::wstring& path) {
    Reader in(payload);
    const std::optional<std::uint64_t> shared = in.Varint();
    if (!shared || *shared > previousPath.size()) return std::nullopt;
    path.assign(previousPath, 0, static_cast<std::size_t>(*shared));
    if (!in.Text(path)) return std::nullopt;
    CachedProbe probe;
    const std::optional<std::uint64_t> size = in.Varint();
    const std::optional<std::uint64_t> written = in.Fixed(8);
    const std::optional<std::uint64_t> flags = in.Fixed(1);
    if (!size || !written || !flags || *flags > 1) return std::nullopt;
    probe.size = *size;
    probe.lastWriteTime = *written;
    probe.listsClip = *flags == 1;
    for (auto field : kFieldOrder) {
        if (!in.Text(probe.fields.*field)) return std::nullopt;
    }
    if (!in.done()) return std::nullopt;
    return probe;
}

std::vector<std::uint8_t> EncodeHeader(const ProbeToolIdentity& tool, std::size_t records) {
    std::vector<std::uint8_t> out(kMagic.begin(), kMagic.end());
    PutLittleEndian(out, kFormatVersion, 4);
    PutLittleEndian(out, tool.size, 8);
    PutLittleEndian(out, tool.lastWriteTime, 8);
    PutLittleEndian(out, records, 4);
    PutLittleEndian(out, platform::Crc32(out), 4);
    return out;
}

// The state the header gives the whole file; Intact when the records may be read.
FileState CheckHeader(std::span<const std::uint8_t> bytes, const ProbeToolIdentity& tool) {
    if (bytes.empty()) return FileState::Empty;
    if (bytes.size() < kMagic.size() + 4 || !std::equal(kMagic.begin(), kMagic.end(), bytes.begin()))
        return FileState::Foreign;
    // A newer format may lay out everything after its version differently.
    const std::uint64_t version = GetLittleEndian(bytes.data() + 8, 4);
    if (version > kFormatVersion) return FileState::FutureFormat;
    if (version != kFormatVersion || bytes.size() < kHeaderSize) return FileState::Foreign;
    if (GetLittleEndian(bytes.data() + kHeaderSize - 4, 4) != platform::Crc32(bytes.first(kHeaderSize - 4)))
        return FileState::Foreign;
    const ProbeToolIdentity maker{GetLittleEndian(bytes.data() + 12, 8), GetLittleEndian(bytes.data() + 20, 8)};
    return maker == tool ? FileState::Intact : FileState::OtherTool;
}

}  // namespace

std::vector<std::uint8_t> Serialize(const ProbeToolIdentity& tool, const ProbeEntries& entries) {
    std::vector<std::uint8_t> out;
    std::size_t records = 0;
    const std::wstring none;
    const std::wstring* previous = &none;
    for (const auto& [path, probe] : entries) {
        const std::vector<std::uint8_t> payload = EncodePayload(*previous, path, probe);
        // An entry this large is not worth keeping; its clip is simply probed each time.
        if (payload.size() > kMaxPayload) continue;
        std::vector<std::uint8_t> covered;
        PutLittleEndian(covered, payload.size(), 2);
        covered.insert(covered.end(), payload.begin(), payload.end());
        PutLittleEndian(out, platform::Crc32(covered), 4);
        out.insert(out.end(), covered.begin(), covered.end());
        ++records;
        previous = &path;
    }
    std::vector<std::uint8_t> file = EncodeHeader(tool, records);
    file.insert(file.end(), out.begin(), out.end());
    return file;
}

Parsed Parse(std::span<const std::uint8_t> bytes, const ProbeToolIdentity& tool) {
    Parsed parsed;
    parsed.state = CheckHeader(bytes, tool);
    if (parsed.state != FileState::Intact) return parsed;
    std::size_t at = kHeaderSize;
    std::wstring previous;
    while (at < bytes.size()) {
        if (bytes.size() - at < kRecordHeadSize) break;
        const std::size_t length = static_cast<std::size_t>(GetLittleEndian(bytes.data() + at + 4, 2));
        if (bytes.size() - at - kRecordHeadSize < length) break;
        // The checksum covers the length too, so a damaged length cannot pass as another record.
        if (platform::Crc32(bytes.subspan(at + 4, 2 + length)) != GetLittleEndian(bytes.data() + at, 4)) break;
        const auto payload = bytes.subspan(at + kRecordHeadSize, length);
        std::wstring path;
        std::optional<CachedProbe> probe = DecodePayload(payload, previous, path);
        // Paths are written in order; one out of order was not written by us.
        if (!probe || (!parsed.entries.empty() && path <= previous)) break;
        parsed.entries.emplace_hint(parsed.entries.end(), path, std::move(*probe));
        previous = std::move(path);
        at += kRecordHeadSize + length;
    }
    // Records after damage are not trusted: their paths build on what was lost.
    if (at != bytes.size() || parsed.entries.size() != GetLittleEndian(bytes.data() + kHeaderSize - 8, 4))
        parsed.state = FileState::Damaged;
    return parsed;
}

}  // namespace probe::probe_cache
