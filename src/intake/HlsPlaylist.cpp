// HLS playlists: a master playlist's variants (#EXT-X-STREAM-INF) and sound renditions
// (#EXT-X-MEDIA), or a media playlist's segments with their durations, byte ranges and
// init segment (#EXT-X-MAP).
#include "intake/StreamManifest.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace intake {

namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::strchr(" \t\r", text.front())) text.remove_prefix(1);
    while (!text.empty() && std::strchr(" \t\r", text.back())) text.remove_suffix(1);
    return text;
}

// The value of NAME=... in an attribute list, quoted or not.
std::string_view AttributeValue(std::string_view list, std::string_view name) {
    std::size_t at = 0;
    while (at < list.size()) {
        while (at < list.size() && (list[at] == ',' || list[at] == ' ')) ++at;
        const std::size_t equals = list.find('=', at);
        if (equals == std::string_view::npos) return {};
        const std::string_view key = Trim(list.substr(at, equals - at));
        std::size_t end;
        std::string_view value;
        if (equals + 1 < list.size() && list[equals + 1] == '"') {
            end = list.find('"', equals + 2);
            if (end == std::string_view::npos) end = list.size();
            value = list.substr(equals + 2, end - equals - 2);
            end = end < list.size() ? end + 1 : end;
        } else {
            end = list.find(',', equals + 1);
            if (end == std::string_view::npos) end = list.size();
            value = Trim(list.substr(equals + 1, end - equals - 1));
        }
        if (key == name) return value;
        at = end;
    }
    return {};
}

std::uint64_t ToUnsigned(std::string_view text) {
    std::uint64_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

double ToSeconds(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    (void)end;
    return error == std::errc() && std::isfinite(value) && value > 0 ? value : 0;
}

// "LENGTH[@OFFSET]"; without an offset the range follows the previous one of the same file.
std::optional<ByteSpan> ByteRangeOf(std::string_view text, std::uint64_t& next) {
    const std::size_t at = text.find('@');
    const std::uint64_t length = ToUnsigned(text.substr(0, at));
    if (length == 0) return std::nullopt;
    const std::uint64_t first = at == std::string_view::npos ? next : ToUnsigned(text.substr(at + 1));
    next = first + length;
    return ByteSpan{first, first + length - 1};
}

DeclaredKind VariantKind(std::string_view codecs, bool separateSound) {
    if (separateSound) return DeclaredKind::Video;
    const bool sound = codecs.find("mp4a") != std::string_view::npos || codecs.find("opus") != std::string_view::npos ||
                       codecs.find("ac-3") != std::string_view::npos || codecs.find("ec-3") != std::string_view::npos;
    const bool picture = codecs.find("avc") != std::string_view::npos || codecs.find("hvc") != std::string_view::npos ||
                         codecs.find("hev") != std::string_view::npos || codecs.find("vp0") != std::string_view::npos ||
                         codecs.find("av01") != std::string_view::npos;
    if (codecs.empty() || (sound && picture)) return DeclaredKind::Muxed;
    return picture ? DeclaredKind::Video : DeclaredKind::Audio;
}

}  // namespace

bool LooksLikeHls(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    return text.starts_with("#EXTM3U");
}

StreamManifest ReadHlsPlaylist(std::string_view text, std::string_view url, std::size_t mostSegments) {
    StreamManifest manifest;
    if (!LooksLikeHls(text)) return manifest;
    manifest.valid = true;
    ManifestStream media;
    media.id = std::string(url);
    double pendingDuration = 0;
    bool pendingVariant = false;
    ManifestStream variant;
    std::optional<ByteSpan> pendingRange;
    std::uint64_t nextRangeStart = 0;
    std::uint64_t mapRangeStart = 0;
    double time = 0;
    bool ended = false;
    bool segmented = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty()) continue;
        if (line.starts_with("#EXTINF:")) {
            segmented = true;
            pendingDuration = ToSeconds(
                line.substr(8, line.find(',') == std::string_view::npos ? std::string_view::npos : line.find(',') - 8));
        } else if (line.starts_with("#EXT-X-BYTERANGE:")) {
            pendingRange = ByteRangeOf(line.substr(17), nextRangeStart);
        } else if (line.starts_with("#EXT-X-MAP:")) {
            const std::string_view list = line.substr(11);
            media.initUrl = ResolveUrl(url, AttributeValue(list, "URI"));
            const std::string_view range = AttributeValue(list, "BYTERANGE");
            media.initRange = range.empty() ? std::nullopt : ByteRangeOf(range, mapRangeStart);
        } else if (line.starts_with("#EXT-X-ENDLIST")) {
            ended = true;
        } else if (line.starts_with("#EXT-X-STREAM-INF:")) {
            const std::string_view list = line.substr(18);
            variant = {};
            variant.codecs = std::string(AttributeValue(list, "CODECS"));
            variant.bandwidth = ToUnsigned(AttributeValue(list, "BANDWIDTH"));
            variant.audioGroup = std::string(AttributeValue(list, "AUDIO"));
            variant.kind = VariantKind(variant.codecs, !variant.audioGroup.empty());
            const std::string_view resolution = AttributeValue(list, "RESOLUTION");
            const std::size_t x = resolution.find('x');
            if (x != std::string_view::npos) {
                variant.width = static_cast<int>(ToUnsigned(resolution.substr(0, x)) & 0xffff);
                variant.height = static_cast<int>(ToUnsigned(resolution.substr(x + 1)) & 0xffff);
            }
            pendingVariant = true;
        } else if (line.starts_with("#EXT-X-MEDIA:")) {
            const std::string_view list = line.substr(13);
            const std::string_view uri = AttributeValue(list, "URI");
            if (AttributeValue(list, "TYPE") != "AUDIO" || uri.empty()) continue;
            ManifestStream rendition;
            rendition.id = ResolveUrl(url, uri);
            rendition.kind = DeclaredKind::Audio;
            rendition.audioGroup = std::string(AttributeValue(list, "GROUP-ID"));
            rendition.isDefault = AttributeValue(list, "DEFAULT") == "YES";
            manifest.master = true;
            manifest.streams.push_back(std::move(rendition));
        } else if (!line.starts_with("#")) {
            if (pendingVariant) {
                variant.id = ResolveUrl(url, line);
                manifest.master = true;
                manifest.streams.push_back(std::move(variant));
                pendingVariant = false;
            } else if (segmented && media.segments.size() < mostSegments) {
                if (!pendingRange) nextRangeStart = 0;
                media.segments.push_back({ResolveUrl(url, line), pendingRange, time, pendingDuration});
                time += pendingDuration;
            }
            pendingDuration = 0;
            pendingRange.reset();
        }
    }
    if (manifest.master) return manifest;
    manifest.live = !ended;
    if (segmented) {
        manifest.seconds = time;
        media.kind = DeclaredKind::Unknown;
        manifest.streams.push_back(std::move(media));
    }
    return manifest;
}

std::string ResolveUrl(std::string_view base, std::string_view reference) {
    if (reference.find("://") != std::string_view::npos) return std::string(reference);
    base = base.substr(0, base.find('#'));
    const std::size_t scheme = base.find("://");
    if (scheme == std::string_view::npos) return std::string(reference);
    if (reference.starts_with("//")) return std::string(base.substr(0, scheme + 1)) + std::string(reference);
    const std::size_t pathStart = base.find_first_of("/?", scheme + 3);
    const std::string_view origin = base.substr(0, pathStart);
    if (reference.starts_with("/")) return std::string(origin) + std::string(reference);
    std::string_view path =
        pathStart == std::string_view::npos || base[pathStart] == '?' ? "/" : base.substr(pathStart);
    path = path.substr(0, path.find('?'));
    if (reference.empty()) return std::string(base);
    std::string folder(path.substr(0, path.rfind('/') + 1));
    while (true) {
        if (reference.starts_with("./")) {
            reference.remove_prefix(2);
        } else if (reference.starts_with("../")) {
            reference.remove_prefix(3);
            if (folder.size() > 1) folder.erase(folder.rfind('/', folder.size() - 2) + 1);
        } else {
            break;
        }
    }
    return std::string(origin) + folder + std::string(reference);
}

}  // namespace intake
