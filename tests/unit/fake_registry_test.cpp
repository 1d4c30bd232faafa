#include "support/fake_registry.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

constexpr RegistryScope kMachine = RegistryScope::kMachine;
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

TEST(FakeRegistryTest, OpenCreatesOnlyWhenAskedAndMissing) {
    FakeRegistry registry;
    RegistryKey key = 123;
    EXPECT_EQ(registry.OpenKey(kMachine, "A\\B", RegistryMode::kRead, false, &key),
              kErrorFileNotFound);
    EXPECT_EQ(key, kNoRegistryKey);
    EXPECT_FALSE(registry.HasKey(kMachine, "A\\B"));
    ASSERT_EQ(registry.OpenKey(kMachine, "A\\B", RegistryMode::kWrite, true, &key), 0);
    // The keys above are made too, as the registry makes them.
    EXPECT_TRUE(registry.HasKey(kMachine, "a"));
    EXPECT_FALSE(registry.HasKey(RegistryScope::kUser, "A\\B"));
    EXPECT_EQ(registry.CloseKey(key), 0);
    EXPECT_EQ(registry.CloseKey(key), kErrorInvalidHandle);
    // Denied writing: an existing key refuses, a missing one is not created.
    registry.DenyWrite(kMachine, true);
    EXPECT_EQ(registry.OpenKey(kMachine, "A\\B", RegistryMode::kWrite, true, &key),
              kErrorAccessDenied);
    EXPECT_EQ(registry.OpenKey(kMachine, "A\\C", RegistryMode::kWrite, true, &key),
              kErrorAccessDenied);
    EXPECT_FALSE(registry.HasKey(kMachine, "A\\C"));
    ASSERT_EQ(registry.OpenKey(kMachine, "A\\B", RegistryMode::kRead, true, &key), 0);
    registry.CloseKey(key);
    EXPECT_EQ(registry.open_keys(), 0);
}

TEST(FakeRegistryTest, ReadModeKeyRefusesWrites) {
    FakeRegistry registry;
    registry.PutNumber(kMachine, "K", "Value", 1);
    RegistryKey key;
    ASSERT_EQ(registry.OpenKey(kMachine, "K", RegistryMode::kRead, false, &key), 0);
    EXPECT_EQ(registry.WriteNumber(key, "Value", 2), kErrorAccessDenied);
    EXPECT_EQ(registry.WriteText(key, "Text", "x"), kErrorAccessDenied);
    EXPECT_EQ(registry.DeleteValue(key, "Value"), kErrorAccessDenied);
    EXPECT_EQ(registry.Number(kMachine, "K", "Value"), 1);
    registry.CloseKey(key);
}

TEST(FakeRegistryTest, DeletesValuesAndKeysWithoutSubKeys) {
    FakeRegistry registry;
    registry.PutText(kMachine, std::string(kUninstallKey) + "\\Orvane", "UninstallString", "u");
    registry.PutText(kMachine, std::string(kUninstallKey) + "\\Orvane\\Sub", "", "s");
    registry.PutNumber(kMachine, "Software\\Pellmoor\\Orvane", "Program is installed", 1);

    RegistryKey key;
    ASSERT_EQ(
        registry.OpenKey(kMachine, "software\\pellmoor\\orvane", RegistryMode::kWrite, false, &key),
        0);
    EXPECT_EQ(registry.DeleteValue(key, "PROGRAM IS INSTALLED"), 0);
    EXPECT_EQ(registry.DeleteValue(key, "Program is installed"), kErrorFileNotFound);
    registry.CloseKey(key);

    ASSERT_EQ(registry.OpenKey(kMachine, kUninstallKey, RegistryMode::kWrite, true, &key), 0);
    EXPECT_EQ(registry.DeleteKey(key, "Orvane"), kErrorAccessDenied);  // has a sub-key
    RegistryKey orvane;
    ASSERT_EQ(registry.OpenKey(kMachine, (std::string(kUninstallKey) + "\\Orvane").c_str(),
                               RegistryMode::kWrite, false, &orvane),
              0);
    EXPECT_EQ(registry.DeleteKey(orvane, "sub"), 0);
    EXPECT_EQ(registry.DeleteKey(key, "ORVANE"), 0);
    EXPECT_FALSE(registry.HasKey(kMachine, std::string(kUninstallKey) + "\\Orvane"));
    EXPECT_TRUE(registry.HasKey(kMachine, kUninstallKey));
    EXPECT_EQ(registry.DeleteKey(key, "Orvane"), kErrorFileNotFound);
    // A handle to a deleted key no longer reaches anything.
    std::int32_t field = 5;
    EXPECT_NE(registry.ReadNumber(orvane, "UninstallString", &field), 0);
    EXPECT_EQ(field, 5);
    registry.CloseKey(orvane);
    registry.CloseKey(key);
}

TEST(FakeRegistryTest, OversizedAndMissingReadsLeaveTheField) {
    FakeRegistry registry;
    registry.PutText(kMachine, "K", "Text", "12345678");
    registry.PutRaw(kMachine, "K", "Empty", kRegSz, {});
    RegistryKey key;
    ASSERT_EQ(registry.OpenKey(kMachine, "K", RegistryMode::kRead, false, &key), 0);
    char field[8] = "old";
    EXPECT_EQ(registry.ReadText(key, "Text", field, sizeof field), kErrorMoreData);
    EXPECT_STREQ(field, "old");
    EXPECT_EQ(registry.ReadText(key, "Missing", field, sizeof field), kErrorFileNotFound);
    EXPECT_STREQ(field, "old");
    EXPECT_EQ(registry.ReadText(key, "Empty", field, sizeof field), 0);
    EXPECT_STREQ(field, "");
    std::int32_t number = 9;
    EXPECT_EQ(registry.ReadNumber(key, "Text", &number), kErrorMoreData);
    EXPECT_EQ(number, 9);
    registry.CloseKey(key);
}

}  // namespace
}  // namespace orvane
