// The bounded wait every lookup without a time limit of its own needs.
#include "platform/name_lookup.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace orvane {

bool LookUpWithinLimit(const std::function<bool(std::vector<net::SocketAddress>*)>& lookup,
                       int limit_ms, std::vector<net::SocketAddress>* addresses) {
    // Shared with the worker, which may outlive this call.
    struct Shared {
        std::mutex mutex;
        std::condition_variable done_signal;
        bool done = false;
        bool found = false;
        std::vector<net::SocketAddress> addresses;
    };
    auto shared = std::make_shared<Shared>();
    std::thread worker;
    try {
        worker = std::thread([shared, lookup] {
            std::vector<net::SocketAddress> found_addresses;
            const bool found = lookup(&found_addresses);
            std::lock_guard<std::mutex> lock(shared->mutex);
            shared->found = found;
            shared->addresses = std::move(found_addresses);
            shared->done = true;
            shared->done_signal.notify_all();
        });
    } catch (const std::system_error&) {
        return lookup(addresses);  // no thread to spare: wait without a limit
    }
    std::unique_lock<std::mutex> lock(shared->mutex);
    const bool in_time = shared->done_signal.wait_for(lock, std::chrono::milliseconds(limit_ms),
                                                      [&] { return shared->done; });
    if (!in_time) {
        lock.unlock();
        worker.detach();
        return false;
    }
    *addresses = shared->addresses;
    const bool found = shared->found && !addresses->empty();
    lock.unlock();
    worker.join();
    return found;
}

}  // namespace orvane
