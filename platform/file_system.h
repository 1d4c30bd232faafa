// Files and folders as the core sees them. Paths use the product's
// backslash form ("C:\Data Files\Pellmoor\Orvane") in UTF-8, names in
// any language; error codes use the Windows numbering on every build.
#pragma once

#include "platform/interface_slot.h"

#include <cstdint>
#include <string>
#include <vector>

#include "platform/clock_types.h"

namespace orvane {

// One plain file found in a folder (sub-folders are never listed).
struct FileEntry {
    std::string name;  // without the folder
    std::uint64_t size = 0;
    FileTime creation_time;  // UTC
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // Creates one folder (not its parents). 0 on success, else the OS error
    // code: 183 when something of that name is already there.
    virtual int MakeDirectory(const std::string& path) = 0;
    virtual bool FolderExists(const std::string& path) = 0;
    // Opens the file for appending (creating it when missing), writes the
    // text, closes it. False when it could not be opened or not every byte
    // was written. The text is UTF-8 and meant for people (log files, the
    // configuration dump): Windows writes it in the ANSI code page, as log
    // readers expect (UTF-8 unchanged where that is the code page, without
    // a byte-order mark); other builds write it unchanged.
    virtual bool AppendToFile(const std::string& path, const std::string& text) = 0;
    // The plain files matching a pattern such as "C:\Logs\*.log" ('*' and
    // '?' in the last part only, matched without regard to case), in the
    // order the OS gives them. A missing folder or no match gives an empty
    // list.
    virtual std::vector<FileEntry> ListFiles(const std::string& pattern) = 0;
    // 0 on success, else the OS error code.
    virtual int RemoveFile(const std::string& path) = 0;
};

inline InterfaceSlot<FileSystem> installed_file_system{"file system"};
inline void UseFileSystem(FileSystem* implementation) {
    installed_file_system.Install(implementation);
}
inline FileSystem& TheFileSystem() {
    return installed_file_system.Get();
}

}  // namespace orvane
