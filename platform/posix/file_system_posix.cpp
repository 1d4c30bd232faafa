#include "platform/posix/file_system_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>

#include "platform/last_error.h"

namespace orvane {

namespace {

constexpr std::uint64_t kFileTimeOf1970 = 116444736000000000ULL;

std::string NativePath(std::string path) {
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
    return path;
}

// errno in the Windows numbering the core expects; also left as the
// thread's last-error value, as the Windows calls leave theirs.
int WindowsCode(int error) {
    int code;
    switch (error) {
        case EEXIST:
            code = kErrorAlreadyExists;
            break;
        case ENOENT:
            code = kErrorPathNotFound;
            break;
        case ENOTDIR:
            code = kErrorPathNotFound;
            break;
        case EACCES:
        case EPERM:
        case EISDIR:
        case EROFS:
            code = kErrorAccessDenied;
            break;
        case EBUSY:
            code = kErrorSharingViolation;
            break;
        case ENOSPC:
            code = 112;
            break;  // ERROR_DISK_FULL
        case ENAMETOOLONG:
            code = 206;
            break;  // ERROR_FILENAME_EXCED_RANGE
        default:
            code = 31;
            break;  // ERROR_GEN_FAILURE
    }
    SetLastErrorCode(code);
    return code;
}

}  // namespace

bool MatchesWildcard(const char* pattern, const char* name) {
    if (*pattern == '\0')
        return *name == '\0';
    if (*pattern == '*') {
        for (const char* rest = name;; ++rest) {
            if (MatchesWildcard(pattern + 1, rest))
                return true;
            if (*rest == '\0')
                return false;
        }
    }
    if (*name == '\0')
        return false;
    if (*pattern != '?' && std::tolower(static_cast<unsigned char>(*pattern)) !=
                               std::tolower(static_cast<unsigned char>(*name))) {
        return false;
    }
    return MatchesWildcard(pattern + 1, name + 1);
}

int PosixFileSystem::MakeDirectory(const std::string& path) {
    if (::mkdir(NativePath(path).c_str(), 0777) == 0)
        return 0;
    return WindowsCode(errno);
}

bool PosixFileSystem::FolderExists(const std::string& path) {
    struct stat info;
    return ::stat(NativePath(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool PosixFileSystem::AppendToFile(const std::string& path, const std::string& bytes) {
    int fd = ::open(NativePath(path).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        WindowsCode(errno);
        return false;
    }
    bool ok = true;
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            WindowsCode(errno);
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0)
        ok = false;
    return ok;
}

std::vector<FileEntry> PosixFileSystem::ListFiles(const std::string& pattern) {
    std::vector<FileEntry> files;
    const std::string native = NativePath(pattern);
    const std::size_t slash = native.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : native.substr(0, slash + 1);
    const std::string wildcard = slash == std::string::npos ? native : native.substr(slash + 1);

    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return files;
    while (const dirent* item = ::readdir(dir)) {
        if (!MatchesWildcard(wildcard.c_str(), item->d_name))
            continue;
        struct stat info;
        if (::stat((folder + item->d_name).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
            continue;
        }
        FileEntry entry;
        entry.name = item->d_name;
        entry.size = static_cast<std::uint64_t>(info.st_size);
        const std::int64_t ticks =
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 10000000 + info.st_mtim.tv_nsec / 100;
        entry.creation_time.value = kFileTimeOf1970 + static_cast<std::uint64_t>(ticks);
        files.push_back(entry);
    }
    ::closedir(dir);
    return files;
}

int PosixFileSystem::RemoveFile(const std::string& path) {
    if (::unlink(NativePath(path).c_str()) == 0)
        return 0;
    if (errno == ENOENT) {
        SetLastErrorCode(kErrorFileNotFound);
        return kErrorFileNotFound;
    }
    return WindowsCode(errno);
}

}  // namespace orvane
