// The protection of the Program Files folder for a program folder made
// elsewhere, and what a folder's protection is: where the folder would otherwise inherit its parent's rights
// (a drive's root lets every user add and change files), any user could
// replace the programs that administrators and the startup shortcut run.
#pragma once

#include <string>
#include <vector>

#include "platform/folder_access.h"

namespace orvane {

// The access list: full control for SYSTEM and for Administrators, read
// and execute for Users, each inherited by every folder and file inside.
// Empty when it could not be built.
std::vector<unsigned char> ProgramFilesLikeDacl();

// Puts that list on the folder as its only one, protected from what its
// parents would hand down. 0, or the Windows error.
int ProtectLikeProgramFiles(const std::string& folder);

// The folder's owner and access list, and whether its volume keeps access
// lists. False when they cannot be read.
bool ReadFolderAccess(const std::string& folder, FolderAccess* access);

// The SIDs this process acts as: its user, and the groups of its token
// that are enabled, not for deny only, and may own what it creates (an
// elevated administrator's Administrators). The groups every signed-in
// user holds (Everyone, Users, Authenticated Users) are enabled in every
// token but never owners, and must not pass for the administrator.
std::vector<std::string> OwnTokenSids();

}  // namespace orvane
