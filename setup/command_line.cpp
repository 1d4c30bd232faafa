#include "setup/command_line.h"

#include <cstdio>

#include "platform/clock.h"
#include "platform/file_system.h"

namespace orvane {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// ASCII letters only, whatever the C locale: the bytes of a UTF-8
// character stay as they are.
std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// The program's own name ends at the next quote when it starts with one,
// else at the first blank; backslashes mean nothing in it.
std::size_t AfterProgramName(const std::string& line) {
    std::size_t at = 0;
    if (!line.empty() && line[0] == '"') {
        const std::size_t close = line.find('"', 1);
        return close == std::string::npos ? line.size() : close + 1;
    }
    while (at < line.size() && !IsBlank(line[at]))
        ++at;
    return at;
}

}  // namespace

int ExitCodeFor(InstallerOutcome outcome) {
    switch (outcome) {
        case InstallerOutcome::kSucceeded:
            return kExitSucceeded;
        case InstallerOutcome::kRestartNeeded:
            return kExitRestartNeeded;
        case InstallerOutcome::kCancelled:
            return kExitCancelled;
        case InstallerOutcome::kAlreadyRunning:
            return kExitAlreadyRunning;
        case InstallerOutcome::kNotAdministrator:
            return kExitNotAdministrator;
        case InstallerOutcome::kFailed:
            break;
    }
    return kExitFailed;
}

std::vector<std::string> CommandLineArguments(const std::string& command_line) {
    std::vector<std::string> arguments;
    std::size_t at = AfterProgramName(command_line);
    for (;;) {
        while (at < command_line.size() && IsBlank(command_line[at]))
            ++at;
        if (at >= command_line.size())
            return arguments;
        std::string argument;
        bool quoted = false;
        while (at < command_line.size() && (quoted || !IsBlank(command_line[at]))) {
            std::size_t backslashes = 0;
            while (at < command_line.size() && command_line[at] == '\\') {
                ++backslashes;
                ++at;
            }
            if (at < command_line.size() && command_line[at] == '"') {
                argument.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1)
                    argument += '"';
                else
                    quoted = !quoted;
                ++at;
                continue;
            }
            argument.append(backslashes, '\\');
            if (at < command_line.size() && (quoted || !IsBlank(command_line[at])))
                argument += command_line[at++];
        }
        arguments.push_back(argument);
    }
}

InstallerOptions ParseInstallerOptions(const std::vector<std::string>& arguments,
                                       InstallerProgram program) {
    InstallerOptions options;
    const bool setup = program == InstallerProgram::kSetup;
    auto refuse = [&options](const std::string& text) {
        if (options.refusal.empty())
            options.refusal = text;
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const std::string name = argument.size() > 1 && (argument[0] == '/' || argument[0] == '-')
                                     ? Lower(argument.substr(1))
                                     : std::string();
        const bool takes_value = name == "log" || (setup && name == "dir");
        if (takes_value) {
            if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
                refuse("The switch " + argument + " needs a value.");
                continue;
            }
            const std::string& value = arguments[++i];
            // A quote left in a value is a closing backslash that escaped
            // its quote ("C:\Apps\"): no path holds one.
            if (value.find('"') != std::string::npos) {
                refuse("Unknown argument: " + value);
                continue;
            }
            (name == "log" ? options.log_path : options.folder) = value;
        } else if (name == "quiet") {
            options.quiet = true;
        } else if (setup && name == "nostartup") {
            options.start_at_logon = false;
        } else if (setup && name == "nogroup") {
            options.program_group = false;
        } else {
            refuse((name.empty() ? "Unknown argument: " : "Unknown switch: ") + argument);
        }
    }
    return options;
}

bool RestartNeededAfterUninstall(const std::vector<std::string>& scheduled,
                                 const std::string& install_folder) {
    const std::string folder = Lower(install_folder);
    const std::string own_program = folder + "\\uninstall.exe";
    for (const std::string& path : scheduled) {
        const std::string item = Lower(path);
        if (item != folder && item != own_program)
            return true;
    }
    return false;
}

std::string InstallerLogLine(const SystemTime& local_time, const std::string& text) {
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u ",
                  static_cast<unsigned>(local_time.wYear), static_cast<unsigned>(local_time.wMonth),
                  static_cast<unsigned>(local_time.wDay), static_cast<unsigned>(local_time.wHour),
                  static_cast<unsigned>(local_time.wMinute),
                  static_cast<unsigned>(local_time.wSecond));
    std::string line = stamp;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            // A CR LF pair, or a run of them, is one space.
            if (line.back() != ' ')
                line += ' ';
            continue;
        }
        line += c;
    }
    return line + "\r\n";
}

void InstallerReport::Start(const InstallerOptions& options, BoxShower show) {
    quiet_ = options.quiet;
    log_path_ = options.log_path;
    show_ = std::move(show);
}

void InstallerReport::Step(const std::string& text) {
    if (log_path_.empty())
        return;
    // A log that cannot be written is no reason to stop: the exit code
    // still tells.
    TheFileSystem().AppendToFile(log_path_, InstallerLogLine(TheClock().GetLocalTime(), text));
}

int InstallerReport::Box(const std::string& text, const std::string& caption, unsigned style,
                         int quiet_answer) {
    Step(caption + ": " + text);
    if (quiet_ || !show_)
        return quiet_answer;
    return show_(text, caption, style);
}

void InstallerReport::Failure(const std::string& text, const std::string& caption, unsigned style) {
    failed_ = true;
    Box(text, caption, style, kMessageBoxResultOk);
}

void ReportingMessageBoxSink::Beep(unsigned icon_type) {
    if (!report_.Quiet())
        screen_.Beep(icon_type);
}

int ReportingMessageBoxSink::ShowMessageBox(const std::string& text, const std::string& caption,
                                            unsigned style) {
    report_.Failure(text, caption, style);
    return kMessageBoxResultOk;
}

}  // namespace orvane
