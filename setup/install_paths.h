// The paths of an installation, apart from the shell: where Setup's files
// come from, where they go, the folder browser's starting point and the
// copy steps with their progress positions.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace orvane {

constexpr char kDefaultSetupInstallFolder[] = "C:\\Program Files\\Pellmoor\\Orvane";
// Edit 2708 holds at most this many characters.
constexpr int kInstallFolderLimit = 260;
// Shown, captioned "Orvane Setup Error", for a folder that is not complete.
constexpr char kIncompleteFolderText[] =
    "Please enter a complete folder path, such as C:\\Program Files\\Pellmoor\\Orvane.";

struct InstalledFile {
    const char* name;
    int progress;  // the progress bar's position after the copy
};

// The files an installation copies, in order: the four programs and files
// of every installation, then the time service's program where Windows
// runs the service (RunsTimeService).
std::vector<InstalledFile> FilesToInstall(bool with_time_service);

// The folder holding Setup's own program file: the module path without its
// last part and the backslash before it; a bare drive ("C:") gets its
// backslash back.
std::string SourceFolderFromModulePath(const std::string& module_path);

// Whether the text names a folder wherever the program runs: a drive
// letter, ":\" and at least one folder name after it ("C:\Orvane"), or a
// UNC path to a folder of a share ("\\server\share\Orvane"). A path relative
// to the current folder or drive ("Orvane", "\Orvane", "C:Orvane") is not.
bool IsCompleteFolderPath(const std::string& text);

// The install folder as typed, without closing backslashes.
std::string InstallFolderFromText(const std::string& text);

// The folders a complete path passes through, outermost first and the path
// itself last; the drive's root and a UNC share are not among them:
// "D:\A\B" gives "D:\A", "D:\A\B".
std::vector<std::string> FolderChain(const std::string& path);

// The folders of the chain that do not exist yet, outermost first: the
// ones an installation creates.
std::vector<std::string> MissingFolders(const std::string& path,
                                        const std::function<bool(const std::string&)>& exists);

// The folder an installation creates that needs the protection Program
// Files would have handed down: the outermost missing one, unless it lies
// in Program Files (`in_program_files`) or nothing is missing (then "").
// What is made inside it afterwards inherits its protection.
std::string FolderToProtect(const std::string& path,
                            const std::function<bool(const std::string&)>& exists,
                            const std::function<bool(const std::string&)>& in_program_files);

// The operating system's part in making the install folder.
struct FolderMakingSteps {
    std::function<bool(const std::string&)> exists;
    std::function<bool(const std::string&)> in_program_files;
    std::function<bool(const std::string&)> make_tree;  // true when it is there
    std::function<int(const std::string&)> protect;     // 0, or the OS error
    std::function<void(const std::string&)> remove;     // one empty folder
};
struct FolderProtectionFailure {
    int error = 0;  // 0: the folder is made (or its making left to the copy)
    std::string folder;
};
// Makes the install folder, the folder FolderToProtect names protected
// before anything goes inside it, so that all made there later inherits
// the protection. When that protection fails, the folder
// is removed again and nothing more is made: left there, it would exist
// when chosen once more and be installed into unprotected.
FolderProtectionFailure MakeInstallFolder(const std::string& path, const FolderMakingSteps& os);

// Shown, captioned "Orvane Setup Error", when MakeInstallFolder fails.
std::string FolderProtectionFailureText(const FolderProtectionFailure& failure);

// "<folder>\<name>".
std::string PathInFolder(const std::string& folder, const std::string& name);

// The path in double quotes, as a command line takes a path with spaces.
std::string QuotedPath(const std::string& path);

// Where the folder browser starts for the install folder in the edit: the
// text in lower case, without a last part "\orvane", so the browser opens
// in the parent folder.
std::string BrowseStartFolder(const std::string& install_folder);

// The install folder for a folder chosen in the browser: the folder, a
// backslash unless it already ends in one, and "Orvane".
std::string InstallFolderForChosenFolder(const std::string& chosen);

// "Unable to copy "<source>" to "<destination>".\n<system text>"
std::string CopyFailureMessage(const std::string& source, const std::string& destination,
                               const std::string& system_text);

}  // namespace orvane
