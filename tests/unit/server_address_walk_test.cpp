#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/name_lookup.h"
#include "protocols/server_address_walk.h"
#include "support/fake_name_lookup.h"

namespace orvane {
namespace {

net::SocketAddress V4(std::uint8_t last) {
    return net::Ipv4Address(net::HostToNetwork32(0xC0000200u | last));  // 192.0.2.last
}

// Each address's scripted answers, one letter a request: 's' silent (a
// time-out or network error), 'a' answered, 'd' DENY.
struct Script {
    std::vector<net::SocketAddress> addresses;
    std::vector<std::string> answers;
};

// Runs a try, answering from the script; returns the letters of the
// addresses asked ("0" the first, ...).
std::string Try(ServerAddressWalk& walk, const Script& script, std::vector<std::size_t>& used,
                bool manual, TryEnd* end, std::uint32_t now = 0) {
    std::string asked;
    *end = walk.RunTry(
        manual,
        [&](const net::SocketAddress& a) {
            std::size_t i = 0;
            while (!net::SameHost(script.addresses[i], a))
                ++i;
            asked += static_cast<char>('0' + i);
            const char what = script.answers[i][used[i]++ % script.answers[i].size()];
            AddressAnswer answer;
            answer.answered = what != 's';
            answer.refused = what == 'd';
            return answer;
        },
        [now] { return now; });
    return asked;
}

TEST(ServerAddressWalkTest, TriesWalkTheAddressesAsTheirAnswersSay) {
    struct Case {
        const char* name;
        std::vector<std::string> answers;  // per address
        bool manual;
        std::vector<std::string> tries;    // addresses asked by each try
        std::vector<TryEnd> ends;
    };
    const Case cases[] = {
        {"one silent address: three tries of one request", {"s"}, false, {"0", "0", "0", ""},
         {TryEnd::kSilent, TryEnd::kSilent, TryEnd::kRoundSpent, TryEnd::kRoundSpent}},
        {"first silent: the second at once", {"s", "a"}, false, {"01"}, {TryEnd::kAnswered}},
        {"two silent: a repeat waits for the next try", {"s", "s"}, false, {"01", "0", ""},
         {TryEnd::kSilent, TryEnd::kRoundSpent, TryEnd::kRoundSpent}},
        {"four silent: three requests in all", {"s", "s", "s", "s"}, false, {"012", ""},
         {TryEnd::kRoundSpent, TryEnd::kRoundSpent}},
        {"DENY moves on to the next address", {"d", "a"}, false, {"01"}, {TryEnd::kAnswered}},
        {"manual: each address once", {"s", "s", "s", "s"}, true, {"0123", ""},
         {TryEnd::kRoundSpent, TryEnd::kRoundSpent}},
        {"manual stops at the first answer", {"s", "a", "a"}, true, {"01"},
         {TryEnd::kAnswered}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Script script;
        for (std::size_t i = 0; i < c.answers.size(); ++i)
            script.addresses.push_back(V4(static_cast<std::uint8_t>(10 + i)));
        script.answers = c.answers;
        std::vector<std::size_t> used(c.answers.size(), 0);
        ServerAddressWalk walk;
        walk.BeginRound(script.addresses);
        for (std::size_t t = 0; t < c.tries.size(); ++t) {
            TryEnd end;
            EXPECT_EQ(Try(walk, script, used, c.manual, &end), c.tries[t]) << "try " << t;
            EXPECT_EQ(end, c.ends[t]) << "try " << t;
        }
    }
}

TEST(ServerAddressWalkTest, TheNextRoundStartsWithTheAnsweringAddressAndLeavesRefusersOut) {
    Script script{{V4(1), V4(2), V4(3)}, {"d", "s", "a"}};
    std::vector<std::size_t> used(3, 0);
    ServerAddressWalk walk;
    TryEnd end;
    walk.BeginRound(script.addresses);
    EXPECT_EQ(Try(walk, script, used, true, &end), "012");
    // The third answered, the first refused: only the second and third,
    // the third first.
    walk.BeginRound(script.addresses);
    EXPECT_EQ(Try(walk, script, used, true, &end), "2");
    // Gone from the name: the order is the system's again.
    walk.BeginRound({V4(2), V4(3)});
    EXPECT_EQ(Try(walk, script, used, true, &end), "2");
    // New settings forget both.
    walk.UseServerSettings("other");
    walk.BeginRound(script.addresses);
    EXPECT_EQ(Try(walk, script, used, true, &end), "012");
}

TEST(ServerAddressWalkTest, ARepeatWaitsFifteenSecondsFromItsLastRequest) {
    Script script{{V4(1), V4(2)}, {"s", "s"}};
    std::vector<std::size_t> used(2, 0);
    ServerAddressWalk walk;
    walk.BeginRound(script.addresses);
    EXPECT_EQ(walk.WaitBeforeNextTry(0), 0u);  // nothing asked yet
    TryEnd end;
    Try(walk, script, used, false, &end, 4294967000u);  // across the counter's wrap
    EXPECT_EQ(walk.WaitBeforeNextTry(4294967000u + 2000), kRepeatSpacingMs - 2000);
    EXPECT_EQ(walk.WaitBeforeNextTry(4294967000u + kRepeatSpacingMs), 0u);
}

TEST(ServerAddressWalkTest, AddressesComeFromTheNameOrTheStoredAddress) {
    FakeNameLookup names;
    names.AddHost("pool.example", V4(1));
    net::SocketAddress v6;
    v6.family = net::kAfInet6;
    v6.address6[15] = 1;
    names.AddHost("pool.example", v6);
    UseNameLookup(&names);
    struct Case {
        ServerChoice choice;
        std::vector<std::string> texts;
        std::string error;
    };
    const std::uint32_t stored = V4(9).address;
    const Case cases[] = {
        {{"pool.example", true, stored}, {"192.0.2.1", "::1"}, ""},
        {{"pool.example", false, 0}, {"192.0.2.1", "::1"}, ""},
        {{"pool.example", false, stored}, {"192.0.2.9"}, ""},
        {{"gone.example", true, stored}, {"192.0.2.9"}, ""},
        {{"gone.example", true, 0}, {}, "Unable to resolve server name gone.example"},
        {{"[unknown]", true, 0}, {}, "No time server is configured"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.choice.name + " " + std::to_string(c.choice.stored_address));
        std::string error;
        std::vector<std::string> texts;
        for (const net::SocketAddress& a : FindServerAddresses(c.choice, &error))
            texts.push_back(net::AddressText(a));
        EXPECT_EQ(texts, c.texts);
        EXPECT_EQ(error, c.error);
    }
    UseNameLookup(nullptr);
}

}  // namespace
}  // namespace orvane
