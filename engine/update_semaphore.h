// The update thread's semaphore: a counting semaphore the thread sleeps on
// with an optional time limit. Behind an interface so tests can drive the
// waits with a clock of their own.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace orvane {

// No time limit.
constexpr std::int64_t kWaitForever = -1;
// Releases beyond this count are lost.
constexpr int kUpdateSemaphoreMaximum = 10;

class UpdateSemaphore {
  public:
    virtual ~UpdateSemaphore() = default;
    // Takes one release, waiting for at most timeout_ms (kWaitForever: no
    // limit). True when a release ended the wait, false on the time limit.
    virtual bool Wait(std::int64_t timeout_ms) = 0;
    // Adds one release, unless kUpdateSemaphoreMaximum are already waiting.
    virtual void Release() = 0;
    // Milliseconds on the clock the time limits run on (any origin).
    virtual std::int64_t NowMs() = 0;
};

// The real semaphore: initial count 0, maximum kUpdateSemaphoreMaximum.
class CountingUpdateSemaphore : public UpdateSemaphore {
  public:
    bool Wait(std::int64_t timeout_ms) override;
    void Release() override;
    std::int64_t NowMs() override;

  private:
    std::mutex mutex_;
    std::condition_variable released_;
    int count_ = 0;
};

}  // namespace orvane
