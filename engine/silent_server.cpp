#include "engine/silent_server.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "engine/server_kisses.h"
#include "settings/live_settings.h"

namespace orvane {

namespace {

struct SilenceState {
    std::mutex mutex;
    PathField server_name = {};
    std::uint32_t server_address = 0;
    std::int32_t protocol = 0;
    int silent_rounds = 0;
};

SilenceState& State() {
    static SilenceState* state = new SilenceState;  // never destroyed: threads outlive main
    return *state;
}

bool IsFor(const SilenceState& state, const SettingsRecord& server) {
    return state.protocol == server.protocol &&
           state.server_address == server.server_address.address &&
           std::strncmp(state.server_name, server.server_name, sizeof state.server_name) == 0;
}

}  // namespace

void NoteRoundEnded(const SettingsRecord& server, bool silent) {
    SilenceState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (!IsFor(state, server)) {
        std::memcpy(state.server_name, server.server_name, sizeof state.server_name);
        state.server_address = server.server_address.address;
        state.protocol = server.protocol;
        state.silent_rounds = 0;
    }
    // Bounded: a day is reached long before.
    state.silent_rounds = silent ? std::min(state.silent_rounds + 1, 64) : 0;
}

void ForgetSilentRounds() {
    SilenceState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.silent_rounds = 0;
}

std::int64_t PauseAfterSilence(std::int64_t pause_ms) {
    const SettingsRecord live = CurrentSettings();
    int doublings = 0;
    {
        SilenceState& state = State();
        std::lock_guard<std::mutex> lock(state.mutex);
        // Another server in the settings starts afresh.
        if (IsFor(state, live))
            doublings = state.silent_rounds - kSilentRoundsBeforeBackoff;
    }
    return DoubledPause(pause_ms, doublings, kLongestSilentPauseMs);
}

std::int64_t SpreadPause(std::int64_t pause_ms, int random_permille) {
    const int permille = std::clamp(random_permille, 0, 999);
    return pause_ms + pause_ms * kPauseSpreadPercent * permille / 100000;
}

}  // namespace orvane
