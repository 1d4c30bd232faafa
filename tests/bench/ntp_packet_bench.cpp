// Speed of the packet and timestamp conversions, and proof that the
// conversions allocate nothing (the allocation counter must stay at 0).
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "support/fake_clock.h"
#include "protocols/ntp_packet.h"

// The replacement operators below pair malloc with free; GCC cannot see
// that through inlined library code.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
std::atomic<long> allocations{0};
}

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace orvane {
namespace {

SntpPacket SamplePacket() {
    SntpPacket p;
    p.version_number = 4;
    p.mode = 4;
    p.stratum = 2;
    p.precision = 236;
    p.reference_identifier = 0xC0A80101;
    p.reference_timestamp = MakeWireTimestamp(4005673000u, 123456789u);
    p.originate_timestamp = MakeWireTimestamp(4005673424u, 1u);
    p.receive_timestamp = MakeWireTimestamp(4005673424u, 2147483648u);
    p.transmit_timestamp = MakeWireTimestamp(4005673424u, 2147490000u);
    return p;
}

void CountAllocations(benchmark::State& state, long before) {
    state.counters["allocs_per_op"] = benchmark::Counter(
        static_cast<double>(allocations.load() - before), benchmark::Counter::kAvgIterations);
}

void BM_EncodePacket(benchmark::State& state) {
    SntpPacket p = SamplePacket();
    std::uint8_t bytes[kSntpPacketSize];
    long before = allocations.load();
    for (auto _ : state) {
        EncodePacket(p, bytes);
        benchmark::DoNotOptimize(bytes);
    }
    CountAllocations(state, before);
}
BENCHMARK(BM_EncodePacket);

void BM_DecodePacket(benchmark::State& state) {
    std::uint8_t bytes[kSntpPacketSize];
    EncodePacket(SamplePacket(), bytes);
    long before = allocations.load();
    for (auto _ : state) {
        SntpPacket p = DecodePacket(bytes);
        benchmark::DoNotOptimize(p);
    }
    CountAllocations(state, before);
}
BENCHMARK(BM_DecodePacket);

void BM_NtpTimeToCalendar(benchmark::State& state) {
    NtpTimestamp t = MakeWireTimestamp(4005673424u, 2147483648u);
    long before = allocations.load();
    for (auto _ : state) {
        SystemTime s = NtpTimeToCalendar(t);
        benchmark::DoNotOptimize(s);
        t += 0x0100000000000000ULL;  // vary the seconds a little
    }
    CountAllocations(state, before);
}
BENCHMARK(BM_NtpTimeToCalendar);

void BM_NtpTimeFromFileTime(benchmark::State& state) {
    FileTime ft{kFileTimeOf1900 + 40056734240000000ULL};
    long before = allocations.load();
    for (auto _ : state) {
        NtpTimestamp t = NtpTimeFromFileTime(ft);
        benchmark::DoNotOptimize(t);
        ft.value += 12345;
    }
    CountAllocations(state, before);
}
BENCHMARK(BM_NtpTimeFromFileTime);

void BM_PacketDump(benchmark::State& state) {
    FakeClock clock;
    clock.SetDateText("07/12/2026");
    UseClock(&clock);
    SntpPacket p = SamplePacket();
    for (auto _ : state) {
        std::string text = PacketDump(p);
        benchmark::DoNotOptimize(text);
    }
    UseClock(nullptr);
}
BENCHMARK(BM_PacketDump);

}  // namespace
}  // namespace orvane
