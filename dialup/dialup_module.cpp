#include "dialup/dialup_module.h"

namespace orvane {

namespace {

// Stands in where no dial-up networking exists: never available, never
// connected, and every operation a no-op.
class NoDialupModule : public DialupModule {
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

}  // namespace

DialupModule& UnavailableDialupModule() {
    static DialupModule* module = new NoDialupModule;  // never destroyed
    return *module;
}

}  // namespace orvane
