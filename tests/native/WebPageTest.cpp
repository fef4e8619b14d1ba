// Reading today's web pages: character references and titles, character sets, addresses
// resolved against the page, and the video addresses and title a page names.
#include "platform/HtmlText.h"
#include "webimport/JsonLd.h"
#include "webimport/PageCharset.h"
#include "webimport/PageVideo.h"
#include "webimport/WebAddress.h"

#include <gtest/gtest.h>

namespace webimport {
namespace {

TEST(HtmlText, TitlesDecodedTidiedAndCut) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"Cats &amp; Dogs", L"Cats & Dogs"},
        {L"&lt;b&gt; &quot;x&quot; &#39;y&#39; &apos;z&apos;", L"<b> \"x\" 'y' 'z'"},
        {L"caf&eacute; &euro;5 &#x1F600; &Omega;&sigmaf;", L"caf\u00e9 \u20ac5 \U0001F600 \u03a9\u03c2"},
        // 128 to 159 are Windows-1252, as browsers read them.
        {L"a&#150;b&#x93;", L"a\u2013b\u201c"},
        {L"&#0;&#xD800;&#1114112;&#99999999999;", L"\ufffd\ufffd\ufffd\ufffd"},
        {L"AT&T &unknown; &amp &#; &#xZZ; &", L"AT&T &unknown; &amp &#; &#xZZ; &"},
        {L"  Line\r\none\t\ttab \f ", L"Line one tab"},
        {L"\u202eevil\u200f name\u0007\u2066!\u0085", L"evil name!"},
        {L"Report | Site &mdash; News", L"Report | Site \u2014 News"},
        {L"&#10;&#x202E;Tidied after decoding", L"Tidied after decoding"},
        {std::wstring(600, L'a'), std::wstring(platform::kLongestTitle, L'a')},
    };
    for (const auto& [html, title] : cases) EXPECT_EQ(platform::PageTitleText(html), title) << html.substr(0, 60);
}

TEST(PageCharset, DeclaredThenSniffedThenTheSystemCodePage) {
    struct Case {
        std::string bytes;
        std::wstring contentType;
        std::wstring text;
    };
    // Stands in for the system's tables: shows which code page it was asked for.
    const CodePageDecoder system = [](std::string_view bytes, unsigned codePage) {
        return L"cp" + std::to_wstring(codePage) + L":" + std::to_wstring(bytes.size());
    };
    const std::string padding(1100, ' ');
    const Case cases[] = {
        {"caf\xC3\xA9", L"text/html; charset=utf-8", L"caf\u00e9"},
        {"caf\xC3\xA9", L"text/html; charset=\"UTF-8\"", L"caf\u00e9"},
        {"<meta charset=utf-8>caf\xC3\xA9", L"text/html", L"<meta charset=utf-8>caf\u00e9"},
        {"caf\xC3\xA9", L"", L"caf\u00e9"},
        {"\x93quoted\x94", L"text/html; charset=ISO-8859-1", L"\u201cquoted\u201d"},
        {"<META HTTP-EQUIV='Content-Type' CONTENT='text/html; charset=windows-1251'>\xC0", L"text/html", L"cp1251:75"},
        {"caf\xE9", L"text/html", L"cp0:4"},
        {"caf\xE9", L"text/html; charset=klingon", L"cp0:4"},
        {"\xEF\xBB\xBF"
         "caf\xC3\xA9",
         L"text/html; charset=iso-8859-1", L"caf\u00e9"},
        {std::string("\xFF\xFE"
                     "c\0\xE9\0=\xD8\0\xDE",
                     10),
         L"", L"c\u00e9\U0001F600"},
        {std::string("\xFE\xFF\0c\0\xE9", 6), L"", L"c\u00e9"},
        // A page may not claim UTF-16 in its own ASCII bytes.
        {"<meta charset=utf-16>\xC3\xA9", L"", L"<meta charset=utf-16>\u00e9"},
        // Only the first 1024 bytes are searched for a declaration.
        {padding + "<meta charset=windows-1251>\xC3\xA9", L"",
         std::wstring(padding.begin(), padding.end()) + L"<meta charset=windows-1251>\u00e9"},
    };
    for (const Case& c : cases) EXPECT_EQ(DecodePage(c.bytes, c.contentType, system), c.text) << c.bytes.substr(0, 40);
}

TEST(WebAddress, ResolvedAgainstThePageAndEscapedForTheRequest) {
    const std::wstring base = L"http://site.example/news/page.html?x=1";
    const std::pair<std::wstring, std::optional<std::wstring>> cases[] = {
        {L"clip.mp4", L"http://site.example/news/clip.mp4"},
        {L"../media/a b.m3u8", L"http://site.example/media/a%20b.m3u8"},
        {L"./a/./b/../c.mp4", L"http://site.example/news/a/c.mp4"},
        {L"../../../../up.mp4", L"http://site.example/up.mp4"},
        {L"/v/x.mpd#t=5", L"http://site.example/v/x.mpd"},
        {L"//cdn.example/x.mp4", L"http://cdn.example/x.mp4"},
        {L"https://other.example", L"https://other.example/"},
        {L"?v=2", L"http://site.example/news/page.html?v=2"},
        {L"  \n cl\tip.mp4\r ", L"http://site.example/news/clip.mp4"},
        {L"vid\u00e9o \"1\".mp4", L"http://site.example/news/vid%C3%A9o%20%221%22.mp4"},
        {L"already%20escaped%zz.mp4", L"http://site.example/news/already%20escaped%25zz.mp4"},
        {L"HTTPS://Site.Example/X.MP4", L"HTTPS://Site.Example/X.MP4"},
        {L"javascript:play()", std::nullopt},
        {L"data:video/mp4;base64,AAAA", std::nullopt},
        {L"file:///C:/Users/me/secret.mp4", std::nullopt},
        {L"blob:https://site.example/1234", std::nullopt},
        {L"", std::nullopt},
        {L"#player", std::nullopt},
        {L"http://", std::nullopt},
    };
    for (const auto& [reference, resolved] : cases) EXPECT_EQ(ResolveAddress(base, reference), resolved) << reference;
}

TEST(WebAddress, SchemesKindsAndEscapedValues) {
    EXPECT_TRUE(IsWebAddress(L"https://example.org/a"));
    EXPECT_TRUE(IsWebAddress(L"HTTP://example.org"));
    EXPECT_FALSE(IsWebAddress(L"file:///C:/x.mp4"));
    EXPECT_FALSE(IsWebAddress(L"example.org/watch"));
    EXPECT_FALSE(IsWebAddress(L"http:///path"));
    EXPECT_TRUE(HasScheme(L" file:///C:/x.mp4"));
    EXPECT_TRUE(HasScheme(L"ftp://example.org/"));
    EXPECT_FALSE(HasScheme(L"example.org/watch?v=1"));
    EXPECT_FALSE(HasScheme(L"127.0.0.1:8000/watch"));

    EXPECT_EQ(EscapeQueryValue(L"a b&c=d/\u00e9-._~"), L"a%20b%26c%3Dd%2F%C3%A9-._~");

    struct Kind {
        std::wstring address;
        AddressKind kind;
    };
    const Kind kinds[] = {
        {L"http://h/a/master.M3U8?token=1", AddressKind::HlsPlaylist},
        {L"http://h/manifest.mpd#x", AddressKind::DashManifest},
        {L"http://h/clip.webm", AddressKind::MediaFile},
        {L"http://h/watch", AddressKind::Unknown},
        {L"http://h/dir.mp4/page", AddressKind::Unknown},
        {L"http://h.mp4", AddressKind::Unknown},
    };
    for (const Kind& k : kinds) EXPECT_EQ(KindOfAddress(k.address), k.kind) << k.address;
    EXPECT_EQ(KindOfContentType(L"application/vnd.apple.mpegURL"), AddressKind::HlsPlaylist);
    EXPECT_EQ(KindOfContentType(L"application/dash+xml; charset=utf-8"), AddressKind::DashManifest);
    EXPECT_EQ(KindOfContentType(L"video/mp4"), AddressKind::MediaFile);
    EXPECT_EQ(KindOfContentType(L"text/html"), AddressKind::Unknown);
    EXPECT_EQ(KindOfBody("\xEF\xBB\xBF\r\n#EXTM3U\n#EXT-X-VERSION:3"), AddressKind::HlsPlaylist);
    EXPECT_EQ(KindOfBody("<?xml version=\"1.0\"?>\n<MPD xmlns=\"urn:mpeg:dash\">"), AddressKind::DashManifest);
    EXPECT_EQ(KindOfBody("<html>#EXTM3U</html>"), AddressKind::Unknown);
}

TEST(PageVideo, AddressesInTheirOrderAndTheTitle) {
    struct Case {
        const char* what;
        std::wstring page;
        std::vector<std::wstring> addresses;
        std::wstring title;
    };
    const std::wstring page = L"http://site.example/news/story.html";
    const Case cases[] = {
        {"an Open Graph playlist, titled from og:title",
         L"<html><head><title>Plain</title><meta property=\"og:title\" content=\"Cats &amp; Dogs &#8211; Live\">"
         L"<meta property=\"og:video\" content=\"/streams/master.m3u8\"></head></html>",
         {L"http://site.example/streams/master.m3u8"},
         L"Cats & Dogs \u2013 Live"},
        {"every kind of address, written in reverse order",
         L"<video src=v.mp4></video>"
         L"<script type=\"application/ld+json\">{\"@context\":\"https://schema.org\",\"@graph\":[{\"@type\":"
         L"[\"Thing\",\"VideoObject\"],\"contentUrl\":\"https:\\/\\/cdn.example\\/ld.mp4\"}]}</script>"
         L"<meta name=\"twitter:player:stream\" content=\"tw.mp4\">"
         L"<meta property=\"og:video\" content=\"og.mp4\"><meta property=\"og:video:url\" content=\"og.mp4\">"
         L"<META PROPERTY=\"OG:VIDEO:SECURE_URL\" CONTENT=\"https://site.example/secure.mp4\">",
         {L"https://site.example/secure.mp4", L"http://site.example/news/og.mp4", L"http://site.example/news/tw.mp4",
          L"https://cdn.example/ld.mp4", L"http://site.example/news/v.mp4"},
         L""},
        {"a source of a type the tool reads wins over earlier ones",
         L"<title>\n  A  &quot;clip&quot;\n</title><video><source src=\"x.bin\" type=\"video/x-unknown\">"
         L"<source src=\"y\"><source src=\"clip.mp4\" type='video/mp4; codecs=\"avc1\"'></video>",
         {L"http://site.example/news/clip.mp4"},
         L"A \"clip\""},
        {"a base address and character references in addresses",
         L"<base href=\"/media/\"><video src=\"clip.mp4?a=1&amp;b=2\"></video>",
         {L"http://site.example/media/clip.mp4?a=1&b=2"},
         L""},
        {"addresses that are no web address, comments and script text are left out",
         L"<!-- <meta property=\"og:video\" content=\"commented.mp4\"> -->"
         L"<script>var s = '<meta property=\"og:video\" content=\"scripted.mp4\">';</script>"
         L"<meta property=\"og:video\" content=\"javascript:alert(1)\">"
         L"<video><source src=\"data:video/mp4;base64,AAAA\" type=\"video/mp4\"></video>"
         L"<meta property=\"og:title\" content=\"  \"><meta name=\"title\" content=\"Old &amp; kept\">",
         {},
         L"Old & kept"},
        {"a page without any video", L"<html><body><p>Nothing to see</p></body></html>", {}, L""},
        {"a page cut off inside a tag",
         L"<meta property=\"og:video\" content=\"ok.mp4\"><video src=\"cut",
         {L"http://site.example/news/ok.mp4"},
         L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const PageVideo video = ReadPageVideo(c.page, page);
        EXPECT_EQ(video.addresses, c.addresses);
        EXPECT_EQ(video.title, c.title);
    }
}

TEST(JsonLd, VideoObjectsAnywhereAndNothingFromBrokenOrRunawayText) {
    const std::pair<std::wstring, std::vector<std::wstring>> cases[] = {
        {L"{\"@type\":\"VideoObject\",\"contentUrl\":\"a.mp4\"}", {L"a.mp4"}},
        {L"[{\"@type\":\"NewsArticle\",\"video\":{\"@type\":\"VideoObject\",\"contentUrl\":[\"b.mp4\",\"c.mp4\"]}},"
         L"{\"@type\":\"VideoObject\",\"contentUrl\":\"\\u0064.mp4\",\"n\":-1.5e3,\"t\":true,\"x\":null}]",
         {L"b.mp4", L"d.mp4"}},
        {L"{\"@type\":\"ImageObject\",\"contentUrl\":\"e.jpg\"}", {}},
        {L"{\"@type\":\"VideoObject\",\"contentUrl\":\"f.mp4\"", {}},
        {L"{\"@type\":\"VideoObject\" \"contentUrl\":\"g.mp4\"}", {}},
        {std::wstring(100'000, L'[') + L"{\"@type\":\"VideoObject\",\"contentUrl\":\"deep.mp4\"}" +
             std::wstring(100'000, L']'),
         {}},
    };
    for (const auto& [json, addresses] : cases) EXPECT_EQ(VideoObjectAddresses(json), addresses) << json.substr(0, 60);
}

// A page that names one address thousands of times gives it once, and a Stop ends the
// reading of any page with what was found so far (bench/native/page_reading.cpp times both).
TEST(PageVideo, RepeatedAddressesOnceAndStopEndsTheReading) {
    std::wstring page = L"<script type=\"application/ld+json\">[";
    for (int i = 0; i < 20'000; ++i)
        page += L"{\"@type\":\"VideoObject\",\"contentUrl\":\"/v/" + std::to_wstring(i % 3) + L"\"},";
    page += L"{}]</script><video src=\"/v/1\"></video>";
    EXPECT_EQ(ReadPageVideo(page, L"http://s.example/p").addresses,
              (std::vector<std::wstring>{L"http://s.example/v/0", L"http://s.example/v/1", L"http://s.example/v/2"}));
    const std::atomic<bool> halted{true};
    EXPECT_TRUE(ReadPageVideo(page, L"http://s.example/p", &halted).addresses.empty());
    EXPECT_TRUE(VideoObjectAddresses(page.substr(35, page.find(L"</script>") - 35), &halted).empty());
}

}  // namespace
}  // namespace webimport
