#include "platform/win32/service_control_win32.h"

#include <winsock2.h>
#include <windows.h>

#include "platform/win32/service_trigger_records.h"
#include "platform/win32/wide_text.h"

#include <array>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace orvane {

namespace {

SC_HANDLE AsHandle(ServiceHandle handle) {
    return reinterpret_cast<SC_HANDLE>(handle);
}

ServiceHandle FromHandle(SC_HANDLE handle) {
    return reinterpret_cast<ServiceHandle>(handle);
}

int LastErrorOr(int fallback) {
    const DWORD error = GetLastError();
    return error != 0 ? static_cast<int>(error) : fallback;
}

// Null for an empty text: the manager then uses its default (LocalSystem
// for the account).
const wchar_t* TextOrNull(const std::wstring& text) {
    return text.empty() ? nullptr : text.c_str();
}

// Built-in service accounts have no password; an empty one says so.
const wchar_t* PasswordFor(const std::wstring& account) {
    return account.empty() ? nullptr : L"";
}

// The texts of a service's configuration in UTF-16: the command line
// holds the installation's path, which may be in any language.
struct WideServiceConfig {
    explicit WideServiceConfig(const OwnServiceConfig& config)
        : name(Widen(config.name)),
          display_name(Widen(config.display_name)),
          command_line(Widen(config.command_line)),
          account(Widen(config.account)) {}
    std::wstring name;
    std::wstring display_name;
    std::wstring command_line;
    std::wstring account;
};

// QueryServiceConfig2W of `level` into `buffer`, grown until the answer
// fits: the setting may change between the calls.
int QueryConfig2(ServiceHandle service, DWORD level, std::vector<BYTE>& buffer) {
    DWORD needed = 0;
    if (buffer.empty())
        buffer.resize(64);
    while (!QueryServiceConfig2W(AsHandle(service), level, buffer.data(),
                                 static_cast<DWORD>(buffer.size()), &needed)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= buffer.size())
            return LastErrorOr(ERROR_INVALID_HANDLE);
        buffer.resize(needed);
    }
    return 0;
}

// A GUID's 16 bytes in the memory order Windows keeps it in, whatever the
// order of this machine.
void GuidToBytes(const GUID& guid, std::array<std::uint8_t, 16>& bytes) {
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<std::uint8_t>(guid.Data1 >> (8 * i));
    for (int i = 0; i < 2; ++i) {
        bytes[4 + i] = static_cast<std::uint8_t>(guid.Data2 >> (8 * i));
        bytes[6 + i] = static_cast<std::uint8_t>(guid.Data3 >> (8 * i));
    }
    for (int i = 0; i < 8; ++i)
        bytes[8 + i] = guid.Data4[i];
}

GUID GuidFromBytes(const std::array<std::uint8_t, 16>& bytes) {
    GUID guid = {};
    for (int i = 3; i >= 0; --i)
        guid.Data1 = (guid.Data1 << 8) | bytes[i];
    guid.Data2 = static_cast<unsigned short>(bytes[4] | (bytes[5] << 8));
    guid.Data3 = static_cast<unsigned short>(bytes[6] | (bytes[7] << 8));
    for (int i = 0; i < 8; ++i)
        guid.Data4[i] = bytes[8 + i];
    return guid;
}

}  // namespace

int Win32ServiceControl::OpenManager(ServiceHandle* manager) {
    SC_HANDLE opened = OpenSCManagerW(nullptr, L"ServicesActive", SC_MANAGER_ALL_ACCESS);
    if (opened == nullptr)
        return LastErrorOr(ERROR_ACCESS_DENIED);
    *manager = FromHandle(opened);
    return 0;
}

int Win32ServiceControl::OpenNamedService(ServiceHandle manager, const char* name,
                                          std::uint32_t access, ServiceHandle* service) {
    SC_HANDLE opened = OpenServiceW(AsHandle(manager), Widen(name != nullptr ? name : "").c_str(), access);
    if (opened == nullptr)
        return LastErrorOr(ERROR_SERVICE_DOES_NOT_EXIST);
    *service = FromHandle(opened);
    return 0;
}

int Win32ServiceControl::SendStop(ServiceHandle service, std::uint32_t* state) {
    SERVICE_STATUS status = {};
    if (!ControlService(AsHandle(service), SERVICE_CONTROL_STOP, &status)) {
        return LastErrorOr(ERROR_INVALID_HANDLE);
    }
    *state = status.dwCurrentState;
    return 0;
}

int Win32ServiceControl::QueryState(ServiceHandle service, std::uint32_t* state) {
    SERVICE_STATUS status = {};
    if (!QueryServiceStatus(AsHandle(service), &status))
        return LastErrorOr(ERROR_INVALID_HANDLE);
    *state = status.dwCurrentState;
    return 0;
}

int Win32ServiceControl::ChangeStartType(ServiceHandle service, std::uint32_t start_type,
                                         const char* display_name) {
    const std::wstring wide_display_name = Widen(display_name != nullptr ? display_name : "");
    if (!ChangeServiceConfigW(AsHandle(service), SERVICE_NO_CHANGE, start_type, SERVICE_NO_CHANGE,
                              nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                              display_name != nullptr ? wide_display_name.c_str() : nullptr)) {
        return LastErrorOr(ERROR_INVALID_HANDLE);
    }
    return 0;
}

int Win32ServiceControl::QueryStartType(ServiceHandle service, std::uint32_t* start_type) {
    std::vector<BYTE> buffer(sizeof(QUERY_SERVICE_CONFIGW));
    DWORD needed = 0;
    while (!QueryServiceConfigW(AsHandle(service),
                                reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data()),
                                static_cast<DWORD>(buffer.size()), &needed)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= buffer.size())
            return LastErrorOr(ERROR_INVALID_HANDLE);
        buffer.resize(needed);
    }
    *start_type = reinterpret_cast<const QUERY_SERVICE_CONFIGW*>(buffer.data())->dwStartType;
    return 0;
}

int Win32ServiceControl::QueryTriggers(ServiceHandle service,
                                       std::vector<ServiceTrigger>* triggers) {
    namespace tr = trigger_records;
    // Pointer-aligned: the answer holds pointers into itself.
    std::vector<BYTE> buffer(sizeof(tr::TriggerInfo) + 1024);
    const int error = QueryConfig2(service, SERVICE_CONFIG_TRIGGER_INFO, buffer);
    if (error != 0)
        return error;
    tr::TriggerInfo info;
    std::memcpy(&info, buffer.data(), sizeof info);
    std::vector<ServiceTrigger> read;
    for (DWORD i = 0; i < info.cTriggers && info.pTriggers != nullptr; ++i) {
        const tr::Trigger& from = info.pTriggers[i];
        ServiceTrigger trigger;
        trigger.type = from.dwTriggerType;
        trigger.action = from.dwAction;
        trigger.has_subtype = from.pTriggerSubtype != nullptr;
        if (trigger.has_subtype)
            GuidToBytes(*from.pTriggerSubtype, trigger.subtype);
        for (DWORD j = 0; j < from.cDataItems && from.pDataItems != nullptr; ++j) {
            const tr::TriggerDataItem& item = from.pDataItems[j];
            ServiceTriggerData data;
            data.type = item.dwDataType;
            if (item.pData != nullptr)
                data.bytes.assign(item.pData, item.pData + item.cbData);
            trigger.data.push_back(std::move(data));
        }
        read.push_back(std::move(trigger));
    }
    *triggers = std::move(read);
    return 0;
}

int Win32ServiceControl::SetTriggers(ServiceHandle service,
                                     const std::vector<ServiceTrigger>& triggers) {
    namespace tr = trigger_records;
    // The records point into these, which live until the call returns.
    std::vector<GUID> subtypes(triggers.size());
    std::vector<std::vector<tr::TriggerDataItem>> items(triggers.size());
    std::vector<tr::Trigger> records(triggers.size());
    for (std::size_t i = 0; i < triggers.size(); ++i) {
        const ServiceTrigger& from = triggers[i];
        subtypes[i] = GuidFromBytes(from.subtype);
        for (const ServiceTriggerData& data : from.data) {
            tr::TriggerDataItem item = {};
            item.dwDataType = data.type;
            item.cbData = static_cast<DWORD>(data.bytes.size());
            item.pData = data.bytes.empty() ? nullptr : const_cast<BYTE*>(data.bytes.data());
            items[i].push_back(item);
        }
        tr::Trigger& record = records[i];
        record.dwTriggerType = from.type;
        record.dwAction = from.action;
        record.pTriggerSubtype = from.has_subtype ? &subtypes[i] : nullptr;
        record.cDataItems = static_cast<DWORD>(items[i].size());
        record.pDataItems = items[i].empty() ? nullptr : items[i].data();
    }
    tr::TriggerInfo info = {};
    info.cTriggers = static_cast<DWORD>(records.size());
    info.pTriggers = records.empty() ? nullptr : records.data();
    info.pReserved = nullptr;
    if (!ChangeServiceConfig2W(AsHandle(service), SERVICE_CONFIG_TRIGGER_INFO, &info))
        return LastErrorOr(ERROR_INVALID_HANDLE);
    return 0;
}

void Win32ServiceControl::CloseHandle(ServiceHandle handle) {
    if (handle != kNoServiceHandle)
        CloseServiceHandle(AsHandle(handle));
}

void Win32ServiceControl::Pause(int milliseconds) {
    Sleep(static_cast<DWORD>(milliseconds));
}

int Win32ServiceControl::CreateOwnService(ServiceHandle manager, const OwnServiceConfig& config,
                                          ServiceHandle* service) {
    const WideServiceConfig wide(config);
    SC_HANDLE created = CreateServiceW(
        AsHandle(manager), wide.name.c_str(), wide.display_name.c_str(), SERVICE_ALL_ACCESS,
        SERVICE_WIN32_OWN_PROCESS, config.start_type, SERVICE_ERROR_NORMAL,
        wide.command_line.c_str(), nullptr, nullptr, nullptr, TextOrNull(wide.account),
        PasswordFor(wide.account));
    if (created == nullptr)
        return LastErrorOr(ERROR_INVALID_HANDLE);
    *service = FromHandle(created);
    return 0;
}

int Win32ServiceControl::ChangeOwnServiceConfig(ServiceHandle service,
                                                const OwnServiceConfig& config) {
    const WideServiceConfig wide(config);
    if (!ChangeServiceConfigW(AsHandle(service), SERVICE_WIN32_OWN_PROCESS, config.start_type,
                              SERVICE_ERROR_NORMAL, wide.command_line.c_str(), nullptr, nullptr,
                              nullptr, TextOrNull(wide.account), PasswordFor(wide.account),
                              wide.display_name.c_str())) {
        return LastErrorOr(ERROR_INVALID_HANDLE);
    }
    return 0;
}

int Win32ServiceControl::SetDescription(ServiceHandle service, const char* description) {
    SERVICE_DESCRIPTIONW info = {};
    std::wstring text = Widen(description != nullptr ? description : "");
    info.lpDescription = &text[0];
    if (!ChangeServiceConfig2W(AsHandle(service), SERVICE_CONFIG_DESCRIPTION, &info))
        return LastErrorOr(ERROR_INVALID_HANDLE);
    return 0;
}

int Win32ServiceControl::SetRequiredPrivileges(ServiceHandle service,
                                               const std::vector<std::string>& privileges) {
    // A multi-string: each name with its terminator, then one more.
    std::wstring names;
    for (const std::string& name : privileges) {
        names += Widen(name);
        names.push_back(L'\0');
    }
    names.push_back(L'\0');
    SERVICE_REQUIRED_PRIVILEGES_INFOW info = {};
    info.pmszRequiredPrivileges = &names[0];
    if (!ChangeServiceConfig2W(AsHandle(service), SERVICE_CONFIG_REQUIRED_PRIVILEGES_INFO, &info))
        return LastErrorOr(ERROR_INVALID_HANDLE);
    return 0;
}

int Win32ServiceControl::SetRestartOnFailure(ServiceHandle service,
                                             std::uint32_t reset_period_seconds,
                                             std::uint32_t restart_delay_ms) {
    // The manager repeats the last action for every later failure.
    SC_ACTION actions[3];
    for (SC_ACTION& action : actions) {
        action.Type = SC_ACTION_RESTART;
        action.Delay = restart_delay_ms;
    }
    SERVICE_FAILURE_ACTIONSW info = {};
    info.dwResetPeriod = reset_period_seconds;
    info.cActions = 3;
    info.lpsaActions = actions;
    if (!ChangeServiceConfig2W(AsHandle(service), SERVICE_CONFIG_FAILURE_ACTIONS, &info))
        return LastErrorOr(ERROR_INVALID_HANDLE);
    // Also after a stop with an error code, not only after a crash. A
    // manager that lacks this setting still restarts after crashes.
    SERVICE_FAILURE_ACTIONS_FLAG flag = {};
    flag.fFailureActionsOnNonCrashFailures = TRUE;
    ChangeServiceConfig2W(AsHandle(service), SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &flag);
    return 0;
}

int Win32ServiceControl::QueryRequiredPrivileges(ServiceHandle service,
                                                 std::vector<std::string>* privileges) {
    privileges->clear();
    std::vector<BYTE> buffer(sizeof(SERVICE_REQUIRED_PRIVILEGES_INFOW) + 256);
    const int error = QueryConfig2(service, SERVICE_CONFIG_REQUIRED_PRIVILEGES_INFO, buffer);
    if (error != 0)
        return error;
    const auto* info = reinterpret_cast<const SERVICE_REQUIRED_PRIVILEGES_INFOW*>(buffer.data());
    // A multi-string: names each with its terminator, an empty one last.
    for (const wchar_t* name = info->pmszRequiredPrivileges; name != nullptr && *name != L'\0';
         name += std::wcslen(name) + 1) {
        privileges->push_back(Narrow(name));
    }
    return 0;
}

int Win32ServiceControl::Start(ServiceHandle service) {
    if (!StartServiceW(AsHandle(service), 0, nullptr))
        return LastErrorOr(ERROR_INVALID_HANDLE);
    return 0;
}

int Win32ServiceControl::Delete(ServiceHandle service) {
    if (!DeleteService(AsHandle(service)))
        return LastErrorOr(ERROR_INVALID_HANDLE);
    return 0;
}

}  // namespace orvane
