#include "protocols/time_client.h"

#include <gtest/gtest.h>

#include <chrono>
#include <unistd.h>

#include "support/fake_clock.h"
#include "platform/last_error.h"
#include "protocols/ntp_packet.h"
#include "support/tcp_test_server.h"
#include "support/udp_test_server.h"

namespace orvane {
namespace {

using testing::TcpTestServer;
using testing::UdpTestServer;
using Bytes = std::vector<std::uint8_t>;
using Datagrams = std::vector<Bytes>;

const Bytes kWorkedExample = {0xC1, 0xFF, 0xEA, 0x80};    // 2003-02-21 00:00:00 UTC
constexpr std::uint32_t kWorkedExampleWord = 0x80EAFFC1;  // as the bytes load on the wire
const SystemTime kPresetLocal{2026, 12, 1, 7, 23, 3, 44, 512};

struct Report {
    std::uint32_t word;
    net::SocketAddress server;
};

class TimeClientTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UseClock(&clock_);
        clock_.SetLocal(kPresetLocal);
        clock_.SetTicks(5000, 7);
        SetTimeTextReporter([this](const std::string& text) { reported_.push_back(text); });
        SetTimeUdpReportCallback([this](std::uint32_t word, const net::SocketAddress& server) {
            udp_reports_.push_back({word, server});
        });
        SetTimeTcpReportCallback([this](std::uint32_t word, const net::SocketAddress& server) {
            tcp_reports_.push_back({word, server});
        });
    }
    void TearDown() override {
        SetTimeServerPort(kTimePort);
        SetTimeTextReporter(nullptr);
        SetTimeUdpReportCallback(nullptr);
        SetTimeTcpReportCallback(nullptr);
        UseClock(nullptr);
    }

    int RunUdp(std::uint16_t port, int timeout_ms = 2000) {
        SetTimeServerPort(port);
        result_ = TimeUdpExchange(net::MakeAddress(0x7F000001, 9999), timeout_ms);
        return result_.result;
    }
    int RunUdpAnswering(const Datagrams& answers) {
        UdpTestServer server([answers](const Bytes&) { return answers; });
        return RunUdp(server.port());
    }
    int RunTcp(std::uint16_t port) {
        SetTimeServerPort(port);
        result_ = TimeTcpExchange(net::MakeAddress(0x7F000001, 9999));
        return result_.result;
    }
    int RunTcpSending(const Bytes& bytes) {
        TcpTestServer server({{bytes}});
        return RunTcp(server.port());
    }

    bool NothingSet() const {
        return clock_.system_times_set().empty() && clock_.local_times_set().empty();
    }

    FakeClock clock_;
    std::vector<std::string> reported_;
    std::vector<Report> udp_reports_, tcp_reports_;
    TimeExchangeResult result_;
};

// --- Success ------------------------------------------------------------

TEST_F(TimeClientTest, UdpSetsTheLocalTimeThroughTheTimeZone) {
    clock_.SetTimeZoneOffsetMinutes(60);
    UdpTestServer server([](const Bytes&) { return Datagrams{kWorkedExample}; });
    ASSERT_EQ(RunUdp(server.port()), 1) << result_.error_text;
    EXPECT_EQ(result_.error_text, "");
    EXPECT_TRUE(reported_.empty());
    // The request is an empty datagram.
    EXPECT_EQ(server.requests_seen(), 1);
    EXPECT_TRUE(server.last_request().empty());
    // 2003-02-21 00:00:00 UTC is 01:00 local, a Friday, and the answer
    // arrived half a second into it (no round trip on the fake clock).
    ASSERT_EQ(clock_.local_times_set().size(), 1u);
    EXPECT_EQ(clock_.local_times_set()[0], (SystemTime{2003, 2, 5, 21, 1, 0, 0, 500}));
    EXPECT_TRUE(clock_.system_times_set().empty());
    EXPECT_EQ(result_.time_before, kPresetLocal);
    EXPECT_EQ(result_.time_after, kPresetLocal);
    EXPECT_EQ(result_.delay_ms, 7);
    // The report carries the word unconverted and the address as passed.
    ASSERT_EQ(udp_reports_.size(), 1u);
    EXPECT_EQ(udp_reports_[0].word, kWorkedExampleWord);
    EXPECT_EQ(udp_reports_[0].server.address, net::HostToNetwork32(0x7F000001));
    EXPECT_EQ(udp_reports_[0].server.port, net::HostToNetwork16(9999));
    EXPECT_TRUE(tcp_reports_.empty());
}

TEST_F(TimeClientTest, TcpSetsTheSystemTimeInUtc) {
    clock_.SetTimeZoneOffsetMinutes(60);  // must not matter
    TcpTestServer server({{kWorkedExample}});
    ASSERT_EQ(RunTcp(server.port()), 1) << result_.error_text;
    EXPECT_EQ(result_.error_text, "");
    EXPECT_TRUE(reported_.empty());
    ASSERT_EQ(clock_.system_times_set().size(), 1u);
    EXPECT_EQ(clock_.system_times_set()[0], (SystemTime{2003, 2, 5, 21, 0, 0, 0, 500}));
    EXPECT_TRUE(clock_.local_times_set().empty());
    EXPECT_EQ(result_.time_before, kPresetLocal);
    EXPECT_EQ(result_.time_after, kPresetLocal);
    EXPECT_EQ(result_.delay_ms, 7);
    // The report carries the address with the TIME port filled in.
    ASSERT_EQ(tcp_reports_.size(), 1u);
    EXPECT_EQ(tcp_reports_[0].word, kWorkedExampleWord);
    EXPECT_EQ(tcp_reports_[0].server.family, net::kAfInet);
    EXPECT_EQ(tcp_reports_[0].server.address, net::HostToNetwork32(0x7F000001));
    EXPECT_EQ(tcp_reports_[0].server.port, net::HostToNetwork16(server.port()));
    EXPECT_TRUE(udp_reports_.empty());
}

TEST_F(TimeClientTest, WordZeroIsTheNextEraNot1900) {
    ASSERT_EQ(RunUdpAnswering({{0, 0, 0, 0}}), 1) << result_.error_text;
    ASSERT_EQ(RunTcpSending({0, 0, 0, 0}), 1) << result_.error_text;
    const SystemTime expected{2036, 2, 4, 7, 6, 28, 16, 500};
    EXPECT_EQ(clock_.local_times_set().at(0), expected);
    EXPECT_EQ(clock_.system_times_set().at(0), expected);
}

TEST_F(TimeClientTest, WordsPast2038AreSetCorrectly) {
    // 2040-07-04 12:34:56 UTC, a Wednesday.
    const Bytes word = {0x08, 0x49, 0x93, 0x70};
    clock_.SetTimeZoneOffsetMinutes(12 * 60);
    ASSERT_EQ(RunUdpAnswering({word}), 1) << result_.error_text;
    ASSERT_EQ(RunTcpSending(word), 1) << result_.error_text;
    EXPECT_EQ(clock_.system_times_set().at(0), (SystemTime{2040, 7, 3, 4, 12, 34, 56, 500}));
    EXPECT_EQ(clock_.local_times_set().at(0), (SystemTime{2040, 7, 4, 5, 0, 34, 56, 500}));
}

TEST_F(TimeClientTest, UdpIgnoresADatagramFromAnotherPort) {
    // 2040-07-04 12:34:56 UTC from a stray first, then the real answer.
    UdpTestServer server([](const Bytes&) { return Datagrams{kWorkedExample}; },
                         [](const Bytes&) {
                             return Datagrams{{0x08, 0x49, 0x93, 0x70}};
                         });
    ASSERT_EQ(RunUdp(server.port()), 1) << result_.error_text;
    ASSERT_EQ(clock_.local_times_set().size(), 1u);
    EXPECT_EQ(clock_.local_times_set()[0], (SystemTime{2003, 2, 5, 21, 0, 0, 0, 500}));
    EXPECT_EQ(udp_reports_.at(0).word, kWorkedExampleWord);
}

TEST_F(TimeClientTest, TcpGathersAnAnswerSentInPieces) {
    TcpTestServer server({{{0xC1, 0xFF}, {0xEA}, {0x80}}, 30});
    ASSERT_EQ(RunTcp(server.port()), 1) << result_.error_text;
    EXPECT_EQ(clock_.system_times_set().at(0), (SystemTime{2003, 2, 5, 21, 0, 0, 0, 500}));
}

TEST_F(TimeClientTest, TcpReadsOnlyTheFirstFourBytes) {
    ASSERT_EQ(RunTcpSending({0xC1, 0xFF, 0xEA, 0x80, 0x55}), 1) << result_.error_text;
    EXPECT_EQ(tcp_reports_.at(0).word, kWorkedExampleWord);
}

TEST_F(TimeClientTest, AHookGivenWithTheCallIsUsedInsteadOfTheModuleWideOne) {
    std::vector<std::uint32_t> words;
    const TimeReportCallback hook = [&words](std::uint32_t word, const net::SocketAddress&) {
        words.push_back(word);
    };
    UdpTestServer udp([](const Bytes&) { return Datagrams{kWorkedExample}; });
    SetTimeServerPort(udp.port());
    ASSERT_EQ(TimeUdpExchange(net::MakeAddress(0x7F000001, 9999), 2000, hook).result, 1);
    TcpTestServer tcp({{kWorkedExample}});
    SetTimeServerPort(tcp.port());
    ASSERT_EQ(TimeTcpExchange(net::MakeAddress(0x7F000001, 9999), hook).result, 1);
    EXPECT_EQ(words, (std::vector<std::uint32_t>{kWorkedExampleWord, kWorkedExampleWord}));
    EXPECT_TRUE(udp_reports_.empty());
    EXPECT_TRUE(tcp_reports_.empty());
    // The module-wide hooks are still in place for the next exchange.
    ASSERT_EQ(RunUdpAnswering({kWorkedExample}), 1);
    EXPECT_EQ(udp_reports_.size(), 1u);
}

TEST_F(TimeClientTest, UdpOversizedDatagramEndsNoExchange) {
    ASSERT_EQ(RunUdpAnswering({Bytes(901, 0x11), kWorkedExample}), 1) << result_.error_text;
    EXPECT_EQ(udp_reports_.at(0).word, kWorkedExampleWord);
    EXPECT_EQ(RunUdpAnswering({Bytes(2000, 0x11)}), 0);
    EXPECT_EQ(result_.error_text, "select() failed");  // the time-out
}

// --- Bad answers --------------------------------------------------------

TEST_F(TimeClientTest, UdpAnswersOtherThanFourBytesAreRefused) {
    for (const Bytes& answer : {Bytes{0xC1, 0xFF, 0xEA}, Bytes{0xC1, 0xFF, 0xEA, 0x80, 0x00},
                                Bytes{}, Bytes(900, 0x11)}) {
        EXPECT_EQ(RunUdpAnswering({answer}), 0) << answer.size();
        EXPECT_EQ(result_.error_text, "result!=sizeof(unsigned long)") << answer.size();
    }
    EXPECT_TRUE(NothingSet());
    EXPECT_TRUE(udp_reports_.empty());
    EXPECT_TRUE(reported_.empty());
}

TEST_F(TimeClientTest, UdpNoAnswerIsASelectFailure) {
    UdpTestServer server([](const Bytes&) { return Datagrams{}; });
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunUdp(server.port(), 1100), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1050));
    EXPECT_EQ(result_.error_text, "select() failed");
    EXPECT_TRUE(NothingSet());
}

TEST_F(TimeClientTest, TcpShortAnswersAreRefused) {
    EXPECT_EQ(RunTcpSending({0xC1, 0xFF}), 0);
    EXPECT_EQ(result_.error_text, "result!=sizeof(unsigned long)");
    EXPECT_EQ(RunTcpSending({}), 0);  // accepted, then closed at once
    EXPECT_EQ(result_.error_text, "result!=sizeof(unsigned long)");
    EXPECT_TRUE(NothingSet());
    EXPECT_TRUE(tcp_reports_.empty());
}

TEST_F(TimeClientTest, TcpServerThatNeverSendsIsGivenUpOn) {
    TcpTestServer server({{}, 0, true});
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunTcp(server.port()), 0);
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(result_.error_text, "recv() failed");
    EXPECT_EQ(GetLastErrorCode(), net::kWsaEtimedout);
    EXPECT_EQ(server.connections_seen(), 1);
    EXPECT_GE(waited, std::chrono::milliseconds(kTimeTcpTimeLimitMs - 100));
    EXPECT_LT(waited, std::chrono::milliseconds(kTimeTcpTimeLimitMs + 1500));
    EXPECT_TRUE(NothingSet());
}

// --- Network failures keep their error code -----------------------------

TEST_F(TimeClientTest, TcpNothingListeningCannotConnect) {
    int fd = -1;
    std::uint16_t port = TcpTestServer::ReserveRefusingPort(&fd);
    SetLastErrorCode(0);
    EXPECT_EQ(RunTcp(port), 0);
    ::close(fd);
    EXPECT_EQ(result_.error_text, "Unable to bind to TIME TCP port");
    // Closing the socket left the connect's code in place.
    EXPECT_EQ(GetLastErrorCode(), net::kWsaEconnrefused);
    EXPECT_TRUE(NothingSet());
}

TEST_F(TimeClientTest, UdpSendFailureKeepsTheWinsockCode) {
    SetLastErrorCode(0);
    EXPECT_EQ(RunUdp(0), 0);  // port 0 cannot be sent to
    EXPECT_EQ(result_.error_text, "sendto() failed");
    EXPECT_GT(GetLastErrorCode(), 10000);
}

// --- Timing ---------------------------------------------------------------

TEST_F(TimeClientTest, DelayIsTheTickDifference) {
    clock_.SetTicks(100000, 1234);
    ASSERT_EQ(RunUdpAnswering({kWorkedExample}), 1);
    EXPECT_EQ(result_.delay_ms, 1234);
    clock_.SetTicks(0xFFFFFFF0u, 0x0F);  // up to the last tick, no wrap
    ASSERT_EQ(RunTcpSending(kWorkedExample), 1);
    EXPECT_EQ(result_.delay_ms, 0x0F);
}

TEST_F(TimeClientTest, TickWrapIsAnInternalError) {
    clock_.SetTicks(0xFFFFFFF0u, 0x20);
    EXPECT_EQ(RunUdpAnswering({kWorkedExample}), 0);
    EXPECT_EQ(result_.error_text, "Internal error");
    clock_.SetTicks(0xFFFFFFF0u, 0x20);
    EXPECT_EQ(RunTcpSending(kWorkedExample), 0);
    EXPECT_EQ(result_.error_text, "Internal error");
    EXPECT_EQ(result_.delay_ms, 0);
    EXPECT_TRUE(NothingSet());
    EXPECT_TRUE(reported_.empty());
}

// --- Clock refusals -------------------------------------------------------

TEST_F(TimeClientTest, ClockRefusingTheTimeIsCorruptForBoth) {
    clock_.FailSettersWith(kErrorInvalidParameter);
    EXPECT_EQ(RunUdpAnswering({kWorkedExample}), 0);
    EXPECT_EQ(result_.error_text, "Corrupt time received");
    EXPECT_EQ(GetLastErrorCode(), kErrorInvalidParameter);
    EXPECT_EQ(RunTcpSending(kWorkedExample), 0);
    EXPECT_EQ(result_.error_text, "Corrupt time received");
    EXPECT_EQ(reported_,
              (std::vector<std::string>{"Corrupt time received", "Corrupt time received"}));
    EXPECT_TRUE(udp_reports_.empty());
    EXPECT_TRUE(tcp_reports_.empty());
    // The time before is read, the time after is not.
    EXPECT_EQ(result_.time_before, kPresetLocal);
    EXPECT_EQ(result_.time_after, SystemTime{});
}

TEST_F(TimeClientTest, NoRightToSetTheClockFailsBoth) {
    clock_.FailSettersWith(kErrorPrivilegeNotHeld);
    EXPECT_EQ(RunUdpAnswering({kWorkedExample}), 0);
    EXPECT_EQ(result_.error_text, "SetSystemTime() failed, error code 1314");
    EXPECT_EQ(RunTcpSending(kWorkedExample), 0);
    EXPECT_EQ(result_.error_text, "SetSystemTime() failed, error code 1314");
    EXPECT_EQ(GetLastErrorCode(), kErrorPrivilegeNotHeld);
    EXPECT_EQ(reported_.size(), 2u);
    EXPECT_TRUE(udp_reports_.empty());
    EXPECT_TRUE(tcp_reports_.empty());
}

TEST_F(TimeClientTest, UnconvertibleLocalTimeIsCorrupt) {
    clock_.FailLocalTimeConversion(true);
    EXPECT_EQ(RunUdpAnswering({kWorkedExample}), 0);
    EXPECT_EQ(result_.error_text, "Corrupt time received");
    EXPECT_EQ(reported_, std::vector<std::string>{"Corrupt time received"});
    EXPECT_TRUE(NothingSet());
}

TEST_F(TimeClientTest, WorksWithoutCallbacks) {
    SetTimeTextReporter(nullptr);
    SetTimeUdpReportCallback(nullptr);
    SetTimeTcpReportCallback(nullptr);
    UdpTestServer udp([](const Bytes&) { return Datagrams{kWorkedExample}; });
    SetTimeServerPort(udp.port());
    EXPECT_EQ(TimeUdpExchange(net::MakeAddress(0x7F000001, kTimePort), 2000).result, 1);
    clock_.FailSettersWith(1314);
    TcpTestServer tcp({{kWorkedExample}});
    SetTimeServerPort(tcp.port());
    EXPECT_EQ(TimeTcpExchange(net::MakeAddress(0x7F000001, kTimePort)).result, 0);
}

// --- Conversion -------------------------------------------------------------

TEST(TimeConversionTest, WordBytesAndSeconds) {
    const std::uint8_t bytes[4] = {0xC1, 0xFF, 0xEA, 0x80};
    EXPECT_EQ(TimeWordFromBytes(bytes), kWorkedExampleWord);
    EXPECT_EQ(TimeWordSeconds(kWorkedExampleWord), 3254774400u);
}

// The word names the second that began when the server read its clock:
// the time set is half a second into it, plus half the round trip and the
// time since the answer arrived, to the nearest millisecond.
TEST(TimeConversionTest, ArrivalTimeAndTheTimeSet) {
    constexpr std::int64_t kMs = (1LL << 32) / 1000;
    struct Case {
        const char* name;
        std::uint32_t word_seconds;
        std::int64_t round_trip;
        std::int64_t since_arrival;
        SystemTime utc;
    };
    const Case cases[] = {
        {"no round trip", 3254774400u, 0, 0, {2003, 2, 5, 21, 0, 0, 0, 500}},
        {"40 ms round trip", 3254774400u, 40 * kMs, 0, {2003, 2, 5, 21, 0, 0, 0, 520}},
        {"a negative round trip counts as none", 3254774400u, -40 * kMs, 0,
         {2003, 2, 5, 21, 0, 0, 0, 500}},
        {"set 3 ms after arrival", 3254774400u, 10 * kMs, 3 * kMs, {2003, 2, 5, 21, 0, 0, 0, 508}},
        {"rounded to the nearest ms", 3254774400u, 34 * kMs / 10, 0, {2003, 2, 5, 21, 0, 0, 0, 502}},
        {"into the next second", 3254774400u, 1200 * kMs, 0, {2003, 2, 5, 21, 0, 0, 1, 100}},
        {"across the 2036 era", 0xFFFFFFFFu, 0, 600 * kMs, {2036, 2, 4, 7, 6, 28, 16, 100}},
    };
    const std::uint64_t arrival = 0x0123456789ABCDEFull;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::uint64_t at_arrival = TimeAnswerArrivalTime(c.word_seconds, c.round_trip);
        EXPECT_EQ(CalendarTimeCarriedTo(at_arrival, arrival,
                                        arrival + static_cast<std::uint64_t>(c.since_arrival)),
                  c.utc);
    }
}

TEST(TimeConversionTest, EraBoundariesAndRange) {
    EXPECT_EQ(TimeSecondsToUtc(3254774400u), (SystemTime{2003, 2, 5, 21, 0, 0, 0, 0}));
    EXPECT_EQ(TimeSecondsToUtc(2208988800u), (SystemTime{1970, 1, 4, 1, 0, 0, 0, 0}));
    // The instant either side of the 2036 wrap.
    EXPECT_EQ(TimeSecondsToUtc(0xFFFFFFFFu), (SystemTime{2036, 2, 4, 7, 6, 28, 15, 0}));
    EXPECT_EQ(TimeSecondsToUtc(0), (SystemTime{2036, 2, 4, 7, 6, 28, 16, 0}));
    // The two ends of the range: 1968 and 2104.
    EXPECT_EQ(TimeSecondsToUtc(0x80000000u), (SystemTime{1968, 1, 6, 20, 3, 14, 8, 0}));
    EXPECT_EQ(TimeSecondsToUtc(0x7FFFFFFFu), (SystemTime{2104, 2, 2, 26, 9, 42, 23, 0}));
}

TEST(TimeConversionTest, EveryWordGivesAValidTime) {
    // A coarse sweep over the whole word range, with a step that visits
    // every time of day.
    for (std::uint64_t s = 0; s <= 0xFFFFFFFFu; s += 86399 * 97) {
        SystemTime t = TimeSecondsToUtc(static_cast<std::uint32_t>(s));
        ASSERT_TRUE(IsValidSystemTime(t)) << s;
        ASSERT_GE(t.wYear, 1968);
        ASSERT_LE(t.wYear, 2104);
    }
}

}  // namespace
}  // namespace orvane
