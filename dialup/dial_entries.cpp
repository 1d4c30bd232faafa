#include "dialup/dial_entries.h"

#include "dialup/dialup_module.h"

namespace orvane {

std::vector<std::string> EnumerateDialEntries() {
    return TheDialupModule().EnumerateDialEntries();
}

int DialEntryToSelect(const std::vector<std::string>& entries, const std::string& configured) {
    if (entries.empty())
        return -1;
    if (configured.empty())
        return 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i] == configured)
            return static_cast<int>(i);
    }
    return -1;
}

}  // namespace orvane
