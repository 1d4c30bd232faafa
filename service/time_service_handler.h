// The time service's answers: one request record in, one answer record
// out. Updates run the same exchanges as Orvane.exe against the server the
// machine's settings name (never a time or server from the client),
// limited in rate and by what each server said with kiss codes; the Status
// carries the last broadcast the service applied. Requests may come on
// several connections at once; updates run one at a time. Goes through
// TheRegistry(), TheClock(), TheNameLookup(), TheEventLog() and
// TheProcessPrivileges().
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "protocols/server_address_walk.h"
#include "service/clock_set_recorder.h"
#include "service/service_event_log.h"
#include "service/service_kisses.h"
#include "service/time_service_messages.h"
#include "service/update_rate_limit.h"
#include "settings/settings_record.h"

namespace orvane {

// The exchanges' time limit for SNTP and TIME/UDP, as in Orvane.exe.
constexpr int kServiceExchangeTimeoutMs = 2000;

// The machine settings the service reads, from the machine hive only.
struct MachineTimeSettings {
    std::int32_t protocol = 0;
    std::uint32_t server_address = 0;  // network order
    std::int32_t use_server_by_name = 0;
    std::string server_name;
    std::int32_t receive_sntp_broadcasts = 0;
    std::int32_t update_interval_minutes = 0;
    std::uint32_t largest_correction_s = kDefaultLargestCorrectionSeconds;  // 0: no limit
};
MachineTimeSettings ReadMachineTimeSettings();

class TimeServiceHandler {
  public:
    // `recorder` (may be null) is the installed clock, for the refusal code.
    explicit TimeServiceHandler(ClockSetRecorder* recorder) : recorder_(recorder) {}

    // The answer to one received record from `origin`. `malformed` is set
    // when the record was refused: the answer is then an error answer.
    // `now_ms` is a monotonic millisecond count.
    std::vector<std::uint8_t> Handle(const std::uint8_t* data, std::size_t size,
                                     std::uint64_t now_ms, const RequestOrigin& origin,
                                     bool* malformed);

    Answer Update(std::uint64_t now_ms, const UpdateRequest& request, const RequestOrigin& origin);
    Answer Status();

  private:
    std::mutex update_mutex_;  // one update at a time; guards the members below
    UpdateRateLimit limit_;
    ServerKissMemory kisses_;
    // The addresses of the automatic round the last automatic request
    // began; its later tries go on through them.
    ServerAddressWalk walk_;
    bool round_open_ = false;
    // Set by the first automatic update that set the clock: until then an
    // automatic update may make any correction the build date allows.
    bool automatic_update_succeeded_ = false;
    ClockSetRecorder* recorder_;
};

}  // namespace orvane
