#pragma once
// One small HTTP client over the system's Internet library (WinINet), shared by the web
// import and the update agent: a session with its user agent, GET requests that never
// write into the system's Internet cache, the body in pieces. Every handle is owned, and
// a halt switch is looked at between reads, so a stopped transfer does nothing more.
// Redirects are followed here, a bounded number of times, and every request asks the
// server to close its connection afterwards: an answer left unread on a kept connection
// must never become the start of the next request's answer.
#include "platform/UniqueHandle.h"

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

struct InternetHandleTraits {
    using Handle = HINTERNET;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { InternetCloseHandle(h); }
};
using UniqueInternet = Unique<InternetHandleTraits>;

// A server that accepts and then says nothing must end as a network failure, not as a
// worker that waits for ever.
inline constexpr DWORD kHttpTimeoutMs = 30'000;
// More redirects than this in a row are a loop (browsers give up at about twenty).
inline constexpr int kMostRedirects = 10;

struct UrlParts {
    std::wstring host;
    INTERNET_PORT port = 0;
    std::wstring object;  // path and query, "/" at least
    bool secure = false;
};
// http:// and https:// addresses with a host; nullopt for anything else.
std::optional<UrlParts> SplitUrl(const std::wstring& url);

enum class HttpFailure {
    None,
    BadAddress,        // the address does not split into scheme, server and object
    Network,           // no session, no connection, a send or read that failed or timed out
    Halted,            // the halt switch was set
    TooManyRedirects,  // more than kMostRedirects in a row, or a redirect to no web address
};

class HttpResponse {
public:
    enum class Read { Data, End, Failed, Halted };

    DWORD status() const { return status_; }
    // The header's text, empty when it is missing.
    std::wstring Header(DWORD query) const;
    // The Content-Length the server advertised, when it sent a number.
    std::optional<std::uint64_t> ContentLength() const { return contentLength_; }
    std::uint64_t received() const { return received_; }
    // The address that answered, after any redirects.
    const std::wstring& url() const { return url_; }

    // Up to `capacity` bytes into `buffer`, their count in `got`. A body that ends short
    // of its advertised length ends as Failed: a cut transfer is not a whole one.
    Read ReadPiece(char* buffer, DWORD capacity, DWORD& got);

private:
    friend class HttpSession;
    UniqueInternet connection_;
    UniqueInternet request_;
    DWORD status_ = 0;
    std::optional<std::uint64_t> contentLength_;
    std::uint64_t received_ = 0;
    const std::atomic<bool>* halt_ = nullptr;
    std::wstring url_;
};

class HttpSession {
public:
    // Pre-configured proxy settings, no flags.
    explicit HttpSession(const std::wstring& userAgent, DWORD timeoutMs = kHttpTimeoutMs);

    bool valid() const { return session_.valid(); }

    // Connects, sends a GET for the address (with `referrer` as its Referer when given),
    // follows redirects, and reads the final status code into `response`.
    HttpFailure Get(const std::wstring& url, HttpResponse& response, const std::atomic<bool>* halt = nullptr,
                    const std::wstring& referrer = {}) const;

private:
    // One request without following redirects.
    HttpFailure GetOnce(const std::wstring& url, HttpResponse& response, const std::wstring& referrer) const;

    UniqueInternet session_;
    DWORD timeoutMs_;
};

}  // namespace platform
