#include "settings/config_pages.h"

#include <algorithm>
#include <cstring>

#include "platform/fixed_text.h"
#include "settings/ipv4_text.h"
#include "settings/server_list.h"

namespace orvane {

namespace {

bool On(std::int32_t flag) {
    return flag == 1;
}

void SetAll(std::map<int, bool>& states, std::initializer_list<int> ids, bool on) {
    for (int id : ids)
        states[id] = on;
}

bool EqualIgnoringCase(const std::string& a, const char* b) {
    const std::size_t length = std::strlen(b);
    if (a.size() != length)
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        const auto lower = [](char c) {
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// The edits of 1108 and 1111 follow their check boxes.
void FollowCheckBox(PageView& view, int edit, bool checked, std::int32_t value) {
    view.enabled[edit] = checked;
    if (checked)
        view.texts[edit] = UnsignedText(value);
}

}  // namespace

bool PageView::IsChecked(int id) const {
    auto found = checked.find(id);
    return found != checked.end() && found->second;
}

bool PageView::IsEnabled(int id) const {
    auto found = enabled.find(id);
    return found != enabled.end() && found->second;
}

std::string PageView::Text(int id) const {
    auto found = texts.find(id);
    return found == texts.end() ? std::string() : found->second;
}

std::int32_t ReadPositiveNumber(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    std::uint64_t value = 0;
    std::size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
        value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
        if (value > 0xFFFFFFFFull)
            return 1;  // too large: no number at all
    }
    if (digits == 0)
        return 1;
    const auto as_signed = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    return as_signed <= 0 ? 1 : as_signed;
}

std::string UnsignedText(std::int32_t value) {
    return std::to_string(static_cast<std::uint32_t>(value));
}

// ---- Server page ----

PageView ServerPageInitialView(const SettingsRecord& working) {
    PageView view;
    const bool by_name = On(working.use_server_by_name);
    view.checked[IDC_SERVER_BY_NAME] = by_name;
    view.checked[IDC_SERVER_BY_ADDRESS] = !by_name;
    view.enabled[IDC_SERVER_NAME] = by_name;
    view.enabled[IDC_SERVER_ADDRESS] = !by_name;
    view.texts[IDC_SERVER_NAME] = working.server_name;
    view.texts[IDC_SERVER_ADDRESS] = Ipv4AddressToText(working.server_address.address);
    view.checked[IDC_SERVER_UPDATES] = On(working.enable_updates);
    view.enabled[IDC_SERVER_INTERVAL] = On(working.enable_updates);
    view.texts[IDC_SERVER_INTERVAL] = UnsignedText(working.update_interval);
    view.checked[IDC_SERVER_BROADCASTS] = On(working.receive_sntp_broadcasts);
    // Anything but TIME shows as SNTP (0 and the broadcast number 4 too).
    view.checked[IDC_SERVER_TIME_UDP] = working.protocol == kProtocolTimeUdp;
    view.checked[IDC_SERVER_TIME_TCP] = working.protocol == kProtocolTimeTcp;
    view.checked[IDC_SERVER_SNTP] =
        working.protocol != kProtocolTimeUdp && working.protocol != kProtocolTimeTcp;
    return view;
}

PageView ServerByNameClicked(SettingsRecord& working, bool by_name) {
    working.use_server_by_name = by_name ? 1 : 0;
    PageView view;
    view.enabled[IDC_SERVER_NAME] = by_name;
    view.enabled[IDC_SERVER_ADDRESS] = !by_name;
    return view;
}

PageView ServerUpdatesClicked(bool now_checked) {
    PageView view;
    view.enabled[IDC_SERVER_INTERVAL] = now_checked;
    return view;
}

bool ServerListChosen(SettingsRecord& working, int result, PageView* view) {
    const char* host = PublicServerHostForChoice(result);
    if (host == nullptr)
        return false;
    CopyToField(working.server_name, host);
    working.use_server_by_name = 1;
    if (view != nullptr) {
        view->texts[IDC_SERVER_NAME] = host;
        view->checked[IDC_SERVER_BY_NAME] = true;
        view->checked[IDC_SERVER_BY_ADDRESS] = false;
        view->enabled[IDC_SERVER_NAME] = true;
        view->enabled[IDC_SERVER_ADDRESS] = false;
    }
    return true;
}

void ReadServerPage(const ServerPageInput& input, SettingsRecord& working) {
    working.use_server_by_name = input.by_name ? 1 : 0;
    CopyToField(working.server_name, input.server_name);
    working.server_address.address = Ipv4TextToAddress(input.address_text.c_str());
    if (input.sntp) {
        working.protocol = kProtocolSntp;
    } else if (input.time_udp) {
        working.protocol = kProtocolTimeUdp;
    } else if (input.time_tcp) {
        working.protocol = kProtocolTimeTcp;
    } else {
        working.protocol = kProtocolSntp;
    }
    working.enable_updates = input.updates ? 1 : 0;
    working.update_interval = ReadPositiveNumber(input.interval_text);
    working.receive_sntp_broadcasts = input.broadcasts ? 1 : 0;
}

// ---- Connection page ----

PageView ConnectionPageInitialView(SettingsRecord& working, bool dialup_available) {
    PageView view;
    const std::initializer_list<int> dial_controls = {IDC_CONN_FORCE_DIAL, IDC_CONN_ENTRY_LIST,
                                                      IDC_CONN_USERNAME, IDC_CONN_PASSWORD};
    if (!dialup_available) {
        working.use_dialup = 0;
    }
    if (On(working.use_dialup)) {
        view.checked[IDC_CONN_DIALUP] = true;
        view.checked[IDC_CONN_LAN] = false;
        view.enabled[IDC_CONN_FORCE_DIAL] = true;
        SetAll(view.enabled, {IDC_CONN_ENTRY_LIST, IDC_CONN_USERNAME, IDC_CONN_PASSWORD},
               On(working.force_dial));
    } else {
        view.checked[IDC_CONN_LAN] = true;
        view.checked[IDC_CONN_DIALUP] = false;
        SetAll(view.enabled, dial_controls, false);
    }
    view.checked[IDC_CONN_FORCE_DIAL] = On(working.force_dial);
    view.texts[IDC_CONN_USERNAME] = working.dialup_server_username;
    view.texts[IDC_CONN_PASSWORD] = working.dialup_server_password;
    view.enabled[IDC_CONN_LAN] = true;
    view.enabled[IDC_CONN_DIALUP] = dialup_available;
    return view;
}

PageView ConnectionButtonClicked(SettingsRecord& working, int id, bool now_checked) {
    PageView view;
    switch (id) {
        case IDC_CONN_LAN:
            working.use_dialup = 0;
            SetAll(view.enabled,
                   {IDC_CONN_FORCE_DIAL, IDC_CONN_ENTRY_LIST, IDC_CONN_USERNAME, IDC_CONN_PASSWORD},
                   false);
            break;
        case IDC_CONN_DIALUP:
            working.use_dialup = 1;
            view.enabled[IDC_CONN_FORCE_DIAL] = true;
            SetAll(view.enabled, {IDC_CONN_ENTRY_LIST, IDC_CONN_USERNAME, IDC_CONN_PASSWORD},
                   On(working.force_dial));
            break;
        case IDC_CONN_FORCE_DIAL:
            working.force_dial = now_checked ? 1 : 0;
            view.enabled[IDC_CONN_FORCE_DIAL] = true;
            SetAll(view.enabled, {IDC_CONN_ENTRY_LIST, IDC_CONN_USERNAME, IDC_CONN_PASSWORD},
                   now_checked);
            break;
        default:
            break;
    }
    return view;
}

PageView DialEntryChosen(SettingsRecord& working, const std::string& entry) {
    CopyToField(working.dialup_server_name, entry);
    working.dialup_server_username[0] = '\0';
    working.dialup_server_password[0] = '\0';
    PageView view;
    view.texts[IDC_CONN_USERNAME] = "";
    view.texts[IDC_CONN_PASSWORD] = "";
    return view;
}

void ReadConnectionPage(const ConnectionPageInput& input, SettingsRecord& working) {
    working.use_dialup = input.lan ? 0 : 1;
    working.force_dial = input.force_dial ? 1 : 0;
    if (input.has_entry) {
        CopyToField(working.dialup_server_name, input.entry);
    }
    CopyToField(working.dialup_server_username, input.user_name);
    CopyToField(working.dialup_server_password, input.password);
}

// ---- User Interface page ----

PageView UserInterfacePageInitialView(const SettingsRecord& working) {
    PageView view;
    view.checked[IDC_UI_ALWAYS_ON_TOP] = On(working.always_on_top);
    view.checked[IDC_UI_SHOW_DATE] = On(working.show_date);
    view.checked[IDC_UI_HIDE_TASKBAR_BUTTON] = On(working.hide_taskbar_button);
    view.checked[IDC_UI_HIDE_IN_TRAY] = On(working.hide_in_tray);
    view.checked[IDC_UI_LAUNCH_AT_STARTUP] = On(working.launch_program_at_startup);
    return view;
}

int FontListSelection(const std::vector<std::string>& faces, const char* time_font_name) {
    int selection = -1;
    for (std::size_t i = 0; i < faces.size(); ++i) {
        if (EqualIgnoringCase(faces[i], time_font_name))
            selection = static_cast<int>(i);
    }
    return selection;
}

void FontChosen(SettingsRecord& working, const std::string& face) {
    CopyToField(working.time_font_name, face);
    CopyToField(working.date_font_name, face);
}

void ReadUserInterfacePage(const UserInterfacePageInput& input, SettingsRecord& working) {
    working.always_on_top = input.always_on_top ? 1 : 0;
    working.show_date = input.show_date ? 1 : 0;
    working.hide_taskbar_button = input.hide_taskbar_button ? 1 : 0;
    working.hide_in_tray = input.hide_in_tray ? 1 : 0;
    working.launch_program_at_startup = input.launch_at_startup ? 1 : 0;
}

PreviewOrigin FontPreviewOrigin(int area_width, int area_height, int text_width, int text_height) {
    return {area_width / 2 - text_width / 2, area_height / 2 - text_height / 2};
}

// ---- Logging page ----

PageView LoggingPageInitialView(const SettingsRecord& working, bool nt_platform) {
    PageView view;
    const bool logging = On(working.enable_logging);
    view.checked[IDC_LOG_ENABLE] = logging;
    if (logging) {
        SetAll(view.enabled,
               {IDC_LOG_MINIMUM, IDC_LOG_MEDIUM, IDC_LOG_MAXIMUM, IDC_LOG_PATH, IDC_LOG_BROWSE,
                IDC_LOG_DELETE_OLD, IDC_LOG_CAP_SIZE},
               true);
        view.enabled[IDC_LOG_MAX_AGE] = On(working.delete_old_logfiles);
        view.enabled[IDC_LOG_MAX_SPACE] = On(working.cap_logfile_folder_size);
    } else {
        SetAll(view.enabled,
               {IDC_LOG_MINIMUM, IDC_LOG_MEDIUM, IDC_LOG_MAXIMUM, IDC_LOG_PATH, IDC_LOG_BROWSE,
                IDC_LOG_DELETE_OLD, IDC_LOG_MAX_AGE, IDC_LOG_CAP_SIZE, IDC_LOG_MAX_SPACE},
               false);
    }
    view.checked[IDC_LOG_DELETE_OLD] = On(working.delete_old_logfiles);
    view.checked[IDC_LOG_CAP_SIZE] = On(working.cap_logfile_folder_size);
    view.texts[IDC_LOG_MAX_AGE] = UnsignedText(working.maximum_logfile_age);
    view.texts[IDC_LOG_MAX_SPACE] = UnsignedText(working.maximum_logfile_space);
    view.checked[IDC_LOG_MEDIUM] = working.logging_level == 1;
    view.checked[IDC_LOG_MAXIMUM] = working.logging_level == 2;
    view.checked[IDC_LOG_MINIMUM] = working.logging_level != 1 && working.logging_level != 2;
    view.checked[IDC_LOG_EVENT_LOG] = On(working.write_to_event_log);
    view.enabled[IDC_LOG_EVENT_LOG] = nt_platform;
    view.texts[IDC_LOG_PATH] = working.logfile_path;
    return view;
}

PageView LoggingButtonClicked(const SettingsRecord& working, int id, bool now_checked,
                              bool delete_checked, bool cap_checked) {
    PageView view;
    switch (id) {
        case IDC_LOG_ENABLE:
            if (now_checked) {
                SetAll(view.enabled,
                       {IDC_LOG_MINIMUM, IDC_LOG_MEDIUM, IDC_LOG_MAXIMUM, IDC_LOG_PATH,
                        IDC_LOG_BROWSE, IDC_LOG_DELETE_OLD, IDC_LOG_CAP_SIZE},
                       true);
                // A path typed before switching logging off is dropped.
                view.texts[IDC_LOG_PATH] = working.logfile_path;
                FollowCheckBox(view, IDC_LOG_MAX_AGE, delete_checked, working.maximum_logfile_age);
                FollowCheckBox(view, IDC_LOG_MAX_SPACE, cap_checked, working.maximum_logfile_space);
            } else {
                SetAll(
                    view.enabled,
                    {IDC_LOG_MINIMUM, IDC_LOG_MEDIUM, IDC_LOG_MAXIMUM, IDC_LOG_PATH, IDC_LOG_BROWSE,
                     IDC_LOG_DELETE_OLD, IDC_LOG_MAX_AGE, IDC_LOG_CAP_SIZE, IDC_LOG_MAX_SPACE},
                    false);
            }
            break;
        case IDC_LOG_DELETE_OLD:
            FollowCheckBox(view, IDC_LOG_MAX_AGE, now_checked, working.maximum_logfile_age);
            break;
        case IDC_LOG_CAP_SIZE:
            FollowCheckBox(view, IDC_LOG_MAX_SPACE, now_checked, working.maximum_logfile_space);
            break;
        default:
            break;
    }
    return view;
}

void ReadLoggingPage(const LoggingPageInput& input, SettingsRecord& working) {
    working.enable_logging = input.enable ? 1 : 0;
    if (input.minimum) {
        working.logging_level = 0;
    } else if (input.medium) {
        working.logging_level = 1;
    } else if (input.maximum) {
        working.logging_level = 2;
    } else {
        working.logging_level = 1;
    }
    CopyToField(working.logfile_path, input.path);
    working.delete_old_logfiles = input.delete_old ? 1 : 0;
    working.maximum_logfile_age = ReadPositiveNumber(input.age_text);
    working.cap_logfile_folder_size = input.cap_size ? 1 : 0;
    working.maximum_logfile_space = ReadPositiveNumber(input.space_text);
    working.write_to_event_log = input.event_log ? 1 : 0;
}

int EditTextLimit(int id) {
    switch (id) {
        case IDC_SERVER_NAME:
        case IDC_LOG_PATH:
            return kPathCapacity - 1;
        case IDC_SERVER_ADDRESS:
            return 15;
        case IDC_CONN_USERNAME:
        case IDC_CONN_PASSWORD:
            return kDialupTextCapacity - 1;
        case IDC_SERVER_INTERVAL:
        case IDC_LOG_MAX_AGE:
        case IDC_LOG_MAX_SPACE:
            return 10;
        default:
            return 0;
    }
}

const std::uint32_t kConfigurationHelpTable[] = {
    IDC_CONFIG_OK,
    301,
    IDC_CONFIG_CANCEL,
    302,
    IDC_CONFIG_TABS,
    303,
    IDD_CONFIG_SERVER_PAGE,
    600,
    IDC_SERVER_BY_NAME,
    601,
    IDC_SERVER_BY_ADDRESS,
    602,
    IDC_SERVER_SNTP,
    603,
    IDC_SERVER_TIME_UDP,
    604,
    IDC_SERVER_TIME_TCP,
    605,
    IDC_SERVER_UPDATES,
    606,
    IDC_SERVER_INTERVAL,
    607,
    IDC_SERVER_BROADCASTS,
    608,
    IDC_SERVER_CHOOSE,
    609,
    IDC_SERVER_NAME,
    610,
    IDC_SERVER_ADDRESS,
    611,
    IDC_SERVER_LIST,
    701,
    IDD_CONFIG_CONNECTION_PAGE,
    500,
    IDC_CONN_LAN,
    501,
    IDC_CONN_DIALUP,
    502,
    IDC_CONN_FORCE_DIAL,
    503,
    IDC_CONN_ENTRY_LIST,
    504,
    IDC_CONN_USERNAME,
    505,
    IDC_CONN_USERNAME_LABEL,
    505,
    IDC_CONN_PASSWORD,
    506,
    IDC_CONN_PASSWORD_LABEL,
    506,
    IDD_CONFIG_LOGGING_PAGE,
    800,
    IDC_LOG_ENABLE,
    801,
    IDC_LOG_MINIMUM,
    802,
    IDC_LOG_MEDIUM,
    803,
    IDC_LOG_MAXIMUM,
    804,
    IDC_LOG_PATH,
    805,
    IDC_LOG_BROWSE,
    806,
    IDC_LOG_DELETE_OLD,
    807,
    IDC_LOG_DAYS_LABEL,
    807,
    IDC_LOG_MAX_AGE,
    808,
    IDC_LOG_CAP_SIZE,
    809,
    IDC_LOG_MEGABYTES_LABEL,
    809,
    IDC_LOG_MAX_SPACE,
    810,
    IDC_LOG_EVENT_LOG,
    811,
    IDD_CONFIG_UI_PAGE,
    400,
    IDC_UI_FONT_LIST,
    401,
    IDC_UI_FONT_PREVIEW,
    402,
    IDC_UI_FONT_GROUP,
    402,
    IDC_UI_ALWAYS_ON_TOP,
    403,
    IDC_UI_HIDE_TASKBAR_BUTTON,
    405,
    IDC_UI_HIDE_IN_TRAY,
    404,
    IDC_UI_SHOW_DATE,
    406,
    IDC_UI_LAUNCH_AT_STARTUP,
    407,
    0,
    0,
};

ScreenPoint PagePosition(int tab_left, int tab_top, int tab_width, int tab_height,
                         int header_height, int page_width, int page_height) {
    ScreenPoint at;
    at.x = tab_left + tab_width / 2 - page_width / 2;
    at.y = tab_top + header_height + (tab_height - header_height) / 2 - page_height / 2;
    return at;
}

int NextPageTab(int current, int command, int tab_count) {
    if (tab_count <= 0)
        return 0;
    if (command == IDC_CONFIG_PREVIOUS_PAGE)
        return current <= 0 ? tab_count - 1 : current - 1;
    return current >= tab_count - 1 || current < 0 ? 0 : current + 1;
}

}  // namespace orvane
