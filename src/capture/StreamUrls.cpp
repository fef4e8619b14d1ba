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

bool IsPlaylistResponse(std::string_view contentType, std::string_view url) {
    std::string type(contentType);
    std::transform(type.begin(), type.end(), type.begin(), [](unsigned char c) { return std::tolower(c); });
    if (type.ends_with("mpegurl")) return true;  // application/vnd.apple.mpegurl, x-mpegurl, audio/mpegurl
    url = WithoutFragment(url);
    url = url.substr(0, url.find('?'));
    return url.ends_with(".m3u8") && (type.empty() || type == "application/octet-stream" || type.starts_with("text/"));
}

}  // namespace capture
