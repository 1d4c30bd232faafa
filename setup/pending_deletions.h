// The system's list of renames and deletions carried out at the next start
// (HKLM\SYSTEM\CurrentControlSet\Control\Session Manager, value
// PendingFileRenameOperations, REG_MULTI_SZ of source/target pairs; an
// empty target deletes the source; sources carry the "\??\" prefix). An
// uninstallation schedules there what it could not delete at once; a
// reinstallation before that start takes its own items off the list, or
// the start would delete them.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace orvane {

constexpr char kSessionManagerKeyPath[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr char kPendingRenamesValue[] = "PendingFileRenameOperations";

struct PendingRename {
    std::u16string source;
    std::u16string target;  // empty: a deletion

    bool operator==(const PendingRename& other) const {
        return source == other.source && target == other.target;
    }
};

// The pairs of the value's data. False when the data holds no whole pairs
// (an odd text before the closing terminator): such a list is left alone.
bool ParsePendingRenames(const std::u16string& data, std::vector<PendingRename>* renames);

// The value's data for the pairs: each text and its terminator, then one
// more terminator.
std::u16string FormatPendingRenames(const std::vector<PendingRename>& renames);

// The path a source names: "\??\C:\x" is "C:\x", "\??\UNC\server\share"
// is "\\server\share"; other sources as they are.
std::u16string PendingSourcePath(const std::u16string& source);

// True for a path that names an item the installation has just made.
using InstalledItemTest = std::function<bool(const std::u16string& path)>;

// Removes the deletions of installed items, keeping every other pair in
// its order; the number removed.
std::size_t DropDeletionsOf(std::vector<PendingRename>& renames,
                            const InstalledItemTest& installed);

// The same on the registry value: written back when a pair went, deleted
// when no pair is left, untouched otherwise. 0, or the Windows error of
// the step that failed (a missing key or value is no failure).
int CancelPendingDeletionsOf(const InstalledItemTest& installed);

}  // namespace orvane
