// How the automatic rounds slow down for a server that does not answer: a
// server silent for three rounds in a row gets a pause that doubles with
// each further silent round, up to a day, back to the set interval after an
// answer, a change of the server settings or a new link. Kept for the
// server the live settings name, like its kiss codes.
#pragma once

#include <cstdint>

#include "settings/settings_record.h"

namespace orvane {

constexpr int kSilentRoundsBeforeBackoff = 3;
constexpr std::int64_t kLongestSilentPauseMs = 86400000;
// The share of the pause added at random, so PCs started together spread.
constexpr int kPauseSpreadPercent = 10;

// A round against `server` (the settings it ran with) ended: `silent` when
// no try got any answer (time-outs, network errors), else it was answered.
void NoteRoundEnded(const SettingsRecord& server, bool silent);
// A new dial-up or network link: the server may be reachable again.
void ForgetSilentRounds();
// The pause after the silent rounds so far, given the pause otherwise due.
std::int64_t PauseAfterSilence(std::int64_t pause_ms);
// The pause with up to kPauseSpreadPercent added; `random_permille` is a
// number from 0 to 999.
std::int64_t SpreadPause(std::int64_t pause_ms, int random_permille);

}  // namespace orvane
