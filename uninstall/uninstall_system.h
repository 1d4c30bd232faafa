// What the uninstaller's work needs from the system besides the registry,
// the version query (platform/os_version.h) and the service manager
// (platform/service_control.h): the shell folders, file and folder removal
// with deletion at the next restart, and the running Orvane window.
// Uninstall.exe installs the real one; unit tests install an in-memory one.
#pragma once

#include "platform/interface_slot.h"
#include "platform/shell_folder.h"

#include <cstdlib>
#include <string>

namespace orvane {

class UninstallSystem {
  public:
    virtual ~UninstallSystem() = default;

    // The folder's path, empty when the shell cannot say.
    virtual std::string FindShellFolder(ShellFolder folder) = 0;

    // 0 when done, else the Windows error code: 2 or 3 when the item is
    // not there, 145 for a folder not empty, 5 or 32 for a file in use.
    virtual int DeleteOneFile(const std::string& path) = 0;
    virtual int RemoveFolder(const std::string& path) = 0;
    // Asks for the file or folder to be deleted at the next restart (NT
    // family); false when that could not be recorded.
    virtual bool DeleteAtRestart(const std::string& path) = 0;
    // The 8.3 form of an existing path; false when it does not exist.
    virtual bool GetShortPath(const std::string& path, std::string* short_path) = 0;
    // Opens the text file for appending (creating it when missing), writes
    // the text, closes it; false when it could not be opened.
    virtual bool AppendText(const std::string& path, const std::string& text) = 0;

    // The top-level window of Orvane ("Orvane Window Class").
    virtual bool ProgramWindowExists() = 0;
    virtual void PostCloseToProgramWindow() = 0;
    virtual void Sleep(int milliseconds) = 0;
};

inline InterfaceSlot<UninstallSystem> installed_uninstall_system{"uninstall system"};
inline void UseUninstallSystem(UninstallSystem* implementation) {
    installed_uninstall_system.Install(implementation);
}
inline UninstallSystem& TheUninstallSystem() {
    return installed_uninstall_system.Get();
}

// What the user sees of the work: the progress window's label, bar and
// Close button. Called from the worker thread.
class UninstallProgressView {
  public:
    virtual ~UninstallProgressView() = default;
    virtual void SetLabel(const std::string& text) = 0;
    virtual void SetPosition(int position) = 0;
    virtual void EnableClose() = 0;
    // Shows the text (IncompleteUninstallText) in an error box.
    virtual void ReportIncomplete(const std::string& text) = 0;
};

}  // namespace orvane
