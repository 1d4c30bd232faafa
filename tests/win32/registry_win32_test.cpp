#include "platform/win32/registry_win32.h"

#include <winsock2.h>
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "settings/ipv4_text.h"
#include "settings/settings_store.h"

namespace orvane {
namespace {

// A key of its own, so the tests never meet real settings.
const char kParentPath[] = "Software\\Pellmoor";
const char kTestKeyName[] = "Orvane Registry Test";
const std::string kTestPath = std::string(kParentPath) + "\\" + kTestKeyName;

class Win32RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        RemoveTestKeys();
        UseRegistry(&registry_);
    }
    void TearDown() override {
        UseRegistry(nullptr);
        RemoveTestKeys();
    }

    void RemoveTestKeys() {
        for (RegistryScope scope : {RegistryScope::kUser, RegistryScope::kMachine}) {
            RegistryKey parent;
            if (registry_.OpenKey(scope, kParentPath, RegistryMode::kWrite, false, &parent) == 0) {
                registry_.DeleteKey(parent, kTestKeyName);
                registry_.CloseKey(parent);
            }
        }
    }

    RegistryKey Open(RegistryScope scope, RegistryMode mode = RegistryMode::kWrite) {
        RegistryKey key = kNoRegistryKey;
        EXPECT_EQ(registry_.OpenKey(scope, kTestPath.c_str(), mode, true, &key), 0);
        return key;
    }

    // The value as the Win32 API itself sees it.
    static bool Query(HKEY hive, const char* name, DWORD* type, std::string* data) {
        HKEY key;
        if (::RegOpenKeyExA(hive, kTestPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return false;
        }
        char buffer[1024];
        DWORD size = sizeof buffer;
        LONG result =
            ::RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(buffer), &size);
        ::RegCloseKey(key);
        if (result != ERROR_SUCCESS)
            return false;
        data->assign(buffer, size);
        return true;
    }

    // The name of a value as the registry lists it.
    static std::string ValueSpelling(HKEY hive, const char* name) {
        HKEY key;
        if (::RegOpenKeyExA(hive, kTestPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return "";
        }
        std::string found;
        char listed[256];
        for (DWORD i = 0;; ++i) {
            DWORD length = sizeof listed;
            if (::RegEnumValueA(key, i, listed, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS) {
                break;
            }
            if (::lstrcmpiA(listed, name) == 0)
                found = listed;
        }
        ::RegCloseKey(key);
        return found;
    }

    Win32Registry registry_;
};

TEST_F(Win32RegistryTest, SettingsRoundTripThroughBothHives) {
    SettingsRecord saved;
    saved.show_date = 1;
    saved.hide_taskbar_button = 7;
    saved.window_position_x = -20;
    saved.window_size_x = 150;
    saved.window_size_y = 80;
    saved.update_interval = 300;
    saved.protocol = 3;
    saved.receive_sntp_broadcasts = 1;
    std::strcpy(saved.time_font_name, "Arial");
    std::strcpy(saved.date_font_name, "Courier New");
    std::strcpy(saved.dialup_server_name, std::string(255, 'd').c_str());
    std::strcpy(saved.server_name, "time.example.org");
    std::strcpy(saved.logfile_path, "C:\\Data Files\\Pellmoor\\Orvane");
    saved.server_address.address = Ipv4TextToAddress("10.20.30.40");
    SaveSettingsToKey(kTestPath.c_str(), saved);

    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(Query(HKEY_CURRENT_USER, "Window size x", &type, &data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(data.size(), 4u);
    ASSERT_TRUE(Query(HKEY_LOCAL_MACHINE, "Server ip address", &type, &data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(data, std::string("10.20.30.40", 12));
    // The width keeps the spelling it is written with.
    EXPECT_EQ(ValueSpelling(HKEY_CURRENT_USER, "WINDOW SIZE X"), "window size x");
    // Each hive holds only its own part.
    EXPECT_FALSE(Query(HKEY_LOCAL_MACHINE, "Show date", &type, &data));
    EXPECT_FALSE(Query(HKEY_CURRENT_USER, "Protocol", &type, &data));

    SettingsRecord loaded;
    LoadSettingsFromKey(kTestPath.c_str(), loaded);
    EXPECT_EQ(loaded.show_date, 1);
    EXPECT_EQ(loaded.hide_taskbar_button, 7);
    EXPECT_EQ(loaded.window_position_x, -20);
    EXPECT_EQ(loaded.window_size_x, 150);
    EXPECT_EQ(loaded.window_size_y, 80);
    EXPECT_EQ(loaded.update_interval, 300);
    EXPECT_EQ(loaded.protocol, 3);
    EXPECT_EQ(loaded.receive_sntp_broadcasts, 1);
    EXPECT_STREQ(loaded.time_font_name, "Arial");
    EXPECT_STREQ(loaded.date_font_name, "Courier New");
    EXPECT_EQ(std::string(loaded.dialup_server_name), std::string(255, 'd'));
    EXPECT_STREQ(loaded.server_name, "time.example.org");
    EXPECT_STREQ(loaded.logfile_path, "C:\\Data Files\\Pellmoor\\Orvane");
    EXPECT_EQ(loaded.server_address.address, Ipv4TextToAddress("10.20.30.40"));
}

TEST_F(Win32RegistryTest, MachineValuesAreSeenByTheRegTool) {
    SettingsRecord saved;
    saved.server_address.address = Ipv4TextToAddress("10.20.30.40");
    SaveSettingsToKey(kTestPath.c_str(), saved);
    // The same view of the machine hive as other programs get.
    const std::string command = "reg query \"HKLM\\" + kTestPath + "\" /v \"Server ip address\"";
    FILE* pipe = ::_popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char line[256];
    while (std::fgets(line, sizeof line, pipe) != nullptr)
        output += line;
    ::_pclose(pipe);
    EXPECT_NE(output.find("10.20.30.40"), std::string::npos) << output;
}

TEST_F(Win32RegistryTest, OpenCreatesOnlyWhenAsked) {
    RegistryKey key = 1;
    EXPECT_EQ(registry_.OpenKey(RegistryScope::kUser, kTestPath.c_str(), RegistryMode::kRead, false,
                                &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, kNoRegistryKey);
    // Creating in read mode works too; the key then exists for everyone.
    ASSERT_EQ(
        registry_.OpenKey(RegistryScope::kUser, kTestPath.c_str(), RegistryMode::kRead, true, &key),
        0);
    EXPECT_EQ(registry_.WriteNumber(key, "Value", 1), ERROR_ACCESS_DENIED);
    EXPECT_EQ(registry_.CloseKey(key), 0);
    ASSERT_EQ(registry_.OpenKey(RegistryScope::kUser, kTestPath.c_str(), RegistryMode::kRead, false,
                                &key),
              0);
    registry_.CloseKey(key);
}

TEST_F(Win32RegistryTest, OversizedReadsLeaveTheField) {
    RegistryKey key = Open(RegistryScope::kMachine);
    ASSERT_EQ(registry_.WriteText(key, "Long", std::string(40, 'x').c_str()), 0);
    ASSERT_EQ(registry_.WriteText(key, "Number as text", "12345"), 0);
    std::string field = "old";
    EXPECT_EQ(registry_.ReadText(key, "Long", 32, &field), ERROR_MORE_DATA);
    EXPECT_EQ(field, "old");
    EXPECT_EQ(registry_.ReadText(key, "Missing", 32, &field), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(field, "old");
    std::int32_t number = 77;
    EXPECT_EQ(registry_.ReadNumber(key, "Number as text", &number), ERROR_MORE_DATA);
    EXPECT_EQ(number, 77);
    EXPECT_EQ(registry_.ReadNumber(key, "Missing", &number), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(number, 77);
    // One unit under the limit fits.
    ASSERT_EQ(registry_.WriteText(key, "Fits", std::string(31, 'f').c_str()), 0);
    EXPECT_EQ(registry_.ReadText(key, "Fits", 32, &field), 0);
    EXPECT_EQ(field, std::string(31, 'f'));
    registry_.CloseKey(key);
}

TEST_F(Win32RegistryTest, ShortTextUnderANumberIsReadAsRawBytes) {
    RegistryKey key = Open(RegistryScope::kUser);
    ASSERT_EQ(registry_.WriteText(key, "Four", "abc"), 0);
    ASSERT_EQ(registry_.WriteText(key, "Two", "7"), 0);
    std::int32_t number = 0;
    EXPECT_EQ(registry_.ReadNumber(key, "Four", &number), 0);
    std::int32_t expected;
    std::memcpy(&expected, "abc", 4);
    EXPECT_EQ(number, expected);
    // Only the value's own bytes change.
    number = 0x11223344;
    EXPECT_EQ(registry_.ReadNumber(key, "Two", &number), 0);
    expected = 0x11223344;
    std::memcpy(&expected, "7", 2);
    EXPECT_EQ(number, expected);
    registry_.CloseKey(key);
}

TEST_F(Win32RegistryTest, NamesAndPathsMatchWithoutRegardToCase) {
    RegistryKey key = Open(RegistryScope::kUser);
    ASSERT_EQ(registry_.WriteNumber(key, "window size x", 321), 0);
    ASSERT_EQ(registry_.WriteText(key, "Time font name", "Arial"), 0);
    registry_.CloseKey(key);

    std::string upper = kTestPath;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    ASSERT_EQ(
        registry_.OpenKey(RegistryScope::kUser, upper.c_str(), RegistryMode::kRead, false, &key),
        0);
    std::int32_t number = 0;
    EXPECT_EQ(registry_.ReadNumber(key, "Window size x", &number), 0);
    EXPECT_EQ(number, 321);
    std::string field;
    EXPECT_EQ(registry_.ReadText(key, "TIME FONT NAME", 32, &field), 0);
    EXPECT_EQ(field, "Arial");
    registry_.CloseKey(key);
}

TEST_F(Win32RegistryTest, TextStoredWithoutTerminatorComesBackTerminated) {
    RegistryKey key = Open(RegistryScope::kUser);
    HKEY handle = reinterpret_cast<HKEY>(key);
    ASSERT_EQ(
        ::RegSetValueExA(handle, "Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>("Arial"), 5),
        ERROR_SUCCESS);
    std::string field;
    EXPECT_EQ(registry_.ReadText(key, "Bare", 32, &field), 0);
    EXPECT_EQ(field, "Arial");
    registry_.CloseKey(key);
}

// Names and texts in any script are kept by the system as UTF-16 REG_SZ
// and come back whole; the limit counts units (10 here, 22 UTF-8 bytes).
TEST_F(Win32RegistryTest, TextsInAnyScriptRoundTripAsUtf16AndCountUnits) {
    const std::string text = "\u0414\u043d\u0435\u0432\u043d\u0438\u043a \u65e5\u8a8c";
    const std::string name = "\u0141ukasz \u03a9";
    RegistryKey key = Open(RegistryScope::kUser);
    ASSERT_EQ(registry_.WriteText(key, name.c_str(), text.c_str()), 0);
    const std::wstring wide_name = L"\u0141ukasz \u03a9";
    const std::wstring wide_text = L"\u0414\u043d\u0435\u0432\u043d\u0438\u043a \u65e5\u8a8c";
    wchar_t stored[32] = {};
    DWORD type = 0;
    DWORD size = sizeof stored;
    ASSERT_EQ(::RegQueryValueExW(reinterpret_cast<HKEY>(key), wide_name.c_str(), nullptr, &type,
                                 reinterpret_cast<BYTE*>(stored), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::wstring(stored), wide_text);
    std::string field = "old";
    EXPECT_EQ(registry_.ReadText(key, name.c_str(), 10, &field), ERROR_MORE_DATA);
    EXPECT_EQ(field, "old");
    EXPECT_EQ(registry_.ReadText(key, name.c_str(), 11, &field), 0);
    EXPECT_EQ(field, text);
    std::uint32_t found = 0;
    EXPECT_EQ(registry_.ReadValueType(key, name.c_str(), &found), 0);
    EXPECT_EQ(found, kRegSz);
    registry_.CloseKey(key);
}

TEST_F(Win32RegistryTest, WideMultiTextsPassUnchangedEveryTerminatorIncluded) {
    RegistryKey key = Open(RegistryScope::kMachine);
    // A pair list with an empty target, a text outside any ANSI code page,
    // and the closing terminator.
    const char16_t raw[] = u"\\??\\C:\\a\u00e9\u4e2d\0\0\\??\\C:\\b\0!\\??\\C:\\c\0\0";
    const std::u16string data(raw, sizeof raw / sizeof raw[0] - 1);
    ASSERT_EQ(registry_.WriteWideMultiText(key, "List", data), 0);
    std::u16string read;
    EXPECT_EQ(registry_.ReadWideMultiText(key, "List", &read), 0);
    EXPECT_EQ(read, data);
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(Query(HKEY_LOCAL_MACHINE, "List", &type, &bytes));
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    ASSERT_EQ(registry_.WriteText(key, "Text", "x"), 0);
    EXPECT_EQ(registry_.ReadWideMultiText(key, "Text", &read), 13);
    EXPECT_EQ(registry_.ReadWideMultiText(key, "Missing", &read), ERROR_FILE_NOT_FOUND);
    registry_.CloseKey(key);
}

TEST_F(Win32RegistryTest, DeletesValuesAndKeys) {
    RegistryKey key = Open(RegistryScope::kMachine);
    ASSERT_EQ(registry_.WriteNumber(key, "Program is installed", 1), 0);
    EXPECT_EQ(registry_.DeleteValue(key, "program is installed"), 0);
    std::int32_t number = 5;
    EXPECT_EQ(registry_.ReadNumber(key, "Program is installed", &number), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(registry_.DeleteValue(key, "Program is installed"), ERROR_FILE_NOT_FOUND);
    registry_.CloseKey(key);

    RegistryKey parent;
    ASSERT_EQ(registry_.OpenKey(RegistryScope::kMachine, kParentPath, RegistryMode::kWrite, false,
                                &parent),
              0);
    EXPECT_EQ(registry_.DeleteKey(parent, kTestKeyName), 0);
    EXPECT_EQ(registry_.DeleteKey(parent, kTestKeyName), ERROR_FILE_NOT_FOUND);
    registry_.CloseKey(parent);
    EXPECT_EQ(registry_.OpenKey(RegistryScope::kMachine, kTestPath.c_str(), RegistryMode::kRead,
                                false, &key),
              ERROR_FILE_NOT_FOUND);
}

}  // namespace
}  // namespace orvane
