#include "logging/log_writer.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "logging/timestamp_text.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/fixed_text.h"
#include "platform/unicode_text.h"
#include "settings/settings_record.h"
#include "settings/live_settings.h"

namespace orvane {

namespace {

// The longest path the folder walk considers, in UTF-16 units as Windows
// counts MAX_PATH.
constexpr std::size_t kMaxPathCopy = 259;
const char kSeparator[] = "\n\n------------------------------------------------------------\n";

// Serialises the writers of this process, so that entries written at the
// same moment never interleave in the file.
std::mutex& WriterMutex() {
    static std::mutex* mutex = new std::mutex;  // never destroyed: threads may log at exit
    return *mutex;
}

// The file is written as text mode writes it on Windows: each line feed
// becomes a carriage return and line feed pair.
std::string ToTextModeBytes(const std::string& text) {
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 16 + 8);
    for (char c : text) {
        if (c == '\n')
            bytes.push_back('\r');
        bytes.push_back(c);
    }
    return bytes;
}

}  // namespace

std::string LogFolder() {
    return FieldText(CurrentSettings().logfile_path);
}

std::string DailyLogFileName(const SystemTime& local) {
    char name[32];
    std::snprintf(name, sizeof name, "%04d%02d%02d.log", local.wYear, local.wMonth, local.wDay);
    return name;
}

bool CreateDirectoryTree(const std::string& path) {
    FileSystem& fs = TheFileSystem();
    int code = fs.MakeDirectory(path);
    // A file of the same name also reports "already exists"; only a folder
    // will do.
    if (code == 0)
        return true;
    if (code == kErrorAlreadyExists)
        return fs.FolderExists(path);

    std::string copy = CutToUtf16Units(path, kMaxPathCopy);
    std::size_t cut = 0;
    for (std::size_t i = copy.size(); i-- > 1;) {
        if (copy[i] == '\\' || copy[i] == '/') {
            cut = i;
            break;
        }
    }
    if (cut == 0)
        return false;
    copy.resize(cut);
    if (!CreateDirectoryTree(copy))
        return false;
    // With a trailing separator the parent found is the folder itself.
    code = fs.MakeDirectory(path);
    return code == 0 || (code == kErrorAlreadyExists && fs.FolderExists(path));
}

bool WriteLogEntry(const std::string& text) {
    SystemTime now = TheClock().GetLocalTime();
    std::string folder = LogFolder();
    // Stamp and file name come from the same reading, so they always agree.
    std::string path = folder + "\\" + DailyLogFileName(now);
    std::string entry = "\n" + TimestampText(now) + "\n\n" + text + kSeparator;
    std::string bytes = ToTextModeBytes(entry);

    std::lock_guard<std::mutex> lock(WriterMutex());
    CreateDirectoryTree(folder);
    return TheFileSystem().AppendToFile(path, bytes);
}

bool WriteLogEntry(const char* text) {
    if (text == nullptr)
        return false;
    return WriteLogEntry(std::string(text));
}

}  // namespace orvane
