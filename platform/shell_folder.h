// The shell's folders the installation puts its shortcuts in, and the one
// rule for whose folders those are.
#pragma once

#include <functional>
#include <string>

namespace orvane {

enum class ShellFolder {
    kCommonPrograms,  // all users' Programs folder
    kStartMenu,       // the user's Start Menu folder
    kCommonStartup,   // all users' Startup folder
    kStartup,         // the user's Startup folder
};

// A shell folder's path, "" when the shell cannot say.
using ShellFolderFinder = std::function<std::string(ShellFolder)>;

// Where the program group goes and where the Startup link goes: all users'
// folders on the NT family, the user's own on Windows 95/98/Me. "" when
// the shell cannot say.
std::string ProgramsFolder(const ShellFolderFinder& find);
std::string StartupFolder(const ShellFolderFinder& find);

}  // namespace orvane
