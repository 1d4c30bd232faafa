#include "platform/clock.h"

#include <atomic>
#include <cstdlib>

namespace orvane {

namespace {
std::atomic<Clock*> installed_clock{nullptr};
}

void UseClock(Clock* clock) {
    installed_clock.store(clock);
}

Clock& TheClock() {
    Clock* clock = installed_clock.load();
    if (clock == nullptr) {
        // A programming error: nothing may run before the clock is installed.
        std::abort();
    }
    return *clock;
}

}  // namespace orvane
