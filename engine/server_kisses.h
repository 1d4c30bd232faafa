// What the configured server has said with kiss-o'-death answers, and what
// follows for the automatic updates: "RATE" doubles the pause before the
// next one (up to a day) until an update succeeds; "DENY" and "RSTR" stop
// them. Kept for the server the live settings name (its name, address and
// protocol): another server there starts afresh, as does a new process.
// Manual updates always ask.
#pragma once

#include <cstdint>
#include <string>

#include "settings/settings_record.h"

namespace orvane {

// The longest pause RATE answers can lead to.
constexpr std::int64_t kLongestRatePauseMs = 86400000;

// Records the kiss code the server of `server` (the settings an update ran
// with) answered.
void NoteKissCode(const SettingsRecord& server, const std::string& code);
// An update from that server set the clock: its RATE answers are over.
void NoteUpdateSucceeded(const SettingsRecord& server);
// Whether the server the live settings name has refused us (DENY, RSTR).
bool AutomaticRequestsRefused();
// The pause before the next automatic request, given the set one.
std::int64_t PauseAfterKisses(std::int64_t set_pause_ms);
// `pause_ms` doubled `doublings` times, never beyond `longest_ms` nor below
// `pause_ms` (a set pause longer than the cap is never shortened).
std::int64_t DoubledPause(std::int64_t pause_ms, int doublings, std::int64_t longest_ms);
// Forgets every answer (engine start, tests).
void ForgetKissCodes();

}  // namespace orvane
