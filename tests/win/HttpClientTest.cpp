// The HTTP client against a real server on 127.0.0.1: status, length, body in pieces,
// cut and silent servers, refused connections and the halt switch.
// Winsock wants to come before windows.h.
#include "support/LoopbackServer.h"

#include "platform/HttpClient.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using platform::HttpFailure;
using platform::HttpResponse;
using platform::HttpSession;
using testing_support::HttpHead;
using testing_support::LoopbackConnection;
using testing_support::LoopbackServer;
using testing_support::RequestPath;
using testing_support::SendKeptAlive;

const std::string kBody(5000, 'b');

void Answer(const std::string& head, LoopbackConnection& connection) {
    const std::string path = RequestPath(head);
    if (path == "/whole?x=1") connection.Send(HttpHead(200, kBody.size()) + kBody);
    if (path == "/missing") connection.Send(HttpHead(404, 3) + "no!");
    if (path == "/unsized") connection.Send(HttpHead(200, 0, "video/mp4", false) + kBody);
    if (path == "/cut") connection.Send(HttpHead(200, kBody.size()) + kBody.substr(0, 1500));
    if (path == "/silent") connection.WaitForStop();
}

// An HTTP/1.1 server that keeps each connection for the next request unless the client
// asks it to close, as most servers do.
void AnswerKeptAlive(const std::string& head, LoopbackConnection& connection) {
    const std::string path = RequestPath(head);
    auto answer = [&](int status, const std::string& headers, const std::string& body) {
        SendKeptAlive(head, connection, status, "Content-Type: text/html\r\n" + headers, body);
    };
    auto sized = [](const std::string& body) { return "Content-Length: " + std::to_string(body.size()) + "\r\n"; };
    const std::string errorPage = "<html>the server's own error page " + std::string(3000, '.') + "</html>";
    if (path == "/error") answer(500, sized(errorPage), errorPage);
    if (path == "/forbidden") answer(403, sized(errorPage), errorPage);
    if (path == "/loop") answer(302, "Location: /loop\r\n" + sized(errorPage), errorPage);
    if (path == "/hop") answer(301, "Location: good?from=hop\r\n" + sized(errorPage), errorPage);
    if (path == "/to-file") answer(302, "Location: file:///C:/windows/win.ini\r\n" + sized(""), "");
    // Without a length the body ends where the connection does.
    if (path == "/unsized") connection.Send("HTTP/1.1 200 X\r\nContent-Type: text/html\r\n\r\n" + errorPage);
    // A body longer than its length says.
    if (path == "/too-long") answer(200, sized("short"), errorPage);
    if (path == "/chunked")
        answer(200, "Transfer-Encoding: chunked\r\n", "BB8\r\n" + std::string(3000, 'c') + "\r\n0\r\n\r\n");
    if (path.starts_with("/good")) answer(200, sized("GOOD BODY"), "GOOD BODY");
}

struct Transfer {
    HttpFailure failure = HttpFailure::None;
    DWORD status = 0;
    std::optional<std::uint64_t> length;
    std::string body;
    HttpResponse::Read last = HttpResponse::Read::End;
    std::wstring type;
};

Transfer Fetch(const HttpSession& session, const std::wstring& url, const std::atomic<bool>* halt = nullptr) {
    Transfer transfer;
    HttpResponse response;
    transfer.failure = session.Get(url, response, halt);
    if (transfer.failure != HttpFailure::None) return transfer;
    transfer.status = response.status();
    transfer.length = response.ContentLength();
    transfer.type = response.Header(HTTP_QUERY_CONTENT_TYPE);
    char piece[1024];
    DWORD got = 0;
    while ((transfer.last = response.ReadPiece(piece, sizeof piece, got)) == HttpResponse::Read::Data) {
        EXPECT_LE(got, sizeof piece);
        transfer.body.append(piece, got);
    }
    return transfer;
}

TEST(HttpClient, SplitsOnlyWebAddresses) {
    struct Case {
        const wchar_t* url;
        bool splits;
        const wchar_t* host;
        INTERNET_PORT port;
        const wchar_t* object;
        bool secure;
    };
    const Case cases[] = {
        {L"http://example.org:8080/watch?v=abc", true, L"example.org", 8080, L"/watch?v=abc", false},
        {L"https://example.org/a/b.mp4", true, L"example.org", 443, L"/a/b.mp4", true},
        {L"http://example.org", true, L"example.org", 80, L"/", false},
        {L"example.org/watch?v=abc", false, L"", 0, L"", false},
        {L"ftp://example.org/file", false, L"", 0, L"", false},
        {L"", false, L"", 0, L"", false},
    };
    for (const Case& c : cases) {
        const auto parts = platform::SplitUrl(c.url);
        ASSERT_EQ(parts.has_value(), c.splits) << c.url;
        if (!parts) continue;
        EXPECT_EQ(parts->host, c.host);
        EXPECT_EQ(parts->port, c.port);
        EXPECT_EQ(parts->object, c.object);
        EXPECT_EQ(parts->secure, c.secure);
    }
}

TEST(HttpClient, ReadsStatusLengthAndBodyAndTellsCutFromWhole) {
    LoopbackServer server(Answer);
    const HttpSession session(L"Test Agent 1.0");
    ASSERT_TRUE(session.valid());

    const Transfer whole = Fetch(session, server.Url(L"/whole?x=1"));
    EXPECT_EQ(whole.status, 200u);
    EXPECT_EQ(whole.length, std::optional<std::uint64_t>(kBody.size()));
    EXPECT_EQ(whole.body, kBody);
    EXPECT_EQ(whole.last, HttpResponse::Read::End);
    ASSERT_TRUE(server.WaitForRequests(1, std::chrono::seconds(5)));
    const std::string head = server.Requests().front();
    EXPECT_EQ(head.rfind("GET /whole?x=1 HTTP/1.1\r\n", 0), 0u) << head;
    EXPECT_NE(head.find("User-Agent: Test Agent 1.0\r\n"), std::string::npos) << head;

    const Transfer missing = Fetch(session, server.Url(L"/missing"));
    EXPECT_EQ(missing.status, 404u);

    const Transfer unsized = Fetch(session, server.Url(L"/unsized"));
    EXPECT_EQ(unsized.length, std::nullopt);
    EXPECT_EQ(unsized.body, kBody);
    EXPECT_EQ(unsized.type, L"video/mp4");
    EXPECT_EQ(unsized.last, HttpResponse::Read::End);

    const Transfer cut = Fetch(session, server.Url(L"/cut"));
    EXPECT_EQ(cut.body.size(), 1500u);
    EXPECT_EQ(cut.last, HttpResponse::Read::Failed);

    EXPECT_EQ(Fetch(session, L"127.0.0.1/whole").failure, HttpFailure::BadAddress);
}

TEST(HttpClient, AFailedOrUnreadAnswerNeverReachesTheNextRequestAndLoopsEnd) {
    LoopbackServer server(AnswerKeptAlive);
    struct Case {
        const wchar_t* path;
        HttpFailure failure;
        DWORD status;
    };
    const Case cases[] = {
        {L"/error", HttpFailure::None, 500},
        {L"/forbidden", HttpFailure::None, 403},
        {L"/loop", HttpFailure::TooManyRedirects, 302},
        {L"/to-file", HttpFailure::TooManyRedirects, 302},
        {L"/unsized", HttpFailure::None, 200},
        {L"/too-long", HttpFailure::None, 200},
        {L"/chunked", HttpFailure::None, 200},
        {L"/hop", HttpFailure::None, 200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const HttpSession session(L"Test Agent 1.0", 5000);
        // The library left alone follows a redirect loop for ever: watch the request.
        std::atomic<bool> answered{false};
        HttpFailure failure = HttpFailure::Network;
        DWORD status = 0;
        std::wstring url;
        std::thread request([&] {
            HttpResponse response;
            // The import leaves these bodies unread: a status or a type already said enough.
            failure = session.Get(server.Url(c.path), response);
            status = response.status();
            url = response.url();
            answered = true;
        });
        const auto started = std::chrono::steady_clock::now();
        while (!answered && std::chrono::steady_clock::now() - started < std::chrono::seconds(20)) Sleep(10);
        if (!answered) {
            request.detach();
            FAIL() << "the request never ended";
        }
        request.join();
        EXPECT_EQ(failure, c.failure);
        EXPECT_EQ(status, c.status);
        if (c.path == std::wstring(L"/hop")) {
            EXPECT_EQ(url, server.Url(L"/good?from=hop"));
        }
        for (int again = 0; again < 2; ++again) {
            const Transfer good = Fetch(session, server.Url(L"/good"));
            EXPECT_EQ(good.failure, HttpFailure::None);
            EXPECT_EQ(good.status, 200u);
            EXPECT_EQ(good.body, "GOOD BODY");
        }
    }
    // No connection was kept for a later request: the server's side of each has ended.
    const auto stopping = std::chrono::steady_clock::now();
    server.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, std::chrono::seconds(10));
}

TEST(HttpClient, RefusedSilentAndHaltedTransfersEndWithoutHanging) {
    LoopbackServer server(Answer);
    const HttpSession session(L"Test Agent 1.0", 1000);

    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(Fetch(session, server.Url(L"/silent")).failure, HttpFailure::Network);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));

    std::atomic<bool> halt{false};
    HttpResponse response;
    ASSERT_EQ(session.Get(server.Url(L"/whole?x=1"), response, &halt), HttpFailure::None);
    char piece[1024];
    DWORD got = 0;
    EXPECT_EQ(response.ReadPiece(piece, sizeof piece, got), HttpResponse::Read::Data);
    halt = true;
    EXPECT_EQ(response.ReadPiece(piece, sizeof piece, got), HttpResponse::Read::Halted);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(session.Get(server.Url(L"/whole?x=1"), response, &halt), HttpFailure::Halted);

    const std::wstring closedPort = server.Url(L"/whole");
    server.Stop();
    EXPECT_EQ(Fetch(session, closedPort).failure, HttpFailure::Network);
}

}  // namespace
