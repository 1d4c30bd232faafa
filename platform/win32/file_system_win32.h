// The real Windows file system.
#pragma once

#include "platform/file_system.h"

namespace orvane {

class Win32FileSystem : public FileSystem {
  public:
    int MakeDirectory(const std::string& path) override;
    bool FolderExists(const std::string& path) override;
    bool AppendToFile(const std::string& path, const std::string& text) override;
    std::vector<FileEntry> ListFiles(const std::string& pattern) override;
    int RemoveFile(const std::string& path) override;
};

}  // namespace orvane
