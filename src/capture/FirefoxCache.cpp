#include "capture/FirefoxCache.h"

#include "history/PageSite.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace capture {

namespace {

// After the body: a 4-byte hash, one 2-byte hash per 256 KiB chunk of the body, a header
// of eight big-endian words (the seventh the key's length), the key and a NUL, then
// name/value pairs of NUL-terminated strings, and last the body's length.
constexpr std::uint64_t kChunkSize = 256 * 1024;
constexpr std::size_t kHeaderWords = 8;
constexpr std::size_t kLastFetchedWord = 2;
constexpr std::size_t kKeyLengthWord = 6;

struct Metadata {
    std::vector<std::uint16_t> chunkHashes;
    std::string key;
    std::uint32_t lastFetched = 0;  // seconds since 1970
    std::vector<std::pair<std::string, std::string>> elements;
};

std::optional<Metadata> ParseMetadata(std::span<const std::uint8_t> bytes, std::uint64_t bodyLength) {
    const std::uint64_t hashes = (bodyLength + kChunkSize - 1) / kChunkSize;
    const std::uint64_t header = 4 + hashes * 2;
    if (header + kHeaderWords * 4 > bytes.size()) return std::nullopt;
    const std::uint32_t keyLength = LoadBe32(bytes, static_cast<std::size_t>(header + kKeyLengthWord * 4));
    std::size_t at = static_cast<std::size_t>(header + kHeaderWords * 4);
    if (keyLength >= bytes.size() - at) return std::nullopt;
    Metadata metadata;
    metadata.lastFetched = LoadBe32(bytes, static_cast<std::size_t>(header + kLastFetchedWord * 4));
    for (std::size_t hash = 0; hash < hashes; ++hash) metadata.chunkHashes.push_back(LoadBe16(bytes, 4 + 2 * hash));
    metadata.key.assign(reinterpret_cast<const char*>(bytes.data() + at), keyLength);
    at += keyLength + 1;
    const std::string_view rest(reinterpret_cast<const char*>(bytes.data() + at), bytes.size() - at);
    std::size_t start = 0;
    while (start < rest.size()) {
        const std::size_t nameEnd = rest.find('\0', start);
        if (nameEnd == std::string_view::npos) break;
        const std::size_t valueEnd = rest.find('\0', nameEnd + 1);
        if (valueEnd == std::string_view::npos) break;
        metadata.elements.emplace_back(rest.substr(start, nameEnd - start),
                                       rest.substr(nameEnd + 1, valueEnd - nameEnd - 1));
        start = valueEnd + 1;
    }
    return metadata;
}

std::string Element(const Metadata& metadata, std::string_view name) {
    for (const auto& [key, value] : metadata.elements)
        if (key == name) return value;
    return {};
}

// Firefox keeps a request header only when the response varies by it, as "request-<name>".
std::string RequestReferrer(const Metadata& metadata) {
    constexpr std::string_view kName = "request-referer";
    for (const auto& [key, value] : metadata.elements) {
        if (key.size() != kName.size()) continue;
        if (std::equal(key.begin(), key.end(), kName.begin(),
                       [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; }))
            return value;
    }
    return {};
}

// The key is a list of tags, each ended by ',', then ':' and the URL.
std::string UrlOfKey(const std::string& key) {
    for (std::size_t at = key.find(':'); at != std::string::npos; at = key.find(':', at + 1)) {
        if (at == 0 || key[at - 1] == ',') return key.substr(at + 1);
    }
    return {};
}

// The partition a key's tags name ("O^partitionKey=%28http%2Cexample.com%29,:<url>"), as
// it is written; else the URL's origin.
std::string SiteOfKey(const std::string& key, const std::string& url) {
    constexpr std::string_view kPartition = "partitionKey=";
    const std::size_t at = key.find(kPartition);
    const std::size_t end = key.find(",:");
    if (at != std::string::npos && end != std::string::npos && at < end) {
        const std::size_t start = at + kPartition.size();
        const std::size_t stop = std::min(end, key.find_first_of(",&", start));
        return key.substr(start, stop - start);
    }
    return OriginOf(url);
}

// Alternative data (compiled scripts) follows the body when "alt-data" says where:
// "<version>;<offset>,<type>".
std::uint64_t BodyEndBeforeAltData(const Metadata& metadata, std::uint64_t bodyLength) {
    const std::string alt = Element(metadata, "alt-data");
    const std::size_t semicolon = alt.find(';');
    if (semicolon == std::string::npos) return bodyLength;
    std::uint64_t offset = 0;
    const char* begin = alt.data() + semicolon + 1;
    const auto [end, error] = std::from_chars(begin, alt.data() + alt.size(), offset);
    return error == std::errc() && end != begin && offset < bodyLength ? offset : bodyLength;
}

// The stored body as one range per chunk, each with its hash. A chunk that runs on into
// alternative data is hashed whole, so it is checked apart.
void AddChunks(const std::string& name, const Metadata& metadata, std::uint64_t bodyLength, std::uint64_t stored,
               CachedResponse& response) {
    for (std::size_t chunk = 0; chunk < metadata.chunkHashes.size(); ++chunk) {
        const std::uint64_t start = chunk * kChunkSize;
        if (start >= stored) break;
        const std::uint64_t end = std::min(start + kChunkSize, bodyLength);
        const StoredDigest digest{DigestKind::FirefoxChunk, metadata.chunkHashes[chunk]};
        if (end <= stored) {
            response.body.push_back({name, start, end - start, digest});
        } else {
            response.body.push_back({name, start, stored - start, std::nullopt});
            response.otherDigests.push_back({name, start, end - start, digest});
        }
    }
}

}  // namespace

std::optional<CachedResponse> ReadFirefoxEntry(const CacheFiles& files, const std::string& name) {
    const std::optional<std::uint64_t> size = files.Size(name);
    if (!size || *size < 4) return std::nullopt;
    const auto tail = ReadBytes(files, name, *size - 4, 4);
    if (!tail) return std::nullopt;
    const std::uint64_t bodyLength = LoadBe32(*tail, 0);
    if (bodyLength > *size - 4) return std::nullopt;
    const auto bytes = ReadBytes(files, name, bodyLength, *size - 4 - bodyLength);
    if (!bytes) return std::nullopt;
    const std::optional<Metadata> metadata = ParseMetadata(*bytes, bodyLength);
    if (!metadata) return std::nullopt;
    const HttpHead head(Element(*metadata, "response-head"));
    CachedResponse response;
    response.url = UrlOfKey(metadata->key);
    if (head.status() == 0 || response.url.empty()) return std::nullopt;
    response.site = SiteOfKey(metadata->key, response.url);
    if (const auto page = history::TopFrameSiteOfKey(metadata->key)) response.pageSite = history::SiteText(*page);
    response.referrer = RequestReferrer(*metadata);
    response.fetchedAt = metadata->lastFetched;
    response.contentType = head.ContentType();
    response.totalLength = head.TotalLength();
    const std::uint64_t stored = BodyEndBeforeAltData(*metadata, bodyLength);
    AddChunks(name, *metadata, bodyLength, stored, response);
    response.ownFiles.push_back(name);
    // A body shorter than the length the server gave is a download that stopped; Firefox
    // resumes it into the same entry. Without a length the stored body is all there is.
    const bool complete = response.totalLength == 0 ? stored > 0 : stored == response.totalLength;
    response.state = complete ? BodyState::Whole : BodyState::Incomplete;
    NoteCompressedBody(files, response);
    return response;
}

}  // namespace capture
