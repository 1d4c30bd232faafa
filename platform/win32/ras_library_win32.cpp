#include "platform/win32/ras_library_win32.h"

#include <windows.h>

#include <cstring>
#include <mutex>

#include "platform/unicode_text.h"
#include "platform/win32/ras_records_win32.h"
#include "platform/win32/system_library.h"
#include "platform/win32/wide_text.h"

namespace orvane {

namespace rr = ras_records;

namespace {

constexpr char kLibraryName[] = "rasapi32.dll";

// RasDial takes a plain function; one dial runs at a time, so the current
// notifier is kept here for it.
std::mutex& NotifierMutex() {
    static std::mutex* mutex = new std::mutex;  // never destroyed: RAS threads outlive main
    return *mutex;
}
RasDialNotifier& CurrentNotifier() {
    static RasDialNotifier* notifier = new RasDialNotifier;
    return *notifier;
}

VOID WINAPI DialNotice(UINT message, DWORD state, DWORD error) {
    RasDialNotifier notifier;
    {
        std::lock_guard<std::mutex> lock(NotifierMutex());
        notifier = CurrentNotifier();
    }
    if (notifier)
        notifier(message, static_cast<int>(state), error);
}

// A record's text field from UTF-8: cut to the field's units, never inside
// a character, and always terminated.
template <std::size_t N>
void CopyToWideField(WCHAR (&field)[N], const std::string& text) {
    const std::wstring wide = Widen(CutToUtf16Units(text, N - 1));
    const std::size_t length = wide.size() < N - 1 ? wide.size() : N - 1;
    wide.copy(field, length);
    field[length] = L'\0';
}

// A record's text field as UTF-8, never read past the field's end: the
// library may leave a full one without a terminator.
template <std::size_t N>
std::string WideFieldText(const WCHAR (&field)[N]) {
    return Narrow(field, static_cast<int>(N));
}

}  // namespace

struct Win32RasLibrary::Entries {
    HMODULE module = nullptr;
    rr::EnumConnectionsFunction enum_connections = nullptr;
    rr::GetErrorStringFunction get_error_string = nullptr;
    rr::EnumEntriesFunction enum_entries = nullptr;
    rr::GetEntryDialParamsFunction get_entry_dial_params = nullptr;
    rr::HangUpFunction hang_up = nullptr;
    rr::GetConnectStatusFunction get_connect_status = nullptr;
    rr::DialFunction dial = nullptr;
};

Win32RasLibrary::Win32RasLibrary() : entries_(new Entries) {}

Win32RasLibrary::~Win32RasLibrary() = default;

bool Win32RasLibrary::Load() {
    if (entries_->module != nullptr)
        return true;
    entries_->module = LoadSystemLibrary(kLibraryName);
    return entries_->module != nullptr;
}

bool Win32RasLibrary::Free() {
    HMODULE module = entries_->module;
    *entries_ = Entries();
    return module != nullptr && FreeLibrary(module) != 0;
}

bool Win32RasLibrary::Find(RasFunction function) {
    Entries& e = *entries_;
    if (e.module == nullptr)
        return false;
    FARPROC address = GetProcAddress(e.module, RasFunctionExportName(function));
    if (address == nullptr)
        return false;
    // Each is cast to its own exported signature.
    switch (function) {
        case RasFunction::kEnumConnections:
            e.enum_connections =
                reinterpret_cast<rr::EnumConnectionsFunction>(reinterpret_cast<void*>(address));
            break;
        case RasFunction::kGetErrorString:
            e.get_error_string =
                reinterpret_cast<rr::GetErrorStringFunction>(reinterpret_cast<void*>(address));
            break;
        case RasFunction::kEnumEntries:
            e.enum_entries =
                reinterpret_cast<rr::EnumEntriesFunction>(reinterpret_cast<void*>(address));
            break;
        case RasFunction::kGetEntryDialParams:
            e.get_entry_dial_params =
                reinterpret_cast<rr::GetEntryDialParamsFunction>(reinterpret_cast<void*>(address));
            break;
        case RasFunction::kHangUp:
            e.hang_up = reinterpret_cast<rr::HangUpFunction>(reinterpret_cast<void*>(address));
            break;
        case RasFunction::kGetConnectStatus:
            e.get_connect_status =
                reinterpret_cast<rr::GetConnectStatusFunction>(reinterpret_cast<void*>(address));
            break;
        case RasFunction::kDial:
            e.dial = reinterpret_cast<rr::DialFunction>(reinterpret_cast<void*>(address));
            break;
    }
    return true;
}

std::uint32_t Win32RasLibrary::EnumConnections(std::size_t room,
                                               std::vector<RasConnectionEntry>& connections,
                                               std::size_t& wanted) {
    if (entries_->enum_connections == nullptr)
        return kRasErrorModuleNotFound;
    if (room == 0)
        room = 1;
    std::vector<rr::ConnectionRecord> records(room);
    std::memset(records.data(), 0, room * sizeof(rr::ConnectionRecord));
    records[0].dwSize = sizeof(rr::ConnectionRecord);
    DWORD bytes = static_cast<DWORD>(room * sizeof(rr::ConnectionRecord));
    DWORD count = 0;
    const DWORD answer = entries_->enum_connections(records.data(), &bytes, &count);
    // The library tells the room it needs in bytes, and sometimes in records.
    const std::size_t by_bytes =
        (bytes + sizeof(rr::ConnectionRecord) - 1) / sizeof(rr::ConnectionRecord);
    wanted = by_bytes > count ? by_bytes : count;
    if (answer != 0)
        return answer;
    if (count > room)
        count = static_cast<DWORD>(room);
    for (DWORD i = 0; i < count; ++i) {
        connections.push_back({reinterpret_cast<RasConnectionHandle>(records[i].hrasconn),
                               WideFieldText(records[i].szEntryName)});
    }
    return 0;
}

std::uint32_t Win32RasLibrary::GetErrorString(std::uint32_t error, std::size_t buffer_size,
                                              std::string& text) {
    if (entries_->get_error_string == nullptr)
        return kRasErrorModuleNotFound;
    if (buffer_size == 0)
        buffer_size = 1;
    std::vector<WCHAR> buffer(buffer_size, L'\0');
    const DWORD answer =
        entries_->get_error_string(error, buffer.data(), static_cast<DWORD>(buffer_size));
    if (answer == 0)
        text = Narrow(buffer.data(), static_cast<int>(buffer_size));
    return answer;
}

std::uint32_t Win32RasLibrary::EnumEntries(std::size_t room, std::vector<std::string>& names,
                                           std::size_t& wanted) {
    if (entries_->enum_entries == nullptr)
        return kRasErrorModuleNotFound;
    if (room == 0)
        room = 1;
    std::vector<rr::EntryNameRecord> records(room);
    std::memset(records.data(), 0, room * sizeof(rr::EntryNameRecord));
    records[0].dwSize = sizeof(rr::EntryNameRecord);
    DWORD bytes = static_cast<DWORD>(room * sizeof(rr::EntryNameRecord));
    DWORD count = 0;
    const DWORD answer = entries_->enum_entries(nullptr, nullptr, records.data(), &bytes, &count);
    const std::size_t by_bytes =
        (bytes + sizeof(rr::EntryNameRecord) - 1) / sizeof(rr::EntryNameRecord);
    wanted = by_bytes > count ? by_bytes : count;
    if (answer != 0)
        return answer;
    if (count > room)
        count = static_cast<DWORD>(room);
    for (DWORD i = 0; i < count; ++i)
        names.push_back(WideFieldText(records[i].szEntryName));
    return 0;
}

std::uint32_t Win32RasLibrary::GetEntryDialParams(RasDialParameters& params,
                                                  bool& password_stored) {
    if (entries_->get_entry_dial_params == nullptr)
        return kRasErrorModuleNotFound;
    rr::DialParamsRecord record;
    std::memset(&record, 0, sizeof record);
    record.dwSize = sizeof record;
    CopyToWideField(record.szEntryName, params.entry_name);
    BOOL stored = FALSE;
    const DWORD answer = entries_->get_entry_dial_params(nullptr, &record, &stored);
    if (answer != 0)
        return answer;
    params.entry_name = WideFieldText(record.szEntryName);
    params.phone_number = WideFieldText(record.szPhoneNumber);
    params.callback_number = WideFieldText(record.szCallbackNumber);
    params.user_name = WideFieldText(record.szUserName);
    params.password = WideFieldText(record.szPassword);
    params.domain = WideFieldText(record.szDomain);
    SecureZeroMemory(record.szPassword, sizeof record.szPassword);
    password_stored = stored != FALSE;
    return 0;
}

std::uint32_t Win32RasLibrary::HangUp(RasConnectionHandle handle) {
    if (entries_->hang_up == nullptr)
        return kRasErrorModuleNotFound;
    return entries_->hang_up(reinterpret_cast<HANDLE>(handle));
}

std::uint32_t Win32RasLibrary::GetConnectStatus(RasConnectionHandle handle, int& state) {
    if (entries_->get_connect_status == nullptr)
        return kRasErrorModuleNotFound;
    rr::ConnectionStatusRecord record;
    std::memset(&record, 0, sizeof record);
    record.dwSize = sizeof record;
    const DWORD answer = entries_->get_connect_status(reinterpret_cast<HANDLE>(handle), &record);
    if (answer == 0)
        state = static_cast<int>(record.rasconnstate);
    return answer;
}

std::uint32_t Win32RasLibrary::Dial(const RasDialParameters& params, RasDialNotifier notifier,
                                    RasConnectionHandle& handle) {
    if (entries_->dial == nullptr)
        return kRasErrorModuleNotFound;
    rr::DialParamsRecord record;
    std::memset(&record, 0, sizeof record);
    record.dwSize = sizeof record;
    CopyToWideField(record.szEntryName, params.entry_name);
    CopyToWideField(record.szPhoneNumber, params.phone_number);
    CopyToWideField(record.szCallbackNumber, params.callback_number);
    CopyToWideField(record.szUserName, params.user_name);
    CopyToWideField(record.szPassword, params.password);
    CopyToWideField(record.szDomain, params.domain);
    {
        std::lock_guard<std::mutex> lock(NotifierMutex());
        CurrentNotifier() = std::move(notifier);
    }
    HANDLE connection = nullptr;
    // Notifier type 0: the function receives message, state and error.
    const DWORD answer = entries_->dial(nullptr, nullptr, &record, 0,
                                        reinterpret_cast<LPVOID>(&DialNotice), &connection);
    SecureZeroMemory(record.szPassword, sizeof record.szPassword);
    handle = reinterpret_cast<RasConnectionHandle>(connection);
    return answer;
}

RasLibraryMaker Win32RasLibraryMaker() {
    return []() -> std::unique_ptr<RasLibrary> { return std::make_unique<Win32RasLibrary>(); };
}

}  // namespace orvane
