#include "capture/StreamUrls.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>

namespace capture {

namespace {

// Parameters that players change on every request: the request counter and the buffer
// level the player reports. Anything else names the stream, its format or its signature.
constexpr std::array<std::string_view, 3> kPerRequestParameters{"range", "rn", "rbuf"};

std::string_view WithoutFragment(std::string_view url) { return url.substr(0, url.find('#')); }

std::optional<std::uint64_t> ParseNumber(std::string_view text) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

struct Parameter {
    std::string_view name;
    std::string_view value;
};

std::vector<Parameter> ParametersOf(std::string_view query) {
    std::vector<Parameter> parameters;
    std::size_t start = 0;
    while (start <= query.size()) {
        std::size_t end = query.find('&', start);
        if (end == std::string_view::npos) end = query.size();
        const std::string_view item = query.substr(start, end - start);
        if (!item.empty()) {
            const std::size_t equals = item.find('=');
            parameters.push_back(equals == std::string_view::npos
                                     ? Parameter{item, {}}
                                     : Parameter{item.substr(0, equals), item.substr(equals + 1)});
        }
        start = end + 1;
    }
    return parameters;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<QueryRange> QueryRangeOf(std::string_view url) {
    url = WithoutFragment(url);
    const std::size_t question = url.find('?');
    if (question == std::string_view::npos) return std::nullopt;
    std::vector<Parameter> parameters = ParametersOf(url.substr(question + 1));
    QueryRange piece;
    bool ranged = false;
    for (const Parameter& parameter : parameters) {
        if (parameter.name == "range") {
            const std::size_t dash = parameter.value.find('-');
            if (dash == std::string_view::npos) return std::nullopt;
            const auto first = ParseNumber(parameter.value.substr(0, dash));
            const auto last = ParseNumber(parameter.value.substr(dash + 1));
            if (!first || !last || *last < *first) return std::nullopt;
            piece.first = *first;
            piece.last = *last;
            ranged = true;
        } else if (parameter.name == "clen") {
            piece.streamLength = ParseNumber(parameter.value).value_or(0);
        }
    }
    if (!ranged) return std::nullopt;
    std::erase_if(parameters, [](const Parameter& parameter) {
        return std::find(kPerRequestParameters.begin(), kPerRequestParameters.end(), parameter.name) !=
               kPerRequestParameters.end();
    });
    // Players put the parameters in any order; the stream does not depend on it.
    std::stable_sort(parameters.begin(), parameters.end(),
                     [](const Parameter& a, const Parameter& b) { return a.name < b.name; });
    const auto name = [&](bool withLength) {
        std::string stream(url.substr(0, question));
        char separator = '?';
        for (const Parameter& parameter : parameters) {
            if (!withLength && parameter.name == "clen") continue;
            stream += separator;
            stream.append(parameter.name).append("=").append(parameter.value);
            separator = '&';
        }
        return stream;
    };
    piece.stream = name(false);
    piece.legacyStream = name(true);
    return piece;
}

std::optional<NumberedSegment> NumberedSegmentOf(std::string_view url) {
    url = WithoutFragment(url);
    url = url.substr(0, url.find('?'));
    const std::size_t slash = url.rfind('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const std::string_view name = url.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    const std::string_view stem = name.substr(0, dot);
    // The last run of digits in the name before its extension.
    std::size_t end = stem.size();
    while (end > 0 && !IsDigit(stem[end - 1])) --end;
    std::size_t begin = end;
    while (begin > 0 && IsDigit(stem[begin - 1])) --begin;
    if (begin == end || end - begin > 12) return std::nullopt;
    const auto number = ParseNumber(stem.substr(begin, end - begin));
    if (!number) return std::nullopt;
    NumberedSegment segment;
    segment.number = *number;
    segment.stream = std::string(url.substr(0, slash + 1 + begin)) + "#" + std::string(url.substr(slash + 1 + end));
    return segment;
}

bool IsInitSegmentOf(std::string_view url, std::string_view segmentStream) {
    url = WithoutFragment(url);
    url = url.substr(0, url.find('?'));
    const std::size_t slash = url.rfind('/');
    const std::size_t streamSlash = segmentStream.rfind('/');
    if (slash == std::string_view::npos || streamSlash == std::string_view::npos) return false;
    if (url.substr(0, slash) != segmentStream.substr(0, streamSlash)) return false;
    std::string name(url.substr(slash + 1));
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    return name.find("init") != std::string::npos;
}

namespace {

std::vector<std::string> NameParts(std::string_view url) {
    url = WithoutFragment(url);
    url = url.substr(0, url.find('?'));
    std::string_view name = url.substr(url.rfind('/') + 1);
    name = name.substr(0, name.rfind('.'));
    std::vector<std::string> parts;
    std::string part;
    for (const char c : name) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            part += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        } else if (!part.empty()) {
            parts.push_back(std::move(part));
            part.clear();
        }
    }
    if (!part.empty()) parts.push_back(std::move(part));
    return parts;
}

}  // namespace

std::size_t InitNameAffinity(std::string_view initUrl, std::string_view segmentStream) {
    // The stream's name has '#' where the segment number stood.
    const std::vector<std::string> segment = NameParts(segmentStream);
    std::size_t shared = 0;
    for (const std::string& part : NameParts(initUrl))
        if (part != "init" && std::find(segment.begin(), segment.end(), part) != segment.end()) ++shared;
    return shared;
}

std::string ResolveUrl(std::string_view base, std::string_view reference) {
    if (reference.find("://") != std::string_view::npos) return std::string(reference);
    base = WithoutFragment(base);
    const std::size_t scheme = base.find("://");
    if (scheme == std::string_view::npos) return std::string(reference);
    if (reference.starts_with("//")) return std::string(base.substr(0, scheme + 1)) + std::string(reference);
    const std::size_t pathStart = base.find('/', scheme + 3);
    const std::string_view origin = base.substr(0, pathStart);
    if (reference.starts_with("/")) return std::string(origin) + std::string(reference);
    std::string_view path = pathStart == std::string_view::npos ? "/" : base.substr(pathStart);
    path = path.substr(0, path.find('?'));
    std::string folder(path.substr(0, path.rfind('/') + 1));
    // "../" and "./" steps, as playlists on CDNs sometimes use them.
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

Playlist ParsePlaylist(std::string_view text, std::string_view url) {
    Playlist playlist;
    if (!text.starts_with("#EXTM3U") && !text.starts_with("\xEF\xBB\xBF#EXTM3U")) return playlist;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
        start = end + 1;
        if (line.empty()) continue;
        if (line.starts_with("#EXTINF")) {
            playlist.media = true;
        } else if (line.starts_with("#EXT-X-ENDLIST")) {
            playlist.ended = true;
        } else if (line.starts_with("#EXT-X-MAP:")) {
            const std::size_t uri = line.find("URI=\"");
            const std::size_t close = uri == std::string_view::npos ? uri : line.find('"', uri + 5);
            if (close != std::string_view::npos)
                playlist.initSegment = ResolveUrl(url, line.substr(uri + 5, close - uri - 5));
        } else if (!line.starts_with("#")) {
            playlist.segments.push_back(ResolveUrl(url, line));
        }
    }
    if (!playlist.media) playlist.segments.clear();
    return playlist;
}

bool IsPlaylistResponse(std::string_view contentType, std::string_view url) {
    std::string type(contentType);
    std::transform(type.begin(), type.end(), type.begin(), [](unsigned char c) { return std::tolower(c); });
    if (type.ends_with("mpegurl")) return true;  // application/vnd.apple.mpegurl, x-mpegurl, audio/mpegurl
    url = WithoutFragment(url);
    url = url.substr(0, url.find('?'));
    return url.ends_with(".m3u8") && (type.empty() || type == "application/octet-stream" || type.starts_with("text/"));
}

}  // namespace capture
