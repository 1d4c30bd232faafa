// The protection of the Program Files folder for a program folder made
// elsewhere: where the folder would otherwise inherit its parent's rights
// (a drive's root lets every user add and change files), any user could
// replace the programs that administrators and the startup shortcut run.
#pragma once

#include <string>
#include <vector>

namespace orvane {

// The access list: full control for SYSTEM and for Administrators, read
// and execute for Users, each inherited by every folder and file inside.
// Empty when it could not be built.
std::vector<unsigned char> ProgramFilesLikeDacl();

// Puts that list on the folder as its only one, protected from what its
// parents would hand down. 0, or the Windows error.
int ProtectLikeProgramFiles(const std::string& folder);

}  // namespace orvane
