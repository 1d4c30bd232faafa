#include "service/service_kisses.h"

#include "protocols/sntp_client.h"

namespace orvane {

namespace {

// Few servers answer with kisses; a table that somehow grows past this
// starts again rather than grow without end.
constexpr std::size_t kMostRememberedServers = 64;

}  // namespace

void ServerKissMemory::UseServerSettings(const std::string& settings) {
    if (settings == settings_)
        return;
    settings_ = settings;
    servers_.clear();
}

void ServerKissMemory::NoteKiss(const std::string& address, const std::string& code,
                                std::uint64_t now_ms) {
    if (servers_.size() >= kMostRememberedServers && servers_.count(address) == 0)
        servers_.clear();
    Kisses& kisses = servers_[address];
    if (code == "RATE") {
        ++kisses.rate_answers;
        kisses.last_rate_ms = now_ms;
    } else if (KissRefusesRequests(code)) {
        kisses.refusal = code;
    }
}

void ServerKissMemory::NoteSuccess(const std::string& address) {
    const auto known = servers_.find(address);
    if (known != servers_.end())
        known->second.rate_answers = 0;
}

std::string ServerKissMemory::AutomaticRefusal(const std::string& address, std::uint64_t now_ms,
                                               std::uint64_t set_pause_ms) const {
    const auto known = servers_.find(address);
    if (known == servers_.end())
        return "";
    const Kisses& kisses = known->second;
    if (!kisses.refusal.empty()) {
        return "The time server answered " + kisses.refusal +
               "; automatic updates stop until the server settings change";
    }
    if (kisses.rate_answers == 0)
        return "";
    std::uint64_t pause = set_pause_ms;
    for (int i = 0; i < kisses.rate_answers && pause < kLongestServicePauseMs; ++i)
        pause *= 2;
    if (pause > kLongestServicePauseMs)
        pause = kLongestServicePauseMs;
    if (now_ms + kPauseSlackMs >= kisses.last_rate_ms + pause)
        return "";
    return "The time server asked for fewer requests (RATE); the next automatic update waits";
}

}  // namespace orvane
