// Resource and control ids of the blacklist editor.
#pragma once

#define IDR_MAINFRAME 128

// Main window.
#define IDD_BLACKLIST 101
#define IDC_FILTER 1001
#define IDC_COUNT 1002
#define IDC_LIST 1003
#define IDC_ADD 1004
#define IDC_EDIT_REASON 1005
#define IDC_DELETE 1006
#define IDC_IMPORT 1007
#define IDC_EXPORT 1008
#define IDC_DATABASE 1009

// Add and edit dialog.
#define IDD_ENTRY 130
#define IDC_NUMBER 1101
#define IDC_REASON 1102
#define IDC_ENTRY_MESSAGE 1103
#define IDC_FORCE 1104

// Import summary.
#define IDD_IMPORT_SUMMARY 131
#define IDC_SUMMARY_COUNTS 1201
#define IDC_SUMMARY_LINES 1202
#define IDC_INCLUDE_WRONG_CHECK 1203
