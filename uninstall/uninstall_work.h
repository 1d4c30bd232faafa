// The uninstaller's work, run on its worker thread once the user has said
// Yes: close a running Orvane, remove the installed files, shortcuts and
// registry entries (the Orvane Time Service's event source with them; the
// program's own source "Orvane" stays), mark the product as not installed
// and give the Windows Time service back what Setup recorded of it (without
// a record, automatic start), then start it.
#pragma once

#include <string>
#include <vector>

#include "uninstall/uninstall_system.h"

namespace orvane {

namespace uninstall {
constexpr char kProductKey[] = "Software\\Pellmoor\\Orvane";
constexpr char kKestrineKey[] = "Software\\Pellmoor\\Kestrine";
constexpr char kAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr char kInstalledValue[] = "Program is installed";
constexpr char kEventLogApplicationKey[] =
    "System\\CurrentControlSet\\Services\\EventLog\\Application";
}  // namespace uninstall

constexpr char kRemovingTimeServiceLabel[] = "Removing the Orvane Time Service";
constexpr char kUninstallSuccessful[] = "Uninstallation successful";
constexpr char kUninstallIncomplete[] = "Uninstallation incomplete";

// Posts WM_CLOSE to a running Orvane and waits up to three seconds, one
// second at a time and only while its window is still there.
void CloseOrvaneBeforeUninstall();

// The Programs and Startup folders the installation put its shortcuts in;
// empty when the shell cannot say.
std::string FindInstalledProgramsFolder();
std::string FindInstalledStartupFolder();

// True when the sibling time server is installed: its key opens and its
// `Program is installed` reads as the number 1.
bool IsKestrineInstalled();

// Every step, in order, each going on after the others' failures (where
// Windows runs the Orvane Time Service, that is stopped and deleted first
// and its program deleted with the other files); ends
// with position 100 and the Close button enabled, labelled "Uninstallation
// successful" when every item was removed or scheduled for removal and
// every setting given back, else "Uninstallation incomplete" with the
// report below.
void RunUninstallWork(UninstallProgressView& view);

// The line for an Orvane Time Service that could not be removed.
std::string TimeServiceLeftover(int error);

// "Uninstallation incomplete", then one line per item left behind.
std::string IncompleteUninstallText(const std::vector<std::string>& leftovers);

}  // namespace orvane
