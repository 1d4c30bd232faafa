#include "ui/win32/shell_link.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "platform/shell_folder.h"
#include "platform/win32/shell_folders.h"
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
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link)))) {
        CoUninitialize();
        return false;
    }
    const std::string target = std::string(target_folder) + target_file;
    link->SetPath(target.c_str());
    link->SetDescription(link_name);
    link->SetIconLocation(target.c_str(), 0);
    link->SetShowCmd(SW_SHOW);
    link->SetWorkingDirectory(target_folder);

    IPersistFile* file = nullptr;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        link->Release();
        CoUninitialize();
        return false;
    }
    const std::string link_path = std::string(link_folder) + link_name + ".lnk";
    WCHAR wide[MAX_PATH] = {};
    const bool converted =
        MultiByteToWideChar(CP_ACP, 0, link_path.c_str(), -1, wide, MAX_PATH) != 0;
    const bool saved = converted && SUCCEEDED(file->Save(wide, TRUE));
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
    return DeleteFileA(StartupLinkPath(startup_folder).c_str()) != FALSE;
}

}  // namespace orvane
