#include "history/PageSite.h"

#include <algorithm>
#include <cctype>

namespace history {

namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

bool IsWebScheme(std::string_view scheme) { return scheme == "http" || scheme == "https"; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string DecodePercent(std::string_view text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            decoded += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

// A host as a site names it: no user, no port, no brackets around an IPv6 address, and
// nothing a host cannot hold.
std::optional<std::string> CleanHost(std::string_view authority) {
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
    std::string_view host = authority;
    if (host.starts_with('[')) {
        const std::size_t close = host.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        host = host.substr(1, close - 1);
    } else if (const std::size_t colon = host.find(':'); colon != std::string_view::npos) {
        host = host.substr(0, colon);
    }
    while (host.ends_with('.')) host.remove_suffix(1);
    if (host.empty()) return std::nullopt;
    for (char c : host)
        if (static_cast<unsigned char>(c) <= ' ' || c == '/' || c == '\\' || c == '?' || c == '#') return std::nullopt;
    return Lower(host);
}

// "cn_http://site.example": Chromium writes tags before the site, each ended by "_".
std::optional<Site> SiteOfChromiumToken(std::string_view token) {
    const std::size_t separator = token.find("://");
    if (separator == std::string_view::npos) return std::nullopt;
    std::size_t start = separator;
    while (start > 0 && std::isalpha(static_cast<unsigned char>(token[start - 1]))) --start;
    if (start > 0 && token[start - 1] != '_') return std::nullopt;
    return SiteOfUrl(token.substr(start));
}

// "(http,site.example)" or "(http,site.example,8080)"; the domain alone in older keys.
std::optional<Site> SiteOfPartition(std::string_view encoded) {
    const std::string value = DecodePercent(encoded);
    if (!value.starts_with('(')) {
        const auto host = CleanHost(value);
        if (!host) return std::nullopt;
        return Site{"", *host};
    }
    if (!value.ends_with(')')) return std::nullopt;
    const std::string_view inner = std::string_view(value).substr(1, value.size() - 2);
    const std::size_t comma = inner.find(',');
    if (comma == std::string_view::npos) return std::nullopt;
    const std::string scheme = Lower(inner.substr(0, comma));
    std::string_view rest = inner.substr(comma + 1);
    rest = rest.substr(0, rest.find(','));
    const auto host = CleanHost(rest);
    if (!IsWebScheme(scheme) || !host) return std::nullopt;
    return Site{scheme, *host};
}

}  // namespace

std::optional<Site> TopFrameSiteOfKey(std::string_view key) {
    constexpr std::string_view kChromiumSite = "_dk_";
    constexpr std::string_view kFirefoxPartition = "partitionKey=";
    if (const std::size_t at = key.find(kChromiumSite); at != std::string_view::npos) {
        std::string_view token = key.substr(at + kChromiumSite.size());
        token = token.substr(0, token.find(' '));
        return SiteOfChromiumToken(token);
    }
    // Firefox's tags end at ",:" where the address begins.
    const std::size_t tagsEnd = key.find(",:");
    const std::size_t at = key.find(kFirefoxPartition);
    if (at == std::string_view::npos || tagsEnd == std::string_view::npos || at > tagsEnd) return std::nullopt;
    const std::size_t start = at + kFirefoxPartition.size();
    const std::size_t stop = std::min(tagsEnd, key.find_first_of(",&", start));
    return SiteOfPartition(key.substr(start, stop - start));
}

std::string SiteText(const Site& site) { return site.scheme.empty() ? site.host : site.scheme + "://" + site.host; }

std::optional<Site> SiteOfText(std::string_view text) {
    if (text.find("://") != std::string_view::npos) return SiteOfUrl(text);
    const auto host = CleanHost(text);
    if (!host) return std::nullopt;
    return Site{"", *host};
}

std::optional<Site> SiteOfUrl(std::string_view url) {
    const std::size_t separator = url.find("://");
    if (separator == std::string_view::npos) return std::nullopt;
    const std::string scheme = Lower(url.substr(0, separator));
    if (!IsWebScheme(scheme)) return std::nullopt;
    std::string_view authority = url.substr(separator + 3);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    const auto host = CleanHost(authority);
    if (!host) return std::nullopt;
    return Site{scheme, *host};
}

bool IsOnSite(std::string_view url, const Site& site) {
    const auto page = SiteOfUrl(url);
    if (!page || site.host.empty()) return false;
    if (!site.scheme.empty() && page->scheme != site.scheme) return false;
    if (page->host == site.host) return true;
    return page->host.size() > site.host.size() && page->host.ends_with(site.host) &&
           page->host[page->host.size() - site.host.size() - 1] == '.';
}

std::wstring VideoFromSiteTitle(const Site& site) {
    return L"Video from " + std::wstring(site.host.begin(), site.host.end());
}

}  // namespace history
