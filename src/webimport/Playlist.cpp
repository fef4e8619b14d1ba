#include "webimport/Playlist.h"

#include "webimport/HtmlTags.h"
#include "webimport/WebAddress.h"

#include <algorithm>
#include <cwchar>

namespace webimport {

namespace {

struct AttributeValue {
    std::wstring name;
    std::wstring value;  // unquoted
};

// NAME=value,NAME="quoted, with commas",...
std::vector<AttributeValue> ParseAttributeList(std::wstring_view list) {
    std::vector<AttributeValue> attributes;
    std::size_t at = 0;
    while (at < list.size()) {
        const std::size_t equals = list.find(L'=', at);
        if (equals == std::wstring_view::npos) break;
        AttributeValue attribute{std::wstring(list.substr(at, equals - at)), {}};
        at = equals + 1;
        if (at < list.size() && list[at] == L'"') {
            const std::size_t close = list.find(L'"', at + 1);
            attribute.value =
                std::wstring(list.substr(at + 1, close == std::wstring_view::npos ? close : close - at - 1));
            at = close == std::wstring_view::npos ? list.size() : close + 1;
        } else {
            const std::size_t comma = list.find(L',', at);
            attribute.value = std::wstring(list.substr(at, comma == std::wstring_view::npos ? comma : comma - at));
            at = comma == std::wstring_view::npos ? list.size() : comma;
        }
        while (!attribute.name.empty() && attribute.name.front() == L' ') attribute.name.erase(0, 1);
        attributes.push_back(std::move(attribute));
        if (at < list.size() && list[at] == L',') ++at;
    }
    return attributes;
}

std::wstring ValueOf(const std::vector<AttributeValue>& attributes, std::wstring_view name) {
    for (const AttributeValue& attribute : attributes)
        if (attribute.name == name) return attribute.value;
    return {};
}

unsigned long long ParseCount(std::wstring_view text) {
    unsigned long long value = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9') break;
        if (value > 1'000'000'000'000ULL) break;
        value = value * 10 + static_cast<unsigned long long>(c - L'0');
    }
    return value;
}

int ParseSide(std::wstring_view text) {
    const unsigned long long value = ParseCount(text);
    return value > 100'000 ? 0 : static_cast<int>(value);
}

// "640x360"
void ParseResolution(std::wstring_view text, int& width, int& height) {
    const std::size_t x = text.find_first_of(L"xX");
    if (x == std::wstring_view::npos) return;
    width = ParseSide(text.substr(0, x));
    height = ParseSide(text.substr(x + 1));
}

// A decimal such as "2.002" or "10"; nullopt when it starts with no digit.
std::optional<double> ParseDecimal(std::wstring_view text) {
    double value = 0;
    std::size_t at = 0;
    for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at) value = value * 10 + (text[at] - L'0');
    if (at == 0) return std::nullopt;
    if (at < text.size() && text[at] == L'.') {
        double scale = 0.1;
        for (++at; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at, scale /= 10)
            value += (text[at] - L'0') * scale;
    }
    return value;
}

std::wstring_view TrimLine(std::wstring_view line) {
    while (!line.empty() && (line.back() == L'\r' || line.back() == L' ' || line.back() == L'\t'))
        line.remove_suffix(1);
    while (!line.empty() && (line.front() == L' ' || line.front() == L'\t')) line.remove_prefix(1);
    return line;
}

bool StartsWithAsciiNoCase(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() && EqualsAsciiNoCase(text.substr(0, prefix.size()), prefix);
}

bool IsPictureCodec(std::wstring_view codec) {
    for (std::wstring_view prefix : {L"avc", L"hvc", L"hev", L"vp0", L"vp8", L"vp9", L"av01", L"mp4v"})
        if (StartsWithAsciiNoCase(codec, prefix)) return true;
    return false;
}

struct SetDefaults {
    std::wstring mimeType;
    std::wstring contentType;
    std::wstring codecs;
    int width = 0;
    int height = 0;
};

// An address a playlist or manifest names that the tool would open as written: one with
// a scheme of its own must be a web address. Relative ones resolve against the web
// address the playlist came from.
bool IsWebOrRelative(std::wstring_view written) {
    const std::wstring_view address = TrimLine(written);
    return !HasScheme(address) || IsWebAddress(address);
}

// The text of every <BaseURL> element: HtmlTags gives tags, not the text between them.
void NoteBaseUrls(std::wstring_view text, std::wstring& notWebPart) {
    for (std::size_t at = 0; notWebPart.empty();) {
        std::size_t open = std::wstring_view::npos;
        for (std::size_t lt = text.find(L'<', at); lt != std::wstring_view::npos; lt = text.find(L'<', lt + 1)) {
            if (EqualsAsciiNoCase(text.substr(lt + 1, 7), L"BaseURL")) {
                open = lt;
                break;
            }
        }
        if (open == std::wstring_view::npos) return;
        const std::size_t start = text.find(L'>', open);
        if (start == std::wstring_view::npos) return;
        const std::size_t end = text.find(L'<', start);
        const std::wstring_view url = text.substr(start + 1, end == std::wstring_view::npos ? end : end - start - 1);
        if (!IsWebOrRelative(url)) notWebPart = TrimLine(url);
        at = start + 1;
    }
}

bool IsVideoRepresentation(const std::wstring& mimeType, const std::wstring& contentType, const std::wstring& codecs) {
    if (!mimeType.empty()) return StartsWithAsciiNoCase(mimeType, L"video/");
    if (!contentType.empty()) return EqualsAsciiNoCase(contentType, L"video");
    return IsPictureCodec(codecs);
}

double ParseNumber(std::wstring_view text) {
    const bool negative = text.starts_with(L'-');
    const double value = ParseDecimal(negative ? text.substr(1) : text).value_or(0);
    return negative ? -value : value;
}

// The fragments one tag of a manifest adds, and the addresses it names. A timeline entry
// that repeats until the end (r="-1"), or a template without one, counts its parts by the
// manifest's length; a manifest without a length only counts what it lists.
// `timescale` is the one of the segment template or list the tag lies in.
void NoteFragments(const HtmlTag& tag, DashManifest& manifest, double& timescale) {
    for (const wchar_t* name : {L"media", L"initialization", L"sourceurl"}) {
        const auto written = tag.Attribute(name);
        if (written && manifest.notWebPart.empty() && !IsWebOrRelative(*written))
            manifest.notWebPart = TrimLine(*written);
    }
    const double lengthSeconds = manifest.seconds.value_or(0);
    if (tag.Attribute(L"timescale")) timescale = std::max(ParseNumber(*tag.Attribute(L"timescale")), 1.0);
    const double duration = ParseNumber(tag.Attribute(L"duration").value_or(L"0")) / timescale;
    if (tag.name == L"segmenturl") {
        manifest.parts += 1;
    } else if (tag.name == L"s") {
        const double repeat = ParseNumber(tag.Attribute(L"r").value_or(L"0"));
        const double each = ParseNumber(tag.Attribute(L"d").value_or(L"0")) / timescale;
        manifest.parts += repeat >= 0 ? repeat + 1 : (each > 0 ? lengthSeconds / each : lengthSeconds);
    } else if (tag.name == L"segmenttemplate" && duration > 0) {
        manifest.parts += lengthSeconds / duration;
    }
}

}  // namespace

HlsPlaylist ParseHlsPlaylist(std::wstring_view text, std::wstring_view address) {
    HlsPlaylist playlist;
    std::optional<HlsVariant> pendingVariant;
    // A plain pair rather than an optional: GCC 12 at -O3 warns about the optional.
    bool segmentPending = false;
    double segmentSeconds = 0;
    bool first = true;
    for (std::size_t at = 0; at <= text.size();) {
        const std::size_t end = std::min(text.find(L'\n', at), text.size());
        const std::wstring_view line = TrimLine(text.substr(at, end - at));
        at = end + 1;
        if (line.empty()) continue;
        if (first) {
            first = false;
            playlist.valid = line.starts_with(L"\xFEFF#EXTM3U") || line.starts_with(L"#EXTM3U");
            if (!playlist.valid) return playlist;
            continue;
        }
        if (line.starts_with(L"#EXT-X-STREAM-INF:")) {
            const auto attributes = ParseAttributeList(line.substr(18));
            HlsVariant variant;
            ParseResolution(ValueOf(attributes, L"RESOLUTION"), variant.width, variant.height);
            variant.bandwidth = ParseCount(ValueOf(attributes, L"BANDWIDTH"));
            variant.codecs = ValueOf(attributes, L"CODECS");
            variant.audioGroup = ValueOf(attributes, L"AUDIO");
            pendingVariant = std::move(variant);
        } else if (line.starts_with(L"#EXT-X-MEDIA:")) {
            const auto attributes = ParseAttributeList(line.substr(13));
            if (ValueOf(attributes, L"TYPE") != L"AUDIO") continue;
            HlsRendition rendition{ValueOf(attributes, L"GROUP-ID"), {}, ValueOf(attributes, L"DEFAULT") == L"YES"};
            const std::wstring uri = ValueOf(attributes, L"URI");
            if (!uri.empty()) {
                const auto resolved = ResolveAddress(address, uri);
                if (!resolved) continue;
                rendition.address = *resolved;
            }
            playlist.audio.push_back(std::move(rendition));
        } else if (line.find(L"URI=\"") != std::wstring_view::npos &&
                   (line.starts_with(L"#EXT-X-KEY:") || line.starts_with(L"#EXT-X-MAP:") ||
                    line.starts_with(L"#EXT-X-PART:") || line.starts_with(L"#EXT-X-PRELOAD-HINT:"))) {
            const std::wstring uri = ValueOf(ParseAttributeList(line.substr(line.find(L':') + 1)), L"URI");
            if (playlist.notWebPart.empty() && !IsWebOrRelative(uri)) playlist.notWebPart = uri;
        } else if (line.starts_with(L"#EXTINF:")) {
            segmentPending = true;
            segmentSeconds = ParseDecimal(line.substr(8)).value_or(0);
        } else if (line.starts_with(L"#EXT-X-ENDLIST")) {
            playlist.ended = true;
        } else if (!line.starts_with(L"#")) {
            const auto resolved = ResolveAddress(address, line);
            if (pendingVariant && resolved) {
                pendingVariant->address = *resolved;
                playlist.variants.push_back(std::move(*pendingVariant));
            } else if (segmentPending && resolved) {
                playlist.segments.push_back(*resolved);
                playlist.seconds += segmentSeconds;
            } else if (segmentPending && playlist.notWebPart.empty()) {
                playlist.notWebPart = line;
            }
            pendingVariant.reset();
            segmentPending = false;
        }
    }
    return playlist;
}

std::optional<std::size_t> BestVariant(const std::vector<HlsVariant>& variants) {
    std::optional<std::size_t> best;
    for (std::size_t i = 0; i < variants.size(); ++i) {
        if (!best) {
            best = i;
            continue;
        }
        const HlsVariant& a = variants[i];
        const HlsVariant& b = variants[*best];
        const long long areaA = static_cast<long long>(a.width) * a.height;
        const long long areaB = static_cast<long long>(b.width) * b.height;
        if (areaA > areaB || (areaA == areaB && a.bandwidth > b.bandwidth)) best = i;
    }
    return best;
}

std::wstring AudioAddressOf(const HlsPlaylist& master, const HlsVariant& variant) {
    if (variant.audioGroup.empty()) return {};
    const HlsRendition* chosen = nullptr;
    for (const HlsRendition& rendition : master.audio) {
        if (rendition.groupId != variant.audioGroup) continue;
        if (chosen == nullptr || (rendition.isDefault && !chosen->isDefault)) chosen = &rendition;
    }
    return chosen == nullptr ? std::wstring() : chosen->address;
}

DashManifest ParseDashManifest(std::wstring_view text) {
    DashManifest manifest;
    SetDefaults set;
    double timescale = 1;
    ForEachTag(text, [&](const HtmlTag& tag) {
        auto attribute = [&](std::wstring_view name) { return std::wstring(tag.Attribute(name).value_or(L"")); };
        if (tag.opening) NoteFragments(tag, manifest, timescale);
        if (tag.name == L"mpd" && tag.opening) {
            manifest.valid = true;
            manifest.live = EqualsAsciiNoCase(attribute(L"type"), L"dynamic");
            manifest.seconds = ParseIsoDuration(attribute(L"mediapresentationduration"));
        } else if (tag.name == L"period" && tag.opening) {
            ++manifest.periods;
        } else if (tag.name == L"adaptationset") {
            set = tag.opening ? SetDefaults{attribute(L"mimetype"), attribute(L"contenttype"), attribute(L"codecs"),
                                            ParseSide(attribute(L"width")), ParseSide(attribute(L"height"))}
                              : SetDefaults{};
        } else if (tag.name == L"representation" && tag.opening) {
            DashRepresentation representation;
            const std::wstring mimeType = attribute(L"mimetype");
            representation.codecs = tag.Attribute(L"codecs") ? attribute(L"codecs") : set.codecs;
            representation.video = IsVideoRepresentation(mimeType.empty() ? set.mimeType : mimeType, set.contentType,
                                                         representation.codecs);
            representation.width = tag.Attribute(L"width") ? ParseSide(attribute(L"width")) : set.width;
            representation.height = tag.Attribute(L"height") ? ParseSide(attribute(L"height")) : set.height;
            representation.bandwidth = ParseCount(attribute(L"bandwidth"));
            manifest.representations.push_back(std::move(representation));
        }
        return true;
    });
    NoteBaseUrls(text, manifest.notWebPart);
    return manifest;
}

bool IsAbsurd(const HlsPlaylist& media) {
    return media.seconds > kLongestPlaylistSeconds || static_cast<double>(media.segments.size()) > kMostPlaylistParts;
}

bool IsAbsurd(const DashManifest& manifest) {
    return manifest.seconds.value_or(0) > kLongestPlaylistSeconds || manifest.parts > kMostPlaylistParts;
}

DashChoice ChooseRepresentations(const DashManifest& manifest) {
    std::vector<const DashRepresentation*> videos;
    std::vector<const DashRepresentation*> sounds;
    for (const DashRepresentation& representation : manifest.representations)
        (representation.video ? videos : sounds).push_back(&representation);
    // Pictures are weighed as HLS variants are.
    std::vector<HlsVariant> pictures;
    for (const DashRepresentation* video : videos)
        pictures.push_back({L"", video->width, video->height, video->bandwidth, {}, {}});
    DashChoice choice;
    choice.video = BestVariant(pictures);
    for (std::size_t i = 0; i < sounds.size(); ++i)
        if (!choice.audio || sounds[i]->bandwidth > sounds[*choice.audio]->bandwidth) choice.audio = i;
    for (const DashRepresentation* chosen :
         {choice.video ? videos[*choice.video] : nullptr, choice.audio ? sounds[*choice.audio] : nullptr}) {
        if (chosen == nullptr || chosen->codecs.empty()) continue;
        if (!choice.codecs.empty()) choice.codecs += L',';
        choice.codecs += chosen->codecs;
    }
    return choice;
}

std::optional<double> ParseIsoDuration(std::wstring_view text) {
    if (!text.starts_with(L"P")) return std::nullopt;
    text.remove_prefix(1);
    double seconds = 0;
    bool inTime = false;
    bool any = false;
    while (!text.empty()) {
        if (text.front() == L'T') {
            inTime = true;
            text.remove_prefix(1);
            continue;
        }
        const auto value = ParseDecimal(text);
        if (!value) return std::nullopt;
        std::size_t unit = 0;
        while (unit < text.size() && ((text[unit] >= L'0' && text[unit] <= L'9') || text[unit] == L'.')) ++unit;
        if (unit == text.size()) return std::nullopt;
        const wchar_t designator = text[unit];
        if (designator == L'D' && !inTime) {
            seconds += *value * 86400;
        } else if (designator == L'H' && inTime) {
            seconds += *value * 3600;
        } else if (designator == L'M' && inTime) {
            seconds += *value * 60;
        } else if (designator == L'S' && inTime) {
            seconds += *value;
        } else {
            return std::nullopt;
        }
        any = true;
        text.remove_prefix(unit + 1);
    }
    return any ? std::optional<double>(seconds) : std::nullopt;
}

}  // namespace webimport
