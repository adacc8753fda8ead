#pragma once
// Numbers of the tray's resources, shared by the .rc file and the code. Plain macros so windres can
// read them too.

// Icons (an icon id names both a skin file "<id>.ico" and the built-in image).
#define IDI_PROGRAM 102
#define IDI_TRAY_GOOD 104
#define IDI_TRAY_WARNING 105
#define IDI_TRAY_ERROR 106
#define IDI_TRAY_BUSY_1 151
#define IDI_TRAY_BUSY_2 152
#define IDI_TRAY_BUSY_3 153
#define IDI_TRAY_BUSY_4 154
#define IDI_TRAY_BUSY_5 155
#define IDI_TRAY_INACTIVE 159
#define IDI_TRAY_ALERT 160
// Each tray image above is drawn for a dark taskbar (also used where the system has no light theme);
// its light-taskbar twin has the id plus this offset.
#define IDI_LIGHT_TASKBAR_OFFSET 1000
// And its high-contrast twin: only coverage, recoloured to the scheme's window text colour.
#define IDI_HIGH_CONTRAST_OFFSET 2000

// Popup menu and its commands.
#define IDM_TRAY_MENU 103
#define ID_MENU_EXIT 8
#define ID_MENU_SLEEP 110
#define ID_MENU_SHOW_APPLICATION 111
// Computer items: the menu's own private range, one id per position, so two computers of one name
// are two commands and no name from the engine becomes a session-wide resource.
#define ID_MENU_FIRST_COMPUTER 0x1000
#define ID_MENU_COMPUTER_COUNT 256

// Online / offline dots of the computer items.
#define IDB_COMPUTER_ONLINE 113
#define IDB_COMPUTER_OFFLINE 114
// The same dots drawn for 200 %, used from 150 % on: the id plus this offset.
#define IDB_LARGE_OFFSET 1000

// Sleep dialog.
#define IDD_SLEEP 118
#define IDC_SLEEP_DURATION 1001

// String table.
#define IDS_PAUSED_FOR 118
#define IDS_ONE_HOUR 119
#define IDS_TWO_HOURS 120
#define IDS_FOUR_HOURS 121
#define IDS_ONE_DAY 122
#define IDS_TWO_DAYS 123
#define IDS_SYSTEM_ERROR 124
#define IDS_BACKING_UP_TO 127
#define IDS_FILES_TO_BACKUP 129
#define IDS_MENU_SLEEP 130
#define IDS_RECEIVING_FROM 131
#define IDS_ERROR_OCCURRED 139
#define IDS_RESTORING_FROM 140
#define IDS_MENU_WAKEUP 141
#define IDS_LAST_BACKED_UP 143
#define IDS_BACKING_UP_TO_AT_RATE 145
#define IDS_NEXT_BACKUP_IN 146
#define IDS_FILES_SENT 147
#define IDS_REMAINING 148
#define IDS_STILL_RUNNING_TEXT 150
#define IDS_STILL_RUNNING_TITLE 151
#define IDS_SCANNING 152
#define IDS_UNABLE_TO_CONNECT 153
#define IDS_WAITING_FOR_LOGIN 154
#define IDS_UPGRADING 155
#define IDS_BACKUP_COMPLETE 156
#define IDS_SELECT_FILES 157
#define IDS_PAUSE_FAILED 158
// The short form of 139 that fits in a tooltip (a tip holds 127 characters, 139 has 142).
#define IDS_ERROR_OCCURRED_SHORT 161
// What a screen reader says for a computer item; the menu shows the name alone.
#define IDS_COMPUTER_ONLINE 162
#define IDS_COMPUTER_OFFLINE 163
// Not connected because another program answered on the engine's port.
#define IDS_PORT_HELD_BY_PROGRAM 170
#define IDS_PORT_HELD_BY_PROCESS 171
