#include "ui/status_text.h"

#include <gtest/gtest.h>

#include <cstring>

#include "support/fake_clock.h"
#include "settings/settings_record.h"

namespace orvane {
namespace {

class StatusTextTest : public ::testing::Test {
  protected:
    void SetUp() override {
        clock_.SetDateText("15/03/2024");
        UseClock(&clock_);
    }
    LastUpdateRecord Record(int protocol) {
        LastUpdateRecord r;
        r.valid = 1;
        r.protocol = protocol;
        r.time_before = SystemTime{2024, 3, 5, 15, 10, 20, 30, 45};
        r.time_after = SystemTime{2024, 3, 5, 15, 10, 20, 31, 7};
        r.round_trip_delay = 12;
        r.version_number = 4;
        r.stratum = 8;
        std::strcpy(r.server_name, "localhost");
        std::strcpy(r.link_text, "Permanent connection");
        r.server_address.address = net::HostToNetwork32(0x7F000001);
        return r;
    }
    FakeClock clock_;
};

TEST_F(StatusTextTest, BeforeAnyUpdateEveryValueIsNotAvailableButTheLinkShows) {
    LastUpdateRecord r;
    std::strcpy(r.link_text, "Link up since 10:00");
    StatusFieldTexts t = StatusTextsFor(r);
    for (const std::string* field :
         {&t.server_name, &t.server_address, &t.time_before, &t.time_after, &t.delay, &t.version,
          &t.protocol, &t.stratum}) {
        EXPECT_EQ(*field, "[Not available]");
    }
    EXPECT_EQ(t.link_text, "Link up since 10:00");
}

TEST_F(StatusTextTest, SntpShowsMillisecondsNumbersAndTheDelay) {
    StatusFieldTexts t = StatusTextsFor(Record(kProtocolSntp));
    EXPECT_EQ(t.server_name, "localhost");
    EXPECT_EQ(t.server_address, "127.0.0.1");
    EXPECT_EQ(t.time_before, "15/03/2024 10:20:30.045");
    EXPECT_EQ(t.time_after, "15/03/2024 10:20:31.007");
    EXPECT_EQ(t.delay, "12 Milliseconds");
    EXPECT_EQ(t.version, "4");
    EXPECT_EQ(t.protocol, "SNTP");
    EXPECT_EQ(t.stratum, "8");
    EXPECT_EQ(t.link_text, "Permanent connection");
}

TEST_F(StatusTextTest, TimeShowsWholeSecondsAndNotApplicable) {
    for (int protocol : {kProtocolTimeUdp, kProtocolTimeTcp}) {
        StatusFieldTexts t = StatusTextsFor(Record(protocol));
        EXPECT_EQ(t.time_before, "15/03/2024 10:20:30");
        EXPECT_EQ(t.time_after, "15/03/2024 10:20:31");
        EXPECT_EQ(t.delay, "12 Milliseconds");
        EXPECT_EQ(t.version, "[not applicable]");
        EXPECT_EQ(t.stratum, "[not applicable]");
    }
    EXPECT_EQ(StatusTextsFor(Record(kProtocolTimeUdp)).protocol, "TIME (UDP)");
    EXPECT_EQ(StatusTextsFor(Record(kProtocolTimeTcp)).protocol, "TIME (TCP)");
}

TEST_F(StatusTextTest, BroadcastHasNoDelayButNumbers) {
    StatusFieldTexts t = StatusTextsFor(Record(kProtocolSntpBroadcast));
    EXPECT_EQ(t.protocol, "SNTP broadcast");
    EXPECT_EQ(t.delay, "[not applicable]");
    EXPECT_EQ(t.version, "4");
    EXPECT_EQ(t.stratum, "8");
    EXPECT_EQ(t.time_before, "15/03/2024 10:20:30.045");
}

TEST_F(StatusTextTest, UnknownProtocolAndPlainNumbers) {
    LastUpdateRecord r = Record(9);
    EXPECT_EQ(StatusTextsFor(r).protocol, "[unknown]");
    r = Record(kProtocolSntp);
    r.stratum = 0;
    r.version_number = -1;  // shown unsigned
    r.round_trip_delay = 12345;
    StatusFieldTexts t = StatusTextsFor(r);
    EXPECT_EQ(t.stratum, "0");
    EXPECT_EQ(t.version, "4294967295");
    EXPECT_EQ(t.delay, "12345 Milliseconds");  // no thousands separator
    r.stratum = -3;
    EXPECT_EQ(StatusTextsFor(r).stratum, "-3");
}

TEST_F(StatusTextTest, UnterminatedTextFieldsStayInsideTheirArrays) {
    LastUpdateRecord r = Record(kProtocolSntp);
    std::memset(r.server_name, 'a', sizeof r.server_name);
    std::memset(r.link_text, 'b', sizeof r.link_text);
    StatusFieldTexts t = StatusTextsFor(r);
    EXPECT_EQ(t.server_name.size(), sizeof r.server_name);
    EXPECT_EQ(t.link_text.size(), sizeof r.link_text);
}

}  // namespace
}  // namespace orvane
