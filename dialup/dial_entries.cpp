#include "dialup/dial_entries.h"

#include "dialup/dialup_module.h"

namespace orvane {

std::vector<std::string> EnumerateDialEntries() {
    return TheDialupModule().EnumerateDialEntries();
}

}  // namespace orvane
