// The DASH MPD read with tinyxml2: periods, adaptation sets and representations, with
// their segments spelled out from SegmentTemplate (with or without SegmentTimeline),
// SegmentList or SegmentBase, each level inheriting what the one above it says.
#include "intake/StreamManifest.h"

#include <tinyxml2/tinyxml2.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <tuple>

namespace intake {

namespace {

using tinyxml2::XMLElement;

// "mpd:Period" and "Period" alike: manifests come with and without a namespace prefix.
std::string_view LocalName(const XMLElement& element) {
    const std::string_view name = element.Name() ? element.Name() : "";
    const std::size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

const XMLElement* Child(const XMLElement* parent, std::string_view name) {
    if (parent == nullptr) return nullptr;
    for (const XMLElement* child = parent->FirstChildElement(); child; child = child->NextSiblingElement())
        if (LocalName(*child) == name) return child;
    return nullptr;
}

template <typename Visit>
void ForEachChild(const XMLElement* parent, std::string_view name, Visit visit) {
    if (parent == nullptr) return;
    for (const XMLElement* child = parent->FirstChildElement(); child; child = child->NextSiblingElement())
        if (LocalName(*child) == name) visit(*child);
}

std::optional<std::string_view> Attribute(const XMLElement* element, const char* name) {
    if (element == nullptr) return std::nullopt;
    const char* value = element->Attribute(name);
    if (value == nullptr) return std::nullopt;
    return std::string_view(value);
}

std::optional<std::uint64_t> Unsigned(std::optional<std::string_view> text) {
    if (!text) return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (error != std::errc() || end == text->data()) return std::nullopt;
    return value;
}

std::optional<std::int64_t> Signed(std::optional<std::string_view> text) {
    if (!text) return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (error != std::errc() || end == text->data()) return std::nullopt;
    return value;
}

// "PT1H2M3.5S", "P1DT2H": the duration in seconds; nothing for other text.
std::optional<double> IsoSeconds(std::optional<std::string_view> text) {
    if (!text || text->empty() || text->front() != 'P') return std::nullopt;
    std::string_view rest = text->substr(1);
    double seconds = 0;
    bool time = false;
    bool any = false;
    while (!rest.empty()) {
        if (rest.front() == 'T') {
            time = true;
            rest.remove_prefix(1);
            continue;
        }
        double value = 0;
        const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
        if (error != std::errc() || end == rest.data() + rest.size()) return std::nullopt;
        const char unit = *end;
        rest.remove_prefix(static_cast<std::size_t>(end - rest.data()) + 1);
        if (unit == 'D' && !time)
            seconds += value * 86400;
        else if (unit == 'H' && time)
            seconds += value * 3600;
        else if (unit == 'M' && time)
            seconds += value * 60;
        else if (unit == 'S' && time)
            seconds += value;
        else
            return std::nullopt;  // years and months have no fixed length
        any = true;
    }
    if (!any || !std::isfinite(seconds) || seconds < 0) return std::nullopt;
    return seconds;
}

std::optional<ByteSpan> RangeOf(std::optional<std::string_view> text) {
    if (!text) return std::nullopt;
    const std::size_t dash = text->find('-');
    if (dash == std::string_view::npos) return std::nullopt;
    const auto first = Unsigned(text->substr(0, dash));
    const auto last = Unsigned(text->substr(dash + 1));
    if (!first || !last || *last < *first) return std::nullopt;
    return ByteSpan{*first, *last};
}

// The BaseURL of an element resolved against the one above it.
std::string BaseOf(const XMLElement* element, const std::string& parentBase) {
    const XMLElement* base = Child(element, "BaseURL");
    if (base == nullptr || base->GetText() == nullptr) return parentBase;
    std::string_view text = base->GetText();
    while (!text.empty() && std::strchr(" \t\r\n", text.front())) text.remove_prefix(1);
    while (!text.empty() && std::strchr(" \t\r\n", text.back())) text.remove_suffix(1);
    return ResolveUrl(parentBase, text);
}

// The segment addressing of one level: each attribute is taken from the lowest level that
// sets it, as the format's inheritance says.
struct Addressing {
    enum class Kind { None, Template, List, Base } kind = Kind::None;
    std::optional<std::string_view> media;
    std::optional<std::string_view> initialization;
    std::optional<std::uint64_t> startNumber;
    std::optional<std::uint64_t> timescale;
    std::optional<std::uint64_t> duration;
    std::optional<std::uint64_t> presentationTimeOffset;
    const XMLElement* timeline = nullptr;
    const XMLElement* list = nullptr;  // SegmentList, for its SegmentURL children
    const XMLElement* initElement = nullptr;

    void MergeFrom(const XMLElement* level) {
        const XMLElement* found = nullptr;
        if ((found = Child(level, "SegmentTemplate"))) {
            kind = Kind::Template;
        } else if ((found = Child(level, "SegmentList"))) {
            kind = Kind::List;
            list = found;
        } else if ((found = Child(level, "SegmentBase"))) {
            kind = Kind::Base;
        }
        if (found == nullptr) return;
        if (auto value = Attribute(found, "media")) media = value;
        if (auto value = Attribute(found, "initialization")) initialization = value;
        if (auto value = Unsigned(Attribute(found, "startNumber"))) startNumber = value;
        if (auto value = Unsigned(Attribute(found, "timescale"))) timescale = value;
        if (auto value = Unsigned(Attribute(found, "duration"))) duration = value;
        if (auto value = Unsigned(Attribute(found, "presentationTimeOffset"))) presentationTimeOffset = value;
        if (const XMLElement* line = Child(found, "SegmentTimeline")) timeline = line;
        if (const XMLElement* init = Child(found, "Initialization")) initElement = init;
    }
};

DeclaredKind KindOf(std::string_view contentType, std::string_view mimeType, std::string_view codecs) {
    if (contentType == "video" || mimeType.starts_with("video/")) {
        // A video type whose codecs name sound too carries both.
        return codecs.find("mp4a") != std::string_view::npos || codecs.find("opus") != std::string_view::npos ||
                       codecs.find("vorbis") != std::string_view::npos
                   ? DeclaredKind::Muxed
                   : DeclaredKind::Video;
    }
    if (contentType == "audio" || mimeType.starts_with("audio/")) return DeclaredKind::Audio;
    return DeclaredKind::Unknown;
}

class DashReader {
public:
    DashReader(std::string_view url, std::size_t mostSegments) : url_(url), mostSegments_(mostSegments) {}

    StreamManifest Read(std::string_view text) {
        tinyxml2::XMLDocument document;
        if (document.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS) return {};
        const XMLElement* mpd = document.RootElement();
        if (mpd == nullptr || LocalName(*mpd) != "MPD") return {};
        manifest_.valid = true;
        manifest_.live = Attribute(mpd, "type").value_or("static") == "dynamic";
        manifest_.seconds = IsoSeconds(Attribute(mpd, "mediaPresentationDuration"));
        const std::string base = BaseOf(mpd, std::string(url_));
        std::vector<const XMLElement*> periods;
        ForEachChild(mpd, "Period", [&](const XMLElement& period) { periods.push_back(&period); });
        double start = 0;
        for (std::size_t i = 0; i < periods.size(); ++i) {
            start = IsoSeconds(Attribute(periods[i], "start")).value_or(start);
            std::optional<double> length = IsoSeconds(Attribute(periods[i], "duration"));
            if (!length && i + 1 < periods.size())
                if (auto next = IsoSeconds(Attribute(periods[i + 1], "start")); next && *next >= start)
                    length = *next - start;
            if (!length && manifest_.seconds && *manifest_.seconds >= start) length = *manifest_.seconds - start;
            ReadPeriod(*periods[i], i, start, length, base);
            if (length) start += *length;
        }
        return std::move(manifest_);
    }

private:
    void ReadPeriod(const XMLElement& period, std::size_t index, double start, std::optional<double> length,
                    const std::string& parentBase) {
        const std::string base = BaseOf(&period, parentBase);
        Addressing periodAddressing;
        periodAddressing.MergeFrom(&period);
        ForEachChild(&period, "AdaptationSet", [&](const XMLElement& set) {
            const std::string setBase = BaseOf(&set, base);
            Addressing setAddressing = periodAddressing;
            setAddressing.MergeFrom(&set);
            ForEachChild(&set, "Representation", [&](const XMLElement& representation) {
                Addressing addressing = setAddressing;
                addressing.MergeFrom(&representation);
                ManifestStream stream;
                stream.id = std::string(Attribute(&representation, "id").value_or(""));
                stream.codecs =
                    std::string(Attribute(&representation, "codecs").value_or(Attribute(&set, "codecs").value_or("")));
                const std::string_view mime =
                    Attribute(&representation, "mimeType").value_or(Attribute(&set, "mimeType").value_or(""));
                stream.kind = KindOf(Attribute(&set, "contentType").value_or(""), mime, stream.codecs);
                stream.width = static_cast<int>(Unsigned(Attribute(&representation, "width")).value_or(0) & 0xffff);
                stream.height = static_cast<int>(Unsigned(Attribute(&representation, "height")).value_or(0) & 0xffff);
                stream.bandwidth = Unsigned(Attribute(&representation, "bandwidth")).value_or(0);
                stream.period = index;
                Spell(addressing, BaseOf(&representation, setBase), start, length, stream);
                manifest_.streams.push_back(std::move(stream));
            });
        });
    }

    void Add(ManifestStream& stream, std::string url, std::optional<ByteSpan> range, double start, double duration) {
        if (stream.segments.size() >= mostSegments_) return;
        stream.segments.push_back({std::move(url), range, start, duration});
    }

    void Spell(const Addressing& addressing, const std::string& base, double periodStart,
               std::optional<double> periodLength, ManifestStream& stream) {
        const std::uint64_t timescale = std::max<std::uint64_t>(1, addressing.timescale.value_or(1));
        const std::uint64_t offset = addressing.presentationTimeOffset.value_or(0);
        const auto seconds = [&](std::uint64_t time) {
            return periodStart + (static_cast<double>(time) - static_cast<double>(offset)) / timescale;
        };
        switch (addressing.kind) {
        case Addressing::Kind::None: Add(stream, base, std::nullopt, periodStart, periodLength.value_or(0)); return;
        case Addressing::Kind::Base:
            if (addressing.initElement) {
                stream.initUrl = base;
                stream.initRange = RangeOf(Attribute(addressing.initElement, "range"));
            }
            Add(stream, base, std::nullopt, periodStart, periodLength.value_or(0));
            return;
        case Addressing::Kind::List: SpellList(addressing, base, seconds, timescale, stream); return;
        case Addressing::Kind::Template: break;
        }
        const std::uint64_t number = addressing.startNumber.value_or(1);
        if (addressing.initialization)
            stream.initUrl =
                ResolveUrl(base, FillTemplate(*addressing.initialization, stream.id, number, 0, stream.bandwidth));
        if (!addressing.media) return;
        const auto url = [&](std::uint64_t n, std::uint64_t time) {
            return ResolveUrl(base, FillTemplate(*addressing.media, stream.id, n, time, stream.bandwidth));
        };
        if (addressing.timeline) {
            ForEachTimed(
                addressing, timescale, periodLength, [&](std::uint64_t n, std::uint64_t time, std::uint64_t d) {
                    Add(stream, url(number + n, time), std::nullopt, seconds(time), static_cast<double>(d) / timescale);
                });
            return;
        }
        if (!addressing.duration || *addressing.duration == 0 || !periodLength) return;
        const double each = static_cast<double>(*addressing.duration) / timescale;
        const double count = std::ceil(*periodLength / each - 1e-6);
        for (std::uint64_t n = 0; n < static_cast<std::uint64_t>(std::max(0.0, count)); ++n) {
            if (stream.segments.size() >= mostSegments_) break;
            const std::uint64_t time = offset + n * *addressing.duration;
            Add(stream, url(number + n, time), std::nullopt, seconds(time), each);
        }
    }

    // Each segment of a SegmentTimeline: its index, start time and duration in the
    // timescale. "r" repeats an entry; -1 repeats it up to the next entry or the period's end.
    template <typename Visit>
    void ForEachTimed(const Addressing& addressing, std::uint64_t timescale, std::optional<double> periodLength,
                      Visit visit) const {
        std::vector<const XMLElement*> entries;
        ForEachChild(addressing.timeline, "S", [&](const XMLElement& s) { entries.push_back(&s); });
        const std::uint64_t offset = addressing.presentationTimeOffset.value_or(0);
        std::uint64_t time = offset;
        std::uint64_t index = 0;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (auto t = Unsigned(Attribute(entries[i], "t"))) time = *t;
            const std::uint64_t d = Unsigned(Attribute(entries[i], "d")).value_or(0);
            if (d == 0) break;
            std::int64_t repeat = Signed(Attribute(entries[i], "r")).value_or(0);
            if (repeat < 0) {
                std::uint64_t end = 0;
                if (i + 1 < entries.size() && Unsigned(Attribute(entries[i + 1], "t"))) {
                    end = *Unsigned(Attribute(entries[i + 1], "t"));
                } else if (periodLength) {
                    end = offset + static_cast<std::uint64_t>(*periodLength * static_cast<double>(timescale));
                }
                repeat = end > time ? static_cast<std::int64_t>((end - time + d - 1) / d) - 1 : 0;
            }
            for (std::int64_t k = 0; k <= repeat; ++k) {
                if (index >= mostSegments_) return;
                visit(index++, time, d);
                time += d;
            }
        }
    }

    template <typename Seconds>
    void SpellList(const Addressing& addressing, const std::string& base, const Seconds& seconds,
                   std::uint64_t timescale, ManifestStream& stream) {
        if (addressing.initElement) {
            const std::string_view source = Attribute(addressing.initElement, "sourceURL").value_or("");
            stream.initUrl = source.empty() ? base : ResolveUrl(base, source);
            stream.initRange = RangeOf(Attribute(addressing.initElement, "range"));
        }
        std::vector<std::pair<std::uint64_t, std::uint64_t>> times;
        if (addressing.timeline)
            ForEachTimed(addressing, timescale, std::nullopt,
                         [&](std::uint64_t, std::uint64_t time, std::uint64_t d) { times.emplace_back(time, d); });
        std::size_t n = 0;
        ForEachChild(addressing.list, "SegmentURL", [&](const XMLElement& segment) {
            std::uint64_t time = addressing.presentationTimeOffset.value_or(0) + n * addressing.duration.value_or(0);
            std::uint64_t d = addressing.duration.value_or(0);
            if (n < times.size()) std::tie(time, d) = times[n];
            const std::string_view media = Attribute(&segment, "media").value_or("");
            Add(stream, media.empty() ? base : ResolveUrl(base, media), RangeOf(Attribute(&segment, "mediaRange")),
                seconds(time), static_cast<double>(d) / timescale);
            ++n;
        });
    }

    std::string_view url_;
    std::size_t mostSegments_;
    StreamManifest manifest_;
};

std::string_view SkipSpaceAndMarks(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    while (!text.empty() && std::strchr(" \t\r\n", text.front())) text.remove_prefix(1);
    return text;
}

}  // namespace

StreamManifest ReadDashManifest(std::string_view text, std::string_view url, std::size_t mostSegments) {
    return DashReader(url, mostSegments).Read(text);
}

bool LooksLikeDash(std::string_view text) {
    text = SkipSpaceAndMarks(text);
    if (!text.starts_with("<")) return false;
    // The root element follows an XML declaration and comments, within the first lines.
    const std::string_view head = text.substr(0, 4096);
    return head.find("<MPD") != std::string_view::npos || head.find(":MPD") != std::string_view::npos;
}

std::string FillTemplate(std::string_view pattern, std::string_view representation, std::uint64_t number,
                         std::uint64_t time, std::uint64_t bandwidth) {
    std::string out;
    std::size_t at = 0;
    while (at < pattern.size()) {
        const std::size_t open = pattern.find('$', at);
        if (open == std::string_view::npos) {
            out.append(pattern.substr(at));
            break;
        }
        out.append(pattern.substr(at, open - at));
        const std::size_t close = pattern.find('$', open + 1);
        if (close == std::string_view::npos) {
            out.append(pattern.substr(open));
            break;
        }
        const std::string_view name = pattern.substr(open + 1, close - open - 1);
        at = close + 1;
        if (name.empty()) {
            out += '$';
            continue;
        }
        const std::size_t percent = name.find('%');
        const std::string_view identifier = name.substr(0, percent);
        std::size_t width = 0;
        if (percent != std::string_view::npos) {
            std::string_view format = name.substr(percent + 1);
            if (format.starts_with("0")) format.remove_prefix(1);
            const auto [end, error] = std::from_chars(format.data(), format.data() + format.size(), width);
            if (error != std::errc() || width > 32) width = 0;
            (void)end;
        }
        std::string value;
        if (identifier == "RepresentationID") {
            out.append(representation);
            continue;
        }
        if (identifier == "Number")
            value = std::to_string(number);
        else if (identifier == "Time")
            value = std::to_string(time);
        else if (identifier == "Bandwidth")
            value = std::to_string(bandwidth);
        else {
            out.append(pattern.substr(open, close - open + 1));  // not ours: left as written
            continue;
        }
        if (value.size() < width) out.append(width - value.size(), '0');
        out += value;
    }
    return out;
}

}  // namespace intake
