#include "webimport/PageVideo.h"

#include "webimport/HtmlTags.h"
#include "platform/HtmlText.h"
#include "webimport/JsonLd.h"
#include "webimport/WebAddress.h"

#include <algorithm>
#include <array>
#include <optional>
#include <unordered_set>

namespace webimport {

namespace {

// The meta properties that name the video, best first.
constexpr std::array<std::wstring_view, 4> kVideoProperties{L"og:video:secure_url", L"og:video:url", L"og:video",
                                                            L"twitter:player:stream"};

// Types of <source> that ffmpeg reads.
constexpr std::array<std::wstring_view, 12> kReadableTypes{L"video/mp4",
                                                           L"video/webm",
                                                           L"video/ogg",
                                                           L"video/x-flv",
                                                           L"video/quicktime",
                                                           L"video/x-matroska",
                                                           L"video/mp2t",
                                                           L"video/3gpp",
                                                           L"application/x-mpegurl",
                                                           L"application/vnd.apple.mpegurl",
                                                           L"audio/mpegurl",
                                                           L"application/dash+xml"};

// How much a <video> or <source> is worth: a type the tool reads (or, without a type,
// an address whose extension it reads) is best, then no type, then any other type.
enum class SourceRank { Readable = 0, Untyped = 1, Other = 2 };

struct MediaSource {
    std::wstring_view address;
    SourceRank rank;
};

SourceRank RankOf(std::optional<std::wstring_view> type, std::wstring_view address) {
    if (!type || type->empty()) {
        return KindOfAddress(platform::DecodeEntities(address)) != AddressKind::Unknown ? SourceRank::Readable
                                                                                        : SourceRank::Untyped;
    }
    const std::wstring_view bare = type->substr(0, type->find(L';'));
    for (std::wstring_view readable : kReadableTypes)
        if (EqualsAsciiNoCase(bare, readable)) return SourceRank::Readable;
    return SourceRank::Other;
}

// The meta's name: Open Graph pages say property=, others name=; both are accepted.
std::optional<std::wstring_view> MetaName(const HtmlTag& tag) {
    if (auto property = tag.Attribute(L"property")) return property;
    return tag.Attribute(L"name");
}

bool IsJsonLd(const HtmlTag& tag) {
    const auto type = tag.Attribute(L"type");
    return type && EqualsAsciiNoCase(type->substr(0, type->find(L';')), L"application/ld+json");
}

struct PageFacts {
    std::array<std::optional<std::wstring_view>, kVideoProperties.size()> properties;
    std::vector<std::wstring> structured;
    std::vector<MediaSource> sources;
    std::optional<std::wstring_view> base;
    std::optional<std::wstring_view> ogTitle;
    std::optional<std::wstring_view> title;
    std::optional<std::wstring_view> metaTitle;
};

void NoteMeta(const HtmlTag& tag, PageFacts& facts) {
    const auto name = MetaName(tag);
    const auto content = tag.Attribute(L"content");
    if (!name || !content) return;
    for (std::size_t i = 0; i < kVideoProperties.size(); ++i)
        if (!facts.properties[i] && EqualsAsciiNoCase(*name, kVideoProperties[i])) facts.properties[i] = content;
    if (!facts.ogTitle && EqualsAsciiNoCase(*name, L"og:title")) facts.ogTitle = content;
    if (!facts.metaTitle && tag.Attribute(L"name") == std::wstring_view(L"title")) facts.metaTitle = content;
}

bool Halted(const std::atomic<bool>* halt) { return halt != nullptr && halt->load(); }

PageFacts ReadFacts(std::wstring_view page, const std::atomic<bool>* halt) {
    PageFacts facts;
    ForEachTag(page, [&](const HtmlTag& tag) {
        if (Halted(halt)) return false;
        if (!tag.opening) return true;
        if (tag.name == L"meta") NoteMeta(tag, facts);
        if (tag.name == L"base" && !facts.base) facts.base = tag.Attribute(L"href");
        if (tag.name == L"title" && !facts.title) facts.title = tag.text;
        if (tag.name == L"script" && IsJsonLd(tag)) {
            for (std::wstring& address : VideoObjectAddresses(tag.text, halt))
                facts.structured.push_back(std::move(address));
        }
        if (tag.name == L"video" || tag.name == L"source") {
            const auto src = tag.Attribute(L"src");
            if (src && !src->empty()) facts.sources.push_back({*src, RankOf(tag.Attribute(L"type"), *src)});
        }
        return true;
    });
    return facts;
}

}  // namespace

PageVideo ReadPageVideo(std::wstring_view page, std::wstring_view pageAddress, const std::atomic<bool>* halt) {
    const PageFacts facts = ReadFacts(page, halt);
    PageVideo video;
    // Pages name the same address many times over; a set keeps the check linear.
    std::unordered_set<std::wstring> seen;
    std::wstring base(pageAddress);
    if (facts.base) {
        if (auto resolved = ResolveAddress(pageAddress, platform::DecodeEntities(*facts.base)))
            base = std::move(*resolved);
    }
    auto add = [&](std::wstring_view written, bool decode) {
        const auto resolved = ResolveAddress(base, decode ? platform::DecodeEntities(written) : std::wstring(written));
        if (resolved && seen.insert(*resolved).second) video.addresses.push_back(*resolved);
    };
    for (const auto& property : facts.properties)
        if (property) add(*property, true);
    // JSON text has no character references: its escapes are decoded already.
    for (const std::wstring& address : facts.structured) {
        if (Halted(halt)) return video;
        add(address, false);
    }
    const auto best = std::min_element(facts.sources.begin(), facts.sources.end(),
                                       [](const MediaSource& a, const MediaSource& b) { return a.rank < b.rank; });
    if (best != facts.sources.end()) add(best->address, true);

    for (const auto& candidate : {facts.ogTitle, facts.title, facts.metaTitle}) {
        if (!candidate) continue;
        video.title = platform::PageTitleText(*candidate);
        if (!video.title.empty()) break;
    }
    return video;
}

}  // namespace webimport
