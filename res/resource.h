// Resource identifiers shared by the resource script and the code.
#pragma once

#define IDI_HOLLIN 1
#define IDB_LED_GREY 101
#define IDB_LED_YELLOW 102
#define IDB_LED_RED 103
#define IDB_LED_GREEN 104

// The main window's menu and its commands.
#define IDM_MAIN 200
#define IDA_MAIN 201
#define IDM_FILE_EXIT 1001
#define IDM_VIEW_CHOICE0 1010
#define IDM_VIEW_CHOICE1 1011
#define IDM_VIEW_CHOICE2 1012
#define IDM_VIEW_HEALTH 1013
#define IDM_VIEW_HISTORY 1014
#define IDM_ACCEPT 1020
#define IDM_RESTORE 1021
#define IDM_REFRESH 1022
#define IDM_DETAILS 1023
#define IDM_OPT_WARN 1030
#define IDM_OPT_ALWAYS 1031
#define IDM_HLP_CONT 1040
#define IDM_HLP_ABOUT 1041
