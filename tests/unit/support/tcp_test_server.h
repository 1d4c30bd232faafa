// A scripted TCP server on loopback for exchange tests: to each connection
// it sends the script's chunks (pausing between them), then closes or holds
// the connection open until the server is destroyed.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

namespace orvane::testing {

class TcpTestServer {
  public:
    struct Script {
        std::vector<std::vector<std::uint8_t>> chunks;  // sent in order
        int pause_ms = 50;                              // between chunks
        bool hold_open = false;  // keep the connection open after the last chunk
    };

    explicit TcpTestServer(Script script);
    ~TcpTestServer();

    std::uint16_t port() const { return port_; }
    int connections_seen() const { return connections_.load(); }

    // A loopback port that refuses connections: bound, never listening.
    static std::uint16_t ReserveRefusingPort(int* fd_out);

  private:
    void Run();
    void Serve(int connection);
    bool Sleep(int ms);

    Script script_;
    int fd_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<int> connections_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace orvane::testing
