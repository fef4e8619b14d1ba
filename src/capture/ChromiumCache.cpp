#include "capture/ChromiumCache.h"

#include "history/PageSite.h"

#include <algorithm>
#include <array>

namespace capture {

ChromiumLayout LayoutOfIndex(std::span<const std::uint8_t> start) {
    constexpr std::array<std::uint8_t, 8> kSimpleMagic{0x30, 0x5c, 0x72, 0xa7, 0x1b, 0x6d, 0xfb, 0xfc};
    constexpr std::array<std::uint8_t, 4> kBlockfileMagic{0xc3, 0xca, 0x03, 0xc1};
    if (start.size() >= kSimpleMagic.size() && std::equal(kSimpleMagic.begin(), kSimpleMagic.end(), start.begin()))
        return ChromiumLayout::Simple;
    if (start.size() >= kBlockfileMagic.size() &&
        std::equal(kBlockfileMagic.begin(), kBlockfileMagic.end(), start.begin()))
        return ChromiumLayout::Blockfile;
    return ChromiumLayout::None;
}

ChromiumLayout DetectChromiumLayout(const CacheFiles& files) {
    std::array<std::uint8_t, 8> start{};
    if (!files.Read("index", 0, start)) return ChromiumLayout::None;
    return LayoutOfIndex(start);
}

std::string UrlOfChromiumKey(std::string_view key) {
    const std::size_t space = key.rfind(' ');
    return std::string(space == std::string_view::npos ? key : key.substr(space + 1));
}

std::string SiteOfChromiumKey(std::string_view key) {
    constexpr std::string_view kSitePrefix = "_dk_";
    const std::size_t site = key.find(kSitePrefix);
    const std::size_t space = key.find(' ');
    if (site != std::string_view::npos && space != std::string_view::npos && site < space)
        return std::string(key.substr(site + kSitePrefix.size(), space - site - kSitePrefix.size()));
    return OriginOf(UrlOfChromiumKey(key));
}

namespace {

// base::Pickle: a 4-byte payload size, then fields each padded to 4 bytes.
class PickleReader {
public:
    explicit PickleReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {
        if (bytes_.size() < 4) return;
        const std::uint64_t payload = LoadLe32(bytes_, 0);
        if (payload <= bytes_.size() - 4) end_ = static_cast<std::size_t>(4 + payload);
        at_ = 4;
    }
    bool ok() const { return end_ != 0 && at_ <= end_; }
    std::optional<std::uint32_t> U32() {
        if (!Has(4)) return std::nullopt;
        const std::uint32_t value = LoadLe32(bytes_, at_);
        at_ += 4;
        return value;
    }
    bool Skip64() { return I64().has_value(); }
    std::optional<std::int64_t> I64() {
        if (!Has(8)) return std::nullopt;
        const std::uint64_t value = LoadLe64(bytes_, at_);
        at_ += 8;
        return static_cast<std::int64_t>(value);
    }
    std::optional<std::string> String() {
        const auto length = U32();
        if (!length || !Has(*length)) return std::nullopt;
        std::string text(reinterpret_cast<const char*>(bytes_.data() + at_), *length);
        at_ += (static_cast<std::size_t>(*length) + 3) & ~std::size_t{3};
        return text;
    }

private:
    bool Has(std::uint64_t count) const { return ok() && count <= end_ - at_; }
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
    std::size_t end_ = 0;
};

constexpr std::uint32_t kVersionMask = 0xff;
constexpr std::uint32_t kTruncated = 1u << 12;
constexpr std::uint32_t kHasExtraFlags = 1u << 31;
constexpr std::uint32_t kExtraHasOriginalResponseTime = 1u << 2;

}  // namespace

std::optional<ResponseInfo> ParseResponseInfo(std::span<const std::uint8_t> pickle) {
    PickleReader reader(pickle);
    const auto flags = reader.U32();
    if (!flags || (*flags & kVersionMask) == 0) return std::nullopt;
    std::uint32_t extra = 0;
    if (*flags & kHasExtraFlags) {
        const auto read = reader.U32();
        if (!read) return std::nullopt;
        extra = *read;
    }
    const auto requestTime = reader.I64();
    const auto responseTime = reader.I64();
    if (!requestTime || !responseTime) return std::nullopt;
    if ((extra & kExtraHasOriginalResponseTime) && !reader.Skip64()) return std::nullopt;
    auto headers = reader.String();
    if (!headers) return std::nullopt;
    return ResponseInfo{std::move(*headers), (*flags & kTruncated) != 0, *responseTime};
}

std::int64_t UnixSecondsOfChromiumTime(std::int64_t microsecondsSince1601) {
    constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;
    if (microsecondsSince1601 <= 0) return 0;
    return microsecondsSince1601 / 1000000 - kSecondsFrom1601To1970;
}

bool DescribeResponse(std::string_view key, std::span<const std::uint8_t> stream0, CachedResponse& response,
                      bool& truncated) {
    const std::optional<ResponseInfo> info = ParseResponseInfo(stream0);
    if (!info) return false;
    const HttpHead head(info->rawHeaders);
    response.url = UrlOfChromiumKey(key);
    if (head.status() == 0 || !(response.url.starts_with("http://") || response.url.starts_with("https://")))
        return false;
    response.site = SiteOfChromiumKey(key);
    if (const auto page = history::TopFrameSiteOfKey(key)) response.pageSite = history::SiteText(*page);
    response.fetchedAt = UnixSecondsOfChromiumTime(info->responseTime);
    response.contentType = head.ContentType();
    response.totalLength = head.TotalLength();
    truncated = info->truncated;
    return true;
}

void AssemblePieces(std::vector<ResourcePiece> pieces, CachedResponse& response) {
    std::sort(pieces.begin(), pieces.end(),
              [](const ResourcePiece& a, const ResourcePiece& b) { return a.resourceOffset < b.resourceOffset; });
    response.body.clear();
    std::uint64_t covered = 0;
    bool gap = false;
    for (const ResourcePiece& piece : pieces) {
        if (piece.range.length == 0) continue;
        const std::uint64_t end = piece.resourceOffset + piece.range.length;
        if (end < piece.resourceOffset || end <= covered) continue;  // wrapped, or nothing new
        if (piece.resourceOffset > covered) {
            gap = true;
            break;
        }
        const std::uint64_t skip = covered - piece.resourceOffset;
        BodyRange taken{piece.range.file, piece.range.offset + skip, piece.range.length - skip, piece.range.digest};
        // A digest covers its record whole; a record taken in part is checked apart.
        if (skip > 0 && taken.digest) {
            response.otherDigests.push_back(piece.range);
            taken.digest.reset();
        }
        response.body.push_back(std::move(taken));
        covered = end;
    }
    // Pieces alone cannot tell where a resource ends: without the server's total it is
    // never taken for whole.
    const bool whole = !gap && response.totalLength != 0 && covered >= response.totalLength;
    if (whole && covered > response.totalLength) {
        // Bytes past the stated end are not the resource's; keep exactly the total.
        std::uint64_t excess = covered - response.totalLength;
        while (excess > 0 && !response.body.empty()) {
            BodyRange& last = response.body.back();
            if (last.digest) {
                response.otherDigests.push_back(last);
                last.digest.reset();
            }
            const std::uint64_t cut = std::min(excess, last.length);
            last.length -= cut;
            excess -= cut;
            if (last.length == 0) response.body.pop_back();
        }
    }
    response.state = whole ? BodyState::Whole : BodyState::Incomplete;
}

}  // namespace capture
