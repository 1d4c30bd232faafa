// The native build's file system, on real folders. Backslashes in paths
// become slashes, so the core's product paths work on test folders. Linux
// keeps no reliable creation time, so a file's modification time stands in
// for it: tests set it to give a file an age.
#pragma once

#include "platform/file_system.h"

namespace orvane {

class PosixFileSystem : public FileSystem {
  public:
    int MakeDirectory(const std::string& path) override;
    bool FolderExists(const std::string& path) override;
    bool AppendToFile(const std::string& path, const std::string& bytes) override;
    std::vector<FileEntry> ListFiles(const std::string& pattern) override;
    int RemoveFile(const std::string& path) override;
};

// Case-insensitive match of '*' and '?' wildcards, as Windows matches
// "*.log".
bool MatchesWildcard(const char* pattern, const char* name);

}  // namespace orvane
