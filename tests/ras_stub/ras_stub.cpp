// A stand-in for rasapi32.dll, for tests under Wine. It exports the seven
// Remote Access functions the program uses and acts out a script: the file
// named by ORVANE_RAS_SCRIPT, read afresh on every call so a test can bring
// connections up or down while the program runs. Lines:
//   entry <name> [<phone> [<user> [<password>]]]   a phone-book entry
//   connection <handle> <name> [<state>]           a connection made outside
//   error <number> <text...>                       a RAS error's text
//   dial <state>,<state>,...                       states a dial goes through
//   dial-error <number>                            reported after the last state
//   delay <ms>                                     pause before each notice
// A dial whose states end neither in 8192 nor with an error waits at the
// last state until it is hung up. What happens is appended to the file
// named by ORVANE_RAS_LOG: dials with their parameters, each notice with
// the progress dialog's text and visibility a moment later, hang-ups.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

// Built from the SDK header's own records, not the program's: a program
// whose records do not match the SDK's first published layouts gets 632.
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
            words >> e.name >> e.phone >> e.user >> e.password;
            script.entries.push_back(e);
        } else if (keyword == "connection") {
            Connection c;
            words >> c.handle >> c.name;
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

void Copy(char* field, std::size_t capacity, const std::string& text) {
    std::snprintf(field, capacity, "%s", text.c_str());
}

std::string DialogState() {
    HWND dialog = FindWindowA(orvane::kDialogWindowClass, "Orvane AutoDial");
    if (dialog == nullptr)
        return "dialog=none";
    // Never blocks on a dialog thread that is busy or ending.
    char text[200] = {};
    HWND control = GetDlgItem(dialog, 151);
    DWORD_PTR copied = 0;
    if (control == nullptr ||
        !SendMessageTimeoutA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, 1000, &copied)) {
        return std::string("dialog=unresponsive visible=") + (IsWindowVisible(dialog) ? "1" : "0");
    }
    return std::string("text=") + text + " visible=" + (IsWindowVisible(dialog) ? "1" : "0");
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

__declspec(dllexport) DWORD WINAPI RasGetErrorStringA(UINT error, LPSTR text, DWORD size) {
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
    RasEnumEntriesA(LPCSTR, LPCSTR, LPRASENTRYNAMEA records, LPDWORD bytes, LPDWORD count) {
    if (records == nullptr || bytes == nullptr || count == nullptr)
        return kInvalidParameter;
    if (records[0].dwSize != sdk::kEntryNameSize) {
        Log("RasEnumEntriesA: size " + std::to_string(records[0].dwSize));
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
        RASENTRYNAMEA* record = At(records, sdk::kEntryNameSize, i);
        record->dwSize = sdk::kEntryNameSize;
        Copy(record->szEntryName, sizeof record->szEntryName, entries[i].name);
    }
    return 0;
}

__declspec(dllexport) DWORD WINAPI
    RasEnumConnectionsA(LPRASCONNA records, LPDWORD bytes, LPDWORD count) {
    if (records == nullptr || bytes == nullptr || count == nullptr)
        return kInvalidParameter;
    if (records[0].dwSize != sdk::kConnectionSize) {
        Log("RasEnumConnectionsA: size " + std::to_string(records[0].dwSize));
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
        RASCONNA* record = At(records, sdk::kConnectionSize, i);
        std::memset(record, 0, sdk::kConnectionSize);
        record->dwSize = sdk::kConnectionSize;
        record->hrasconn = reinterpret_cast<HRASCONN>(all[i].handle);
        Copy(record->szEntryName, sizeof record->szEntryName, all[i].name);
        Copy(record->szDeviceType, sizeof record->szDeviceType, "modem");
    }
    return 0;
}

__declspec(dllexport) DWORD WINAPI
    RasGetConnectStatusA(HRASCONN connection, LPRASCONNSTATUSA status) {
    if (status == nullptr)
        return kInvalidParameter;
    if (status->dwSize != sdk::kConnectionStatusSize) {
        Log("RasGetConnectStatusA: size " + std::to_string(status->dwSize));
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
    RasGetEntryDialParamsA(LPCSTR, LPRASDIALPARAMSA params, LPBOOL password_stored) {
    if (params == nullptr || password_stored == nullptr)
        return kInvalidParameter;
    if (params->dwSize != sdk::kDialParamsSize) {
        Log("RasGetEntryDialParamsA: size " + std::to_string(params->dwSize));
        return kInvalidSize;
    }
    for (const Entry& e : ReadScript().entries) {
        if (e.name != params->szEntryName)
            continue;
        Copy(params->szPhoneNumber, sizeof params->szPhoneNumber, e.phone);
        Copy(params->szUserName, sizeof params->szUserName, e.user);
        Copy(params->szPassword, sizeof params->szPassword, e.password);
        *password_stored = e.password.empty() ? FALSE : TRUE;
        return 0;
    }
    return kNoSuchEntry;
}

__declspec(dllexport) DWORD WINAPI RasHangUpA(HRASCONN connection) {
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
    RasDialA(LPRASDIALEXTENSIONS extensions, LPCSTR phone_book, LPRASDIALPARAMSA params,
             DWORD notifier_type, LPVOID notifier, LPHRASCONN connection) {
    if (params == nullptr || connection == nullptr)
        return kInvalidParameter;
    if (params->dwSize != sdk::kDialParamsSize) {
        Log("RasDialA: size " + std::to_string(params->dwSize));
        return kInvalidSize;
    }
    if (extensions != nullptr || phone_book != nullptr || notifier_type != 0 ||
        notifier == nullptr) {
        Log("RasDialA: unexpected arguments");
        return kInvalidParameter;
    }
    ULONG_PTR handle;
    {
        std::lock_guard<std::mutex> lock(state_mutex);
        handle = ++next_handle;
    }
    *connection = reinterpret_cast<HRASCONN>(handle);
    const std::string entry = params->szEntryName;
    Log("dial " + entry + " phone=" + params->szPhoneNumber + " user=" + params->szUserName +
        " password=" + params->szPassword + " handle=" + std::to_string(handle));
    std::thread(RunDial, handle, entry, reinterpret_cast<RASDIALFUNC>(notifier)).detach();
    return 0;
}

}  // extern "C"
