// What each time server has told the service with kiss-o'-death answers,
// kept per server address, and what follows for the automatic requests
// that any client asks the service to make: "RATE" doubles the pause
// before the next one to that server (up to a day) until an update from
// it succeeds; "DENY" and "RSTR" stop them. A change of the machine's
// server settings starts afresh. Manual requests always ask.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace orvane {

constexpr std::uint64_t kLongestServicePauseMs = 86400000;
// A client's own timer and the service's differ a little.
constexpr std::uint64_t kPauseSlackMs = 5000;

class ServerKissMemory {
  public:
    // The machine's server settings, in any form that differs when they do;
    // a change forgets every answer.
    void UseServerSettings(const std::string& settings);

    // `address`: the server address as text.
    void NoteKiss(const std::string& address, const std::string& code, std::uint64_t now_ms);
    void NoteSuccess(const std::string& address);

    // Empty when an automatic request to `address` may go at `now_ms`, given
    // the set pause between automatic updates; else why not.
    std::string AutomaticRefusal(const std::string& address, std::uint64_t now_ms,
                                 std::uint64_t set_pause_ms) const;

  private:
    struct Kisses {
        int rate_answers = 0;
        std::uint64_t last_rate_ms = 0;
        std::string refusal;  // "DENY" or "RSTR" once answered
    };
    std::string settings_;
    std::map<std::string, Kisses> servers_;
};

}  // namespace orvane
