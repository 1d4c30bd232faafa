// An in-memory system for the uninstaller's tests: files and folders by
// path, shell folders, a scripted
// Orvane window, and one transcript of every call (shared with the
// progress view) so the order of the work can be checked.
#pragma once

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/os_errors.h"
#include "uninstall/uninstall_system.h"

namespace orvane {

class FakeUninstallSystem : public UninstallSystem, public UninstallProgressView {
  public:
    std::map<ShellFolder, std::string> shell_folders = {
        {ShellFolder::kCommonPrograms, "C:\\All\\Programs"},
        {ShellFolder::kStartMenu, "C:\\Me\\Start Menu"},
        {ShellFolder::kCommonStartup, "C:\\All\\Programs\\Startup"},
        {ShellFolder::kStartup, "C:\\Me\\Start Menu\\Programs\\Startup"},
    };
    // Paths that exist; `in_use` ones cannot be deleted (files) and
    // `not_empty` folders cannot be removed; deleting `unschedulable` ones
    // at the restart cannot be recorded.
    std::set<std::string> files;
    std::set<std::string> folders;
    std::set<std::string> in_use;
    std::set<std::string> not_empty;
    std::set<std::string> unschedulable;
    // Text files written by AppendText, and paths that cannot be opened.
    std::map<std::string, std::string> text_files;
    std::set<std::string> unopenable;
    // The Orvane window: present at start, and how many further existence
    // checks it survives after being told to close (-1: it never closes).
    bool window_present = false;
    int checks_before_gone = 0;

    std::string FindShellFolder(ShellFolder folder) override { return shell_folders[folder]; }

    int DeleteOneFile(const std::string& path) override {
        Record("delete file " + path);
        if (files.count(path) == 0)
            return kErrorFileNotFound;
        if (in_use.count(path) != 0)
            return kErrorSharingViolation;
        files.erase(path);
        return kErrorSuccess;
    }
    int RemoveFolder(const std::string& path) override {
        Record("remove folder " + path);
        if (folders.count(path) == 0)
            return kErrorFileNotFound;
        if (not_empty.count(path) != 0)
            return kErrorDirNotEmpty;
        folders.erase(path);
        return kErrorSuccess;
    }
    bool DeleteAtRestart(const std::string& path) override {
        Record("delete at restart " + path);
        return unschedulable.count(path) == 0;
    }
    // The short form: the path in capitals, as long as it exists.
    bool GetShortPath(const std::string& path, std::string* short_path) override {
        if (files.count(path) == 0 && folders.count(path) == 0)
            return false;
        short_path->clear();
        for (char c : path)
            short_path->push_back(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        return true;
    }
    bool AppendText(const std::string& path, const std::string& text) override {
        if (unopenable.count(path) != 0)
            return false;
        text_files[path] += text;
        return true;
    }

    bool ProgramWindowExists() override {
        Record("window check");
        if (!window_present)
            return false;
        if (!told_to_close_ || checks_before_gone < 0)
            return true;
        if (checks_before_gone == 0) {
            window_present = false;
            return false;
        }
        --checks_before_gone;
        return true;
    }
    void PostCloseToProgramWindow() override {
        Record("post close");
        told_to_close_ = true;
    }
    void Sleep(int milliseconds) override { Record("sleep " + std::to_string(milliseconds)); }

    void SetLabel(const std::string& text) override { Record("label " + text); }
    void SetPosition(int position) override { Record("position " + std::to_string(position)); }
    void EnableClose() override { Record("enable close"); }
    void ReportIncomplete(const std::string& text) override { Record("error box " + text); }

    std::vector<std::string> transcript() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return transcript_;
    }
    void ClearTranscript() {
        std::lock_guard<std::mutex> lock(mutex_);
        transcript_.clear();
    }

  private:
    void Record(const std::string& line) {
        std::lock_guard<std::mutex> lock(mutex_);
        transcript_.push_back(line);
    }

    mutable std::mutex mutex_;
    std::vector<std::string> transcript_;
    bool told_to_close_ = false;
};

}  // namespace orvane
