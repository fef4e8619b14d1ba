#pragma once
// A real HTTP server on 127.0.0.1 inside the test process, on a port of its own. Each
// connection runs on its own thread: the request head is read and recorded, then the
// test's handler answers however it likes (whole, cut, slow, never). A handler that asks
// for it keeps the connection for the client's next request, as HTTP/1.1 servers do.
// Stopping closes every socket, which also frees a handler that waits for the peer.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

class LoopbackConnection {
public:
    LoopbackConnection(SOCKET socket, std::atomic<bool>& stopping) : socket_(socket), stopping_(stopping) {}
    // False once the peer or the server has closed.
    bool Send(const std::string& bytes) {
        size_t sent = 0;
        while (sent < bytes.size()) {
            const int chunk = send(socket_, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
            if (chunk <= 0) return false;
            sent += static_cast<size_t>(chunk);
        }
        return true;
    }
    // Holds the connection open until the server stops.
    void WaitForStop() {
        while (!stopping_) Sleep(10);
    }
    // After this answer the connection waits for the client's next request.
    void KeepAlive() { keptAlive_ = true; }
    bool keptAlive() const { return keptAlive_; }

private:
    SOCKET socket_;
    std::atomic<bool>& stopping_;
    bool keptAlive_ = false;
};

// "HTTP/1.0 <status> X" with Content-Type and, unless told not to, Content-Length.
inline std::string HttpHead(int status, size_t length, const std::string& type = "text/html", bool withLength = true) {
    std::string head = "HTTP/1.0 " + std::to_string(status) + " X\r\nContent-Type: " + type + "\r\n";
    if (withLength) head += "Content-Length: " + std::to_string(length) + "\r\n";
    return head + "Connection: close\r\n\r\n";
}

// An HTTP/1.1 answer that keeps the connection for the client's next request unless the
// request asked to close it, as most servers do.
inline void SendKeptAlive(const std::string& head, LoopbackConnection& connection, int status,
                          const std::string& headers, const std::string& body) {
    const bool close = head.find("\r\nConnection: close\r\n") != std::string::npos;
    connection.Send("HTTP/1.1 " + std::to_string(status) + " X\r\n" + headers + (close ? "Connection: close\r\n" : "") +
                    "\r\n" + body);
    if (!close) connection.KeepAlive();
}

class LoopbackServer {
public:
    // Gets the request head (request line first) and answers on the connection.
    using Handler = std::function<void(const std::string& head, LoopbackConnection&)>;

    explicit LoopbackServer(Handler handler) : handler_(std::move(handler)) {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_, 16);
        int size = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        acceptor_ = std::thread([this] { AcceptLoop(); });
    }
    ~LoopbackServer() { Stop(); }
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    void Stop() {
        if (stopping_.exchange(true)) return;
        closesocket(listener_);
        {
            std::lock_guard lock(mutex_);
            for (SOCKET client : clients_) shutdown(client, SD_BOTH);
        }
        if (acceptor_.joinable()) acceptor_.join();
        for (auto& worker : workers_) worker.join();
        for (SOCKET client : clients_) closesocket(client);
        WSACleanup();
    }

    unsigned short port() const { return port_; }
    std::wstring Url(const std::wstring& path) const { return L"http://127.0.0.1:" + std::to_wstring(port_) + path; }
    // Every connection accepted so far, whether or not it sent a request.
    int connections() const { return connections_; }
    // Every request head received so far, in order.
    std::vector<std::string> Requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    bool WaitForRequests(size_t count, std::chrono::milliseconds limit) const {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, limit, [&] { return requests_.size() >= count; });
    }

private:
    void AcceptLoop() {
        while (!stopping_) {
            SOCKET client = accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) return;
            ++connections_;
            std::lock_guard lock(mutex_);
            clients_.push_back(client);
            workers_.emplace_back([this, client] { Serve(client); });
        }
    }

    void Serve(SOCKET client) {
        std::string received;
        for (;;) {
            char piece[1024];
            while (received.find("\r\n\r\n") == std::string::npos) {
                const int got = recv(client, piece, sizeof piece, 0);
                if (got <= 0) return;
                received.append(piece, static_cast<size_t>(got));
            }
            const size_t end = received.find("\r\n\r\n") + 4;
            const std::string head = received.substr(0, end);
            received.erase(0, end);
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(head);
            }
            arrived_.notify_all();
            LoopbackConnection connection(client, stopping_);
            handler_(head, connection);
            if (!connection.keptAlive()) break;
        }
        shutdown(client, SD_SEND);
    }

    Handler handler_;
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    std::thread acceptor_;
    mutable std::mutex mutex_;
    mutable std::condition_variable arrived_;
    std::vector<SOCKET> clients_;
    std::vector<std::thread> workers_;
    std::vector<std::string> requests_;
};

// The path of a request head: "GET /a?b HTTP/1.1..." gives "/a?b".
inline std::string RequestPath(const std::string& head) {
    const size_t first = head.find(' ');
    const size_t second = head.find(' ', first + 1);
    return head.substr(first + 1, second - first - 1);
}

}  // namespace testing_support
