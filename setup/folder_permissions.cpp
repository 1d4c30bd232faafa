#include "setup/folder_permissions.h"

#include "setup/install_paths.h"

namespace orvane {

namespace {

// What the generic rights stand for on files and folders: FILE_ALL_ACCESS
// and FILE_GENERIC_WRITE.
constexpr std::uint32_t kFileAllAccess = 0x001F01FF;
constexpr std::uint32_t kFileGenericWrite = 0x00120116;

constexpr std::uint32_t kChangesTheFolderAbove =
    kFileDeleteChild | kAccessDelete | kAccessWriteDac | kAccessWriteOwner;
constexpr std::uint32_t kChangesTheInstallFolder =
    kChangesTheFolderAbove | kFileAddFile | kFileAddSubdirectory;

std::uint32_t MappedRights(std::uint32_t mask) {
    if ((mask & kGenericAll) != 0)
        mask |= kFileAllAccess;
    if ((mask & kGenericWrite) != 0)
        mask |= kFileGenericWrite;
    return mask;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The groups that take in every user, or every user of a domain
// (Everyone, INTERACTIVE, Authenticated Users, Users, Guests, Domain Users,
// Domain Guests): never an administrator, even where Setup's token holds one.
bool TakesInEveryUser(const std::string& sid) {
    for (const char* every : {"S-1-1-0", "S-1-5-4", "S-1-5-11", "S-1-5-32-545", "S-1-5-32-546"}) {
        if (sid == every)
            return true;
    }
    return sid.rfind("S-1-5-21-", 0) == 0 && (EndsWith(sid, "-513") || EndsWith(sid, "-514"));
}

bool IsAdministrator(const std::string& sid, const std::vector<std::string>& token_sids) {
    if (sid == kLocalSystemSid || sid == kAdministratorsSid || sid == kTrustedInstallerSid)
        return true;
    if (TakesInEveryUser(sid))
        return false;
    for (const std::string& own : token_sids) {
        if (sid == own)
            return true;
    }
    return false;
}

// "D:\", or "\\server\share\", for a complete path.
std::string RootOf(const std::string& outermost_folder) {
    return outermost_folder.substr(0, outermost_folder.find_last_of('\\') + 1);
}

}  // namespace

bool NonAdministratorsCanChange(const FolderAccess& access, FolderRole role,
                                const std::vector<std::string>& token_sids) {
    if (!access.persistent_acls)
        return true;
    // An owner may always change the permissions (an OWNER RIGHTS entry
    // could take that away, but an owner who is not an administrator is
    // refused all the same).
    if (!IsAdministrator(access.owner, token_sids))
        return true;
    const std::uint32_t counted =
        role == FolderRole::kInstallFolder ? kChangesTheInstallFolder : kChangesTheFolderAbove;
    for (const FolderAccessEntry& entry : access.entries) {
        // Windows applies deny entries first, so one could take away what an
        // allow entry grants; ignoring them can only refuse more.
        if (!entry.allow || entry.inherit_only)
            continue;
        if ((MappedRights(entry.mask) & counted) != 0 && !IsAdministrator(entry.sid, token_sids))
            return true;
    }
    return false;
}

std::string FirstChangeableFolder(const std::string& path, const FolderSecuritySteps& os) {
    std::vector<std::string> chain = FolderChain(path);
    if (chain.empty())
        return std::string();
    chain.insert(chain.begin(), RootOf(chain.front()));
    for (std::size_t i = 0; i < chain.size(); ++i) {
        const std::string& folder = chain[i];
        // The root is there even when the folder test says otherwise for it.
        if (i > 0 && !os.exists(folder))
            break;
        const FolderRole role =
            i + 1 == chain.size() ? FolderRole::kInstallFolder : FolderRole::kAbove;
        FolderAccess access;
        if (!os.read(folder, &access) || NonAdministratorsCanChange(access, role, os.token_sids))
            return folder;
    }
    return std::string();
}

std::string ChangeableFolderText(const std::string& folder) {
    return "The folder " + folder +
           " can be changed by users who are not administrators.  Please choose another "
           "folder, such as " +
           kDefaultSetupInstallFolder + ".";
}

}  // namespace orvane
