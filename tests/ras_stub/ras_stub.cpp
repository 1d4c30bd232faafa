// A stand-in for rasapi32.dll, for tests under Wine. It exports the seven
// Remote Access functions the program uses, in their wide forms, and acts
// out a script: the file named by ORVANE_RAS_SCRIPT (UTF-8), read afresh on
// every call so a test can bring connections up or down while the program
// runs. A word may be put in double quotes to hold spaces. Lines:
//   entry <name> [<phone> [<user> [<password>]]]   a phone-book entry
//   connection <handle> <name> [<state>]           a connection made outside
//   error <number> <text...>                       a RAS error's text
//   dial <state>,<state>,...                       states a dial goes through
//   dial-error <number>                            reported after the last state
//   delay <ms>                                     pause before each notice
// A dial whose states end neither in 8192 nor with an error waits at the
// last state until it is hung up. What happens is appended to the file
// named by ORVANE_RAS_LOG (UTF-8): dials with their parameters, each notice
// with the progress dialog's text and visibility a moment later, hang-ups.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

// Built from the SDK header's own records, not the program's: a program
// whose records do not match the SDK's first published wide layouts gets
// 632.
#include "platform/win32/ras_sdk_layouts.h"
#include "ui/window_names.h"

namespace sdk = orvane::ras_sdk;

namespace {

constexpr DWORD kBufferTooSmall = 603;
constexpr DWORD kInvalidSize = 632;
constexpr DWORD kNoSuchEntry = 623;
constexpr DWORD kInvalidHandle = 6;
constexpr DWORD kInvalidParameter = 87;
constexpr DWORD kConnected = 0x2000;
constexpr UINT kDialEvent = 0xCCCD;

struct Entry {
    std::string name, phone, user, password;
};
struct Connection {
    ULONG_PTR handle = 0;
    std::string name;
    DWORD state = kConnected;
};
struct Script {
    std::vector<Entry> entries;
    std::vector<Connection> connections;
    std::vector<std::pair<DWORD, std::string>> errors;
    std::vector<DWORD> dial_states{0, 1, 5, 14, kConnected};
    DWORD dial_error = 0;
    int delay_ms = 300;
};

std::string Env(const char* name) {
    char buffer[MAX_PATH * 2] = {};
    DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

Script ReadScript() {
    Script script;
    std::ifstream in(Env("ORVANE_RAS_SCRIPT"));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::istringstream words(line);
        std::string keyword;
        words >> keyword;
        if (keyword == "entry") {
            Entry e;
            words >> std::quoted(e.name) >> e.phone >> e.user >> e.password;
            script.entries.push_back(e);
        } else if (keyword == "connection") {
            Connection c;
            words >> c.handle >> std::quoted(c.name);
            DWORD state = 0;
            if (words >> state)
                c.state = state;
            script.connections.push_back(c);
        } else if (keyword == "error") {
            DWORD number = 0;
            words >> number;
            std::string text;
            std::getline(words >> std::ws, text);
            script.errors.push_back({number, text});
        } else if (keyword == "dial") {
            std::string list;
            words >> list;
            script.dial_states.clear();
            std::istringstream states(list);
            std::string item;
            while (std::getline(states, item, ','))
                script.dial_states.push_back(std::stoul(item, nullptr, 0));
        } else if (keyword == "dial-error") {
            words >> script.dial_error;
        } else if (keyword == "delay") {
            words >> script.delay_ms;
        }
    }
    return script;
}

std::mutex log_mutex;
void Log(const std::string& text) {
    std::lock_guard<std::mutex> lock(log_mutex);
    const std::string path = Env("ORVANE_RAS_LOG");
    if (path.empty())
        return;
    std::ofstream out(path, std::ios::app);
    out << text << "\n";
}

// Connections this library's dials brought up, and dials in progress.
std::mutex state_mutex;
std::vector<Connection> dialled;
std::vector<ULONG_PTR> hung_up;
ULONG_PTR next_handle = 0x7000;

bool WasHungUp(ULONG_PTR handle) {
    std::lock_guard<std::mutex> lock(state_mutex);
    for (ULONG_PTR h : hung_up)
        if (h == handle)
            return true;
    return false;
}

std::vector<Connection> AllConnections() {
    std::vector<Connection> all = ReadScript().connections;
    std::lock_guard<std::mutex> lock(state_mutex);
    all.insert(all.end(), dialled.begin(), dialled.end());
    return all;
}

std::wstring Wide(const std::string& utf8) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                      nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) {
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], n);
    }
    return wide;
}

std::string Utf8(const wchar_t* wide) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1)
        return std::string();
    std::string text(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, &text[0], n, nullptr, nullptr);
    text.resize(static_cast<std::size_t>(n) - 1);
    return text;
}

// Cut to the field like a library with no more room would (a test for the
// program's own cuts looks at what arrived).
void Copy(wchar_t* field, std::size_t capacity, const std::string& text) {
    const std::wstring wide = Wide(text);
    const std::size_t length = wide.size() < capacity - 1 ? wide.size() : capacity - 1;
    wide.copy(field, length);
    field[length] = L'\0';
}

std::string DialogState() {
    HWND dialog = FindWindowA(orvane::kDialogWindowClass, "Orvane AutoDial");
    if (dialog == nullptr)
        return "dialog=none";
    // Never blocks on a dialog thread that is busy or ending.
    wchar_t text[200] = {};
    HWND control = GetDlgItem(dialog, 151);
    DWORD_PTR copied = 0;
    if (control == nullptr ||
        !SendMessageTimeoutW(control, WM_GETTEXT, sizeof text / sizeof text[0],
                             reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 1000, &copied)) {
        return std::string("dialog=unresponsive visible=") + (IsWindowVisible(dialog) ? "1" : "0");
    }
    return "text=" + Utf8(text) + " visible=" + (IsWindowVisible(dialog) ? "1" : "0");
}

// The dialog closes at the end of a dial: how long it took to go.
std::string DialogGone() {
    const DWORD start = GetTickCount();
    while (FindWindowA(orvane::kDialogWindowClass, "Orvane AutoDial") != nullptr) {
        if (GetTickCount() - start > 5000)
            return "dialog=open " + DialogState();
        Sleep(20);
    }
    return "dialog=none after " + std::to_string(GetTickCount() - start) + " ms";
}

void RunDial(ULONG_PTR handle, std::string entry, RASDIALFUNC notifier) {
    const Script script = ReadScript();
    DWORD last = 0;
    for (DWORD state : script.dial_states) {
        Sleep(script.delay_ms);
        if (WasHungUp(handle)) {
            Log("dial " + entry + " stopped by hang-up");
            return;
        }
        last = state;
        if (state == kConnected) {
            // Listed as up by the time the program hears of it.
            std::lock_guard<std::mutex> lock(state_mutex);
            dialled.push_back({handle, entry, kConnected});
        }
        notifier(kDialEvent, static_cast<RASCONNSTATE>(state), 0);
        Sleep(150);
        if (state == kConnected) {
            Log("state " + std::to_string(state) + " " + DialogGone());
            return;
        }
        Log("state " + std::to_string(state) + " " + DialogState());
    }
    if (script.dial_error != 0) {
        Sleep(script.delay_ms);
        if (WasHungUp(handle))
            return;
        notifier(kDialEvent, static_cast<RASCONNSTATE>(last), script.dial_error);
        Log("error " + std::to_string(script.dial_error) + " " + DialogGone());
        return;
    }
    // Waits at the last state, as a line that never answers would.
    while (!WasHungUp(handle))
        Sleep(50);
    Log("dial " + entry + " stopped by hang-up");
}

}  // namespace

// The record at `index` of an array laid out at the caller's record size.
template <typename Record>
Record* At(Record* first, DWORD record_size, std::size_t index) {
    return reinterpret_cast<Record*>(reinterpret_cast<BYTE*>(first) + record_size * index);
}

extern "C" {

__declspec(dllexport) DWORD WINAPI RasGetErrorStringW(UINT error, LPWSTR text, DWORD size) {
    if (text == nullptr || size == 0)
        return kInvalidParameter;
    for (const auto& e : ReadScript().errors) {
        if (e.first == error) {
            Copy(text, size, e.second);
            return 0;
        }
    }
    return kInvalidParameter;
}

__declspec(dllexport) DWORD WINAPI
    RasEnumEntriesW(LPCWSTR, LPCWSTR, LPRASENTRYNAMEW records, LPDWORD bytes, LPDWORD count) {
    if (records == nullptr || bytes == nullptr || count == nullptr)
        return kInvalidParameter;
    if (records[0].dwSize != sdk::kEntryNameSize) {
        Log("RasEnumEntriesW: size " + std::to_string(records[0].dwSize));
        return kInvalidSize;
    }
    const std::vector<Entry> entries = ReadScript().entries;
    const DWORD needed = static_cast<DWORD>(entries.size() * sdk::kEntryNameSize);
    *count = static_cast<DWORD>(entries.size());
    if (*bytes < needed) {
        *bytes = needed;
        return kBufferTooSmall;
    }
    *bytes = needed;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        RASENTRYNAMEW* record = At(records, sdk::kEntryNameSize, i);
        record->dwSize = sdk::kEntryNameSize;
        Copy(record->szEntryName, sizeof record->szEntryName, entries[i].name);
    }
    return 0;
}

__declspec(dllexport) DWORD WINAPI
    RasEnumConnectionsW(LPRASCONNW records, LPDWORD bytes, LPDWORD count) {
    if (records == nullptr || bytes == nullptr || count == nullptr)
        return kInvalidParameter;
    if (records[0].dwSize != sdk::kConnectionSize) {
        Log("RasEnumConnectionsW: size " + std::to_string(records[0].dwSize));
        return kInvalidSize;
    }
    const std::vector<Connection> all = AllConnections();
    const DWORD needed = static_cast<DWORD>(all.size() * sdk::kConnectionSize);
    *count = static_cast<DWORD>(all.size());
    if (*bytes < needed) {
        *bytes = needed;
        return kBufferTooSmall;
    }
    *bytes = needed;
    for (std::size_t i = 0; i < all.size(); ++i) {
        RASCONNW* record = At(records, sdk::kConnectionSize, i);
        std::memset(record, 0, sdk::kConnectionSize);
        record->dwSize = sdk::kConnectionSize;
        record->hrasconn = reinterpret_cast<HRASCONN>(all[i].handle);
        Copy(record->szEntryName, sizeof record->szEntryName, all[i].name);
        Copy(record->szDeviceType, sizeof record->szDeviceType, "modem");
    }
    return 0;
}

__declspec(dllexport) DWORD WINAPI
    RasGetConnectStatusW(HRASCONN connection, LPRASCONNSTATUSW status) {
    if (status == nullptr)
        return kInvalidParameter;
    if (status->dwSize != sdk::kConnectionStatusSize) {
        Log("RasGetConnectStatusW: size " + std::to_string(status->dwSize));
        return kInvalidSize;
    }
    for (const Connection& c : AllConnections()) {
        if (c.handle != reinterpret_cast<ULONG_PTR>(connection))
            continue;
        status->rasconnstate = static_cast<RASCONNSTATE>(c.state);
        status->dwError = 0;
        return 0;
    }
    return kInvalidHandle;
}

__declspec(dllexport) DWORD WINAPI
    RasGetEntryDialParamsW(LPCWSTR, LPRASDIALPARAMSW params, LPBOOL password_stored) {
    if (params == nullptr || password_stored == nullptr)
        return kInvalidParameter;
    if (params->dwSize != sdk::kDialParamsSize) {
        Log("RasGetEntryDialParamsW: size " + std::to_string(params->dwSize));
        return kInvalidSize;
    }
    for (const Entry& e : ReadScript().entries) {
        if (e.name != Utf8(params->szEntryName))
            continue;
        Copy(params->szPhoneNumber, sizeof params->szPhoneNumber, e.phone);
        Copy(params->szUserName, sizeof params->szUserName, e.user);
        Copy(params->szPassword, sizeof params->szPassword, e.password);
        *password_stored = e.password.empty() ? FALSE : TRUE;
        return 0;
    }
    return kNoSuchEntry;
}

__declspec(dllexport) DWORD WINAPI RasHangUpW(HRASCONN connection) {
    const ULONG_PTR handle = reinterpret_cast<ULONG_PTR>(connection);
    std::string name = "?";
    {
        std::lock_guard<std::mutex> lock(state_mutex);
        hung_up.push_back(handle);
        for (auto it = dialled.begin(); it != dialled.end(); ++it) {
            if (it->handle == handle) {
                name = it->name;
                dialled.erase(it);
                break;
            }
        }
    }
    Log("hangup " + std::to_string(handle) + " " + name);
    return 0;
}

__declspec(dllexport) DWORD WINAPI
    RasDialW(LPRASDIALEXTENSIONS extensions, LPCWSTR phone_book, LPRASDIALPARAMSW params,
             DWORD notifier_type, LPVOID notifier, LPHRASCONN connection) {
    if (params == nullptr || connection == nullptr)
        return kInvalidParameter;
    if (params->dwSize != sdk::kDialParamsSize) {
        Log("RasDialW: size " + std::to_string(params->dwSize));
        return kInvalidSize;
    }
    if (extensions != nullptr || phone_book != nullptr || notifier_type != 0 ||
        notifier == nullptr) {
        Log("RasDialW: unexpected arguments");
        return kInvalidParameter;
    }
    ULONG_PTR handle;
    {
        std::lock_guard<std::mutex> lock(state_mutex);
        handle = ++next_handle;
    }
    *connection = reinterpret_cast<HRASCONN>(handle);
    const std::string entry = Utf8(params->szEntryName);
    Log("dial " + entry + " phone=" + Utf8(params->szPhoneNumber) +
        " user=" + Utf8(params->szUserName) + " password=" + Utf8(params->szPassword) +
        " handle=" + std::to_string(handle));
    std::thread(RunDial, handle, entry, reinterpret_cast<RASDIALFUNC>(notifier)).detach();
    return 0;
}

}  // extern "C"
