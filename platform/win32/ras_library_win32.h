// Remote Access over rasapi32.dll, loaded from the system folder at run
// time; every entry point is looked up with GetProcAddress, so the program
// runs where the library is missing.
#pragma once

#include <memory>

#include "platform/ras_library.h"

namespace orvane {

class Win32RasLibrary : public RasLibrary {
  public:
    Win32RasLibrary();
    ~Win32RasLibrary() override;
    Win32RasLibrary(const Win32RasLibrary&) = delete;
    Win32RasLibrary& operator=(const Win32RasLibrary&) = delete;

    bool Load() override;
    bool Free() override;
    bool Find(RasFunction function) override;
    std::uint32_t EnumConnections(std::size_t room, std::vector<RasConnectionEntry>& connections,
                                  std::size_t& wanted) override;
    std::uint32_t GetErrorString(std::uint32_t error, std::size_t buffer_size,
                                 std::string& text) override;
    std::uint32_t EnumEntries(std::size_t room, std::vector<std::string>& names,
                              std::size_t& wanted) override;
    std::uint32_t GetEntryDialParams(RasDialParameters& params, bool& password_stored) override;
    std::uint32_t HangUp(RasConnectionHandle handle) override;
    std::uint32_t GetConnectStatus(RasConnectionHandle handle, int& state) override;
    std::uint32_t Dial(const RasDialParameters& params, RasDialNotifier notifier,
                       RasConnectionHandle& handle) override;

  private:
    struct Entries;
    std::unique_ptr<Entries> entries_;
};

// A maker for the dial-up module.
RasLibraryMaker Win32RasLibraryMaker();

}  // namespace orvane
