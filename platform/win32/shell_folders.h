// Paths from the shell: its special folders and the items it hands out.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "platform/shell_folder.h"

namespace orvane {

// The path of one of the installation's shell folders; empty when the
// shell cannot say.
std::string ShellFolderPath(ShellFolder folder);

// The path of the special folder (a CSIDL_ number); empty when the shell
// cannot say.
std::string SpecialFolderPath(int csidl);

// The item's file-system path (UTF-8); frees the item, whether or not it
// had a path. Empty when it had none.
std::string TakeItemPath(LPITEMIDLIST item);

}  // namespace orvane
