// The Task Scheduler 2.0 (ITaskService) side of the service control: one
// task's enabled switch. Each call initialises COM on its own thread, as
// Setup and Uninstall call it from worker threads.
#include <winsock2.h>
#include <windows.h>
#include <oleauto.h>
#include <taskschd.h>

#include <string>

#include "platform/win32/service_control_win32.h"
#include "platform/win32/wide_text.h"

namespace orvane {

namespace {

// COM for this thread while in scope; a thread already in another
// apartment keeps it.
class ComScope {
  public:
    ComScope() : result_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

  private:
    HRESULT result_;
};

template <typename T>
void Release(T*& pointer) {
    if (pointer != nullptr)
        pointer->Release();
    pointer = nullptr;
}

// A Windows error code from an HRESULT: its code where it carries one.
int ErrorOf(HRESULT result) {
    if (HRESULT_FACILITY(result) == FACILITY_WIN32)
        return HRESULT_CODE(result);
    return static_cast<int>(result);
}

bool IsMissing(HRESULT result) {
    return result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ||
           result == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}

// The registered task at "\Folder\Name"; S_OK with *task set, or why not.
HRESULT OpenTask(const char* task_path, IRegisteredTask** task) {
    const std::string path = task_path;
    const std::size_t last = path.rfind('\\');
    if (last == std::string::npos)
        return E_INVALIDARG;
    ITaskService* service = nullptr;
    HRESULT result = CoCreateInstance(__uuidof(TaskScheduler), nullptr, CLSCTX_INPROC_SERVER,
                                      __uuidof(ITaskService), reinterpret_cast<void**>(&service));
    if (FAILED(result))
        return result;
    VARIANT none;
    VariantInit(&none);
    result = service->Connect(none, none, none, none);
    ITaskFolder* folder = nullptr;
    if (SUCCEEDED(result)) {
        BSTR folder_path = SysAllocString(Widen(last == 0 ? "\\" : path.substr(0, last)).c_str());
        result = folder_path != nullptr ? service->GetFolder(folder_path, &folder) : E_OUTOFMEMORY;
        SysFreeString(folder_path);
    }
    if (SUCCEEDED(result)) {
        BSTR name = SysAllocString(Widen(path.substr(last + 1)).c_str());
        result = name != nullptr ? folder->GetTask(name, task) : E_OUTOFMEMORY;
        SysFreeString(name);
    }
    Release(folder);
    Release(service);
    return result;
}

}  // namespace

int Win32ServiceControl::QueryTaskState(const char* task_path, TaskState* state) {
    const ComScope com;
    IRegisteredTask* task = nullptr;
    const HRESULT opened = OpenTask(task_path, &task);
    // No task, or no Task Scheduler to ask (a missing class, a stopped
    // service): nothing starts the service on a schedule.
    if (FAILED(opened)) {
        *state = TaskState::kMissing;
        return 0;
    }
    VARIANT_BOOL enabled = VARIANT_FALSE;
    const HRESULT result = task->get_Enabled(&enabled);
    Release(task);
    if (FAILED(result))
        return ErrorOf(result);
    *state = enabled != VARIANT_FALSE ? TaskState::kEnabled : TaskState::kDisabled;
    return 0;
}

int Win32ServiceControl::SetTaskEnabled(const char* task_path, bool enabled) {
    const ComScope com;
    IRegisteredTask* task = nullptr;
    HRESULT result = OpenTask(task_path, &task);
    if (FAILED(result))
        return IsMissing(result) ? ERROR_FILE_NOT_FOUND : ErrorOf(result);
    result = task->put_Enabled(enabled ? VARIANT_TRUE : VARIANT_FALSE);
    Release(task);
    return FAILED(result) ? ErrorOf(result) : 0;
}

}  // namespace orvane
