// Ids of the dialogs, controls and other resources, shared by the code that fills the dialogs
// and the dialog templates that build them.
#pragma once

// Standard commands.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// Menus, strings, icons and dialogs.
inline constexpr int IDM_ABOUTBOX = 0x10;
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDS_ABOUTBOX = 101;
inline constexpr int IDD_MAIN_DIALOG = 102;
inline constexpr int IDI_MAIN_ICON = 128;
inline constexpr int IDD_PROGRESS = 129;

// Controls of the main dialog.
inline constexpr int IDC_ALL_SPACE = 1000;
inline constexpr int IDC_ONLY_SIZE = 1001;
inline constexpr int IDC_SELECT_PATH = 1002;
inline constexpr int IDC_SIZE_MB = 1004;
inline constexpr int IDC_WRITE_VERIFY = 1006;
inline constexpr int IDC_VERIFY = 1007;
inline constexpr int IDC_ENDLESS = 1008;
inline constexpr int IDC_PATH_LABEL = 1009;
inline constexpr int IDC_FILE_STATUS = 1018;
inline constexpr int IDC_REFRESH = 1019;
inline constexpr int IDC_MBYTE_LABEL = 1020;
inline constexpr int IDC_LANGUAGE_0 = 1022;
inline constexpr int IDC_LANGUAGE_1 = 1023;
inline constexpr int IDC_PATH_GROUP = 1024;
inline constexpr int IDC_SIZE_GROUP = 1025;

// Controls of the progress dialog.
inline constexpr int IDC_PROGRESS_BAR = 1010;
inline constexpr int IDC_RESULT_TEXT = 1011;
inline constexpr int IDC_WRITE_AMOUNT = 1012;
inline constexpr int IDC_WRITE_TIME = 1013;
inline constexpr int IDC_WRITE_SPEED = 1014;
inline constexpr int IDC_VERIFY_AMOUNT = 1015;
inline constexpr int IDC_VERIFY_TIME = 1016;
inline constexpr int IDC_VERIFY_SPEED = 1017;
inline constexpr int IDC_WRITE_GROUP = 1026;
inline constexpr int IDC_VERIFY_GROUP = 1027;
inline constexpr int IDC_COPY = 1028;
