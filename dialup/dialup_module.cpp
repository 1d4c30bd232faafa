#include "dialup/dialup_module.h"

#include <atomic>

namespace orvane {

namespace {

// Stands in where no dial-up networking exists: never available, never
// connected, and every operation a no-op.
class UnavailableDialupModule : public DialupModule {
  public:
    int IsDialupAvailable() override { return 0; }
    void BindDialup(int) override {}
    void SetDialErrorReporter(DialErrorReporter) override {}
    void SetDialUserName(const char*) override {}
    void SetDialPassword(const char*) override {}
    void SetDialEntryName(const char*) override {}
    void SetDialOwnerWindow(DialWindowHandle) override {}
    void SetDialProgressVisible(int) override {}
    void SetDialNotifyWindow(DialWindowHandle) override {}
    void SetDialEventHandler(DialEventHandler) override {}
    void PollConnections() override {}
    int GetConnectionState() override { return kConnectionStateNotConnected; }
    std::string GetDialEntryName() override { return std::string(); }
    std::string GetDialErrorText() override { return std::string(); }
    int HangUpOwnConnection() override { return 0; }
    int DialConfiguredEntry() override { return 0; }
};

UnavailableDialupModule& Unavailable() {
    static UnavailableDialupModule* module = new UnavailableDialupModule;  // never destroyed
    return *module;
}

std::atomic<DialupModule*> installed{nullptr};

}  // namespace

void UseDialupModule(DialupModule* module) {
    installed.store(module);
}

DialupModule& TheDialupModule() {
    DialupModule* module = installed.load();
    return module != nullptr ? *module : Unavailable();
}

}  // namespace orvane
