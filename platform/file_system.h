// Files and folders as the core sees them. Paths use the product's
// backslash form ("C:\Data Files\Pellmoor\Orvane"); error codes use the
// Windows numbering on every build.
#pragma once

#include <atomic>
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
    // Opens the file for appending (creating it when missing), writes all
    // the bytes unchanged, closes it. False when it could not be opened or
    // not every byte was written.
    virtual bool AppendToFile(const std::string& path, const std::string& bytes) = 0;
    // The plain files matching a pattern such as "C:\Logs\*.log" ('*' and
    // '?' in the last part only, matched without regard to case), in the
    // order the OS gives them. A missing folder or no match gives an empty
    // list.
    virtual std::vector<FileEntry> ListFiles(const std::string& pattern) = 0;
    // 0 on success, else the OS error code.
    virtual int RemoveFile(const std::string& path) = 0;
};

namespace file_system_detail {
inline std::atomic<FileSystem*>& Installed() {
    static std::atomic<FileSystem*> installed{nullptr};
    return installed;
}
}  // namespace file_system_detail

// The file system every module uses; installed at start like the clock.
inline void UseFileSystem(FileSystem* file_system) {
    file_system_detail::Installed().store(file_system);
}

// Null until one is installed; callers treat that as "nothing can be
// opened or found".
inline FileSystem* TheFileSystem() {
    return file_system_detail::Installed().load();
}

}  // namespace orvane
