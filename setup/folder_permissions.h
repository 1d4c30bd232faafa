// Whether users who are not administrators can change the install folder
// or a folder above it: a folder they can change lets them replace the
// programs that administrators, the service and the startup shortcut run.
// Works on a plain description of each folder's access list; rights and
// SIDs in Windows' own numbers and text ("S-1-5-32-544").
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/folder_access.h"

namespace orvane {

// Access rights of a folder.
constexpr std::uint32_t kFileAddFile = 0x00000002;
constexpr std::uint32_t kFileAddSubdirectory = 0x00000004;
constexpr std::uint32_t kFileDeleteChild = 0x00000040;
constexpr std::uint32_t kAccessDelete = 0x00010000;
constexpr std::uint32_t kAccessWriteDac = 0x00040000;
constexpr std::uint32_t kAccessWriteOwner = 0x00080000;
constexpr std::uint32_t kGenericAll = 0x10000000;
constexpr std::uint32_t kGenericWrite = 0x40000000;

constexpr char kLocalSystemSid[] = "S-1-5-18";
constexpr char kAdministratorsSid[] = "S-1-5-32-544";
constexpr char kTrustedInstallerSid[] =
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

// Where the rule applies: the install folder itself (writing to it,
// adding files or folders, deleting it or what is inside, changing its
// permissions or owner), or a folder above it, where only what could take
// the folder below away or open it up to others counts (deleting it,
// deleting its children, changing its permissions or owner).
enum class FolderRole { kInstallFolder, kAbove };

// Whether a user who is not an administrator may change the folder in that
// role. Administrators are SYSTEM, Administrators, TrustedInstaller and
// `token_sids`, the SIDs of Setup's own token, but never a group that takes
// in every user (Everyone, Users, Authenticated Users...), which a token
// may hold too. Entries only handed down are ignored; so are deny entries,
// which can only make the answer stricter.
bool NonAdministratorsCanChange(const FolderAccess& access, FolderRole role,
                                const std::vector<std::string>& token_sids);

// The operating system's part: whether a folder exists, and its access
// (false when it cannot be read).
struct FolderSecuritySteps {
    std::function<bool(const std::string&)> exists;
    std::function<bool(const std::string&, FolderAccess*)> read;
    std::vector<std::string> token_sids;  // Setup's own user and owner groups
};

// The first existing folder on the way to the install folder `path` that
// users who are not administrators can change; "" when there is none. The
// drive's root (or the share) and every existing folder below it down to
// the first one that is missing are checked as folders above; the install
// folder itself, when it exists, as the install folder. A folder whose
// access cannot be read counts as changeable. The folders Setup creates
// are not checked: they get Program Files' protection, handed down there
// or set as they are made elsewhere.
std::string FirstChangeableFolder(const std::string& path, const FolderSecuritySteps& os);

// Shown, captioned "Orvane Setup Error", for that folder.
std::string ChangeableFolderText(const std::string& folder);

}  // namespace orvane
