#include "setup/install_paths.h"

#include "service/time_service_install.h"

namespace orvane {

namespace {

// ASCII letters only, whatever the C locale: the bytes of a UTF-8
// character stay as they are.
char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Lowered(const std::string& text) {
    std::string lowered = text;
    for (char& c : lowered)
        c = Lower(c);
    return lowered;
}

constexpr char kProductFolderSuffix[] = "\\orvane";

}  // namespace

std::vector<InstalledFile> FilesToInstall(bool with_time_service) {
    std::vector<InstalledFile> files = {
        {"Orvane Event Log Interface.dll", 10},
        {"Orvane.exe", 20},
        {"Orvane.hlp", 30},
        {"Uninstall.exe", 50},
    };
    if (with_time_service)
        files.push_back({kTimeServiceProgramName, 60});
    return files;
}

std::string SourceFolderFromModulePath(const std::string& module_path) {
    // Cut at the last backslash rather than by the length of "Setup.exe", so
    // a renamed download ("Setup (2).exe") still finds its folder.
    const std::string::size_type last = module_path.find_last_of('\\');
    std::string folder = last == std::string::npos ? std::string() : module_path.substr(0, last);
    if (folder.size() <= 2)
        folder += '\\';
    return folder;
}

namespace {

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Where the folder names of a complete path begin: after "C:\" or after
// "\\server\share\"; npos when the path has no such start.
std::string::size_type FirstFolderAt(const std::string& path) {
    if (path.size() >= 3 && IsLetter(path[0]) && path[1] == ':' && path[2] == '\\')
        return 3;
    if (path.compare(0, 2, "\\\\") != 0)
        return std::string::npos;
    const std::string::size_type share = path.find('\\', 2);
    if (share == std::string::npos || share == 2)
        return std::string::npos;
    const std::string::size_type folder = path.find('\\', share + 1);
    if (folder == std::string::npos || folder == share + 1)
        return std::string::npos;
    return folder + 1;
}

}  // namespace

bool IsCompleteFolderPath(const std::string& text) {
    const std::string::size_type first = FirstFolderAt(text);
    return first != std::string::npos && first < text.size() && text[first] != '\\';
}

std::string InstallFolderFromText(const std::string& text) {
    std::string folder = text;
    while (folder.size() > 1 && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

std::vector<std::string> FolderChain(const std::string& path) {
    std::vector<std::string> chain;
    std::string::size_type at = FirstFolderAt(path);
    if (at == std::string::npos)
        return chain;
    while (at < path.size()) {
        std::string::size_type end = path.find('\\', at);
        if (end == std::string::npos)
            end = path.size();
        if (end > at)
            chain.push_back(path.substr(0, end));
        at = end + 1;
    }
    return chain;
}

std::vector<std::string> MissingFolders(const std::string& path,
                                        const std::function<bool(const std::string&)>& exists) {
    const std::vector<std::string> chain = FolderChain(path);
    std::vector<std::string> missing;
    for (const std::string& folder : chain) {
        if (!missing.empty() || !exists(folder))
            missing.push_back(folder);
    }
    return missing;
}

std::string FolderToProtect(const std::string& path,
                            const std::function<bool(const std::string&)>& exists,
                            const std::function<bool(const std::string&)>& in_program_files) {
    const std::vector<std::string> missing = MissingFolders(path, exists);
    if (missing.empty() || in_program_files(missing.front()))
        return std::string();
    return missing.front();
}

FolderProtectionFailure MakeInstallFolder(const std::string& path, const FolderMakingSteps& os) {
    FolderProtectionFailure failure;
    const std::string protect = FolderToProtect(path, os.exists, os.in_program_files);
    if (!protect.empty() && os.make_tree(protect)) {
        failure.error = os.protect(protect);
        if (failure.error != 0) {
            os.remove(protect);
            failure.folder = protect;
            return failure;
        }
    }
    // A folder that cannot be made shows in the copy's own error.
    os.make_tree(path);
    return failure;
}

std::string FolderProtectionFailureText(const FolderProtectionFailure& failure) {
    return "Unable to protect the new folder \"" + failure.folder +
           "\" from changes by other users.  Error code " + std::to_string(failure.error) +
           ".  Please choose another folder, such as " + kDefaultSetupInstallFolder + ".";
}

std::string PathInFolder(const std::string& folder, const std::string& name) {
    return folder + "\\" + name;
}

std::string QuotedPath(const std::string& path) {
    return "\"" + path + "\"";
}

std::string BrowseStartFolder(const std::string& install_folder) {
    std::string folder = Lowered(install_folder);
    const std::string suffix = kProductFolderSuffix;
    // Only a last part "\orvane" is the product's own folder; one further
    // up ("c:\orvane\data") is left alone.
    if (folder.size() >= suffix.size() &&
        folder.compare(folder.size() - suffix.size(), suffix.size(), suffix) == 0) {
        folder.erase(folder.size() - suffix.size());
    }
    return folder;
}

std::string InstallFolderForChosenFolder(const std::string& chosen) {
    std::string folder = chosen;
    if (folder.empty() || folder.back() != '\\')
        folder += '\\';
    return folder + "Orvane";
}

std::string CopyFailureMessage(const std::string& source, const std::string& destination,
                               const std::string& system_text) {
    return "Unable to copy \"" + source + "\" to \"" + destination + "\".\n" + system_text;
}

}  // namespace orvane
