// Whether two paths name the same file or folder: "C:\Dist\" and
// "C:\Dist", a short 8.3 name and its long name, or two spellings in
// other letter case are the same folder, which a comparison of the texts
// would miss.
#pragma once

#include <string>

namespace orvane {

// The same volume and file index when both can be opened; else the same
// full long path, without regard to case.
bool IsSameFileSystemItem(const std::wstring& first, const std::wstring& second);
bool IsSameFileSystemItem(const std::string& first, const std::string& second);

// A path of the core (UTF-8) in UTF-16.
std::wstring WidePath(const std::string& path);

}  // namespace orvane
