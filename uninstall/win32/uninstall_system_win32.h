// The real system behind the uninstaller's work.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "uninstall/uninstall_system.h"

namespace orvane {

class Win32UninstallSystem : public UninstallSystem {
  public:
    std::string FindShellFolder(ShellFolder folder) override;
    int DeleteOneFile(const std::string& path) override;
    int RemoveFolder(const std::string& path) override;
    bool DeleteAtRestart(const std::string& path) override;
    bool GetShortPath(const std::string& path, std::string* short_path) override;
    bool AppendText(const std::string& path, const std::string& text) override;
    bool ProgramWindowExists() override;
    void PostCloseToProgramWindow() override;
    void Sleep(int milliseconds) override;

    // What DeleteAtRestart has scheduled so far, in order.
    std::vector<std::string> ScheduledForRestart();

  private:
    std::mutex scheduled_mutex_;
    std::vector<std::string> scheduled_;
};

}  // namespace orvane
