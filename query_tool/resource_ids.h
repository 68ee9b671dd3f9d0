// Resource and control ids of the query tool. They are fixed numbers.
#pragma once

// Query window.
#define IDD_PELLORY 102
#define IDR_MAINFRAME 128
#define IDC_RESULT_LIST 1002
#define IDC_TIME_FROM 1004
#define IDC_TIME_TO 1005
#define IDC_NUMBER 1006
#define IDC_NAME 1007
#define IDC_MALE 1008
#define IDC_FEMALE 1009
#define IDC_PAGE_SPIN 1010
#define IDC_STATUS 1013
#define IDC_EXPORT 1015
#define IDC_MONTH_TREE 1016
// Images of the month tree: every item, and the selected one.
#define IDI_TREE_ITEM 151
#define IDI_TREE_SELECTED 152

// Card detail dialog; each toolbar button's icon resource has its command id.
#define IDD_ID_CARD 103
#define IDC_CARD_TOOLBAR 104
#define IDI_CARD_ALARM 130
#define ID_CARD_PRINT 153
#define ID_CARD_CLOSE 154
