// Resource and control numbers of Setup's wizard, shared by its resource
// script and its code. Plain defines, so the resource compiler reads them.
#pragma once

#define IDI_SETUP_PROGRAM 220

#define IDD_SETUP_FRAME 2700
#define IDD_SETUP_WELCOME 2701
#define IDD_SETUP_FOLDER 2702
#define IDD_SETUP_PROGRESS 2703
#define IDD_SETUP_DONE 2704

#define IDC_SETUP_NEXT 2705
#define IDC_SETUP_BACK 2706
#define IDC_SETUP_CANCEL 20100

#define IDC_SETUP_FOLDER_EDIT 2708
#define IDC_SETUP_FOLDER_LABEL 2709
#define IDC_SETUP_PROGRAM_GROUP 2711
#define IDC_SETUP_PROGRESS_BAR 2712
#define IDC_SETUP_BROWSE 2713
#define IDC_SETUP_GROUP_BOX 2714
#define IDC_SETUP_SOURCE_FILE 2715
#define IDC_SETUP_DESTINATION_FILE 2716
#define IDB_SETUP_BANNER 2717
#define IDC_SETUP_START_AT_LOGON 2718
#define IDC_SETUP_DONE_TEXT 2719
