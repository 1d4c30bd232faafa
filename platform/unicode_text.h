// Text crosses into the system as UTF-16 and lives in the core as UTF-8:
// the conversions both ways, and cuts that count what the system counts.
#pragma once

#include <cstddef>
#include <string>

namespace orvane {

// Invalid input (a stray byte, an overlong or surrogate encoding, an
// unpaired surrogate) becomes U+FFFD; nothing is dropped silently.
std::u16string Utf8ToUtf16(const std::string& text);
std::string Utf16ToUtf8(const std::u16string& text);

// The longest beginning of `text` that takes at most `max_units` UTF-16
// units (the system's limits count those), never cutting a character.
std::string CutToUtf16Units(const std::string& text, std::size_t max_units);

}  // namespace orvane
