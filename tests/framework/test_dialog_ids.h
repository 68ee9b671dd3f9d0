// Resource ids of the framework's test dialogs.
#pragma once

#define IDD_TEST 100
#define IDD_NESTED 101
#define IDI_TEST 200

#define IDC_NAME 1001
#define IDC_PRESS 1002
#define IDC_LIST 1003
#define IDC_TREE 1004
#define IDC_OPEN_NESTED 1005
#define IDC_THROW 1006
#define IDC_TOOLBAR 1007

// Commands that only arrive as messages, like menu items.
#define ID_SIZE_FIRST 32783
#define ID_SIZE_LAST 32785
#define ID_TOOL_FIRST 300
#define ID_TOOL_SECOND 301
