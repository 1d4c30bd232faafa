// The time service's limit on exchanges: at most a number of them in any
// window of time, counted for every client together, so no user can make
// the service hammer a time server.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

namespace orvane {

constexpr int kMaxUpdatesPerWindow = 4;
constexpr std::uint64_t kUpdateWindowMilliseconds = 60000;
constexpr char kRateLimitText[] = "Too many update requests; try again in a minute";

class UpdateRateLimit {
  public:
    explicit UpdateRateLimit(int limit = kMaxUpdatesPerWindow,
                             std::uint64_t window_ms = kUpdateWindowMilliseconds)
        : limit_(limit), window_ms_(window_ms) {}

    // True, and the exchange counted, when fewer than the limit were counted
    // in the window ending at `now_ms` (a monotonic millisecond count); else
    // false, counting nothing.
    bool TryTake(std::uint64_t now_ms);

    // How many counted exchanges lie in the window ending at `now_ms`.
    int CountAt(std::uint64_t now_ms);

  private:
    void Expire(std::uint64_t now_ms);

    int limit_;
    std::uint64_t window_ms_;
    std::deque<std::uint64_t> taken_;
};

}  // namespace orvane
