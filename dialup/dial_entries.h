// The phone-book listing for the configuration dialog's Connection page.
#pragma once

#include <string>
#include <vector>

namespace orvane {

// The names of the default phone book's entries, in the order the library
// lists them; empty when there are none or dial-up networking is missing.
// Loads the library for this call only: the dial-up module's own binding,
// connection state and monitor are left alone. A listing failure goes to
// the dial-up error reporter as "RasEnumEntries() failed, error=%d.".
std::vector<std::string> PhoneBookEntriesOfInstalledModule();

}  // namespace orvane
