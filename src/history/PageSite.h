#pragma once
// The site of the page a cached response was fetched for, as the browsers key their caches
// by it, and whether an address lies on that site. Portable: no Windows header.
#include <optional>
#include <string>
#include <string_view>

namespace history {

// A scheme and a host, as a browser partitions its cache: Chromium keys by the top-frame
// page's scheme and registrable domain ("http", "site.example"), Firefox by the same pair,
// or by the domain alone in its older keys (the scheme is then empty and any will do).
struct Site {
    std::string scheme;  // lower case; empty when the key did not say
    std::string host;    // lower case, without a port
    bool operator==(const Site&) const = default;
};

// The top-frame site a cache key names: Chromium's double keys
// ("1/0/_dk_http://site.example http://site.example <url>", with tags such as "cn_" after
// "_dk_") and Firefox's partition keys ("O^partitionKey=%28http%2Csite.example%29,:<url>").
// Nothing for a key without one (an old cache), or one whose site is no web site.
std::optional<Site> TopFrameSiteOfKey(std::string_view key);

// The site text the cache readers keep with a response, and back: "http://site.example",
// or "site.example" without a scheme.
std::string SiteText(const Site& site);
std::optional<Site> SiteOfText(std::string_view text);

// The scheme and host of an absolute http or https address.
std::optional<Site> SiteOfUrl(std::string_view url);

// True when `url` is an http(s) address whose host is the site's host or lies under it,
// with the site's scheme when the site names one.
bool IsOnSite(std::string_view url, const Site& site);

// What a clip from a page of the site is called when its page is not known.
std::wstring VideoFromSiteTitle(const Site& site);

}  // namespace history
