#include "service/update_rate_limit.h"

namespace orvane {

void UpdateRateLimit::Expire(std::uint64_t now_ms) {
    // An exchange at time t still counts at t + window - 1 and no longer at
    // t + window. A clock that went backwards keeps everything.
    while (!taken_.empty() && now_ms >= taken_.front() && now_ms - taken_.front() >= window_ms_)
        taken_.pop_front();
}

bool UpdateRateLimit::TryTake(std::uint64_t now_ms) {
    Expire(now_ms);
    if (static_cast<int>(taken_.size()) >= limit_)
        return false;
    taken_.push_back(now_ms);
    return true;
}

int UpdateRateLimit::CountAt(std::uint64_t now_ms) {
    Expire(now_ms);
    return static_cast<int>(taken_.size());
}

}  // namespace orvane
