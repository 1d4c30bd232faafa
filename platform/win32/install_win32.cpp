#include "platform/win32/install_win32.h"

#include <winsock2.h>
#include <windows.h>

#include <string>

#include "platform/clock.h"
#include "platform/event_log.h"
#include "platform/file_system.h"
#include "platform/interface_slot.h"
#include "platform/local_networks.h"
#include "platform/name_lookup.h"
#include "platform/os_version.h"
#include "platform/process_privileges.h"
#include "platform/registry.h"
#include "platform/service_control.h"
#include "platform/time_service_pipe.h"
#include "platform/ui_sinks.h"
#include "platform/win32/clock_win32.h"
#include "platform/win32/event_log_win32.h"
#include "platform/win32/file_system_win32.h"
#include "platform/win32/local_networks_win32.h"
#include "platform/win32/name_lookup_win32.h"
#include "platform/win32/os_version_win32.h"
#include "platform/win32/process_privileges_win32.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/service_control_win32.h"
#include "platform/win32/time_service_pipe_win32.h"
#include "platform/win32/ui_sinks_win32.h"
#include "platform/win32/wide_text.h"

namespace orvane {

namespace {

const char* missing_interface_caption = "Orvane";

// A GUI program has no console: the wiring mistake is shown in a box.
void ShowMissingInterface(const char* interface_name) {
    const std::string text =
        std::string("Internal error: no ") + interface_name + " was installed in this program.";
    MessageBoxUtf8(nullptr, text, missing_interface_caption, MB_OK | MB_ICONERROR);
    // Not 0: whatever started the program must not take this for a clean end.
    ExitProcess(3);
}

}  // namespace

void InstallWin32Platform(const char* program_name) {
    missing_interface_caption = program_name;
    SetMissingInterfaceHandler(&ShowMissingInterface);
    UseClock(new Win32Clock);
    UseRegistry(new Win32Registry);
    UseFileSystem(new Win32FileSystem);
    UseEventLog(new Win32EventLog);
    UseNameLookup(new Win32NameLookup);
    UseOsVersion(new Win32OsVersion);
    UseServiceControl(new Win32ServiceControl);
    UseProcessPrivileges(new Win32ProcessPrivileges);
    UseLocalNetworks(new Win32LocalNetworks);
    UseTimeServicePipe(new Win32TimeServicePipe);
    UseMessageBoxSink(new Win32MessageBoxSink);
    UseProcessExit(new Win32ProcessExit);
}

}  // namespace orvane
