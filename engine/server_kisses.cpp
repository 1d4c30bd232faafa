#include "engine/server_kisses.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "protocols/sntp_client.h"
#include "settings/live_settings.h"

namespace orvane {

namespace {

// More doublings than this reach a day from any pause of a minute or more.
constexpr int kMostRateDoublings = 20;

struct KissState {
    std::mutex mutex;
    bool has_server = false;
    PathField server_name = {};
    std::uint32_t server_address = 0;
    std::int32_t protocol = 0;
    int rate_doublings = 0;
    bool refused = false;
};

KissState& State() {
    static KissState* state = new KissState;  // never destroyed: threads outlive main
    return *state;
}

bool IsFor(const KissState& state, const SettingsRecord& server) {
    return state.has_server && state.protocol == server.protocol &&
           state.server_address == server.server_address.address &&
           std::strncmp(state.server_name, server.server_name, sizeof state.server_name) == 0;
}

void StartFor(KissState& state, const SettingsRecord& server) {
    state.has_server = true;
    std::memcpy(state.server_name, server.server_name, sizeof state.server_name);
    state.server_address = server.server_address.address;
    state.protocol = server.protocol;
    state.rate_doublings = 0;
    state.refused = false;
}

}  // namespace

void NoteKissCode(const SettingsRecord& server, const std::string& code) {
    KissState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (!IsFor(state, server))
        StartFor(state, server);
    if (code == "RATE") {
        state.rate_doublings = std::min(state.rate_doublings + 1, kMostRateDoublings);
    } else if (KissRefusesRequests(code)) {
        state.refused = true;
    }
}

void NoteUpdateSucceeded(const SettingsRecord& server) {
    KissState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (IsFor(state, server))
        state.rate_doublings = 0;
}

bool AutomaticRequestsRefused() {
    const SettingsRecord live = CurrentSettings();
    KissState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    return IsFor(state, live) && state.refused;
}

std::int64_t PauseAfterKisses(std::int64_t set_pause_ms) {
    const SettingsRecord live = CurrentSettings();
    int doublings = 0;
    {
        KissState& state = State();
        std::lock_guard<std::mutex> lock(state.mutex);
        if (IsFor(state, live))
            doublings = state.rate_doublings;
    }
    return DoubledPause(set_pause_ms, doublings, kLongestRatePauseMs);
}

std::int64_t DoubledPause(std::int64_t pause_ms, int doublings, std::int64_t longest_ms) {
    std::int64_t pause = pause_ms;
    for (int i = 0; i < doublings && pause < longest_ms; ++i)
        pause = std::min(pause * 2, longest_ms);
    return std::max(pause, pause_ms);
}

void ForgetKissCodes() {
    KissState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.has_server = false;
    state.rate_doublings = 0;
    state.refused = false;
}

}  // namespace orvane
