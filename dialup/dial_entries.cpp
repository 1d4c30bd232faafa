#include "dialup/dial_entries.h"

#include "dialup/dialup_module.h"

namespace orvane {

std::vector<std::string> PhoneBookEntriesOfInstalledModule() {
    return TheDialupModule().ListPhoneBookEntries();
}

}  // namespace orvane
