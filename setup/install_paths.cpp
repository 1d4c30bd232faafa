#include "setup/install_paths.h"

#include <cctype>

namespace orvane {

namespace {

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::string Lowered(const std::string& text) {
    std::string lowered = text;
    for (char& c : lowered)
        c = Lower(c);
    return lowered;
}

constexpr char kProductFolderSuffix[] = "\\orvane";

}  // namespace

std::string SourceFolderFromModulePath(const std::string& module_path) {
    // Cut at the last backslash rather than by the length of "Setup.exe", so
    // a renamed download ("Setup (2).exe") still finds its folder.
    const std::string::size_type last = module_path.find_last_of('\\');
    std::string folder = last == std::string::npos ? std::string() : module_path.substr(0, last);
    if (folder.size() <= 2)
        folder += '\\';
    return folder;
}

bool IsSameFolder(const std::string& first, const std::string& second) {
    return Lowered(first) == Lowered(second);
}

std::string PathInFolder(const std::string& folder, const std::string& name) {
    return folder + "\\" + name;
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
