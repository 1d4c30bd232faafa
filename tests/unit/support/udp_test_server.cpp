#include "support/udp_test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orvane::testing {

namespace {

// A UDP socket on a free loopback port; its port through port_out.
int BoundLoopbackSocket(std::uint16_t* port_out) {
    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t size = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
    *port_out = ntohs(a.sin_port);
    return fd;
}

}  // namespace

UdpTestServer::UdpTestServer(Responder responder, Responder strays)
    : responder_(std::move(responder)), strays_(std::move(strays)) {
    fd_ = BoundLoopbackSocket(&port_);
    std::uint16_t stray_port = 0;
    stray_fd_ = BoundLoopbackSocket(&stray_port);
    thread_ = std::thread([this] { Run(); });
}

UdpTestServer::~UdpTestServer() {
    stop_ = true;
    thread_.join();
    ::close(fd_);
    ::close(stray_fd_);
}

void UdpTestServer::Run() {
    while (!stop_) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0)
            continue;
        std::vector<std::uint8_t> request(2048);
        sockaddr_in from{};
        socklen_t size = sizeof from;
        ssize_t n = ::recvfrom(fd_, request.data(), request.size(), 0,
                               reinterpret_cast<sockaddr*>(&from), &size);
        if (n < 0)
            continue;
        request.resize(static_cast<std::size_t>(n));
        {
            std::lock_guard<std::mutex> lock(mutex_);
            last_request_ = request;
        }
        ++requests_;
        if (strays_) {
            for (const auto& stray : strays_(request)) {
                ::sendto(stray_fd_, stray.data(), stray.size(), 0,
                         reinterpret_cast<sockaddr*>(&from), size);
            }
        }
        for (const auto& answer : responder_(request)) {
            ::sendto(fd_, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&from),
                     size);
        }
    }
}

}  // namespace orvane::testing
