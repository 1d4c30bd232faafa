// Runs the synchronisation engine with the real Win32 clock, registry, file
// system, event log and name lookups, for the end-to-end tests:
//   engine_host SECONDS [manual]
// Loads the settings from the registry, starts the engine (and with it the
// broadcast listener when "Receive sntp broadcasts" is 1) and the update
// thread, asks for a manual update when told to, runs for SECONDS, then
// prints the last-update record and stops. Output lines: "error=..." for
// each error-window message, "box=...|caption" for each message box,
// "fatal=..." for a fatal report, "refresh=N" per status refresh, then
// "valid=", "protocol=", "stratum=", "version=", "server=", "address=",
// "delay=", "link=".
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "dialup/dialup_module.h"
#include "engine/engine.h"
#include "engine/last_update_record.h"
#include "engine/update_scheduler.h"
#include "engine/engine_ui_sink.h"
#include "platform/ui_sinks.h"
#include "platform/win32/install_win32.h"
#include "platform/fixed_text.h"
#include "settings/ipv4_text.h"
#include "settings/settings_record.h"
#include "settings/settings_store.h"
#include "second_phase.h"
#include "settings/live_settings.h"

using namespace orvane;

namespace {

std::mutex print_mutex;

void PrintLine(const std::string& line) {
    std::lock_guard<std::mutex> lock(print_mutex);
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// One line per message, in the window's own layout stripped of line breaks.
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return text;
}

// The error window as a printer: every thread counts as the user-interface
// thread, and each new part of the window's text is printed.
class PrintingErrorWindow : public ErrorWindowSink {
  public:
    bool OnUserInterfaceThread() override { return true; }
    bool RequestErrorWindow() override { return true; }
    bool IsErrorWindowOpen() override { return open_; }
    bool OpenErrorWindow() override {
        open_ = true;
        return true;
    }
    bool SetErrorWindowText(const std::string& text) override {
        if (text.size() > shown_)
            PrintLine("error=" + OneLine(text.substr(shown_)));
        shown_ = text.size();
        return true;
    }

  private:
    bool open_ = false;
    std::size_t shown_ = 0;
};

class PrintingMessageBoxes : public MessageBoxSink {
  public:
    void Beep(unsigned) override {}
    int ShowMessageBox(const std::string& text, const std::string& caption, unsigned) override {
        PrintLine("fatal=" + OneLine(text) + "|" + caption);
        return kMessageBoxResultOk;
    }
};

class PrintingExit : public ProcessExit {
  public:
    void Exit(unsigned code) override {
        std::fflush(stdout);
        std::exit(static_cast<int>(code));
    }
};

class PrintingEngineUi : public EngineUiSink {
  public:
    void RefreshStatusDialog(const LastUpdateRecord&) override {
        std::lock_guard<std::mutex> lock(mutex_);
        PrintLine("refresh=" + std::to_string(++refreshes_));
    }
    void PostInformationBox(const std::string& text, const std::string& caption) override {
        PrintLine("box=" + text + "|" + caption);
    }
    bool IsConfigurationDialogOpen() override { return false; }

  private:
    std::mutex mutex_;
    int refreshes_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: engine_host SECONDS [manual]\n");
        return 2;
    }
    const int seconds = std::atoi(argv[1]);
    const bool manual = argc >= 3 && std::string(argv[2]) == "manual";

    WSADATA data;
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0) {
        std::printf("WSAStartup failed\n");
        return 2;
    }
    InstallWin32Platform("Orvane engine host");
    // What the test reads comes out on standard output instead of windows.
    UseErrorWindowSink(new PrintingErrorWindow);
    UseMessageBoxSink(new PrintingMessageBoxes);
    UseProcessExit(new PrintingExit);
    UseEngineUiSink(new PrintingEngineUi);
    UseDialupModule(&UnavailableDialupModule());

    UpdateSettings([](SettingsRecord& live) { LoadSettings(live); });
    StartEngine();
    StartUpdateThread();
    if (manual) {
        WaitForSecondPhase();
        RequestManualUpdate();
    }
    Sleep(static_cast<DWORD>(seconds) * 1000);

    StopUpdateThread();
    StopEngine();

    const LastUpdateRecord record = CopyLastUpdateRecord();
    std::printf(
        "valid=%d\nprotocol=%d\nstratum=%d\nversion=%d\nserver=%s\naddress=%s\n"
        "delay=%d\nlink=%s\n",
        record.valid, record.protocol, record.stratum, record.version_number,
        FieldText(record.server_name).c_str(),
        Ipv4AddressToText(record.server_address.address).c_str(), record.round_trip_delay,
        FieldText(record.link_text).c_str());
    std::fflush(stdout);
    // The update thread and listener may still run; end without waiting,
    // as the program does.
    WSACleanup();
    std::_Exit(0);
}
