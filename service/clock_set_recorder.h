// A clock that passes everything to another clock and remembers the code
// of the last clock set, so the time service can report the refusal code
// of an exchange whose clock setting failed.
#pragma once

#include <atomic>
#include <mutex>

#include "platform/clock.h"

namespace orvane {

// Held while the service sets the clock and reads the refusal code, by an
// update and a broadcast alike, so neither reads the other's code.
inline std::mutex& ClockSetMutex() {
    static std::mutex mutex;
    return mutex;
}

class ClockSetRecorder : public Clock {
  public:
    explicit ClockSetRecorder(Clock* inner) : inner_(inner) {}

    FileTime GetSystemTimeAsFileTime() override { return inner_->GetSystemTimeAsFileTime(); }
    SystemTime GetLocalTime() override { return inner_->GetLocalTime(); }
    int SetSystemTime(const SystemTime& utc) override { return Record(inner_->SetSystemTime(utc)); }
    int SetSystemTimeFrom(const std::function<SystemTime()>& time_to_set) override {
        return Record(inner_->SetSystemTimeFrom(time_to_set));
    }
    int SetLocalTime(const SystemTime& local) override {
        return Record(inner_->SetLocalTime(local));
    }
    bool UtcToLocalTime(const SystemTime& utc, SystemTime* local) override {
        return inner_->UtcToLocalTime(utc, local);
    }
    std::uint32_t GetTickCount() override { return inner_->GetTickCount(); }
    std::string ShortDateText(const SystemTime& time) override {
        return inner_->ShortDateText(time);
    }

    // Forgets the last set.
    void Reset() { last_error_.store(0); }
    // The code of the last set since Reset(), 0 when none failed.
    int LastSetError() const { return last_error_.load(); }

  private:
    int Record(int code) {
        last_error_.store(code);
        return code;
    }

    Clock* inner_;
    std::atomic<int> last_error_{0};
};

}  // namespace orvane
