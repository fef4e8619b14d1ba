#pragma once
// One small HTTP client over the system's Internet library (WinINet), shared by the web
// import and the update agent: a session with its user agent, GET requests that never
// write into the system's Internet cache, the body in pieces. Every handle is owned, and
// a halt switch is looked at between reads, so a stopped transfer does nothing more.
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
    BadAddress,  // the address does not split into scheme, server and object
    Network,     // no session, no connection, a send or read that failed or timed out
    Halted,      // the halt switch was set
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
};

class HttpSession {
public:
    // Pre-configured proxy settings, no flags.
    explicit HttpSession(const std::wstring& userAgent, DWORD timeoutMs = kHttpTimeoutMs);

    bool valid() const { return session_.valid(); }

    // Connects, sends a GET for the address and reads the status code into `response`.
    HttpFailure Get(const std::wstring& url, HttpResponse& response, const std::atomic<bool>* halt = nullptr) const;

private:
    UniqueInternet session_;
    DWORD timeoutMs_;
};

}  // namespace platform
