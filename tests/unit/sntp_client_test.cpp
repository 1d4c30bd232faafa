#include "protocols/sntp_client.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <set>
#include <thread>

#include "support/fake_clock.h"
#include "platform/last_error.h"
#include "support/udp_test_server.h"

namespace orvane {
namespace {

using testing::UdpTestServer;
using Datagrams = std::vector<std::vector<std::uint8_t>>;

constexpr std::uint64_t kSecond = 1ULL << 32;
// 2026-12-07 23:03:44 UTC, the fake clock's time.
const NtpTimestamp kFakeNow = MakeWireTimestamp(4005673424u, 0);

std::vector<std::uint8_t> Encode(const SntpPacket& p) {
    std::vector<std::uint8_t> bytes(kSntpPacketSize);
    EncodePacket(p, bytes.data());
    return bytes;
}

// A server's answer to a request: originate = the request's transmit.
SntpPacket AnswerTo(const std::vector<std::uint8_t>& request, NtpTimestamp receive,
                    NtpTimestamp transmit) {
    SntpPacket reply;
    reply.version_number = kNtpVersion;
    reply.mode = kModeServer;
    reply.stratum = 8;
    reply.originate_timestamp = DecodePacket(request.data()).transmit_timestamp;
    reply.receive_timestamp = receive;
    reply.transmit_timestamp = transmit;
    return reply;
}

class SntpExchangeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UseClock(&clock_);
        // 2026-12-07 23:03:44 UTC on the fake clock.
        clock_.SetFileTime(kFileTimeOf1900 + 4005673424ULL * 10000000ULL);
        clock_.SetLocal(SystemTime{2026, 12, 1, 7, 23, 3, 44, 0});
        SetSntpTextReporter([this](const std::string& text) { reported_.push_back(text); });
        SetSntpReportCallback([this](const SntpPacket&, const net::SocketAddress&,
                                     const SntpPacket& reply, const SystemTime&,
                                     const SystemTime&) {
            ++reports_;
            last_reply_ = reply;
        });
        SetSntpBindAddress(0);
    }
    void TearDown() override {
        SetSntpServerPort(kSntpPort);
        SetSntpTextReporter(nullptr);
        SetSntpReportCallback(nullptr);
        UseClock(nullptr);
    }

    int Run(UdpTestServer& server, int timeout_ms = 2000) {
        SetSntpServerPort(server.port());
        result_ = SntpExchange(net::MakeAddress(0x7F000001, 9999), timeout_ms);
        return result_.result;
    }

    // A server that serves the fake clock's time, holding the request for
    // no time at all.
    static Datagrams GoodAnswer(const std::vector<std::uint8_t>& request) {
        NtpTimestamp sent = DecodePacket(request.data()).transmit_timestamp;
        return {Encode(AnswerTo(request, sent, sent))};
    }

    FakeClock clock_;
    std::vector<std::string> reported_;
    int reports_ = 0;
    SntpPacket last_reply_;
    SntpExchangeResult result_;
};

TEST_F(SntpExchangeTest, SuccessSetsTheClockAndReports) {
    UdpTestServer server(GoodAnswer);
    ASSERT_EQ(Run(server), 1) << result_.error_text;
    EXPECT_EQ(result_.error_text, "");
    EXPECT_EQ(result_.stratum, 8);
    EXPECT_EQ(result_.version, 4);
    EXPECT_EQ(result_.delay_ms, 0);
    EXPECT_EQ(reports_, 1);
    ASSERT_EQ(clock_.system_times_set().size(), 1u);
    EXPECT_EQ(clock_.system_times_set()[0], (SystemTime{2026, 12, 1, 7, 23, 3, 44, 0}));
    EXPECT_EQ(result_.new_local_time, (SystemTime{2026, 12, 1, 7, 23, 3, 44, 0}));

    // The request on the wire: 0x23, 0x01, 38 zeros, the transmit timestamp.
    std::vector<std::uint8_t> request = server.last_request();
    ASSERT_EQ(request.size(), kSntpPacketSize);
    EXPECT_EQ(request[0], 0x23);
    EXPECT_EQ(request[1], 0x01);
    for (int i = 2; i < 40; ++i)
        EXPECT_EQ(request[i], 0) << i;
    // The fake clock's time, but for the random lowest 16 fraction bits.
    EXPECT_EQ(HostForm(DecodePacket(request.data()).transmit_timestamp) >> 16,
              HostForm(kFakeNow) >> 16);
}

TEST_F(SntpExchangeTest, RefusesRepliesThatDoNotAnswerTheRequest) {
    for (int half = 0; half < 2; ++half) {
        UdpTestServer server([half](const std::vector<std::uint8_t>& request) {
            SntpPacket reply = AnswerTo(request, 0, 0);
            reply.originate_timestamp ^= half == 0 ? (1ULL << 40) : 1ULL;
            return Datagrams{Encode(reply)};
        });
        EXPECT_EQ(Run(server), 0);
        EXPECT_EQ(result_.error_text, "Received packet was not a reply to the sent packet");
    }
    EXPECT_EQ(reports_, 0);
    EXPECT_TRUE(clock_.system_times_set().empty());
}

TEST_F(SntpExchangeTest, RefusesShortDatagrams) {
    UdpTestServer server([](const std::vector<std::uint8_t>& request) {
        std::vector<std::uint8_t> bytes = Encode(AnswerTo(request, 0, 0));
        bytes.resize(47);
        return Datagrams{bytes};
    });
    EXPECT_EQ(Run(server), 0);
    EXPECT_EQ(result_.error_text, "Received packet was not a reply to the sent packet");
    EXPECT_TRUE(clock_.system_times_set().empty());
}

TEST_F(SntpExchangeTest, LongerDatagramsUseTheFirst48Bytes) {
    UdpTestServer server([](const std::vector<std::uint8_t>& request) {
        std::vector<std::uint8_t> bytes = GoodAnswer(request)[0];
        bytes.resize(68, 0xEE);  // a key identifier and digest we ignore
        return Datagrams{bytes};
    });
    EXPECT_EQ(Run(server), 1) << result_.error_text;
}

TEST_F(SntpExchangeTest, NoReplyWithinTheTimeout) {
    UdpTestServer server([](const std::vector<std::uint8_t>&) { return Datagrams{}; });
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Run(server, 1200), 0);
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(result_.error_text, "No response from server within 1200 milliseconds");
    // Over one second: the timeout's whole seconds are honoured.
    EXPECT_GE(waited, std::chrono::milliseconds(1150));
}

TEST_F(SntpExchangeTest, LeapIndicatorThreeIsRefusedOthersAccepted) {
    for (int leap = 0; leap < 4; ++leap) {
        UdpTestServer server([leap](const std::vector<std::uint8_t>& request) {
            NtpTimestamp sent = DecodePacket(request.data()).transmit_timestamp;
            SntpPacket reply = AnswerTo(request, sent, sent);
            reply.leap_indicator = leap;
            return Datagrams{Encode(reply)};
        });
        if (leap == 3) {
            EXPECT_EQ(Run(server), 0);
            EXPECT_EQ(result_.error_text, "Server's clock is not synchronised");
        } else {
            EXPECT_EQ(Run(server), 1) << leap << ": " << result_.error_text;
        }
    }
    EXPECT_EQ(reports_, 3);
}

TEST_F(SntpExchangeTest, ClockRefusingTheTimeIsCorrupt) {
    // The clock takes the time for an impossible one (87).
    clock_.FailSettersWith(kErrorInvalidParameter);
    UdpTestServer server(GoodAnswer);
    EXPECT_EQ(Run(server), 0);
    EXPECT_EQ(result_.error_text, "Corrupt SNTP time received");
    EXPECT_EQ(reported_, std::vector<std::string>{"Corrupt SNTP time received"});
    EXPECT_EQ(reports_, 1);
}

// The time set is the server's time at the reply's arrival plus the time
// that has passed since, rounded to the nearest millisecond.
TEST_F(SntpExchangeTest, TheClockIsSetToTheServersTimeNowRoundedToTheMillisecond) {
    UdpTestServer server([](const std::vector<std::uint8_t>& request) {
        // 0.9996 s into a second, held for no time: rounds up into the
        // next one.
        NtpTimestamp at = MakeWireTimestamp(4005673424u, 0xFFE5C91Du);
        return Datagrams{Encode(AnswerTo(request, at, at))};
    });
    EXPECT_EQ(Run(server), 1);
    ASSERT_FALSE(clock_.system_times_set().empty());
    const SystemTime set = clock_.system_times_set().back();
    EXPECT_EQ(set.wSecond, NtpTimeToCalendar(MakeWireTimestamp(4005673425u, 0)).wSecond);
    EXPECT_EQ(set.wMilliseconds, 0);
}

TEST_F(SntpExchangeTest, NoRightToSetTheClockIsAFailure) {
    clock_.FailSettersWith(kErrorPrivilegeNotHeld);
    UdpTestServer server(GoodAnswer);
    EXPECT_EQ(Run(server), 0);
    EXPECT_EQ(result_.error_text, "SetSystemTime() failed, error code 1314");
    EXPECT_EQ(reported_, std::vector<std::string>{"SetSystemTime() failed, error code 1314"});
    EXPECT_EQ(reports_, 0);
    EXPECT_EQ(GetLastErrorCode(), kErrorPrivilegeNotHeld);
}

TEST_F(SntpExchangeTest, SecondExchangeWhileBusyReturnsAtOnce) {
    std::atomic<bool> release{false};
    UdpTestServer slow([&release](const std::vector<std::uint8_t>& request) {
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return GoodAnswer(request);
    });
    SetSntpServerPort(slow.port());
    int first_result = -1;
    std::thread first(
        [&] { first_result = SntpExchange(net::MakeAddress(0x7F000001, kSntpPort), 3000).result; });
    while (slow.requests_seen() == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));

    const SntpExchangeResult second = SntpExchange(net::MakeAddress(0x7F000001, kSntpPort), 2000);
    EXPECT_EQ(second.result, 0);
    EXPECT_EQ(second.error_text, "");
    EXPECT_EQ(slow.requests_seen(), 1);  // the second call sent nothing
    release = true;
    first.join();
    EXPECT_EQ(first_result, 1);
}

TEST_F(SntpExchangeTest, SendFailureReportsTheWinsockCode) {
    // Port 0 cannot be sent to.
    SetSntpServerPort(0);
    const SntpExchangeResult r = SntpExchange(net::MakeAddress(0x7F000001, 0), 500);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.error_text.rfind("Unable to send.  Winsock error number 100", 0), 0u)
        << r.error_text;
    EXPECT_GT(GetLastErrorCode(), 10000);
}

TEST_F(SntpExchangeTest, RequestsCarryRandomLowFractionBits) {
    UdpTestServer server(GoodAnswer);
    std::set<std::uint64_t> low_bits;
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(Run(server), 1) << result_.error_text;
        low_bits.insert(HostForm(DecodePacket(server.last_request().data()).transmit_timestamp) &
                        0xFFFF);
    }
    EXPECT_GT(low_bits.size(), 1u);
}

TEST_F(SntpExchangeTest, DatagramFromAnotherPortIsIgnored) {
    // A forged answer, a day off, from another port before the real one.
    UdpTestServer server(GoodAnswer, [](const std::vector<std::uint8_t>& request) {
        NtpTimestamp forged = HostForm(HostForm(kFakeNow) + 86400 * kSecond);
        return Datagrams{Encode(AnswerTo(request, forged, forged))};
    });
    ASSERT_EQ(Run(server), 1) << result_.error_text;
    ASSERT_EQ(clock_.system_times_set().size(), 1u);
    EXPECT_EQ(clock_.system_times_set()[0], (SystemTime{2026, 12, 1, 7, 23, 3, 44, 0}));
}

TEST_F(SntpExchangeTest, OnlyStraysRunIntoTheTimeoutCountedFromTheRequest) {
    // Each tick read moves 600 ms on: the stray arrives "600 ms" in, so
    // only 400 ms of the 1000 are left to wait.
    clock_.SetTicks(0, 600);
    UdpTestServer server([](const std::vector<std::uint8_t>&) { return Datagrams{}; }, GoodAnswer);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Run(server, 1000), 0);
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(result_.error_text, "No response from server within 1000 milliseconds");
    EXPECT_GE(waited, std::chrono::milliseconds(350));
    EXPECT_LT(waited, std::chrono::milliseconds(900));
    EXPECT_TRUE(clock_.system_times_set().empty());
}

// The reference identifier of four characters, first on the wire first.
std::uint32_t Identifier(const char (&code)[5]) {
    return (static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[0])) << 24) |
           (static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[1])) << 16) |
           (static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[2])) << 8) |
           static_cast<std::uint8_t>(code[3]);
}

TEST_F(SntpExchangeTest, ReplyContentChecks) {
    const char* const kNotAReply = "Received packet was not a reply to the sent packet";
    const char* const kUnsynchronised = "Server's clock is not synchronised";
    struct Case {
        const char* name;
        std::function<void(SntpPacket&)> change;
        const char* error_text;  // empty: accepted
        const char* kiss_code;
    };
    const Case cases[] = {
        {"client mode", [](SntpPacket& p) { p.mode = kModeClient; }, kNotAReply, ""},
        {"broadcast mode", [](SntpPacket& p) { p.mode = kModeBroadcast; }, kNotAReply, ""},
        {"version 0", [](SntpPacket& p) { p.version_number = 0; }, kNotAReply, ""},
        {"version 5", [](SntpPacket& p) { p.version_number = 5; }, kNotAReply, ""},
        {"version 1", [](SntpPacket& p) { p.version_number = 1; }, "", ""},
        {"stratum 15", [](SntpPacket& p) { p.stratum = 15; }, "", ""},
        {"stratum 16", [](SntpPacket& p) { p.stratum = 16; }, kUnsynchronised, ""},
        {"stratum 255", [](SntpPacket& p) { p.stratum = 255; }, kUnsynchronised, ""},
        {"zero receive", [](SntpPacket& p) { p.receive_timestamp = 0; }, kUnsynchronised, ""},
        {"zero transmit", [](SntpPacket& p) { p.transmit_timestamp = 0; }, kUnsynchronised, ""},
        {"RATE",
         [](SntpPacket& p) {
             p.stratum = 0;
             p.reference_identifier = Identifier("RATE");
         },
         "Server sent kiss code RATE", "RATE"},
        {"DENY",
         [](SntpPacket& p) {
             p.stratum = 0;
             p.reference_identifier = Identifier("DENY");
         },
         "Server sent kiss code DENY", "DENY"},
        {"RSTR",
         [](SntpPacket& p) {
             p.stratum = 0;
             p.reference_identifier = Identifier("RSTR");
         },
         "Server sent kiss code RSTR", "RSTR"},
        {"unprintable kiss",
         [](SntpPacket& p) {
             p.stratum = 0;
             p.reference_identifier = Identifier("R\x01T\xC5");
         },
         "Server sent kiss code R?T?", "R?T?"},
        {"RATE, alarm",
         [](SntpPacket& p) {
             p.stratum = 0;
             p.leap_indicator = kLeapAlarm;
             p.reference_identifier = Identifier("RATE");
         },
         kUnsynchronised, "RATE"},
        {"DENY, alarm",
         [](SntpPacket& p) {
             p.stratum = 0;
             p.leap_indicator = kLeapAlarm;
             p.reference_identifier = Identifier("DENY");
         },
         kUnsynchronised, "DENY"},
        {"RSTR, alarm",
         [](SntpPacket& p) {
             p.stratum = 0;
             p.leap_indicator = kLeapAlarm;
             p.reference_identifier = Identifier("RSTR");
         },
         kUnsynchronised, "RSTR"},
        {"sent before it was received",
         [](SntpPacket& p) { p.transmit_timestamp = HostForm(HostForm(p.receive_timestamp) - 1); },
         kUnsynchronised, ""},
        {"held 2 ms longer than the round trip",
         [](SntpPacket& p) {
             p.transmit_timestamp = HostForm(HostForm(p.receive_timestamp) + kSecond / 500);
         },
         kUnsynchronised, ""},
        {"held longer within a millisecond of rounding",
         [](SntpPacket& p) {
             p.transmit_timestamp = HostForm(HostForm(p.receive_timestamp) + kSecond / 1100);
         },
         "", ""},
        {"kiss not answering the request",
         [](SntpPacket& p) {
             p.stratum = 0;
             p.reference_identifier = Identifier("DENY");
             p.originate_timestamp ^= 1;
         },
         kNotAReply, ""},
    };
    for (const Case& c : cases) {
        UdpTestServer server([&c](const std::vector<std::uint8_t>& request) {
            NtpTimestamp sent = DecodePacket(request.data()).transmit_timestamp;
            SntpPacket reply = AnswerTo(request, sent, sent);
            c.change(reply);
            return Datagrams{Encode(reply)};
        });
        const bool accepted = c.error_text[0] == '\0';
        const std::size_t times_set = clock_.system_times_set().size();
        EXPECT_EQ(Run(server), accepted ? 1 : 0) << c.name;
        EXPECT_EQ(result_.error_text, c.error_text) << c.name;
        EXPECT_EQ(result_.kiss_code, c.kiss_code) << c.name;
        EXPECT_EQ(clock_.system_times_set().size() - times_set, accepted ? 1u : 0u) << c.name;
    }
}

// T3 < T2, or a holding time (T3 - T2) beyond the round trip (T4 - T1) by
// more than a millisecond: no working server answers so.
TEST(SntpComputationTest, ImpossibleDelays) {
    const std::uint64_t ms = kSecond / 1000;
    const std::uint64_t t1 = 100 * kSecond;
    struct Case {
        const char* name;
        std::uint64_t t1, t2, t3, t4;
        bool impossible;
    };
    const Case cases[] = {
        {"an ordinary exchange", t1, t1 + 5 * ms, t1 + 6 * ms, t1 + 20 * ms, false},
        {"offset servers are fine", t1, t1 + 3600 * kSecond, t1 + 3600 * kSecond + ms,
         t1 + 2 * ms, false},
        {"no holding time", t1, t1 + kSecond, t1 + kSecond, t1, false},
        {"sent before received", t1, t1 + 5 * ms, t1 + 5 * ms - 1, t1 + 20 * ms, true},
        {"held as long as the round trip, plus 1 ms", t1, t1, t1 + 21 * ms, t1 + 20 * ms, false},
        {"held longer than that", t1, t1, t1 + 21 * ms + 1, t1 + 20 * ms, true},
        {"a round trip that went back", t1, t1, t1 + ms / 2, t1 - ms / 2, false},
        {"across the era", 0xFFFFFFFFull << 32, 0, ms, 2 * ms, false},
        {"across the era, sent before received", 0xFFFFFFFFull << 32, 0, 0 - ms, 2 * ms, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ImpossibleSntpDelay(c.t1, c.t2, c.t3, c.t4), c.impossible) << c.name;
}

TEST(SntpComputationTest, WorkedExample) {
    // T1 = 100 s, T2 = T3 = 100.5 s, T4 = 101 s.
    SntpComputation r = ComputeSntpResult(100 * kSecond, 100 * kSecond + kSecond / 2,
                                          100 * kSecond + kSecond / 2, 101 * kSecond);
    EXPECT_EQ(r.round_trip, static_cast<std::int64_t>(kSecond));
    EXPECT_EQ(r.delay_ms, 1000);
    EXPECT_EQ(r.new_time, 101 * kSecond);

    r = ComputeSntpResult(0, 0, 0, 1073741824);  // D = 0.25 s
    EXPECT_EQ(r.delay_ms, 250);
}

TEST(SntpComputationTest, NegativeRoundTripMovesTheClockLittle) {
    // The server claims to have held the request 0.25 s longer than the
    // whole round trip took.
    std::uint64_t t1 = 1000 * kSecond, t4 = 1001 * kSecond;
    std::uint64_t t2 = t1 + kSecond / 8, t3 = t2 + kSecond + kSecond / 4;
    SntpComputation r = ComputeSntpResult(t1, t2, t3, t4);
    EXPECT_EQ(r.round_trip, -static_cast<std::int64_t>(kSecond / 4));
    EXPECT_EQ(r.delay_ms, -250);
    EXPECT_EQ(r.new_time, t3 - kSecond / 8);
}

TEST(SntpComputationTest, AbsurdHoldingTimeDoesNotOverflow) {
    // A server claiming 2^28 s more holding than the round trip: the delay
    // in milliseconds does not fit 32 bits and must wrap, not trap.
    std::uint64_t t1 = 1000 * kSecond;
    SntpComputation r = ComputeSntpResult(t1, t1, t1 + 268435456ULL * kSecond, t1);
    EXPECT_EQ(r.round_trip, -static_cast<std::int64_t>(268435456ULL * kSecond));
    EXPECT_EQ(r.delay_ms, static_cast<std::int32_t>(0x80000000u));
}

TEST(SntpComputationTest, AcrossTheEraBoundary) {
    // T1..T3 just before the 2036 wrap, T4 just after it.
    std::uint64_t t1 = 0xFFFFFFFFULL * kSecond;
    std::uint64_t t4 = (1ULL * kSecond) + 0;  // wrapped: 2 s later
    SntpComputation r = ComputeSntpResult(t1, t1 + kSecond / 2, t1 + kSecond / 2, t4);
    EXPECT_EQ(r.delay_ms, 2000);
    EXPECT_EQ(NtpTimeToCalendar(HostForm(r.new_time)), (SystemTime{2036, 2, 4, 7, 6, 28, 16, 500}));
}

}  // namespace
}  // namespace orvane
