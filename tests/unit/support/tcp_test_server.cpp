#include "support/tcp_test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace orvane::testing {

namespace {

std::uint16_t BindLoopback(int fd) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t size = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
    return ntohs(a.sin_port);
}

}  // namespace

TcpTestServer::TcpTestServer(Script script) : script_(std::move(script)) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    port_ = BindLoopback(fd_);
    ::listen(fd_, 8);
    thread_ = std::thread([this] { Run(); });
}

TcpTestServer::~TcpTestServer() {
    stop_ = true;
    thread_.join();
    ::close(fd_);
}

std::uint16_t TcpTestServer::ReserveRefusingPort(int* fd_out) {
    *fd_out = ::socket(AF_INET, SOCK_STREAM, 0);
    return BindLoopback(*fd_out);
}

bool TcpTestServer::Sleep(int ms) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!stop_ && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return !stop_;
}

void TcpTestServer::Serve(int connection) {
    for (std::size_t i = 0; i < script_.chunks.size(); ++i) {
        if (i > 0 && !Sleep(script_.pause_ms))
            break;
        const auto& chunk = script_.chunks[i];
        ::send(connection, chunk.data(), chunk.size(), MSG_NOSIGNAL);
    }
    if (script_.hold_open) {
        while (Sleep(20)) {
        }
    }
    ::close(connection);
}

void TcpTestServer::Run() {
    while (!stop_) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0)
            continue;
        int connection = ::accept(fd_, nullptr, nullptr);
        if (connection < 0)
            continue;
        ++connections_;
        Serve(connection);
    }
}

}  // namespace orvane::testing
