// Resource and control ids of the reader program. They are fixed: other
// programs and the shipped resources rely on these numbers.
#pragma once

// Main window.
#define IDD_TARNWICK 102
#define IDR_MAINFRAME 128
#define IDR_CONTEXT_MENU 128
#define IDI_ALARM 204
#define IDC_TOOLBAR 110

// Toolbar buttons; each button's icon resource has the button's id.
#define ID_TOOL_BLACKLIST 203
#define ID_TOOL_QUERY 196
#define ID_TOOL_CONFIG 197
#define ID_TOOL_MINIMIZE 198
#define ID_TOOL_PRINT 199
#define ID_TOOL_EXIT 200

// Tooltip strings of the toolbar buttons, left to right.
#define IDS_TIP_BLACKLIST 2
#define IDS_TIP_QUERY 3
#define IDS_TIP_CONFIG 4
#define IDS_TIP_MINIMIZE 5
#define IDS_TIP_PRINT 6
#define IDS_TIP_EXIT 7

// Context menu items.
#define ID_MENU_HELP 32780
#define ID_MENU_CONFIG 32781
#define ID_MENU_SOUND 32782
#define ID_MENU_SIZE_LARGE 32783
#define ID_MENU_SIZE_MEDIUM 32784
#define ID_MENU_SIZE_SMALL 32785
#define ID_MENU_EXIT 32786

// Configuration dialog.
#define IDD_CONFIG 140
#define IDB_BANNER 210
#define IDC_DIALOG_AT_START 1000
#define IDC_SOUND 1006
#define IDC_CLEAR 1007
#define IDC_BG_PATH 1012
#define IDC_BG_BROWSE 1013
#define IDC_RESERVED_TIME 1014
#define IDC_SAVE_PATH 1015
#define IDC_USB 1016
#define IDC_SAVE_BROWSE 1017
#define IDC_SERIAL 1018
#define IDC_AUTO_SAVE 1019
#define IDC_PURGE_DATE 1085
#define IDC_PURGE 1086
#define IDC_PORT_LIST 10002
#define IDC_BAUD_SETUP 3
#define IDC_CONFIG_HELP 9

// Baud-rate dialog: the port list shares 10002, and the speed fields reuse
// ids of the configuration dialog.
#define IDD_COM_BAUD 150
#define IDC_CURRENT_SPEED 1012
#define IDC_SPEED_LIST 1016
#define IDC_PROBE 3
