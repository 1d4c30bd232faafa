#include "ui/startup_shortcut.h"

#include <gtest/gtest.h>

#include "support/fake_registry.h"
#include "settings/settings_store.h"

namespace orvane {
namespace {

class StartupShortcutTest : public ::testing::Test {
  protected:
    void SetUp() override { UseRegistry(&registry_); }
    void TearDown() override { UseRegistry(nullptr); }
    FakeRegistry registry_;
};

TEST_F(StartupShortcutTest, InstallFolderComesFromTheMachineSettings) {
    registry_.PutText(RegistryScope::kMachine, kSettingsKeyPath, "Install directory",
                      "D:\\Tools\\Orvane");
    EXPECT_EQ(ShortcutInstallFolder(), "D:\\Tools\\Orvane\\");
}

TEST_F(StartupShortcutTest, WithoutKeyOrValueTheDefaultFolderIsUsed) {
    EXPECT_EQ(ShortcutInstallFolder(), "C:\\Program Files\\Pellmoor\\Orvane\\");
    registry_.PutNumber(RegistryScope::kMachine, kSettingsKeyPath, "Protocol", 1);
    EXPECT_EQ(ShortcutInstallFolder(), "C:\\Program Files\\Pellmoor\\Orvane\\");
    // The user hive's value is not the install folder.
    registry_.PutText(RegistryScope::kUser, kSettingsKeyPath, "Install directory", "E:\\x");
    EXPECT_EQ(ShortcutInstallFolder(), "C:\\Program Files\\Pellmoor\\Orvane\\");
}

TEST_F(StartupShortcutTest, LinkPathIsOrvaneLnkInTheFolder) {
    EXPECT_EQ(StartupLinkPath("C:\\ProgramData\\Startup"), "C:\\ProgramData\\Startup\\Orvane.lnk");
}

}  // namespace
}  // namespace orvane
