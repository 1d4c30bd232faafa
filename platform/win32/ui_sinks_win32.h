// The real message box and process end. The error window's side belongs
// to the user interface, which installs its own ErrorWindowSink.
#pragma once

#include "platform/ui_sinks.h"

namespace orvane {

class Win32MessageBoxSink : public MessageBoxSink {
  public:
    void Beep(unsigned icon_type) override;
    int ShowMessageBox(const std::string& text, const std::string& caption,
                       unsigned style) override;
};

class Win32ProcessExit : public ProcessExit {
  public:
    void Exit(unsigned code) override;
};

}  // namespace orvane
