// Where a program installs the implementation of one OS interface, and
// where every module finds it. Each program installs what it uses once at
// start; the core then reaches it from any thread. Reaching an interface
// that was never installed is a wiring mistake in the program: it ends the
// process with a message naming the interface, rather than failing later
// in some less obvious way.
#pragma once

#include <atomic>

namespace orvane {

// Reports the missing interface and ends the process; never returns.
[[noreturn]] void ReportMissingInterface(const char* interface_name);

// Replaces how the report above is shown (standard error by default); a
// Windows program shows a message box instead. The handler must not
// return normally; if it does, the process is aborted.
using MissingInterfaceHandler = void (*)(const char* interface_name);
void SetMissingInterfaceHandler(MissingInterfaceHandler handler);

template <typename Interface>
class InterfaceSlot {
  public:
    // Constant-initialised and trivially destroyed, so a slot is usable
    // before main and still intact while the process ends.
    explicit constexpr InterfaceSlot(const char* interface_name) : name_(interface_name) {}
    InterfaceSlot(const InterfaceSlot&) = delete;
    InterfaceSlot& operator=(const InterfaceSlot&) = delete;

    void Install(Interface* implementation) { installed_.store(implementation); }
    bool IsInstalled() const { return installed_.load() != nullptr; }
    Interface& Get() const {
        Interface* implementation = installed_.load();
        if (implementation == nullptr)
            ReportMissingInterface(name_);
        return *implementation;
    }

  private:
    const char* name_;
    std::atomic<Interface*> installed_{nullptr};
};

}  // namespace orvane
