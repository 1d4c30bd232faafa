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

struct TextReadCase {
    const char* name;
    int max_units;
    int result;
    const char* text;  // what the read leaves
};

// Limits count UTF-16 units with the terminator, whatever the UTF-8 length.
TEST(FakeRegistryTest, TextReadsCountUnitsAndLeaveTheTextOnFailure) {
    FakeRegistry registry;
    registry.PutText(kMachine, "K", "Ascii", "12345678");
    registry.PutText(kMachine, "K", "Cyrillic", "\u0414\u043d\u0435\u0432\u043d\u0438\u043a");
    registry.PutText(kMachine, "K", "Astral", "\u65e5\u8a8c\U0001F600");
    registry.PutRaw(kMachine, "K", "Empty", kRegSz, {});
    registry.PutRaw(kMachine, "K", "Bare", kRegSz, {'a', 'b'});
    const TextReadCase cases[] = {
        {"Ascii", 8, kErrorMoreData, "old"},
        {"Ascii", 9, 0, "12345678"},
        {"Cyrillic", 8, 0, "\u0414\u043d\u0435\u0432\u043d\u0438\u043a"},
        {"Cyrillic", 7, kErrorMoreData, "old"},
        {"Astral", 5, 0, "\u65e5\u8a8c\U0001F600"},
        {"Astral", 4, kErrorMoreData, "old"},
        {"Missing", 9, kErrorFileNotFound, "old"},
        {"Empty", 9, 0, ""},
        {"Bare", 3, 0, "ab"},
        {"Bare", 2, kErrorMoreData, "old"},
    };
    RegistryKey key;
    ASSERT_EQ(registry.OpenKey(kMachine, "K", RegistryMode::kRead, false, &key), 0);
    for (const TextReadCase& c : cases) {
        std::string text = "old";
        EXPECT_EQ(registry.ReadText(key, c.name, c.max_units, &text), c.result) << c.name;
        EXPECT_EQ(text, c.text) << c.name << " " << c.max_units;
    }
    std::int32_t number = 9;
    EXPECT_EQ(registry.ReadNumber(key, "Ascii", &number), kErrorMoreData);
    EXPECT_EQ(number, 9);
    registry.CloseKey(key);
}

}  // namespace
}  // namespace orvane
