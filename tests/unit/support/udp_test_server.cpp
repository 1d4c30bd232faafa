#include "support/udp_test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orvane::testing {

UdpTestServer::UdpTestServer(Responder responder) : responder_(std::move(responder)) {
    fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t size = sizeof a;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &size);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Run(); });
}

UdpTestServer::~UdpTestServer() {
    stop_ = true;
    thread_.join();
    ::close(fd_);
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
        for (const auto& answer : responder_(request)) {
            ::sendto(fd_, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&from),
                     size);
        }
    }
}

}  // namespace orvane::testing
