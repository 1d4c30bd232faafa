#include "platform/win32/restart_manager.h"

#include <windows.h>
#include <restartmanager.h>

#include <vector>

#include "platform/win32/file_identity.h"
#include "platform/win32/system_library.h"
#include "platform/win32/wide_text.h"

namespace orvane {

namespace {

// The longest path QueryFullProcessImageNameW can give, in characters.
constexpr DWORD kImagePathCapacity = 32768;
// RmGetList's list can grow between the call that sizes it and the one
// that fills it: asked again this many times.
constexpr int kListAttempts = 3;

// QueryFullProcessImageNameW is looked up as well: an import of a Vista
// function would keep the program from starting on earlier Windows.
using QueryImageNameFunction = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);

struct RestartManager {
    decltype(&::RmStartSession) start_session = nullptr;
    decltype(&::RmEndSession) end_session = nullptr;
    decltype(&::RmRegisterResources) register_resources = nullptr;
    decltype(&::RmGetList) get_list = nullptr;
    decltype(&::RmShutdown) shutdown = nullptr;
    QueryImageNameFunction query_image_name = nullptr;
    DWORD missing_error = ERROR_SUCCESS;  // why the functions are null
};

template <typename Function>
bool FindFunction(HMODULE library, const char* name, Function* function) {
    *function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    return *function != nullptr;
}

// Loaded once and kept loaded.
const RestartManager& TheRestartManager() {
    static const RestartManager manager = [] {
        RestartManager found;
        HMODULE library = LoadSystemLibrary("rstrtmgr.dll");
        HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        if (library == nullptr || kernel == nullptr) {
            found.missing_error = ERROR_MOD_NOT_FOUND;
            return found;
        }
        if (!FindFunction(library, "RmStartSession", &found.start_session) ||
            !FindFunction(library, "RmEndSession", &found.end_session) ||
            !FindFunction(library, "RmRegisterResources", &found.register_resources) ||
            !FindFunction(library, "RmGetList", &found.get_list) ||
            !FindFunction(library, "RmShutdown", &found.shutdown) ||
            !FindFunction(kernel, "QueryFullProcessImageNameW", &found.query_image_name)) {
            found = RestartManager{};
            found.missing_error = ERROR_PROC_NOT_FOUND;
        }
        return found;
    }();
    return manager;
}

// One Restart Manager session, ended when it goes out of scope (a user
// session may hold only 64 at a time).
class Session {
  public:
    explicit Session(const RestartManager& manager) : manager_(manager) {
        // The key is not used again, but its room must be given.
        WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
        error_ = manager_.start_session(&handle_, 0, key);
    }
    ~Session() {
        if (error_ == ERROR_SUCCESS)
            manager_.end_session(handle_);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    DWORD error() const { return error_; }
    DWORD handle() const { return handle_; }

  private:
    const RestartManager& manager_;
    DWORD handle_ = 0;
    DWORD error_ = ERROR_SUCCESS;
};

// The processes that use the session's resources.
DWORD ListUsers(const RestartManager& manager, DWORD session, std::vector<RM_PROCESS_INFO>* users) {
    users->clear();
    UINT needed = 0;
    UINT count = 0;
    DWORD reboot_reasons = 0;
    DWORD error = manager.get_list(session, &needed, &count, nullptr, &reboot_reasons);
    for (int attempt = 0; attempt < kListAttempts && error == ERROR_MORE_DATA; ++attempt) {
        users->resize(needed);
        count = needed;
        error = manager.get_list(session, &needed, &count, users->data(), &reboot_reasons);
    }
    users->resize(error == ERROR_SUCCESS ? count : 0);
    return error;
}

// Whether the process is still the one listed (same start time, so not a
// later one that got its number) and its program is that very file.
bool RunsProgram(const RestartManager& manager, const RM_UNIQUE_PROCESS& listed,
                 const std::wstring& program) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, listed.dwProcessId);
    if (process == nullptr)
        return false;
    FILETIME created = {};
    FILETIME exited = {};
    FILETIME kernel_time = {};
    FILETIME user_time = {};
    bool same = GetProcessTimes(process, &created, &exited, &kernel_time, &user_time) &&
                CompareFileTime(&created, &listed.ProcessStartTime) == 0;
    if (same) {
        std::vector<WCHAR> image(kImagePathCapacity);
        DWORD length = kImagePathCapacity;
        same = manager.query_image_name(process, 0, image.data(), &length) &&
               IsSameFileSystemItem(std::wstring(image.data(), length), program);
    }
    CloseHandle(process);
    return same;
}

// The running processes of the program: a file registered with the Restart
// Manager lists every process that has it open, which may be a virus
// scanner or Explorer as well as the program itself.
DWORD FindProgramProcesses(const RestartManager& manager, const std::wstring& program,
                           std::vector<RM_UNIQUE_PROCESS>* found) {
    found->clear();
    Session session(manager);
    if (session.error() != ERROR_SUCCESS)
        return session.error();
    LPCWSTR files[] = {program.c_str()};
    DWORD error = manager.register_resources(session.handle(), 1, files, 0, nullptr, 0, nullptr);
    if (error != ERROR_SUCCESS)
        return error;
    std::vector<RM_PROCESS_INFO> users;
    error = ListUsers(manager, session.handle(), &users);
    if (error != ERROR_SUCCESS)
        return error;
    for (const RM_PROCESS_INFO& user : users) {
        // A service is stopped through the service manager, and Explorer
        // and Windows' own processes are never to be closed.
        if (user.ApplicationType == RmService || user.ApplicationType == RmExplorer ||
            user.ApplicationType == RmCritical) {
            continue;
        }
        if (RunsProgram(manager, user.Process, program))
            found->push_back(user.Process);
    }
    return ERROR_SUCCESS;
}

}  // namespace

int CloseProgramInEverySession(const std::string& program_path) {
    const RestartManager& manager = TheRestartManager();
    if (manager.missing_error != ERROR_SUCCESS)
        return static_cast<int>(manager.missing_error);
    const std::wstring program = Widen(program_path);
    // Nothing can run from a file that is not there (a first installation).
    if (GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES)
        return 0;

    std::vector<RM_UNIQUE_PROCESS> processes;
    DWORD error = FindProgramProcesses(manager, program, &processes);
    if (error != ERROR_SUCCESS || processes.empty())
        return static_cast<int>(error);

    // A session of its own that holds only those processes, so that the
    // shutdown closes nothing else.
    Session session(manager);
    if (session.error() != ERROR_SUCCESS)
        return static_cast<int>(session.error());
    error = manager.register_resources(session.handle(), 0, nullptr,
                                       static_cast<UINT>(processes.size()), processes.data(), 0,
                                       nullptr);
    if (error != ERROR_SUCCESS)
        return static_cast<int>(error);
    // RmForceShutdown does not skip the polite close: the Restart Manager
    // still sends each window WM_QUERYENDSESSION and WM_ENDSESSION (with
    // ENDSESSION_CLOSEAPP), then WM_CLOSE, and Orvane agrees at once and
    // ends normally, its settings saved. The flag only ends a process that
    // does not respond within the hung-application time-out, which would
    // otherwise keep Orvane.exe locked so that Setup could not replace it;
    // and the session holds nothing but that program's processes.
    return static_cast<int>(manager.shutdown(session.handle(), RmForceShutdown, nullptr));
}

}  // namespace orvane
