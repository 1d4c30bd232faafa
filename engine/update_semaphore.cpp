#include "engine/update_semaphore.h"

#include <chrono>

namespace orvane {

bool CountingUpdateSemaphore::Wait(std::int64_t timeout_ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    auto available = [this] { return count_ > 0; };
    if (timeout_ms < 0) {
        released_.wait(lock, available);
    } else if (!released_.wait_for(lock, std::chrono::milliseconds(timeout_ms), available)) {
        return false;
    }
    --count_;
    return true;
}

std::int64_t CountingUpdateSemaphore::NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void CountingUpdateSemaphore::Release() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (count_ >= kUpdateSemaphoreMaximum)
            return;
        ++count_;
    }
    released_.notify_one();
}

}  // namespace orvane
