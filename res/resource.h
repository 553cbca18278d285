// Resource identifiers shared by the resource script and the code.
#pragma once

#define IDI_HOLLIN 1
#define IDB_LED_GREY 101
#define IDB_LED_YELLOW 102
#define IDB_LED_RED 103
#define IDB_LED_GREEN 104
