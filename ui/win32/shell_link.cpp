#include "ui/win32/shell_link.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "platform/shell_folder.h"
#include "platform/win32/shell_folders.h"
#include "platform/win32/wide_text.h"
#include "ui/startup_shortcut.h"

namespace orvane {

bool CreateShellLink(const char* target_folder, const char* target_file, const char* link_name,
                     const char* link_folder) {
    const HRESULT initialised = CoInitialize(nullptr);
    if (initialised != S_OK) {
        // S_FALSE (already initialised) counts as failure too, but it still
        // took a reference that must be given back.
        if (initialised == S_FALSE)
            CoUninitialize();
        return false;
    }
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link)))) {
        CoUninitialize();
        return false;
    }
    // The W interface: a folder named outside the ANSI code page still
    // reaches the link whole.
    const std::wstring target = Widen(std::string(target_folder) + target_file);
    link->SetPath(target.c_str());
    link->SetDescription(Widen(link_name).c_str());
    link->SetIconLocation(target.c_str(), 0);
    link->SetShowCmd(SW_SHOW);
    link->SetWorkingDirectory(Widen(target_folder).c_str());

    IPersistFile* file = nullptr;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        link->Release();
        CoUninitialize();
        return false;
    }
    const std::wstring link_path = Widen(std::string(link_folder) + link_name + ".lnk");
    const bool saved = SUCCEEDED(file->Save(link_path.c_str(), TRUE));
    file->Release();
    link->Release();
    CoUninitialize();
    return saved;
}

std::string FindStartupFolder() {
    return StartupFolder(ShellFolderPath);
}

bool CreateStartupShortcut(const std::string& startup_folder) {
    const std::string install_folder = ShortcutInstallFolder();
    const std::string link_folder = startup_folder + "\\";
    return CreateShellLink(install_folder.c_str(), kProgramFileName, kStartupLinkName,
                           link_folder.c_str());
}

bool DeleteStartupShortcut(const std::string& startup_folder) {
    return DeleteFileW(Widen(StartupLinkPath(startup_folder)).c_str()) != FALSE;
}

}  // namespace orvane
