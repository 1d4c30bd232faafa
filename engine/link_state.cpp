#include "engine/link_state.h"

#include <mutex>

#include "dialup/link_text.h"
#include "platform/clock.h"
#include "platform/fixed_text.h"
#include "settings/settings_record.h"
#include "settings/live_settings.h"

namespace orvane {

namespace {

struct LinkStateData {
    std::mutex mutex;
    int state = kLinkActive;
    SystemTime change_time;
};

LinkStateData& Data() {
    static LinkStateData* data = new LinkStateData;  // never destroyed: threads outlive main
    return *data;
}

}  // namespace

void SetLinkChangeTimeNow() {
    SystemTime now = TheClock().GetLocalTime();
    std::lock_guard<std::mutex> lock(Data().mutex);
    Data().change_time = now;
}

void SetLinkState(int state) {
    std::lock_guard<std::mutex> lock(Data().mutex);
    Data().state = state;
}

int LinkState() {
    std::lock_guard<std::mutex> lock(Data().mutex);
    return Data().state;
}

std::string CurrentLinkText() {
    int state;
    SystemTime since;
    {
        std::lock_guard<std::mutex> lock(Data().mutex);
        state = Data().state;
        since = Data().change_time;
    }
    return FormatLinkText(state, since, CurrentSettings().use_dialup);
}

LastUpdateRecord RebuildLinkText() {
    const std::string text = CurrentLinkText();
    return ModifyLastUpdateRecord(
        [&text](LastUpdateRecord& record) { CopyToField(record.link_text, text); });
}

}  // namespace orvane
