#include <gtest/gtest.h>

#include <cstring>

#include "settings/config_pages.h"
#include "settings/ipv4_text.h"
#include "settings/server_list.h"

namespace orvane {
namespace {

SettingsRecord Working() {
    SettingsRecord w;
    w.use_server_by_name = 1;
    std::strcpy(w.server_name, "old.example.org");
    w.server_address.address = Ipv4TextToAddress("10.1.2.3");
    w.enable_updates = 1;
    w.update_interval = 60;
    w.protocol = kProtocolSntp;
    w.enable_logging = 1;
    w.delete_old_logfiles = 1;
    w.maximum_logfile_age = 30;
    w.cap_logfile_folder_size = 0;
    w.maximum_logfile_space = 50;
    w.logging_level = 1;
    std::strcpy(w.logfile_path, "C:\\Logs");
    std::strcpy(w.time_font_name, "Arial");
    std::strcpy(w.date_font_name, "Arial");
    std::strcpy(w.dialup_server_name, "Work");
    std::strcpy(w.dialup_server_username, "alice");
    std::strcpy(w.dialup_server_password, "secret");
    return w;
}

// ---- numbers typed into a page ----

struct NumberCase {
    const char* text;
    std::int32_t read;
};

TEST(ConfigNumberReading, PositiveNumbersAreKeptAndAnythingElseBecomesOne) {
    const NumberCase cases[] = {
        // Positive numbers, blanks before them allowed.
        {"15", 15},
        {"  7", 7},
        {"2147483647", 2147483647},
        // Digits before other text count.
        {"12 minutes", 12},
        // Empty, zero, negative and non-numeric.
        {"", 1},
        {"0", 1},
        {"-5", 1},
        {"abc", 1},
        {" ", 1},
        // Negative as signed 32-bit numbers.
        {"2147483648", 1},
        {"4294967295", 1},
        // Too large for 32 bits: no number at all.
        {"4294967296", 1},
        {"99999999999999999999999", 1},
    };
    for (const NumberCase& c : cases) {
        EXPECT_EQ(ReadPositiveNumber(c.text), c.read) << '"' << c.text << '"';
    }
}

TEST(ConfigNumberReading, UnsignedTextShowsNegativeValuesAsLargeNumbers) {
    EXPECT_EQ(UnsignedText(60), "60");
    EXPECT_EQ(UnsignedText(-1), "4294967295");
}

// ---- Server page ----

TEST(ConfigServerPage, InitialViewByName) {
    SettingsRecord w = Working();
    PageView v = ServerPageInitialView(w);
    EXPECT_TRUE(v.IsChecked(IDC_SERVER_BY_NAME));
    EXPECT_FALSE(v.IsChecked(IDC_SERVER_BY_ADDRESS));
    EXPECT_TRUE(v.IsEnabled(IDC_SERVER_NAME));
    EXPECT_FALSE(v.IsEnabled(IDC_SERVER_ADDRESS));
    EXPECT_EQ(v.Text(IDC_SERVER_NAME), "old.example.org");
    EXPECT_EQ(v.Text(IDC_SERVER_ADDRESS), "10.1.2.3");
    EXPECT_TRUE(v.IsChecked(IDC_SERVER_UPDATES));
    EXPECT_TRUE(v.IsEnabled(IDC_SERVER_INTERVAL));
    EXPECT_EQ(v.Text(IDC_SERVER_INTERVAL), "60");
}

TEST(ConfigServerPage, InitialViewByAddressWithUpdatesOff) {
    SettingsRecord w = Working();
    w.use_server_by_name = 0;
    w.enable_updates = 0;
    w.receive_sntp_broadcasts = 1;
    PageView v = ServerPageInitialView(w);
    EXPECT_TRUE(v.IsChecked(IDC_SERVER_BY_ADDRESS));
    EXPECT_FALSE(v.IsEnabled(IDC_SERVER_NAME));
    EXPECT_TRUE(v.IsEnabled(IDC_SERVER_ADDRESS));
    EXPECT_FALSE(v.IsEnabled(IDC_SERVER_INTERVAL));
    EXPECT_TRUE(v.IsChecked(IDC_SERVER_BROADCASTS));
}

TEST(ConfigServerPage, FlagsOtherThanOneCountAsOff) {
    SettingsRecord w = Working();
    w.use_server_by_name = 2;
    w.enable_updates = 5;
    PageView v = ServerPageInitialView(w);
    EXPECT_TRUE(v.IsChecked(IDC_SERVER_BY_ADDRESS));
    EXPECT_FALSE(v.IsChecked(IDC_SERVER_UPDATES));
}

TEST(ConfigServerPage, ProtocolRadios) {
    SettingsRecord w = Working();
    for (int protocol : {0, 1, 2, 3, 4, 99}) {
        w.protocol = protocol;
        PageView v = ServerPageInitialView(w);
        EXPECT_EQ(v.IsChecked(IDC_SERVER_SNTP), protocol != 2 && protocol != 3) << protocol;
        EXPECT_EQ(v.IsChecked(IDC_SERVER_TIME_UDP), protocol == 2) << protocol;
        EXPECT_EQ(v.IsChecked(IDC_SERVER_TIME_TCP), protocol == 3) << protocol;
    }
}

TEST(ConfigServerPage, ProtocolZeroOrFourShownAsSntpIsStoredAsOne) {
    for (int protocol : {0, 4}) {
        SettingsRecord w = Working();
        w.protocol = protocol;
        PageView v = ServerPageInitialView(w);
        ServerPageInput in;
        in.sntp = v.IsChecked(IDC_SERVER_SNTP);
        in.time_udp = v.IsChecked(IDC_SERVER_TIME_UDP);
        in.time_tcp = v.IsChecked(IDC_SERVER_TIME_TCP);
        ReadServerPage(in, w);
        EXPECT_EQ(w.protocol, 1) << protocol;
    }
}

TEST(ConfigServerPage, NoProtocolCheckedReadsAsSntp) {
    SettingsRecord w = Working();
    w.protocol = 3;
    ReadServerPage(ServerPageInput{}, w);
    EXPECT_EQ(w.protocol, 1);
}

TEST(ConfigServerPage, ReadIntoWorkingCopy) {
    SettingsRecord w = Working();
    ServerPageInput in;
    in.by_name = false;
    in.server_name = "time.example";
    in.address_text = "192.168.1.7";
    in.time_tcp = true;
    in.updates = false;
    in.interval_text = "90";
    in.broadcasts = true;
    ReadServerPage(in, w);
    EXPECT_EQ(w.use_server_by_name, 0);
    EXPECT_STREQ(w.server_name, "time.example");
    EXPECT_EQ(Ipv4AddressToText(w.server_address.address), "192.168.1.7");
    EXPECT_EQ(w.protocol, 3);
    EXPECT_EQ(w.enable_updates, 0);
    EXPECT_EQ(w.update_interval, 90);
    EXPECT_EQ(w.receive_sntp_broadcasts, 1);
}

TEST(ConfigServerPage, IntervalNotPositiveBecomesOneMinute) {
    for (const char* text : {"", "0", "-3", "often"}) {
        SettingsRecord w = Working();
        ServerPageInput in;
        in.interval_text = text;
        ReadServerPage(in, w);
        EXPECT_EQ(w.update_interval, 1) << '"' << text << '"';
    }
}

TEST(ConfigServerPage, AddressThatIsNotDottedReadsAsAllOnes) {
    SettingsRecord w = Working();
    ServerPageInput in;
    in.address_text = "not an address";
    ReadServerPage(in, w);
    EXPECT_EQ(w.server_address.address, 0xFFFFFFFFu);
}

TEST(ConfigServerPage, LongServerNameIsCutTo259Characters) {
    SettingsRecord w = Working();
    ServerPageInput in;
    in.server_name = std::string(400, 'x');
    ReadServerPage(in, w);
    EXPECT_EQ(std::strlen(w.server_name), 259u);
}

TEST(ConfigServerPage, RadioClicksSetTheFlagAtOnce) {
    SettingsRecord w = Working();
    PageView v = ServerByNameClicked(w, false);
    EXPECT_EQ(w.use_server_by_name, 0);
    EXPECT_FALSE(v.IsEnabled(IDC_SERVER_NAME));
    EXPECT_TRUE(v.IsEnabled(IDC_SERVER_ADDRESS));
    v = ServerByNameClicked(w, true);
    EXPECT_EQ(w.use_server_by_name, 1);
    EXPECT_TRUE(v.IsEnabled(IDC_SERVER_NAME));
    EXPECT_FALSE(v.IsEnabled(IDC_SERVER_ADDRESS));
}

TEST(ConfigServerPage, UpdatesBoxEnablesTheInterval) {
    EXPECT_TRUE(ServerUpdatesClicked(true).IsEnabled(IDC_SERVER_INTERVAL));
    EXPECT_FALSE(ServerUpdatesClicked(false).IsEnabled(IDC_SERVER_INTERVAL));
}

TEST(ConfigServerPage, ServerListRowOneFillsTheNameAndSwitchesToName) {
    SettingsRecord w = Working();
    w.use_server_by_name = 0;
    PageView v;
    ASSERT_TRUE(ServerListChosen(w, 1, &v));
    EXPECT_STREQ(w.server_name, kPublicServerHosts[0]);
    EXPECT_EQ(v.Text(IDC_SERVER_NAME), kPublicServerHosts[0]);
    EXPECT_TRUE(v.IsChecked(IDC_SERVER_BY_NAME));
    EXPECT_FALSE(v.IsChecked(IDC_SERVER_BY_ADDRESS));
    EXPECT_TRUE(v.IsEnabled(IDC_SERVER_NAME));
    EXPECT_FALSE(v.IsEnabled(IDC_SERVER_ADDRESS));
}

TEST(ConfigServerPage, ServerListWithoutChoiceChangesNothing) {
    SettingsRecord w = Working();
    PageView v;
    EXPECT_FALSE(ServerListChosen(w, 0, &v));
    EXPECT_FALSE(ServerListChosen(w, kPublicServerCount + 1, &v));
    EXPECT_STREQ(w.server_name, "old.example.org");
    EXPECT_TRUE(v.texts.empty());
    ASSERT_TRUE(ServerListChosen(w, kPublicServerCount, &v));
    EXPECT_STREQ(w.server_name, kPublicServerHosts[kPublicServerCount - 1]);
}

// ---- Connection page ----

TEST(ConfigConnectionPage, DialupUnavailableOffersOnlyLan) {
    SettingsRecord w = Working();
    w.use_dialup = 1;
    w.force_dial = 1;
    PageView v = ConnectionPageInitialView(w, false);
    EXPECT_EQ(w.use_dialup, 0);
    EXPECT_TRUE(v.IsChecked(IDC_CONN_LAN));
    EXPECT_FALSE(v.IsChecked(IDC_CONN_DIALUP));
    for (int id : {IDC_CONN_DIALUP, IDC_CONN_FORCE_DIAL, IDC_CONN_ENTRY_LIST, IDC_CONN_USERNAME,
                   IDC_CONN_PASSWORD}) {
        ASSERT_TRUE(v.HasEnabled(id)) << id;
        EXPECT_FALSE(v.IsEnabled(id)) << id;
    }
}

TEST(ConfigConnectionPage, DialupWithForceDialEnablesTheAccount) {
    SettingsRecord w = Working();
    w.use_dialup = 1;
    w.force_dial = 1;
    PageView v = ConnectionPageInitialView(w, true);
    EXPECT_TRUE(v.IsChecked(IDC_CONN_DIALUP));
    EXPECT_TRUE(v.IsChecked(IDC_CONN_FORCE_DIAL));
    for (int id :
         {IDC_CONN_FORCE_DIAL, IDC_CONN_ENTRY_LIST, IDC_CONN_USERNAME, IDC_CONN_PASSWORD}) {
        EXPECT_TRUE(v.IsEnabled(id)) << id;
    }
    EXPECT_EQ(v.Text(IDC_CONN_USERNAME), "alice");
    EXPECT_EQ(v.Text(IDC_CONN_PASSWORD), "secret");
}

TEST(ConfigConnectionPage, DialupWithoutForceDialKeepsTheAccountGrey) {
    SettingsRecord w = Working();
    w.use_dialup = 1;
    w.force_dial = 0;
    PageView v = ConnectionPageInitialView(w, true);
    EXPECT_TRUE(v.IsEnabled(IDC_CONN_FORCE_DIAL));
    EXPECT_FALSE(v.IsEnabled(IDC_CONN_ENTRY_LIST));
    EXPECT_FALSE(v.IsEnabled(IDC_CONN_USERNAME));
    EXPECT_FALSE(v.IsEnabled(IDC_CONN_PASSWORD));
}

TEST(ConfigConnectionPage, ButtonsSwitchTheWorkingCopyAndTheControls) {
    SettingsRecord w = Working();
    w.force_dial = 0;
    PageView v = ConnectionButtonClicked(w, IDC_CONN_DIALUP, true);
    EXPECT_EQ(w.use_dialup, 1);
    EXPECT_TRUE(v.IsEnabled(IDC_CONN_FORCE_DIAL));
    EXPECT_FALSE(v.IsEnabled(IDC_CONN_ENTRY_LIST));
    v = ConnectionButtonClicked(w, IDC_CONN_FORCE_DIAL, true);
    EXPECT_EQ(w.force_dial, 1);
    EXPECT_TRUE(v.IsEnabled(IDC_CONN_ENTRY_LIST));
    EXPECT_TRUE(v.IsEnabled(IDC_CONN_PASSWORD));
    v = ConnectionButtonClicked(w, IDC_CONN_FORCE_DIAL, false);
    EXPECT_EQ(w.force_dial, 0);
    EXPECT_TRUE(v.IsEnabled(IDC_CONN_FORCE_DIAL));
    EXPECT_FALSE(v.IsEnabled(IDC_CONN_USERNAME));
    v = ConnectionButtonClicked(w, IDC_CONN_LAN, true);
    EXPECT_EQ(w.use_dialup, 0);
    EXPECT_FALSE(v.IsEnabled(IDC_CONN_FORCE_DIAL));
}

TEST(ConfigConnectionPage, ChoosingAnotherEntryEmptiesUserNameAndPassword) {
    SettingsRecord w = Working();
    PageView v = DialEntryChosen(w, "Home");
    EXPECT_STREQ(w.dialup_server_name, "Home");
    EXPECT_STREQ(w.dialup_server_username, "");
    EXPECT_STREQ(w.dialup_server_password, "");
    ASSERT_EQ(v.texts.count(IDC_CONN_USERNAME), 1u);
    ASSERT_EQ(v.texts.count(IDC_CONN_PASSWORD), 1u);
    EXPECT_EQ(v.Text(IDC_CONN_USERNAME), "");
}

TEST(ConfigConnectionPage, ReadIntoWorkingCopy) {
    SettingsRecord w = Working();
    ConnectionPageInput in;
    in.lan = false;
    in.force_dial = true;
    in.has_entry = true;
    in.entry = "Office";
    in.user_name = "bob";
    in.password = std::string(300, 'p');
    ReadConnectionPage(in, w);
    EXPECT_EQ(w.use_dialup, 1);
    EXPECT_EQ(w.force_dial, 1);
    EXPECT_STREQ(w.dialup_server_name, "Office");
    EXPECT_STREQ(w.dialup_server_username, "bob");
    EXPECT_EQ(std::strlen(w.dialup_server_password), 256u);
}

TEST(ConfigConnectionPage, NoSelectedEntryKeepsTheName) {
    SettingsRecord w = Working();
    ConnectionPageInput in;
    in.lan = true;
    ReadConnectionPage(in, w);
    EXPECT_EQ(w.use_dialup, 0);
    EXPECT_STREQ(w.dialup_server_name, "Work");
    EXPECT_STREQ(w.dialup_server_username, "");
}

// ---- User Interface page ----

TEST(ConfigUserInterfacePage, CheckBoxesFromFlagsAndBack) {
    SettingsRecord w = Working();
    w.always_on_top = 1;
    w.show_date = 0;
    w.hide_taskbar_button = 1;
    w.hide_in_tray = 0;
    w.launch_program_at_startup = 1;
    PageView v = UserInterfacePageInitialView(w);
    EXPECT_TRUE(v.IsChecked(IDC_UI_ALWAYS_ON_TOP));
    EXPECT_FALSE(v.IsChecked(IDC_UI_SHOW_DATE));
    EXPECT_TRUE(v.IsChecked(IDC_UI_HIDE_TASKBAR_BUTTON));
    EXPECT_FALSE(v.IsChecked(IDC_UI_HIDE_IN_TRAY));
    EXPECT_TRUE(v.IsChecked(IDC_UI_LAUNCH_AT_STARTUP));

    UserInterfacePageInput in;
    in.show_date = true;
    in.hide_in_tray = true;
    ReadUserInterfacePage(in, w);
    EXPECT_EQ(w.always_on_top, 0);
    EXPECT_EQ(w.show_date, 1);
    EXPECT_EQ(w.hide_taskbar_button, 0);
    EXPECT_EQ(w.hide_in_tray, 1);
    EXPECT_EQ(w.launch_program_at_startup, 0);
    EXPECT_STREQ(w.time_font_name, "Arial");
}

TEST(ConfigUserInterfacePage, LastMatchingFontIgnoringCaseIsSelected) {
    const std::vector<std::string> faces = {"Arial", "ARIAL", "Courier New", "Times"};
    EXPECT_EQ(FontListSelection(faces, "arial"), 1);
    EXPECT_EQ(FontListSelection(faces, "Times"), 3);
    EXPECT_EQ(FontListSelection(faces, "Missing Font"), -1);
    EXPECT_EQ(FontListSelection(faces, "Aria"), -1);
}

TEST(ConfigUserInterfacePage, PickingAFontSetsBothNames) {
    SettingsRecord w = Working();
    FontChosen(w, "Courier New");
    EXPECT_STREQ(w.time_font_name, "Courier New");
    EXPECT_STREQ(w.date_font_name, "Courier New");
    FontChosen(w, std::string(40, 'F'));
    EXPECT_EQ(std::strlen(w.time_font_name), 31u);
}

TEST(ConfigUserInterfacePage, PreviewTextIsCentred) {
    PreviewOrigin at = FontPreviewOrigin(200, 50, 101, 30);
    EXPECT_EQ(at.x, 100 - 50);
    EXPECT_EQ(at.y, 25 - 15);
}

// ---- Logging page ----

TEST(ConfigLoggingPage, LoggingOnEnablesTheNumbersByTheirBoxes) {
    SettingsRecord w = Working();
    PageView v = LoggingPageInitialView(w, true);
    EXPECT_TRUE(v.IsChecked(IDC_LOG_ENABLE));
    for (int id : {IDC_LOG_MINIMUM, IDC_LOG_MEDIUM, IDC_LOG_MAXIMUM, IDC_LOG_PATH, IDC_LOG_BROWSE,
                   IDC_LOG_DELETE_OLD, IDC_LOG_CAP_SIZE}) {
        EXPECT_TRUE(v.IsEnabled(id)) << id;
    }
    EXPECT_TRUE(v.IsEnabled(IDC_LOG_MAX_AGE));
    EXPECT_FALSE(v.IsEnabled(IDC_LOG_MAX_SPACE));
    EXPECT_EQ(v.Text(IDC_LOG_MAX_AGE), "30");
    EXPECT_EQ(v.Text(IDC_LOG_MAX_SPACE), "50");
    EXPECT_EQ(v.Text(IDC_LOG_PATH), "C:\\Logs");
    EXPECT_TRUE(v.IsChecked(IDC_LOG_MEDIUM));
    EXPECT_FALSE(v.IsChecked(IDC_LOG_MINIMUM));
    EXPECT_TRUE(v.IsEnabled(IDC_LOG_EVENT_LOG));
}

TEST(ConfigLoggingPage, LoggingOffGreysEverythingButTheEventLog) {
    SettingsRecord w = Working();
    w.enable_logging = 0;
    w.write_to_event_log = 1;
    PageView v = LoggingPageInitialView(w, true);
    for (int id : {IDC_LOG_MINIMUM, IDC_LOG_MEDIUM, IDC_LOG_MAXIMUM, IDC_LOG_PATH, IDC_LOG_BROWSE,
                   IDC_LOG_DELETE_OLD, IDC_LOG_MAX_AGE, IDC_LOG_CAP_SIZE, IDC_LOG_MAX_SPACE}) {
        ASSERT_TRUE(v.HasEnabled(id)) << id;
        EXPECT_FALSE(v.IsEnabled(id)) << id;
    }
    EXPECT_TRUE(v.IsEnabled(IDC_LOG_EVENT_LOG));
    EXPECT_TRUE(v.IsChecked(IDC_LOG_EVENT_LOG));
}

TEST(ConfigLoggingPage, EventLogBoxOnlyOnNtButItsStateIsKept) {
    SettingsRecord w = Working();
    w.write_to_event_log = 1;
    PageView v = LoggingPageInitialView(w, false);
    EXPECT_FALSE(v.IsEnabled(IDC_LOG_EVENT_LOG));
    EXPECT_TRUE(v.IsChecked(IDC_LOG_EVENT_LOG));
    LoggingPageInput in;
    in.event_log = v.IsChecked(IDC_LOG_EVENT_LOG);
    ReadLoggingPage(in, w);
    EXPECT_EQ(w.write_to_event_log, 1);
}

TEST(ConfigLoggingPage, LevelRadios) {
    SettingsRecord w = Working();
    for (int level : {0, 1, 2, 7}) {
        w.logging_level = level;
        PageView v = LoggingPageInitialView(w, true);
        EXPECT_EQ(v.IsChecked(IDC_LOG_MINIMUM), level != 1 && level != 2);
        EXPECT_EQ(v.IsChecked(IDC_LOG_MEDIUM), level == 1);
        EXPECT_EQ(v.IsChecked(IDC_LOG_MAXIMUM), level == 2);
    }
}

TEST(ConfigLoggingPage, SwitchingLoggingBackOnRestoresThePathFromTheWorkingCopy) {
    SettingsRecord w = Working();
    PageView off = LoggingButtonClicked(w, IDC_LOG_ENABLE, false, true, true);
    EXPECT_FALSE(off.IsEnabled(IDC_LOG_PATH));
    EXPECT_FALSE(off.IsEnabled(IDC_LOG_MAX_SPACE));
    EXPECT_TRUE(off.texts.empty());
    PageView on = LoggingButtonClicked(w, IDC_LOG_ENABLE, true, true, false);
    EXPECT_EQ(on.Text(IDC_LOG_PATH), "C:\\Logs");
    EXPECT_TRUE(on.IsEnabled(IDC_LOG_MAX_AGE));
    EXPECT_EQ(on.Text(IDC_LOG_MAX_AGE), "30");
    EXPECT_FALSE(on.IsEnabled(IDC_LOG_MAX_SPACE));
    EXPECT_EQ(on.texts.count(IDC_LOG_MAX_SPACE), 0u);
}

TEST(ConfigLoggingPage, NumberBoxesRefillFromTheWorkingCopy) {
    SettingsRecord w = Working();
    PageView v = LoggingButtonClicked(w, IDC_LOG_CAP_SIZE, true, false, true);
    EXPECT_TRUE(v.IsEnabled(IDC_LOG_MAX_SPACE));
    EXPECT_EQ(v.Text(IDC_LOG_MAX_SPACE), "50");
    v = LoggingButtonClicked(w, IDC_LOG_DELETE_OLD, false, false, true);
    EXPECT_FALSE(v.IsEnabled(IDC_LOG_MAX_AGE));
}

TEST(ConfigLoggingPage, ReadIntoWorkingCopy) {
    SettingsRecord w = Working();
    LoggingPageInput in;
    in.enable = true;
    in.maximum = true;
    in.path = "D:\\Other";
    in.delete_old = true;
    in.age_text = "-2";
    in.cap_size = true;
    in.space_text = "0";
    ReadLoggingPage(in, w);
    EXPECT_EQ(w.enable_logging, 1);
    EXPECT_EQ(w.logging_level, 2);
    EXPECT_STREQ(w.logfile_path, "D:\\Other");
    EXPECT_EQ(w.maximum_logfile_age, 1);
    EXPECT_EQ(w.maximum_logfile_space, 1);
    EXPECT_EQ(w.delete_old_logfiles, 1);
    EXPECT_EQ(w.cap_logfile_folder_size, 1);
}

TEST(ConfigLoggingPage, NoLevelCheckedReadsAsMedium) {
    SettingsRecord w = Working();
    w.logging_level = 0;
    ReadLoggingPage(LoggingPageInput{}, w);
    EXPECT_EQ(w.logging_level, 1);
}

// ---- frame ----

TEST(ConfigFrame, PagesAreCentredInTheTabBody) {
    ScreenPoint at = PagePosition(10, 10, 300, 250, 20, 280, 200);
    EXPECT_EQ(at.x, 10 + 150 - 140);
    EXPECT_EQ(at.y, 10 + 20 + 115 - 100);
}

TEST(ConfigFrame, PageCommandsWrapRound) {
    EXPECT_EQ(NextPageTab(0, IDC_CONFIG_NEXT_PAGE, 4), 1);
    EXPECT_EQ(NextPageTab(3, IDC_CONFIG_NEXT_PAGE, 4), 0);
    EXPECT_EQ(NextPageTab(0, IDC_CONFIG_PREVIOUS_PAGE, 4), 3);
    EXPECT_EQ(NextPageTab(2, IDC_CONFIG_PREVIOUS_PAGE, 4), 1);
}

TEST(ConfigFrame, EveryControlHasAHelpTopic) {
    std::map<std::uint32_t, std::uint32_t> table;
    int rows = 0;
    for (const std::uint32_t* p = kConfigurationHelpTable; p[0] != 0; p += 2, ++rows) {
        EXPECT_EQ(table.count(p[0]), 0u) << p[0];
        table[p[0]] = p[1];
    }
    EXPECT_EQ(rows, 3 + 12 + 1 + 9 + 14 + 9);
    EXPECT_EQ(table[IDC_CONFIG_OK], 301u);
    EXPECT_EQ(table[IDD_CONFIG_SERVER_PAGE], 600u);
    EXPECT_EQ(table[IDC_SERVER_ADDRESS], 611u);
    EXPECT_EQ(table[IDC_CONN_PASSWORD_LABEL], 506u);
    EXPECT_EQ(table[IDC_LOG_MAX_AGE], 808u);
    EXPECT_EQ(table[IDC_LOG_MEGABYTES_LABEL], 809u);
    EXPECT_EQ(table[IDC_UI_HIDE_TASKBAR_BUTTON], 405u);
    EXPECT_EQ(table[IDC_UI_HIDE_IN_TRAY], 404u);
}

}  // namespace
}  // namespace orvane
