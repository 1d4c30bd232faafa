#include "setup/win32/shell_start.h"

#include <windows.h>
#include <exdisp.h>
#include <oleauto.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "platform/win32/wide_text.h"

namespace orvane {

namespace {

// Releases an interface when it goes out of scope.
template <typename Interface>
class Held {
  public:
    Held() = default;
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    ~Held() {
        if (pointer_ != nullptr)
            pointer_->Release();
    }
    Interface* operator->() const { return pointer_; }
    Interface* get() const { return pointer_; }
    Interface** out() { return &pointer_; }
    void** out_void() { return reinterpret_cast<void**>(&pointer_); }

  private:
    Interface* pointer_ = nullptr;
};

// COM for the length of one request: Setup's other users of COM (the
// shortcuts) start and end it themselves.
class ComSession {
  public:
    ComSession() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComSession() {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }
    bool ok() const { return SUCCEEDED(result_); }

  private:
    HRESULT result_;
};

// The desktop shell's dispatch object; false when there is no shell or
// one step of the way is missing.
bool FindShellDispatch(Held<IShellDispatch2>& shell) {
    Held<IShellWindows> windows;
    if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_IShellWindows,
                                windows.out_void()))) {
        return false;
    }
    VARIANT location;
    VariantInit(&location);
    location.vt = VT_I4;
    location.lVal = CSIDL_DESKTOP;
    VARIANT root;
    VariantInit(&root);
    long window = 0;
    Held<IDispatch> desktop;
    if (windows->FindWindowSW(&location, &root, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                              desktop.out()) != S_OK ||
        desktop.get() == nullptr) {
        return false;
    }
    Held<IServiceProvider> services;
    Held<IShellBrowser> browser;
    Held<IShellView> view;
    Held<IDispatch> background;
    Held<IShellFolderViewDual> folder_view;
    Held<IDispatch> application;
    return SUCCEEDED(desktop->QueryInterface(IID_IServiceProvider, services.out_void())) &&
           SUCCEEDED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser,
                                            browser.out_void())) &&
           SUCCEEDED(browser->QueryActiveShellView(view.out())) && view.get() != nullptr &&
           SUCCEEDED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.out_void())) &&
           SUCCEEDED(
               background->QueryInterface(IID_IShellFolderViewDual, folder_view.out_void())) &&
           SUCCEEDED(folder_view->get_Application(application.out())) &&
           application.get() != nullptr &&
           SUCCEEDED(application->QueryInterface(IID_IShellDispatch2, shell.out_void())) &&
           shell.get() != nullptr;
}

// A BSTR variant, freed with the variant.
class TextVariant {
  public:
    explicit TextVariant(const std::string& text) {
        VariantInit(&value_);
        const std::wstring wide = Widen(text);
        value_.vt = VT_BSTR;
        value_.bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    }
    ~TextVariant() { VariantClear(&value_); }
    VARIANT& get() { return value_; }

  private:
    VARIANT value_;
};

}  // namespace

bool Win32ShellStarter::ShellAvailable() {
    ComSession com;
    Held<IShellDispatch2> shell;
    return com.ok() && FindShellDispatch(shell);
}

bool Win32ShellStarter::StartThroughShell(const std::string& program, const std::string& folder) {
    ComSession com;
    Held<IShellDispatch2> shell;
    if (!com.ok() || !FindShellDispatch(shell))
        return false;
    const std::wstring wide_program = Widen(program);
    BSTR file = SysAllocStringLen(wide_program.data(), static_cast<UINT>(wide_program.size()));
    VARIANT arguments;
    VariantInit(&arguments);
    TextVariant directory(folder);
    TextVariant operation("open");
    VARIANT show;
    VariantInit(&show);
    show.vt = VT_I4;
    show.lVal = SW_SHOWNORMAL;
    const HRESULT result =
        shell->ShellExecute(file, arguments, directory.get(), operation.get(), show);
    SysFreeString(file);
    return SUCCEEDED(result);
}

}  // namespace orvane
