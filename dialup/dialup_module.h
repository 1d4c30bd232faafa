// The dial-up module as the engine uses it: whether dial-up networking can
// be used, its set-up, the connection state, dialling the configured entry
// and hanging up the connection this program dialled. The program installs
// the Remote Access implementation at start, which reports dial-up as
// unavailable on a machine without it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/interface_slot.h"

namespace orvane {

// Dial-up events; the numbers are also the command ids of the messages
// posted to the notify window.
constexpr int kDialEventConnectedByOrvane = 22500;
constexpr int kDialEventDisconnectedByOrvane = 22501;
constexpr int kDialEventConnectedByUser = 22502;
constexpr int kDialEventDisconnectedByUser = 22503;
constexpr int kDialEventDialFailed = 22505;

// Connection states.
constexpr int kConnectionStateConnected = 2;
constexpr int kConnectionStateNotConnected = 4;

// An opaque window handle (HWND on Windows); 0 is none.
using DialWindowHandle = std::uintptr_t;
using DialEventHandler = std::function<void(int event)>;
using DialErrorReporter = std::function<void(const std::string& text)>;

class DialupModule {
  public:
    virtual ~DialupModule() = default;

    // 1 when dial-up networking can be used, else 0. Leaves nothing loaded.
    virtual int IsDialupAvailable() = 0;
    // Binds the dial-up library; starts the connection monitor when
    // start_monitor is 1.
    virtual void BindDialup(int start_monitor) = 0;

    virtual void SetDialErrorReporter(DialErrorReporter reporter) = 0;
    // Names and the password are UTF-8, kept to kRasMaxEntryName UTF-16 units
    // (never cut inside a character).
    virtual void SetDialUserName(const char* name) = 0;
    virtual void SetDialPassword(const char* password) = 0;
    // A null name clears it.
    virtual void SetDialEntryName(const char* name) = 0;
    virtual void SetDialOwnerWindow(DialWindowHandle window) = 0;
    virtual void SetDialProgressVisible(int visible) = 0;
    virtual void SetDialNotifyWindow(DialWindowHandle window) = 0;
    virtual void SetDialEventHandler(DialEventHandler handler) = 0;

    // One look at the connections; raises 22502 or 22503 on a change.
    virtual void PollConnections() = 0;
    // kConnectionStateConnected or kConnectionStateNotConnected.
    virtual int GetConnectionState() = 0;
    virtual std::string GetDialEntryName() = 0;
    virtual std::string GetDialErrorText() = 0;
    // 1 when the connection this program dialled was hung up (raising 22501).
    virtual int HangUpOwnConnection() = 0;
    // Starts dialling the configured entry; non-zero when the dial started.
    // Its end is told by 22500 or 22505.
    virtual int DialConfiguredEntry() = 0;
    // The default phone book's entry names, for the configuration dialog;
    // none where dial-up networking is missing.
    virtual std::vector<std::string> ListPhoneBookEntries() { return {}; }
};

inline InterfaceSlot<DialupModule> installed_dialup_module{"dial-up module"};
inline void UseDialupModule(DialupModule* implementation) {
    installed_dialup_module.Install(implementation);
}
inline DialupModule& TheDialupModule() {
    return installed_dialup_module.Get();
}

// A module for where no dial-up networking exists: never available, never
// connected, every operation a no-op. Never destroyed.
DialupModule& UnavailableDialupModule();

}  // namespace orvane
