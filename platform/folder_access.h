// A folder's security as the core sees it: its owner and access list, SIDs
// in their text form ("S-1-5-32-544") and rights in Windows' numbering, and
// whether its volume keeps access lists at all.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvane {

struct FolderAccessEntry {
    bool allow = true;  // false: a deny entry
    std::string sid;
    std::uint32_t mask = 0;
    bool inherit_only = false;  // only handed down, not applied to the folder
};

struct FolderAccess {
    bool persistent_acls = true;  // false: a volume without access lists (FAT)
    std::string owner;            // empty when the folder names none
    // A folder without an access list at all (a null DACL) is given as one
    // entry allowing Everyone (S-1-1-0) GENERIC_ALL: what Windows grants then.
    std::vector<FolderAccessEntry> entries;
};

}  // namespace orvane
