// Which addresses of the time server a round asks, and in what order. A
// server known by name is looked up at the start of every round (its
// addresses change: pools move, servers leave); a round asks its addresses
// in turn, going on to the next at once when one is silent or refuses us,
// and asks one address again only in a later try, kRepeatSpacingMs after
// it was last asked. An automatic round makes at most kRoundRequestLimit
// requests; a manual one asks each address once. The next round starts with
// the address that answered last, while the name still has it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/sockets.h"

namespace orvane {

constexpr int kRoundRequestLimit = 3;
constexpr std::uint32_t kRepeatSpacingMs = 15000;
constexpr char kUnknownServerNameText[] = "[unknown]";
// A later try of a round that may ask no more: nothing was asked.
constexpr char kRoundSpentText[] = "Every try of this round has been made";

// How long a request at `now_ticks` must still wait to come kRepeatSpacingMs
// after one at `last_ticks` (a counter wrapping at 2^32).
std::uint32_t RepeatWaitMs(std::uint32_t last_ticks, std::uint32_t now_ticks);

// What the settings say of the server.
struct ServerChoice {
    std::string name;
    bool by_name = false;               // "Use server by name"
    std::uint32_t stored_address = 0;   // "Server ip address", network order
};

// The addresses a round may ask: the name's, looked up now within
// kNameLookupLimitMs, when the settings go by name or have no address; the
// stored address when the lookup finds nothing. Empty, with the error text,
// when there is no address at all.
std::vector<net::SocketAddress> FindServerAddresses(const ServerChoice& choice,
                                                    std::string* error_text);

// How one request of a try ended, as the walk needs to know it.
struct AddressAnswer {
    bool answered = false;  // anything came back (a time-out or network error: no)
    bool refused = false;   // a DENY or RSTR kiss: this address asks no more of us
};

// How one try ended.
enum class TryEnd {
    kAnswered,     // an address answered (success or the server's word)
    kSilent,       // no answer; a later try may ask again
    kRoundSpent,   // no answer, and the round may ask no more
};

class ServerAddressWalk {
  public:
    // The server settings, in any form that differs when they do: a change
    // forgets which address answered last and which refused us.
    void UseServerSettings(const std::string& key);
    // Starts a round over the addresses found (the system's order): the one
    // that answered last first; those that refused us left out while any
    // other remains.
    void BeginRound(std::vector<net::SocketAddress> addresses);

    // One try: asks addresses through `ask`, each unasked one at once after
    // another was silent or refused, until one answers. A repeat of an
    // address already asked this round waits for the next try. `now_ticks`
    // reads a millisecond counter (wrapping at 2^32).
    TryEnd RunTry(bool manual, const std::function<AddressAnswer(const net::SocketAddress&)>& ask,
                  const std::function<std::uint32_t()>& now_ticks);

    // How long the next try must wait so that no address is asked twice
    // within kRepeatSpacingMs: 0 when the next address has not been asked
    // this round, or when the round may ask no more.
    std::uint32_t WaitBeforeNextTry(std::uint32_t now_ticks) const;
    // The address the round asked last (family 0 before any request).
    net::SocketAddress LastAsked() const;
    // Every address that refused us in this round (and is left out of the
    // following rounds while another remains).
    bool AllRefused() const;

  private:
    bool NextAddress(bool manual, std::size_t* index) const;

    std::string settings_key_;
    std::vector<net::SocketAddress> addresses_;
    std::vector<bool> asked_;
    std::vector<std::uint32_t> asked_at_;
    std::size_t next_ = 0;
    int requests_ = 0;
    net::SocketAddress last_asked_;
    net::SocketAddress last_answered_;
    std::vector<net::SocketAddress> refused_;
};

}  // namespace orvane
