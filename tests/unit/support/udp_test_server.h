// A scripted UDP server on loopback for exchange tests: it answers each
// datagram it receives with whatever the test's responder returns.
#pragma once

#include <cstdint>
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace orvane::testing {

class UdpTestServer {
  public:
    // Given the request bytes, returns the datagrams to send back (none
    // for silence).
    using Responder =
        std::function<std::vector<std::vector<std::uint8_t>>(const std::vector<std::uint8_t>&)>;

    // Datagrams from strays (may be null) go to the requester from another
    // loopback port, before the answers.
    explicit UdpTestServer(Responder responder, Responder strays = nullptr);
    ~UdpTestServer();

    std::uint16_t port() const { return port_; }
    int requests_seen() const { return requests_.load(); }
    std::vector<std::uint8_t> last_request() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return last_request_;
    }

  private:
    void Run();

    Responder responder_;
    Responder strays_;
    int fd_ = -1;
    int stray_fd_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<int> requests_{0};
    mutable std::mutex mutex_;
    std::vector<std::uint8_t> last_request_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace orvane::testing
