// The sanity bounds on a correction of the clock, for Orvane.exe and the
// time service alike. A time before this program was built is never set
// (checked first); a correction larger than the machine's `Largest
// correction` is refused in automatic rounds and broadcasts and asked about
// in a manual update. The first successful automatic unicast round since
// start may make any correction, so a PC whose clock battery failed still
// comes right. The exchanges ask here at the moment they would set the
// clock; the callers say what kind of round it is.
#pragma once

#include <cstdint>
#include <string>

#include "platform/clock_types.h"
#include "settings/settings_record.h"

namespace orvane {

constexpr char kBeforeBuildDateText[] = "Server's time is before this program was built";

enum class CorrectionRound { kAutomatic, kManual, kBroadcast };

struct CorrectionRules {
    CorrectionRound round = CorrectionRound::kManual;
    std::uint32_t largest_correction_s = kDefaultLargestCorrectionSeconds;  // 0: no limit
    // An automatic unicast round that may make any correction (the first
    // success since start); broadcasts never may.
    bool first_round_allowance = false;
    // A manual update whose large correction the user confirmed.
    bool confirmed = false;
};

enum class CorrectionVerdict {
    kApply,
    kBeforeBuildDate,  // never set, never asked about
    kTooLarge,         // refused: an automatic round or a broadcast
    kAsk,              // a manual update: the user decides
};

struct CorrectionDecision {
    CorrectionVerdict verdict = CorrectionVerdict::kApply;
    std::int64_t correction_ms = 0;  // the server's time less this PC's
    std::string text;                // the refusal's text; empty otherwise
};

// The decision for a correction measured against the clock reading `now`.
CorrectionDecision DecideCorrection(const CorrectionRules& rules, std::int64_t correction_ms,
                                    FileTime now);
// The same against TheClock() now.
CorrectionDecision DecideCorrectionNow(const CorrectionRules& rules, std::int64_t correction_ms);

// The size of a correction as "N days HH:MM:SS", to the nearest second.
std::string CorrectionAmountText(std::int64_t correction_ms);
// The question a manual update beyond the bound asks.
std::string CorrectionQuestionText(std::int64_t correction_ms);
// Whether a failure text is one of the refusals above (how the time
// service's answer tells them from other failures).
bool IsCorrectionRefusalText(const std::string& text);

// The correction an SNTP exchange measured: the server's time less this
// PC's at the same moment, both NTP host form (read in the era the NTP
// conversions use).
std::int64_t NtpCorrectionMs(std::uint64_t server_time, std::uint64_t local_time);

// Sets TheClock() to its own reading plus the correction, read as late as
// the clock allows; 0 or the clock's refusal code.
int SetClockByCorrection(std::int64_t correction_ms);

// The program's build date, 00:00 UTC. Tests may set an earlier floor;
// FileTime{0} puts the build's back.
FileTime BuildDateFloor();
void SetBuildDateFloor(FileTime floor);

}  // namespace orvane
