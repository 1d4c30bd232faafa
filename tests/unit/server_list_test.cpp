#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <set>
#include <string>

#include "settings/server_list.h"

namespace orvane {
namespace {

TEST(ServerList, HasExactly167RowsClosedByAnEmptyEntry) {
    for (int i = 0; i < kPublicServerCount; ++i) {
        EXPECT_NE(kPublicServerLabels[i][0], '\0') << i;
        EXPECT_NE(kPublicServerHosts[i][0], '\0') << i;
    }
    EXPECT_STREQ(kPublicServerLabels[kPublicServerCount], "");
    EXPECT_STREQ(kPublicServerHosts[kPublicServerCount], "");
}

TEST(ServerList, EachLabelIsTheHostAndItsLocationInBrackets) {
    // "host (Country)" or "host (City, Country)".
    const std::regex form(R"(([a-z0-9.-]+) \(([A-Z][A-Za-z' .-]*)(, [A-Z][A-Za-z' .-]*)?\))");
    for (int i = 0; i < kPublicServerCount; ++i) {
        std::cmatch match;
        ASSERT_TRUE(std::regex_match(kPublicServerLabels[i], match, form))
            << kPublicServerLabels[i];
        EXPECT_EQ(match[1].str(), kPublicServerHosts[i]) << i;
    }
}

TEST(ServerList, HostsAreDistinctPlainNames) {
    std::set<std::string> seen;
    for (int i = 0; i < kPublicServerCount; ++i) {
        const std::string host = kPublicServerHosts[i];
        EXPECT_TRUE(seen.insert(host).second) << host;
        EXPECT_NE(host.find('.'), std::string::npos) << host;
        EXPECT_EQ(host.find(' '), std::string::npos) << host;
        EXPECT_LT(host.size(), 260u);
    }
}

TEST(ServerList, PoolZonesFollowTheirNamingPattern) {
    const std::regex zone(
        R"((([a-z]{2})|africa|asia|europe|north-america|oceania|south-america)\.pool\.ntp\.org)");
    int zones = 0;
    for (int i = 0; i < kPublicServerCount; ++i) {
        const std::string host = kPublicServerHosts[i];
        if (host.size() > 13 && host.compare(host.size() - 13, 13, ".pool.ntp.org") == 0) {
            EXPECT_TRUE(std::regex_match(host, zone)) << host;
            ++zones;
        }
    }
    EXPECT_GT(zones, 50);
}

TEST(ServerList, ChoiceResultsMapToRows) {
    EXPECT_EQ(PublicServerHostForChoice(0), nullptr);
    EXPECT_EQ(PublicServerHostForChoice(-1), nullptr);
    EXPECT_EQ(PublicServerHostForChoice(kPublicServerCount + 1), nullptr);
    EXPECT_STREQ(PublicServerHostForChoice(1), kPublicServerHosts[0]);
    EXPECT_STREQ(PublicServerHostForChoice(kPublicServerCount),
                 kPublicServerHosts[kPublicServerCount - 1]);
}

}  // namespace
}  // namespace orvane
