#include "platform/interface_slot.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "dialup/dialup_module.h"
#include "engine/engine_ui_sink.h"
#include "platform/clock.h"
#include "platform/event_log.h"
#include "platform/file_system.h"
#include "platform/name_lookup.h"
#include "platform/os_version.h"
#include "platform/registry.h"
#include "platform/service_control.h"
#include "platform/ui_sinks.h"
#include "uninstall/uninstall_system.h"

namespace orvane {
namespace {

// A program that forgot to install an interface stops at the first use,
// naming what is missing, whichever interface it is.
TEST(InterfaceSlotDeathTest, AMissingInterfaceEndsTheProcessNamingIt) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    struct Case {
        const char* name;
        std::function<void()> reach;
    };
    const Case cases[] = {
        {"clock", [] { UseClock(nullptr), TheClock(); }},
        {"registry", [] { UseRegistry(nullptr), TheRegistry(); }},
        {"file system", [] { UseFileSystem(nullptr), TheFileSystem(); }},
        {"event log", [] { UseEventLog(nullptr), TheEventLog(); }},
        {"name lookup", [] { UseNameLookup(nullptr), TheNameLookup(); }},
        {"OS version query", [] { UseOsVersion(nullptr), IsNtPlatform(); }},
        {"service control manager", [] { UseServiceControl(nullptr), TheServiceControl(); }},
        {"message box sink", [] { UseMessageBoxSink(nullptr), TheMessageBoxSink(); }},
        {"error window sink", [] { UseErrorWindowSink(nullptr), TheErrorWindowSink(); }},
        {"process exit", [] { UseProcessExit(nullptr), TheProcessExit(); }},
        {"engine user-interface sink", [] { UseEngineUiSink(nullptr), TheEngineUiSink(); }},
        {"dial-up module", [] { UseDialupModule(nullptr), TheDialupModule(); }},
        {"uninstall system", [] { UseUninstallSystem(nullptr), TheUninstallSystem(); }},
    };
    for (const Case& c : cases) {
        EXPECT_DEATH(c.reach(), std::string("no ") + c.name + " is installed") << c.name;
    }
}

TEST(InterfaceSlotTest, TheInstalledImplementationIsTheOneReached) {
    class Named : public NameLookup {
      public:
        bool LookUpAddresses(const std::string&, int, std::vector<net::SocketAddress>*) override {
            return false;
        }
        bool LookUpHostName(std::uint32_t, std::string* name) override {
            *name = "installed";
            return true;
        }
    } named;
    UseNameLookup(&named);
    std::string name;
    EXPECT_TRUE(TheNameLookup().LookUpHostName(0, &name));
    EXPECT_EQ(name, "installed");
    UseNameLookup(nullptr);
}

}  // namespace
}  // namespace orvane
