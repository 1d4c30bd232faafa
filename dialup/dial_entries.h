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
std::vector<std::string> EnumerateDialEntries();

// Which of the listed names a combo box should select: the first when the
// configured name is empty, else the one equal to it (case counts); -1 when
// none fits.
int DialEntryToSelect(const std::vector<std::string>& entries, const std::string& configured);

}  // namespace orvane
