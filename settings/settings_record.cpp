#include "settings/settings_record.h"

namespace orvane {

SettingsRecord& LiveSettings() {
    // Zero-filled at start; the engine threads read it without a lock.
    static SettingsRecord live;
    return live;
}

}  // namespace orvane
