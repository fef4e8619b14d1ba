#pragma once
// What a web page of today says about its video: the addresses it names for it, best
// first, and its title. Portable.
#include <atomic>
#include <string>
#include <string_view>
#include <vector>

namespace webimport {

struct PageVideo {
    // Every video address the page names, absolute, each once, in the order they are
    // worth trying: og:video:secure_url, og:video:url, og:video, twitter:player:stream,
    // the contentUrl of a JSON-LD VideoObject, then the first <video src> or <source src>
    // (one whose type the tool reads before one without a type, and that before any
    // other). Relative addresses are resolved against the page's address and its
    // <base href>; anything that is no http or https address is left out.
    std::vector<std::wstring> addresses;
    // og:title, else <title>, else <meta name="title">, character references decoded and
    // made fit to keep (TidyTitle); empty when the page has none of them.
    std::wstring title;
};

// Linear in the page's size, however many addresses it names. Returns what it has read so
// far as soon as `halt` is set.
PageVideo ReadPageVideo(std::wstring_view page, std::wstring_view pageAddress, const std::atomic<bool>* halt = nullptr);

}  // namespace webimport
