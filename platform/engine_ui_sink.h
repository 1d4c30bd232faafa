// What the synchronisation engine needs from the user interface. The
// program installs its implementation once the windows exist; with nothing
// installed nothing is shown and no dialog counts as open.
#pragma once

#include <atomic>
#include <string>

#include "engine/last_update_record.h"

namespace orvane {

class EngineUiSink {
  public:
    virtual ~EngineUiSink() = default;
    // Any thread: shows the record in the status dialog if it is open.
    virtual void RefreshStatusDialog(const LastUpdateRecord& record) = 0;
    // Any thread: a modal box with an information icon, owned by the clock
    // window; returns when the user has dismissed it.
    virtual void ShowInformationBox(const std::string& text, const std::string& caption) = 0;
    // Any thread: whether the configuration dialog is open now.
    virtual bool IsConfigurationDialogOpen() = 0;
};

namespace engine_ui_sink_detail {
inline std::atomic<EngineUiSink*>& Installed() {
    static std::atomic<EngineUiSink*> installed{nullptr};
    return installed;
}
}  // namespace engine_ui_sink_detail

inline void UseEngineUiSink(EngineUiSink* sink) {
    engine_ui_sink_detail::Installed().store(sink);
}
// Null while nothing is installed.
inline EngineUiSink* TheEngineUiSink() {
    return engine_ui_sink_detail::Installed().load();
}

}  // namespace orvane
