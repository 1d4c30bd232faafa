// What the synchronisation engine needs from the user interface. The
// program installs its implementation once the windows exist; with nothing
// installed nothing is shown and no dialog counts as open.
#pragma once

#include "platform/interface_slot.h"

#include <string>

#include "engine/last_update_record.h"

namespace orvane {

class EngineUiSink {
  public:
    virtual ~EngineUiSink() = default;
    // Any thread: shows the record in the status dialog if it is open.
    virtual void RefreshStatusDialog(const LastUpdateRecord& record) = 0;
    // Any thread: asks the user-interface thread for a box with an
    // information icon, owned by the clock window, and returns at once; the
    // caller holds nothing while the user reads it.
    virtual void PostInformationBox(const std::string& text, const std::string& caption) = 0;
    // Any thread: whether the configuration dialog is open now.
    virtual bool IsConfigurationDialogOpen() = 0;
    // Any thread but the user interface's: asks the question in a box with
    // Yes and No and a warning icon, owned by the clock window, and waits
    // for the answer. True for Yes; false for No or when no box could be
    // shown (no clock window).
    virtual bool AskYesNoQuestion(const std::string& text, const std::string& caption) {
        (void)text;
        (void)caption;
        return false;
    }
};

inline InterfaceSlot<EngineUiSink> installed_engine_ui_sink{"engine user-interface sink"};
inline void UseEngineUiSink(EngineUiSink* implementation) {
    installed_engine_ui_sink.Install(implementation);
}
inline EngineUiSink& TheEngineUiSink() {
    return installed_engine_ui_sink.Get();
}

}  // namespace orvane
