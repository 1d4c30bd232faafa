#include "protocols/server_address_walk.h"

#include <algorithm>

#include "platform/name_lookup.h"

namespace orvane {

namespace {

bool Contains(const std::vector<net::SocketAddress>& list, const net::SocketAddress& address) {
    return std::any_of(list.begin(), list.end(),
                       [&](const net::SocketAddress& a) { return net::SameHost(a, address); });
}

}  // namespace

std::vector<net::SocketAddress> FindServerAddresses(const ServerChoice& choice,
                                                    std::string* error_text) {
    error_text->clear();
    const bool by_name = choice.by_name || choice.stored_address == 0;
    const bool has_name = !choice.name.empty() && choice.name != kUnknownServerNameText;
    std::vector<net::SocketAddress> found;
    if (by_name && has_name &&
        TheNameLookup().LookUpAddresses(choice.name, kNameLookupLimitMs, &found) &&
        !found.empty()) {
        for (net::SocketAddress& address : found)
            address.port = 0;
        return found;
    }
    if (choice.stored_address != 0)
        return {net::Ipv4Address(choice.stored_address)};
    *error_text = has_name ? "Unable to resolve server name " + choice.name
                           : std::string("No time server is configured");
    return {};
}

std::uint32_t RepeatWaitMs(std::uint32_t last_ticks, std::uint32_t now_ticks) {
    const std::uint32_t since = now_ticks - last_ticks;  // unsigned: right across the wrap
    return since >= kRepeatSpacingMs ? 0 : kRepeatSpacingMs - since;
}

void ServerAddressWalk::UseServerSettings(const std::string& key) {
    if (key == settings_key_)
        return;
    settings_key_ = key;
    last_answered_ = net::SocketAddress();
    refused_.clear();
}

void ServerAddressWalk::BeginRound(std::vector<net::SocketAddress> addresses) {
    std::vector<net::SocketAddress> willing;
    for (const net::SocketAddress& a : addresses) {
        if (!Contains(refused_, a) && !Contains(willing, a))
            willing.push_back(a);
    }
    // Every address has refused us: asking them is still the user's choice
    // of server, and a server may change its mind.
    if (willing.empty())
        willing = addresses;
    const auto answered = std::find_if(willing.begin(), willing.end(), [&](const auto& a) {
        return net::SameHost(a, last_answered_);
    });
    if (answered != willing.end())
        std::rotate(willing.begin(), answered, answered + 1);
    addresses_ = std::move(willing);
    asked_.assign(addresses_.size(), false);
    asked_at_.assign(addresses_.size(), 0);
    next_ = 0;
    requests_ = 0;
    last_asked_ = net::SocketAddress();
}

bool ServerAddressWalk::NextAddress(bool manual, std::size_t* index) const {
    if (addresses_.empty())
        return false;
    if (manual) {
        if (next_ >= addresses_.size())
            return false;
    } else if (requests_ >= kRoundRequestLimit) {
        return false;
    }
    *index = next_ % addresses_.size();
    return true;
}

TryEnd ServerAddressWalk::RunTry(
    bool manual, const std::function<AddressAnswer(const net::SocketAddress&)>& ask,
    const std::function<std::uint32_t()>& now_ticks) {
    bool asked_any = false;
    for (;;) {
        std::size_t index = 0;
        if (!NextAddress(manual, &index))
            return TryEnd::kRoundSpent;
        if (asked_any && asked_[index])
            return TryEnd::kSilent;  // a repeat: the next try, after its wait
        asked_any = true;
        asked_[index] = true;
        asked_at_[index] = now_ticks();
        ++next_;
        ++requests_;
        const net::SocketAddress address = addresses_[index];
        last_asked_ = address;
        const AddressAnswer answer = ask(address);
        if (answer.refused) {
            if (!Contains(refused_, address))
                refused_.push_back(address);
            continue;
        }
        if (answer.answered) {
            last_answered_ = address;
            return TryEnd::kAnswered;
        }
    }
}

std::uint32_t ServerAddressWalk::WaitBeforeNextTry(std::uint32_t now_ticks) const {
    std::size_t index = 0;
    if (!NextAddress(false, &index) || !asked_[index])
        return 0;
    return RepeatWaitMs(asked_at_[index], now_ticks);
}

net::SocketAddress ServerAddressWalk::LastAsked() const {
    return last_asked_;
}

bool ServerAddressWalk::AllRefused() const {
    return !addresses_.empty() &&
           std::all_of(addresses_.begin(), addresses_.end(),
                       [&](const net::SocketAddress& a) { return Contains(refused_, a); });
}

}  // namespace orvane
