#include "platform/HttpClient.h"

#include "platform/HttpText.h"

#include <vector>

namespace platform {

namespace {

bool Halted(const std::atomic<bool>* halt) { return halt != nullptr && halt->load(); }

bool IsRedirect(DWORD status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// A Location, which may be relative, made absolute against the address that sent it.
std::optional<std::wstring> CombineUrl(const std::wstring& base, const std::wstring& location) {
    if (location.empty()) return std::nullopt;
    std::vector<wchar_t> buffer(INTERNET_MAX_URL_LENGTH + 1);
    DWORD length = static_cast<DWORD>(buffer.size());
    if (!InternetCombineUrlW(base.c_str(), location.c_str(), buffer.data(), &length, ICU_NO_ENCODE))
        return std::nullopt;
    return std::wstring(buffer.data(), length);
}

}  // namespace

std::optional<UrlParts> SplitUrl(const std::wstring& url) {
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof parts;
    // Zero-length buffers with non-zero lengths ask for pointers into `url` itself.
    parts.dwSchemeLength = 1;
    parts.dwHostNameLength = 1;
    parts.dwUrlPathLength = 1;
    parts.dwExtraInfoLength = 1;
    if (url.empty() || !InternetCrackUrlW(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) return std::nullopt;
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) return std::nullopt;
    if (parts.dwHostNameLength == 0) return std::nullopt;
    UrlParts split;
    split.host.assign(parts.lpszHostName, parts.dwHostNameLength);
    split.port = parts.nPort;
    split.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    if (parts.lpszUrlPath != nullptr) split.object.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
    if (parts.lpszExtraInfo != nullptr) split.object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (split.object.empty()) split.object = L"/";
    return split;
}

HttpSession::HttpSession(const std::wstring& userAgent, DWORD timeoutMs)
    : session_(InternetOpenW(userAgent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0)),
      timeoutMs_(timeoutMs) {
    if (!session_) return;
    for (DWORD option :
         {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        InternetSetOptionW(session_.get(), option, &timeoutMs_, sizeof timeoutMs_);
}

HttpFailure HttpSession::Get(const std::wstring& url, HttpResponse& response, const std::atomic<bool>* halt,
                             const std::wstring& referrer) const {
    std::wstring address = url;
    for (int redirects = 0;; ++redirects) {
        response = HttpResponse();
        response.halt_ = halt;
        response.url_ = address;
        if (Halted(halt)) return HttpFailure::Halted;
        const HttpFailure failure = GetOnce(address, response, referrer);
        if (failure != HttpFailure::None) return failure;
        if (!IsRedirect(response.status())) return HttpFailure::None;
        if (redirects == kMostRedirects) return HttpFailure::TooManyRedirects;
        const auto next = CombineUrl(address, response.Header(HTTP_QUERY_LOCATION));
        if (!next || !SplitUrl(*next)) return HttpFailure::TooManyRedirects;
        address = *next;
    }
}

HttpFailure HttpSession::GetOnce(const std::wstring& url, HttpResponse& response, const std::wstring& referrer) const {
    const auto parts = SplitUrl(url);
    if (!parts) return HttpFailure::BadAddress;
    if (!session_) return HttpFailure::Network;

    response.connection_.reset(InternetConnectW(session_.get(), parts->host.c_str(), parts->port, nullptr, nullptr,
                                                INTERNET_SERVICE_HTTP, 0, 0));
    if (!response.connection_) return HttpFailure::Network;
    DWORD flags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT;
    if (parts->secure) flags |= INTERNET_FLAG_SECURE;
    response.request_.reset(HttpOpenRequestW(response.connection_.get(), L"GET", parts->object.c_str(), nullptr,
                                             referrer.empty() ? nullptr : referrer.c_str(), nullptr, flags, 0));
    if (!response.request_) return HttpFailure::Network;
    // Per request too: some versions of the library take the time-outs from the handle in use.
    for (DWORD option : {INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        InternetSetOptionW(response.request_.get(), option, const_cast<DWORD*>(&timeoutMs_), sizeof timeoutMs_);
    static constexpr wchar_t kCloseAfterwards[] = L"Connection: close\r\n";
    if (!HttpSendRequestW(response.request_.get(), kCloseAfterwards, static_cast<DWORD>(-1), nullptr, 0))
        return HttpFailure::Network;
    if (Halted(response.halt_)) return HttpFailure::Halted;

    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoW(response.request_.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                        nullptr))
        return HttpFailure::Network;
    response.status_ = status;
    response.contentLength_ = ParseContentLength(response.Header(HTTP_QUERY_CONTENT_LENGTH));
    return HttpFailure::None;
}

std::wstring HttpResponse::Header(DWORD query) const {
    if (!request_) return {};
    std::vector<wchar_t> buffer(256);
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        if (HttpQueryInfoW(request_.get(), query, buffer.data(), &bytes, nullptr))
            return std::wstring(buffer.data(), bytes / sizeof(wchar_t));
        const DWORD error = GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER) return {};
        buffer.resize(bytes / sizeof(wchar_t) + 1);
    }
    return {};
}

HttpResponse::Read HttpResponse::ReadPiece(char* buffer, DWORD capacity, DWORD& got) {
    got = 0;
    if (Halted(halt_)) return Read::Halted;
    if (!request_) return Read::Failed;
    if (!InternetReadFile(request_.get(), buffer, capacity, &got)) {
        got = 0;
        return Read::Failed;
    }
    if (Halted(halt_)) {
        got = 0;
        return Read::Halted;
    }
    if (got == 0) return contentLength_ && received_ < *contentLength_ ? Read::Failed : Read::End;
    received_ += got;
    return Read::Data;
}

}  // namespace platform
