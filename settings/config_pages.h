// The rules of the configuration dialog's pages, apart from the window
// system: what each page shows for a working copy, how its controls enable
// one another, what a command changes in the working copy and how a page is
// read back at OK. The dialog code applies a PageView to the real controls
// and hands the controls' states to the Read functions.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/window_position.h"
#include "settings/config_dialog_ids.h"
#include "settings/settings_record.h"

namespace orvane {

// What a page's controls should show, by control number: check marks,
// enabled states and texts. Controls not named keep what they have.
struct PageView {
    std::map<int, bool> checked;
    std::map<int, bool> enabled;
    std::map<int, std::string> texts;

    // For tests: the entry for a control, or false / "" when it is absent.
    bool IsChecked(int id) const;
    bool IsEnabled(int id) const;
    bool HasEnabled(int id) const { return enabled.count(id) != 0; }
    std::string Text(int id) const;
};

// Numbers typed into a page: read as an unsigned decimal number (blanks
// around it allowed, nothing else; anything else or too large reads as 0),
// and 1 whenever the result taken as a signed 32-bit number is 0 or less.
std::int32_t ReadPositiveNumber(const std::string& text);
// An unsigned decimal for an edit control.
std::string UnsignedText(std::int32_t value);

// Server page.
PageView ServerPageInitialView(const SettingsRecord& working);
// 901 or 902 clicked: by_name is true for 901.
PageView ServerByNameClicked(SettingsRecord& working, bool by_name);
// 906 clicked.
PageView ServerUpdatesClicked(bool now_checked);
// The server list ended with result r: r >= 1 takes row r - 1. False (and
// nothing changed) for 0.
bool ServerListChosen(SettingsRecord& working, int result, PageView* view);

struct ServerPageInput {
    bool by_name = false;       // 901
    std::string server_name;    // 910
    std::string address_text;   // 911
    bool sntp = false;          // 903
    bool time_udp = false;      // 904
    bool time_tcp = false;      // 905
    bool updates = false;       // 906
    std::string interval_text;  // 907
    bool broadcasts = false;    // 908
};
void ReadServerPage(const ServerPageInput& input, SettingsRecord& working);

// Connection page. Makes Use dialup 0 in the working copy when dial-up
// networking is not available.
PageView ConnectionPageInitialView(SettingsRecord& working, bool dialup_available);
// A click on 801, 802 or 803 (now_checked: the box's state after it).
PageView ConnectionButtonClicked(SettingsRecord& working, int id, bool now_checked);
// Another phone-book entry chosen in 804: user name and password are
// emptied, in the working copy and in the view.
PageView DialEntryChosen(SettingsRecord& working, const std::string& entry);

struct ConnectionPageInput {
    bool lan = false;         // 801
    bool force_dial = false;  // 803
    bool has_entry = false;   // 804 has a selection
    std::string entry;        // its text
    std::string user_name;    // 805
    std::string password;     // 807
};
void ReadConnectionPage(const ConnectionPageInput& input, SettingsRecord& working);

// User Interface page.
PageView UserInterfacePageInitialView(const SettingsRecord& working);
// The list entry to select for the time font: the last one equal to it,
// letter case aside; -1 when none is.
int FontListSelection(const std::vector<std::string>& faces, const char* time_font_name);
// A face picked in 701: both font names take it.
void FontChosen(SettingsRecord& working, const std::string& face);

struct UserInterfacePageInput {
    bool always_on_top = false;        // 704
    bool show_date = false;            // 707
    bool hide_taskbar_button = false;  // 706
    bool hide_in_tray = false;         // 705
    bool launch_at_startup = false;    // 708
};
void ReadUserInterfacePage(const UserInterfacePageInput& input, SettingsRecord& working);

// Where the preview text goes in the preview area.
struct PreviewOrigin {
    int x = 0;
    int y = 0;
};
PreviewOrigin FontPreviewOrigin(int area_width, int area_height, int text_width, int text_height);

// Logging page.
PageView LoggingPageInitialView(const SettingsRecord& working, bool nt_platform);
// A click on 1101, 1107 or 1110, with the states of 1107 and 1110 after it.
PageView LoggingButtonClicked(const SettingsRecord& working, int id, bool now_checked,
                              bool delete_checked, bool cap_checked);

struct LoggingPageInput {
    bool enable = false;      // 1101
    bool minimum = false;     // 1102
    bool medium = false;      // 1103
    bool maximum = false;     // 1104
    std::string path;         // 1105
    bool delete_old = false;  // 1107
    std::string age_text;     // 1108
    bool cap_size = false;    // 1110
    std::string space_text;   // 1111
    bool event_log = false;   // 1113
};
void ReadLoggingPage(const LoggingPageInput& input, SettingsRecord& working);

// The most characters each edit control takes.
int EditTextLimit(int id);

// The context help table of the frame and all pages: pairs of control
// number and help context number, closed by control 0.
extern const std::uint32_t kConfigurationHelpTable[];

// The frame's page placement: a page of its own size centred in the tab
// control's body below the tab header.
ScreenPoint PagePosition(int tab_left, int tab_top, int tab_width, int tab_height,
                         int header_height, int page_width, int page_height);

// Commands 604 and 605: the tab that gets the focus, wrapping round.
int NextPageTab(int current, int command, int tab_count);

}  // namespace orvane
