#include "platform/win32/event_log_win32.h"

#include <winsock2.h>
#include <windows.h>

#include <string>

#include "platform/win32/wide_text.h"

namespace orvane {

namespace {

// The caller takes 0 for success, so a failure the OS gives no code for
// must still be reported as a failure.
int FailureCode() {
    DWORD code = ::GetLastError();
    return code != 0 ? static_cast<int>(code) : ERROR_GEN_FAILURE;
}

HANDLE Handle(EventSourceHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

int Win32EventLog::RegisterSource(const char* source_name, EventSourceHandle* handle) {
    if (handle == nullptr || source_name == nullptr)
        return ERROR_INVALID_PARAMETER;
    *handle = kNoEventSource;
    HANDLE source = ::RegisterEventSourceW(nullptr, Widen(source_name).c_str());
    if (source == nullptr)
        return FailureCode();
    *handle = reinterpret_cast<EventSourceHandle>(source);
    return 0;
}

int Win32EventLog::ReportEntry(EventSourceHandle handle, EventType type, std::uint16_t category,
                               std::uint32_t identifier, const char* text) {
    // The W call keeps every character of the text in the log, whatever
    // the code page of the computer that reads it.
    const std::wstring wide = Widen(text != nullptr ? text : "");
    LPCWSTR strings[1] = {wide.c_str()};
    if (!::ReportEventW(Handle(handle), static_cast<WORD>(type), category, identifier, nullptr, 1,
                        0, strings, nullptr)) {
        return FailureCode();
    }
    return 0;
}

int Win32EventLog::DeregisterSource(EventSourceHandle handle) {
    if (!::DeregisterEventSource(Handle(handle)))
        return FailureCode();
    return 0;
}

}  // namespace orvane
