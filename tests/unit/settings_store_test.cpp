#include "settings/settings_store.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/fixed_text.h"
#include "support/fake_registry.h"
#include "settings/ipv4_text.h"

namespace orvane {
namespace {

const std::string kPath = kSettingsKeyPath;
constexpr RegistryScope kUser = RegistryScope::kUser;
constexpr RegistryScope kMachine = RegistryScope::kMachine;

template <std::size_t N>
void SetText(TextField<N>& field, const std::string& text) {
    ASSERT_LT(Utf8ToUtf16(text).size(), N);
    CopyToField(field, text);
}

// A record with a different value in every field.
SettingsRecord DistinctRecord() {
    SettingsRecord r;
    r.show_date = 1;
    r.always_on_top = 2;
    r.hide_taskbar_button = 3;
    r.hide_in_tray = 4;
    r.use_dialup = 5;
    r.force_dial = 6;
    r.use_server_by_name = 7;
    r.enable_updates = 8;
    r.receive_sntp_broadcasts = 9;
    r.enable_logging = 10;
    r.write_to_event_log = 11;
    r.delete_old_logfiles = 12;
    r.cap_logfile_folder_size = 13;
    r.launch_program_at_startup = 14;
    r.window_position_x = -15;
    r.window_position_y = 16;
    r.window_size_x = 17;
    r.window_size_y = 18;
    r.update_interval = 19;
    r.maximum_logfile_space = 20;
    r.maximum_logfile_age = 21;
    r.logging_level = 22;
    r.protocol = -23;
    r.largest_correction = 24;
    SetText(r.time_font_name, "Time Font");
    SetText(r.date_font_name, "Date Font");
    SetText(r.dialup_server_name, "Dial entry");
    SetText(r.dialup_server_username, "user");
    SetText(r.dialup_server_password, "secret");
    SetText(r.server_name, "time.example.org");
    SetText(r.logfile_path, "C:\\Data Files\\Pellmoor\\Orvane");
    r.server_address.address = Ipv4TextToAddress("10.20.30.40");
    return r;
}

void ExpectSameUserPart(const SettingsRecord& a, const SettingsRecord& b) {
    EXPECT_EQ(a.show_date, b.show_date);
    EXPECT_EQ(a.always_on_top, b.always_on_top);
    EXPECT_EQ(a.hide_taskbar_button, b.hide_taskbar_button);
    EXPECT_EQ(a.hide_in_tray, b.hide_in_tray);
    EXPECT_EQ(a.window_position_x, b.window_position_x);
    EXPECT_EQ(a.window_position_y, b.window_position_y);
    EXPECT_EQ(a.window_size_x, b.window_size_x);
    EXPECT_EQ(a.window_size_y, b.window_size_y);
    EXPECT_STREQ(a.time_font_name, b.time_font_name);
    EXPECT_STREQ(a.date_font_name, b.date_font_name);
}

void ExpectSameMachinePart(const SettingsRecord& a, const SettingsRecord& b) {
    EXPECT_EQ(a.use_dialup, b.use_dialup);
    EXPECT_EQ(a.force_dial, b.force_dial);
    EXPECT_EQ(a.use_server_by_name, b.use_server_by_name);
    EXPECT_EQ(a.enable_updates, b.enable_updates);
    EXPECT_EQ(a.receive_sntp_broadcasts, b.receive_sntp_broadcasts);
    EXPECT_EQ(a.enable_logging, b.enable_logging);
    EXPECT_EQ(a.write_to_event_log, b.write_to_event_log);
    EXPECT_EQ(a.delete_old_logfiles, b.delete_old_logfiles);
    EXPECT_EQ(a.cap_logfile_folder_size, b.cap_logfile_folder_size);
    EXPECT_EQ(a.launch_program_at_startup, b.launch_program_at_startup);
    EXPECT_EQ(a.update_interval, b.update_interval);
    EXPECT_EQ(a.maximum_logfile_space, b.maximum_logfile_space);
    EXPECT_EQ(a.maximum_logfile_age, b.maximum_logfile_age);
    EXPECT_EQ(a.logging_level, b.logging_level);
    EXPECT_EQ(a.protocol, b.protocol);
    EXPECT_EQ(a.largest_correction, b.largest_correction);
    EXPECT_STREQ(a.dialup_server_name, b.dialup_server_name);
    EXPECT_STREQ(a.dialup_server_username, b.dialup_server_username);
    EXPECT_STREQ(a.dialup_server_password, b.dialup_server_password);
    EXPECT_STREQ(a.server_name, b.server_name);
    EXPECT_STREQ(a.logfile_path, b.logfile_path);
    EXPECT_EQ(a.server_address.family, b.server_address.family);
    EXPECT_EQ(a.server_address.port, b.server_address.port);
    EXPECT_EQ(a.server_address.address, b.server_address.address);
}

void ExpectSameRecord(const SettingsRecord& a, const SettingsRecord& b) {
    ExpectSameUserPart(a, b);
    ExpectSameMachinePart(a, b);
}

class SettingsStoreTest : public ::testing::Test {
  protected:
    void SetUp() override { UseRegistry(&registry_); }
    void TearDown() override {
        // Every key opened is closed again.
        EXPECT_EQ(registry_.open_keys(), 0);
        UseRegistry(nullptr);
    }

    // Saves `saved`, then loads into a record that starts as `before`.
    SettingsRecord SaveThenLoad(const SettingsRecord& saved, const SettingsRecord& before) {
        EXPECT_TRUE(SaveSettings(saved));
        SettingsRecord loaded = before;
        LoadSettings(loaded);
        return loaded;
    }

    FakeRegistry registry_;
};

// ---- Empty and partial registries -------------------------------------

TEST_F(SettingsStoreTest, EmptyRegistryLeavesTheRecordZero) {
    SettingsRecord record;
    LoadSettings(record);
    ExpectSameRecord(record, SettingsRecord{});
    EXPECT_EQ(record.protocol, 0);
    EXPECT_EQ(record.update_interval, 0);
    EXPECT_STREQ(record.time_font_name, "");
    // Loading never creates the keys.
    EXPECT_FALSE(registry_.HasKey(kUser, kPath));
    EXPECT_FALSE(registry_.HasKey(kMachine, kPath));
    EXPECT_EQ(registry_.log(),
              (std::vector<std::string>{"open user read " + kPath + " failed 2",
                                        "open machine read " + kPath + " failed 2"}));
}

TEST_F(SettingsStoreTest, MissingValuesKeepTheirFields) {
    registry_.PutNumber(kMachine, kPath, "Protocol", 3);
    registry_.PutText(kUser, kPath, "Date font name", "Courier");
    SettingsRecord record = DistinctRecord();
    LoadSettings(record);
    SettingsRecord expected = DistinctRecord();
    expected.protocol = 3;
    SetText(expected.date_font_name, "Courier");
    ExpectSameRecord(record, expected);
}

TEST_F(SettingsStoreTest, UserPartLoadsWithoutMachineKey) {
    SettingsRecord saved = DistinctRecord();
    registry_.DenyWrite(kMachine, true);
    SaveSettings(saved);
    EXPECT_FALSE(registry_.HasKey(kMachine, kPath));
    SettingsRecord loaded;
    LoadSettings(loaded);
    ExpectSameUserPart(loaded, saved);
    ExpectSameMachinePart(loaded, SettingsRecord{});
}

TEST_F(SettingsStoreTest, MachinePartLoadsWithoutUserKey) {
    SettingsRecord saved = DistinctRecord();
    registry_.DenyWrite(kUser, true);
    SaveSettings(saved);
    EXPECT_FALSE(registry_.HasKey(kUser, kPath));
    SettingsRecord loaded;
    LoadSettings(loaded);
    ExpectSameUserPart(loaded, SettingsRecord{});
    ExpectSameMachinePart(loaded, saved);
}

// `Largest correction` is a DWORD of seconds: missing, the 48-hour default
// stays; 0 means no limit; every bit pattern is a count of seconds.
TEST_F(SettingsStoreTest, LargestCorrectionIsReadAsAnUnsignedDword) {
    struct Case {
        bool stored;
        std::int32_t dword;
        std::uint32_t expected;
    };
    for (const Case& c : {Case{false, 0, 172800u}, Case{true, 0, 0u}, Case{true, 3600, 3600u},
                          Case{true, -1, 0xFFFFFFFFu}}) {
        if (c.stored)
            registry_.PutNumber(kMachine, kPath, "Largest correction", c.dword);
        SettingsRecord record;
        LoadSettings(record);
        EXPECT_EQ(record.largest_correction, c.expected) << c.dword;
        SaveSettings(record);
        EXPECT_EQ(registry_.Number(kMachine, kPath, "Largest correction"),
                  static_cast<std::int32_t>(c.expected));
    }
}

// ---- Round trip and stored form ----------------------------------------

TEST_F(SettingsStoreTest, SaveThenLoadGivesTheRecordBack) {
    SettingsRecord saved = DistinctRecord();
    SettingsRecord loaded = SaveThenLoad(saved, SettingsRecord{});
    ExpectSameRecord(loaded, saved);
}

TEST_F(SettingsStoreTest, NumbersAreDwordsAndTextsAreTerminatedStrings) {
    SaveSettings(DistinctRecord());
    auto protocol = registry_.Value(kMachine, kPath, "Protocol");
    ASSERT_TRUE(protocol.has_value());
    EXPECT_EQ(protocol->type, kRegDword);
    EXPECT_EQ(registry_.Number(kMachine, kPath, "Protocol"), -23);
    EXPECT_EQ(registry_.Number(kUser, kPath, "Window position x"), -15);

    auto address = registry_.Value(kMachine, kPath, "Server ip address");
    ASSERT_TRUE(address.has_value());
    EXPECT_EQ(address->type, kRegSz);
    const std::string dotted = "10.20.30.40";
    EXPECT_EQ(address->data,
              std::vector<std::uint8_t>(dotted.c_str(), dotted.c_str() + dotted.size() + 1));
    auto font = registry_.Value(kUser, kPath, "Time font name");
    ASSERT_TRUE(font.has_value());
    EXPECT_EQ(font->type, kRegSz);
    EXPECT_EQ(font->data.size(), std::strlen("Time Font") + 1);
    EXPECT_EQ(registry_.Text(kMachine, kPath, "Logfile path"), "C:\\Data Files\\Pellmoor\\Orvane");
}

TEST_F(SettingsStoreTest, EmptyRecordIsSavedInFull) {
    SaveSettings(SettingsRecord{});
    EXPECT_EQ(registry_.ValueNames(kUser, kPath).size(), 10u);
    EXPECT_EQ(registry_.ValueNames(kMachine, kPath).size(), 22u);
    EXPECT_EQ(registry_.Text(kMachine, kPath, "Server ip address"), "0.0.0.0");
    EXPECT_EQ(registry_.Text(kMachine, kPath, "Server name"), "");
}

TEST_F(SettingsStoreTest, WindowSizeXIsWrittenWithSmallW) {
    SettingsRecord saved;
    saved.window_size_x = 321;
    SaveSettings(saved);
    std::vector<std::string> names = registry_.ValueNames(kUser, kPath);
    EXPECT_NE(std::find(names.begin(), names.end(), "window size x"), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), "Window size x"), names.end());

    SettingsRecord loaded;
    LoadSettings(loaded);
    EXPECT_EQ(loaded.window_size_x, 321);
}

TEST_F(SettingsStoreTest, SaveOverwritesAValueSpelledOtherwise) {
    // An earlier writer used the capital W: both spellings are one value.
    registry_.PutNumber(kUser, kPath, "Window size x", 100);
    SettingsRecord saved;
    saved.window_size_x = 200;
    SaveSettings(saved);
    std::vector<std::string> names = registry_.ValueNames(kUser, kPath);
    EXPECT_EQ(std::count_if(names.begin(), names.end(),
                            [](const std::string& n) {
                                return n == "Window size x" || n == "window size x";
                            }),
              1);
    EXPECT_EQ(registry_.Number(kUser, kPath, "WINDOW SIZE X"), 200);
}

TEST_F(SettingsStoreTest, KeyPathMatchesWithoutRegardToCase) {
    registry_.PutNumber(kMachine, "SOFTWARE\\pellmoor\\ORVANE", "update INTERVAL", 42);
    SettingsRecord loaded;
    LoadSettings(loaded);
    EXPECT_EQ(loaded.update_interval, 42);
}

// ---- Order of operations -----------------------------------------------

TEST_F(SettingsStoreTest, LoadReadsInOrder) {
    SaveSettings(DistinctRecord());
    registry_.ClearLog();
    SettingsRecord loaded;
    LoadSettings(loaded);
    const std::vector<std::string> expected = {
        "open user read " + kPath,
        "read number Always on top",
        "read number Show date",
        "read number Hide in tray",
        "read number Hide taskbar button",
        "read number Window position x",
        "read number Window position y",
        "read number Window size x",
        "read number Window size y",
        "read text Time font name 32",
        "read text Date font name 32",
        "close",
        "open machine read " + kPath,
        "read number Enable logging",
        "read number Write to event log",
        "read text Server ip address 16",
        "read text Server name 260",
        "read number Use server by name",
        "read number Update interval",
        "read number Enable updates",
        "read number Use dialup",
        "read number Force dial",
        "read text Dialup server name 256",
        "read text Dialup server username 256",
        "read text Dialup server password 256",
        "read number Receive sntp broadcasts",
        "read number Logging level",
        "read number Delete old logfiles",
        "read number Cap logfile folder size",
        "read number Maximum logfile age",
        "read number Maximum logfile space",
        "read text Logfile path 260",
        "read number Protocol",
        "read number Launch program at startup",
        "read number Largest correction",
        "close",
    };
    EXPECT_EQ(registry_.log(), expected);
}

TEST_F(SettingsStoreTest, SaveWritesInOrderCreatingTheKeys) {
    SaveSettings(DistinctRecord());
    const std::vector<std::string> expected = {
        "create user " + kPath,
        "open user write " + kPath,
        "write number Always on top",
        "write number Show date",
        "write number Hide in tray",
        "write number Hide taskbar button",
        "write number Window position x",
        "write number Window position y",
        "write number window size x",
        "write number Window size y",
        "write text Time font name",
        "write text Date font name",
        "close",
        "create machine " + kPath,
        "open machine write " + kPath,
        "write number Enable logging",
        "write number Write to event log",
        "write text Server ip address",
        "write text Server name",
        "write number Use server by name",
        "write number Update interval",
        "write number Enable updates",
        "write number Use dialup",
        "write number Force dial",
        "write text Dialup server name",
        "write text Dialup server username",
        "write text Dialup server password",
        "write number Receive sntp broadcasts",
        "write number Logging level",
        "write number Delete old logfiles",
        "write number Cap logfile folder size",
        "write number Maximum logfile age",
        "write number Maximum logfile space",
        "write text Logfile path",
        "write number Protocol",
        "write number Launch program at startup",
        "write number Largest correction",
        "close",
    };
    EXPECT_EQ(registry_.log(), expected);
    // A second save finds the keys and rewrites every value.
    registry_.ClearLog();
    SaveSettings(DistinctRecord());
    std::vector<std::string> again = expected;
    again.erase(again.begin() + 13);
    again.erase(again.begin());
    EXPECT_EQ(registry_.log(), again);
}

// ---- Write failures ----------------------------------------------------

TEST_F(SettingsStoreTest, UnwritableMachineKeyStillSavesTheUserPart) {
    registry_.PutNumber(kMachine, kPath, "Update interval", 300);
    registry_.DenyWrite(kMachine, true);
    SettingsRecord saved = DistinctRecord();
    EXPECT_FALSE(SaveSettings(saved));
    // The machine part is as it was; the user part is written.
    EXPECT_EQ(registry_.ValueNames(kMachine, kPath), std::vector<std::string>{"Update interval"});
    EXPECT_EQ(registry_.Number(kMachine, kPath, "Update interval"), 300);
    SettingsRecord loaded;
    LoadSettings(loaded);
    ExpectSameUserPart(loaded, saved);
    EXPECT_EQ(loaded.update_interval, 300);
    EXPECT_EQ(loaded.protocol, 0);
}

TEST_F(SettingsStoreTest, FailedSingleWriteDoesNotStopTheRest) {
    registry_.FailWritesOf("Server name");
    registry_.FailWritesOf("window size x");
    // A machine value not written counts as the machine part not saved.
    EXPECT_FALSE(SaveSettings(DistinctRecord()));
    EXPECT_FALSE(registry_.Value(kMachine, kPath, "Server name").has_value());
    EXPECT_FALSE(registry_.Value(kUser, kPath, "Window size x").has_value());
    EXPECT_EQ(registry_.Number(kUser, kPath, "Window size y"), 18);
    EXPECT_EQ(registry_.Number(kMachine, kPath, "Launch program at startup"), 14);
    EXPECT_EQ(registry_.ValueNames(kMachine, kPath).size(), 21u);
}

// ---- Server address -------------------------------------------------------

class ServerAddressTest : public SettingsStoreTest {
  protected:
    // Loads `text` as the stored address into a record whose address,
    // family and port are set beforehand.
    SettingsRecord LoadAddress(const std::string& text) {
        registry_.PutText(kMachine, kPath, "Server ip address", text);
        SettingsRecord record;
        record.server_address.family = 2;
        record.server_address.port = 0x7B00;
        record.server_address.address = Ipv4TextToAddress("9.9.9.9");
        LoadSettings(record);
        EXPECT_EQ(record.server_address.family, 2);
        EXPECT_EQ(record.server_address.port, 0x7B00);
        return record;
    }
};

TEST_F(ServerAddressTest, DottedAddressesUpToFifteenCharactersLoad) {
    EXPECT_EQ(LoadAddress("1.2.3.4").server_address.address, Ipv4TextToAddress("1.2.3.4"));
    EXPECT_EQ(LoadAddress("255.255.255.255").server_address.address, 0xFFFFFFFFu);
    EXPECT_EQ(LoadAddress("0.0.0.0").server_address.address, 0u);
    EXPECT_EQ(LoadAddress("192.168.100.200").server_address.address,
              Ipv4TextToAddress("192.168.100.200"));
    // inet_addr forms other than a.b.c.d are taken too.
    EXPECT_EQ(LoadAddress("0x7f.1").server_address.address, Ipv4TextToAddress("127.0.0.1"));
}

TEST_F(ServerAddressTest, SixteenCharactersOrMoreAreIgnored) {
    const std::uint32_t before = Ipv4TextToAddress("9.9.9.9");
    EXPECT_EQ(LoadAddress("192.168.100.2000").server_address.address, before);
    EXPECT_EQ(LoadAddress("0192.0168.0100.0200").server_address.address, before);
    EXPECT_EQ(LoadAddress(std::string(300, '1')).server_address.address, before);
}

TEST_F(ServerAddressTest, TextThatIsNoAddressGivesNone) {
    EXPECT_EQ(LoadAddress("time.server").server_address.address, kInaddrNone);
    EXPECT_EQ(LoadAddress("").server_address.address, kInaddrNone);
    EXPECT_EQ(LoadAddress("1.2.3.256").server_address.address, kInaddrNone);
}

TEST_F(ServerAddressTest, MissingValueKeepsTheAddress) {
    registry_.CreateKey(kMachine, kPath);
    SettingsRecord record;
    record.server_address.address = Ipv4TextToAddress("9.9.9.9");
    LoadSettings(record);
    EXPECT_EQ(record.server_address.address, Ipv4TextToAddress("9.9.9.9"));
}

TEST_F(ServerAddressTest, SavedAsDottedDecimal) {
    SettingsRecord saved;
    saved.server_address.family = 2;
    saved.server_address.port = 0x7B00;
    saved.server_address.address = Ipv4TextToAddress("255.255.255.255");
    SaveSettings(saved);
    EXPECT_EQ(registry_.Text(kMachine, kPath, "Server ip address"), "255.255.255.255");
    SettingsRecord loaded;
    LoadSettings(loaded);
    EXPECT_EQ(loaded.server_address.address, 0xFFFFFFFFu);
    // Only the address is stored.
    EXPECT_EQ(loaded.server_address.family, 0);
    EXPECT_EQ(loaded.server_address.port, 0);
}

// ---- Text limits -------------------------------------------------------

TEST_F(SettingsStoreTest, DialupTextsOf255CharactersSurviveSaveAndLoad) {
    SettingsRecord saved;
    SetText(saved.dialup_server_name, std::string(255, 'n'));
    SetText(saved.dialup_server_username, std::string(255, 'u'));
    SetText(saved.dialup_server_password, std::string(255, 'p'));
    SettingsRecord loaded = SaveThenLoad(saved, SettingsRecord{});
    EXPECT_EQ(std::string(loaded.dialup_server_name), std::string(255, 'n'));
    EXPECT_EQ(std::string(loaded.dialup_server_username), std::string(255, 'u'));
    EXPECT_EQ(std::string(loaded.dialup_server_password), std::string(255, 'p'));
}

TEST_F(SettingsStoreTest, Dialup256CharactersAreSavedButNotLoaded) {
    SettingsRecord saved;
    SetText(saved.dialup_server_name, std::string(256, 'n'));
    SetText(saved.dialup_server_username, std::string(256, 'u'));
    SetText(saved.dialup_server_password, std::string(256, 'p'));
    SettingsRecord before;
    SetText(before.dialup_server_name, "old name");
    SetText(before.dialup_server_username, "old user");
    SetText(before.dialup_server_password, "old password");
    SettingsRecord loaded = SaveThenLoad(saved, before);
    EXPECT_EQ(registry_.Text(kMachine, kPath, "Dialup server name"), std::string(256, 'n'));
    EXPECT_EQ(registry_.Text(kMachine, kPath, "Dialup server password"), std::string(256, 'p'));
    EXPECT_STREQ(loaded.dialup_server_name, "old name");
    EXPECT_STREQ(loaded.dialup_server_username, "old user");
    EXPECT_STREQ(loaded.dialup_server_password, "old password");
}

TEST_F(SettingsStoreTest, TextsOverTheirReadLimitKeepTheOldValue) {
    struct Case {
        RegistryScope scope;
        const char* name;
        int limit;
        char* field;
    };
    SettingsRecord record;
    const Case cases[] = {
        {kUser, "Time font name", 32, record.time_font_name},
        {kUser, "Date font name", 32, record.date_font_name},
        {kMachine, "Server name", 260, record.server_name},
        {kMachine, "Logfile path", 260, record.logfile_path},
    };
    for (const Case& c : cases) {
        // One character below the limit loads.
        std::strcpy(c.field, "old");
        registry_.PutText(c.scope, kPath, c.name, std::string(c.limit - 1, 'x'));
        LoadSettings(record);
        EXPECT_EQ(std::string(c.field), std::string(c.limit - 1, 'x')) << c.name;
        // The limit itself, with its terminator, does not.
        std::strcpy(c.field, "old");
        registry_.PutText(c.scope, kPath, c.name, std::string(c.limit, 'y'));
        LoadSettings(record);
        EXPECT_STREQ(c.field, "old") << c.name;
    }
}

TEST_F(SettingsStoreTest, UnterminatedFieldIsSavedWithinItsBounds) {
    SettingsRecord saved;
    std::memset(saved.time_font_name, 'A', sizeof saved.time_font_name);
    SetText(saved.date_font_name, "Date");
    SaveSettings(saved);
    EXPECT_EQ(registry_.Text(kUser, kPath, "Time font name"),
              std::string(sizeof saved.time_font_name, 'A'));
    EXPECT_EQ(registry_.Text(kUser, kPath, "Date font name"), "Date");
}

TEST_F(SettingsStoreTest, StoredTextWithoutTerminatorIsTerminatedOnLoad) {
    const std::string arial = "Arial";
    registry_.PutRaw(kUser, kPath, "Time font name", kRegSz,
                     std::vector<std::uint8_t>(arial.begin(), arial.end()));
    // Exactly the field's size and no terminator: it cannot be held.
    registry_.PutRaw(kUser, kPath, "Date font name", kRegSz, std::vector<std::uint8_t>(32, 'z'));
    SettingsRecord record;
    std::memset(record.time_font_name, 'q', sizeof record.time_font_name);
    SetText(record.date_font_name, "old");
    LoadSettings(record);
    EXPECT_STREQ(record.time_font_name, "Arial");
    EXPECT_STREQ(record.date_font_name, "old");
}

// ---- Values of another type ---------------------------------------------

TEST_F(SettingsStoreTest, ShortTextUnderANumberIsTakenAsRawBytes) {
    registry_.PutText(kMachine, kPath, "Update interval", "abc");  // 4 bytes
    registry_.PutText(kMachine, kPath, "Protocol", "12345");       // 6 bytes
    registry_.PutText(kUser, kPath, "Window position x", "7");     // 2 bytes
    registry_.PutRaw(kUser, kPath, "Window position y", kRegBinary, {1, 2, 3, 4, 5});
    SettingsRecord record;
    record.protocol = 1;
    record.window_position_x = 0x11223344;
    record.window_position_y = 77;
    LoadSettings(record);
    std::int32_t abc;
    std::memcpy(&abc, "abc", 4);
    EXPECT_EQ(record.update_interval, abc);
    EXPECT_EQ(record.protocol, 1);
    // A shorter value replaces only as many bytes as it has, as a query
    // straight into the field does.
    std::int32_t seven = 0x11223344;
    std::memcpy(&seven, "7", 2);
    EXPECT_EQ(record.window_position_x, seven);
    EXPECT_EQ(record.window_position_y, 77);
}

TEST_F(SettingsStoreTest, NumberUnderATextNameIsTakenAsText) {
    std::int32_t abc;
    std::memcpy(&abc, "ABC", 4);
    registry_.PutNumber(kMachine, kPath, "Server name", abc);
    SettingsRecord record;
    LoadSettings(record);
    EXPECT_STREQ(record.server_name, "ABC");
}

}  // namespace
}  // namespace orvane
