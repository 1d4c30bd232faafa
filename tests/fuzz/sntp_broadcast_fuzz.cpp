// Feeds arbitrary datagrams and senders to what a received SNTP broadcast
// goes through: the listener's checks (size, mode, leap, time, version,
// stratum, the sender's subnet) and, for those it lets through, the
// engine's handler, which sets the clock, fills the last-update record and
// names the sender. Besides the sanitizers, it checks the verdicts against
// the rules written out again here, and what the handler leaves behind.
//
// Input layout: 4 bytes the sender's address (network order), 1 byte the
// number of interfaces (low two bits) and whether the clock refuses
// the time (bit 7), 8 bytes per subnet (address, mask; network order),
// then the datagram (any length).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/broadcast_handler.h"
#include "engine/engine_ui_sink.h"
#include "engine/last_update_record.h"
#include "platform/os_errors.h"
#include "protocols/broadcast_checks.h"
#include "protocols/correction_bounds.h"
#include "protocols/ntp_packet.h"
#include "protocols/sntp_broadcast_listener.h"
#include "settings/live_settings.h"
#include "settings/settings_record.h"
#include "platform/name_lookup.h"
#include "fuzz_check.h"
#include "support/fake_clock.h"
#include "support/fake_process_privileges.h"
#include "support/fake_registry.h"

namespace {

using namespace orvane;

// Stand-ins that keep only the latest call, so millions of runs use no
// more memory than one.
class LatestClock : public FakeClock {
  public:
    int SetSystemTime(const SystemTime& utc) override {
        if (!IsValidSystemTime(utc))
            return kErrorInvalidParameter;
        if (refuse)
            return kErrorPrivilegeNotHeld;
        ++sets;
        last_set = utc;
        return 0;
    }
    bool refuse = false;
    int sets = 0;
    SystemTime last_set;
};

class OneNameLookup : public NameLookup {
  public:
    bool LookUpAddresses(const std::string&, int, std::vector<net::SocketAddress>*) override {
        return false;
    }
    bool LookUpHostName(std::uint32_t address, std::string* host_name) override {
        if (address != 0x0501A8C0)  // 192.168.1.5
            return false;
        *host_name = "timeserver.lan";
        return true;
    }
};

class QuietUi : public EngineUiSink {
  public:
    void RefreshStatusDialog(const LastUpdateRecord&) override {}
    void PostInformationBox(const std::string&, const std::string&) override {}
    bool IsConfigurationDialogOpen() override { return false; }
};

// A token that may set the clock, and no `Clock setting`: the handler sets
// the clock itself.
struct World {
    LatestClock clock;
    OneNameLookup lookup;
    QuietUi ui;
    FakeProcessPrivileges privileges;
    FakeRegistry registry;
};

World& TheWorld() {
    static World* world = [] {
        auto* w = new World;
        w->clock.SetDateText("2026-12-07");
        // 2026-12-07 23:03:44 UTC: a clock past 1900, so corrections measure
        // from a real time.
        w->clock.SetFileTime(kFileTimeOf1900 + 4005673424ULL * 10000000ULL);
        UseClock(&w->clock);
        UseNameLookup(&w->lookup);
        UseEngineUiSink(&w->ui);
        w->privileges.holds_systemtime = true;
        UseProcessPrivileges(&w->privileges);
        UseRegistry(&w->registry);
        SetBroadcastClockFailureReporter([](const std::string& text) {
            FUZZ_CHECK(text.rfind("SetSystemTime() failed, error code ", 0) == 0);
        });
        // The bounds on corrections have tables of their own; here any
        // packet time a calendar can hold is to be set.
        SetBuildDateFloor(FileTime{kFileTimeOf1900});
        UpdateSettings([](SettingsRecord& live) { live.largest_correction = 0; });
        return w;
    }();
    return *world;
}

std::uint32_t Load32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// The subnet rule, written out bit by bit.
bool Connected(std::uint32_t source, const std::vector<LocalInterface>& subnets) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&source);
    if (bytes[0] == 127)
        return false;  // this PC: never a sender
    for (const LocalInterface& s : subnets) {
        if (s.address == source)
            return false;
    }
    for (const LocalInterface& s : subnets) {
        if (s.address == 0 || s.mask == 0)
            continue;
        bool same = true;
        for (int bit = 0; bit < 32; ++bit) {
            const std::uint32_t m = 1u << bit;
            if ((s.mask & m) && ((s.address & m) != (source & m)))
                same = false;
        }
        if (same)
            return true;
    }
    return false;
}

BroadcastVerdict ExpectedVerdict(const std::uint8_t* datagram, int length, std::uint32_t source,
                                 const std::vector<LocalInterface>& subnets) {
    if (length == 0)
        return BroadcastVerdict::kEmpty;
    if (length < 48)
        return BroadcastVerdict::kInvalid;
    const int leap = datagram[0] >> 6;
    const int version = (datagram[0] >> 3) & 7;
    const int mode = datagram[0] & 7;
    const int stratum = datagram[1];
    bool time_zero = true;
    for (int i = 40; i < 48; ++i)
        time_zero = time_zero && datagram[i] == 0;
    if (mode != 5 || leap == 3 || time_zero || version < 1 || version > 4 || stratum < 1 ||
        stratum > 15) {
        return BroadcastVerdict::kDropped;
    }
    return Connected(source, subnets) ? BroadcastVerdict::kAccepted : BroadcastVerdict::kDropped;
}

void CheckHandled(const SntpPacket& packet, const net::SocketAddress& source, bool refuse) {
    World& world = TheWorld();
    StoreLastUpdateRecord(LastUpdateRecord());
    const int sets_before = world.clock.sets;
    world.clock.refuse = refuse;
    const std::uint64_t arrival = HostForm(CurrentNtpTime());
    BroadcastReceived(packet, source, arrival);

    // Arrived at once: the packet's time to the nearest millisecond.
    const SystemTime wanted =
        CalendarTimeCarriedTo(HostForm(packet.transmit_timestamp), arrival, arrival);
    const LastUpdateRecord record = CopyLastUpdateRecord();
    const bool possible = IsValidSystemTime(wanted);
    if (refuse || !possible) {
        FUZZ_CHECK(record.valid == 0);
        FUZZ_CHECK(world.clock.sets == sets_before);
        return;
    }
    FUZZ_CHECK(world.clock.sets == sets_before + 1 && world.clock.last_set == wanted);
    FUZZ_CHECK(record.valid == 1);
    FUZZ_CHECK(record.protocol == kProtocolSntpBroadcast);
    FUZZ_CHECK(record.round_trip_delay == 0);
    FUZZ_CHECK(record.stratum == packet.stratum);
    FUZZ_CHECK(record.version_number == packet.version_number);
    FUZZ_CHECK(record.server_address.address == source.address);
    FUZZ_CHECK(std::memchr(record.server_name, '\0', sizeof record.server_name) != nullptr);
    const std::string name = FieldText(record.server_name);
    FUZZ_CHECK(name == (source.address == 0x0501A8C0 ? "timeserver.lan" : "[unknown]"));

    for (bool long_form : {false, true}) {
        const std::string text = BroadcastLogText(packet, source, long_form);
        FUZZ_CHECK(text.rfind("SNTP multicast received:", 0) == 0);
        FUZZ_CHECK(text.find('\0') == std::string::npos);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The fake registry logs every call; millions of runs must not keep them.
    TheWorld().registry.ClearLog();
    if (size < 5)
        return 0;
    const std::uint32_t source_address = Load32(data);
    const int subnet_count = data[4] & 3;
    const bool refuse = (data[4] & 0x80) != 0;
    std::size_t at = 5;
    if (size < at + 8 * static_cast<std::size_t>(subnet_count))
        return 0;
    std::vector<LocalInterface> subnets;
    for (int i = 0; i < subnet_count; ++i, at += 8) {
        LocalInterface s;
        s.address = Load32(data + at);
        s.mask = Load32(data + at + 4);
        subnets.push_back(s);
    }
    const std::uint8_t* datagram = data + at;
    const int length = static_cast<int>(size - at > 2000 ? 2000 : size - at);

    FUZZ_CHECK(SenderOnConnectedSubnet(source_address, subnets) ==
               Connected(source_address, subnets));
    SntpPacket packet;
    const BroadcastVerdict verdict =
        CheckBroadcastDatagram(datagram, length, source_address, subnets, &packet);
    FUZZ_CHECK(verdict == ExpectedVerdict(datagram, length, source_address, subnets));
    if (verdict == BroadcastVerdict::kAccepted) {
        net::SocketAddress source;
        source.family = net::kAfInet;
        source.address = source_address;
        source.port = net::HostToNetwork16(123);
        CheckHandled(packet, source, refuse);
    }
    return 0;
}
