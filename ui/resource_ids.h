// Resource and command numbers shared by the resource script and the code.
// Plain defines, so the resource compiler reads this file too.
#pragma once

#define IDI_ORVANE 1
#define IDI_SETUP 220

// Error window.
#define IDD_ERROR_WINDOW 1200
#define IDC_ERROR_TEXT 1201
#define IDC_ERROR_CLOSE 1202
#define IDM_OPEN_ERROR_WINDOW 1203

// Popup menu.
#define IDR_POPUP_MENU 5100
#define IDM_EXIT 5101
#define IDM_ABOUT 5102
#define IDM_HELP 5103
#define IDM_ALWAYS_ON_TOP 5105
#define IDM_SETTINGS 5106
#define IDM_HIDE_IN_TRAY 5107
#define IDM_SYNCHRONISE 5108
#define IDM_LAST_UPDATE 5109

// Status dialog.
#define IDD_STATUS 5200
#define IDC_STATUS_CLOSE 5201
#define IDC_STATUS_SERVER_NAME 5202
#define IDC_STATUS_SERVER_NAME_LABEL 5203
#define IDC_STATUS_SERVER_ADDRESS 5204
#define IDC_STATUS_SERVER_ADDRESS_LABEL 5205
#define IDC_STATUS_TIME_BEFORE 5206
#define IDC_STATUS_TIME_BEFORE_LABEL 5207
#define IDC_STATUS_TIME_AFTER 5208
#define IDC_STATUS_TIME_AFTER_LABEL 5209
#define IDC_STATUS_DELAY 5210
#define IDC_STATUS_DELAY_LABEL 5211
#define IDC_STATUS_VERSION 5212
#define IDC_STATUS_VERSION_LABEL 5213
#define IDC_STATUS_PROTOCOL 5214
#define IDC_STATUS_PROTOCOL_LABEL 5215
#define IDC_STATUS_STRATUM 5216
#define IDC_STATUS_STRATUM_LABEL 5217
#define IDC_STATUS_LINK 5218
#define IDC_STATUS_LINK_LABEL 5219
#define IDC_STATUS_SYNCHRONISE 5220
#define IDC_STATUS_HELP 5221

// About dialog.
#define IDB_LOGO 30050
#define IDD_ABOUT 30053
#define IDC_ABOUT_VERSION 30055
#define IDC_ABOUT_LOGO 30058
// The window over the logo that draws it and opens the maker's page.
#define IDC_ABOUT_LINK 30059
#define IDC_HAND_CURSOR 22309

// The configuration dialog's template and its page commands.
#define IDD_CONFIGURATION 600
#define IDC_CONFIGURATION_PREVIOUS_PAGE 604
#define IDC_CONFIGURATION_NEXT_PAGE 605
