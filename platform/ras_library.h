// Remote Access as the dial-up module sees it: the library loaded by name at
// run time, its entry points looked up one by one, and the seven calls the
// module makes, with the records in a portable form (texts in UTF-8). The Windows build
// implements it over rasapi32.dll; unit tests use an in-memory one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orvane {

// The entry points, in the order the module looks them up.
enum class RasFunction {
    kEnumConnections,
    kGetErrorString,
    kEnumEntries,
    kGetEntryDialParams,
    kHangUp,
    kGetConnectStatus,
    kDial,
};
constexpr int kRasFunctionCount = 7;

// The exported name of an entry point ("RasEnumConnectionsW", ...).
inline const char* RasFunctionExportName(RasFunction function) {
    switch (function) {
        case RasFunction::kEnumConnections:
            return "RasEnumConnectionsW";
        case RasFunction::kGetErrorString:
            return "RasGetErrorStringW";
        case RasFunction::kEnumEntries:
            return "RasEnumEntriesW";
        case RasFunction::kGetEntryDialParams:
            return "RasGetEntryDialParamsW";
        case RasFunction::kHangUp:
            return "RasHangUpW";
        case RasFunction::kGetConnectStatus:
            return "RasGetConnectStatusW";
        case RasFunction::kDial:
            return "RasDialW";
    }
    return "";
}

// Answers of the library, numbered as Windows numbers them.
constexpr std::uint32_t kRasSuccess = 0;
constexpr std::uint32_t kRasErrorModuleNotFound = 126;
constexpr std::uint32_t kRasErrorBufferTooSmall = 603;
constexpr std::uint32_t kRasErrorPortNotAvailable = 633;
constexpr std::uint32_t kRasErrorNoAnswer = 678;

// The message number of dial notifications, and the connection states the
// module tells apart.
constexpr unsigned kRasDialEventMessage = 0xCCCD;
constexpr int kRasStateOpenPort = 0;
constexpr int kRasStatePortOpened = 1;
constexpr int kRasStateAuthenticate = 5;
constexpr int kRasStateAuthenticated = 14;
constexpr int kRasStateConnected = 0x2000;

// The longest entry name, user name or password a record holds, in UTF-16
// units (the records' texts are UTF-8 here, UTF-16 in the library).
constexpr std::size_t kRasMaxEntryName = 256;

// An open connection (HRASCONN); 0 is none.
using RasConnectionHandle = std::uintptr_t;

struct RasConnectionEntry {
    RasConnectionHandle handle = 0;
    std::string entry_name;
};

struct RasDialParameters {
    std::string entry_name;
    std::string phone_number;
    std::string callback_number;
    std::string user_name;
    std::string password;
    std::string domain;
};

// The notifier of a dial: message number, connection state, error code.
// Called on a thread of the library.
using RasDialNotifier = std::function<void(unsigned message, int state, std::uint32_t error)>;

class RasLibrary {
  public:
    virtual ~RasLibrary() = default;

    // Loads the library (from the system folder only); false when it cannot
    // be loaded.
    virtual bool Load() = 0;
    // Frees what Load loaded and forgets every entry point; true when it
    // was freed.
    virtual bool Free() = 0;
    // Looks the entry point up in the loaded library. A call whose entry
    // point was not found answers kRasErrorModuleNotFound without reaching
    // the library.
    virtual bool Find(RasFunction function) = 0;

    // Lists the open connections with room for `room` records. On
    // kRasErrorBufferTooSmall, `wanted` is the number of records needed.
    virtual std::uint32_t EnumConnections(std::size_t room,
                                          std::vector<RasConnectionEntry>& connections,
                                          std::size_t& wanted) = 0;
    // The text of a RAS error number, for a buffer of `buffer_size`
    // characters (UTF-16 units).
    virtual std::uint32_t GetErrorString(std::uint32_t error, std::size_t buffer_size,
                                         std::string& text) = 0;
    // Lists the default phone book's entry names with room for `room`
    // records; `wanted` as for EnumConnections.
    virtual std::uint32_t EnumEntries(std::size_t room, std::vector<std::string>& names,
                                      std::size_t& wanted) = 0;
    // Reads the stored dial parameters of the entry that params.entry_name
    // names from the default phone book into the rest of params.
    virtual std::uint32_t GetEntryDialParams(RasDialParameters& params, bool& password_stored) = 0;
    virtual std::uint32_t HangUp(RasConnectionHandle handle) = 0;
    // The connection's state (kRasStateConnected when it is up).
    virtual std::uint32_t GetConnectStatus(RasConnectionHandle handle, int& state) = 0;
    // Starts an asynchronous dial of the default phone book with no dial
    // extensions. The handle may be set even when the dial fails to start.
    virtual std::uint32_t Dial(const RasDialParameters& params, RasDialNotifier notifier,
                               RasConnectionHandle& handle) = 0;
};

// Makes a fresh, unloaded library object.
using RasLibraryMaker = std::function<std::unique_ptr<RasLibrary>()>;

}  // namespace orvane
