// Identifiers of Palisor's resources: dialog templates, their controls, the tray menu and its
// commands, strings, icons and bitmaps. Shared by palisor.rc and the C++ code, so it holds
// nothing but #defines.
#ifndef PALISOR_RES_RESOURCE_H
#define PALISOR_RES_RESOURCE_H

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_PALISOR_DIALOG 102 // the main window
#define IDD_PORTS_PAGE 130
#define IDD_PROGRAMS_PAGE 131
#define IDD_PAGE_CONTAINER 132 // empty child laid over the tab area
#define IDD_BANNER 134
#define IDD_BANNER_CONTAINER 136 // empty bordered child below the tab area
#define IDD_TRAFFIC_PAGE 141

// Strings.
#define IDS_ABOUTBOX 101 // "&About Palisor...", appended to the system menu
// The application's title: the caption of the pages' messages.
#define IDS_APP_TITLE 57344

// Icons.
#define IDR_MAINFRAME 128 // the program: window, About box, notification area
#define IDI_HEADER_GROUP 143
#define IDI_FIELD 144
#define IDI_CONVERSATION 146

// Bitmaps.
#define IDB_BANNER 135      // 468 x 60, 16 bits per pixel
#define IDB_CHECK_BOXES 137 // 48 x 16: blank, clear box, ticked box; magenta is transparent
// The same pictures drawn for more dots per inch: the banner for 120, 144 and 192 DPI (its size
// scaled), the check-box strip in images of 20, 24 and 32 pixels.
#define IDB_BANNER_120 150
#define IDB_BANNER_144 151
#define IDB_BANNER_192 152
#define IDB_CHECK_BOXES_20 153
#define IDB_CHECK_BOXES_24 154
#define IDB_CHECK_BOXES_32 155

// The notification-area icon's popup menu; also the icon's id.
#define IDR_TRAY_MENU 145

// The item appended to the main window's system menu. System commands keep their low four
// bits for the system, so the identifier is a multiple of 16 below 0xF000.
#define IDM_ABOUTBOX 0x0010

// The standard Help command, bound by the application object; nothing in the program issues it.
#define ID_HELP 0xE146

// Commands of the tray menu.
#define ID_TRAY_ABOUT 32771
#define ID_TRAY_EXIT 32772
#define ID_TRAY_HOMEPAGE 32773

// Main window.
#define IDC_FIREWALL_ON 1002
#define IDC_FIREWALL_OFF 1003
#define IDC_TABS 1004
#define IDC_PAGE_PLACEHOLDER 1005
#define IDC_BANNER_PLACEHOLDER 1006
#define IDC_FORUM 1007
#define IDC_EXIT 1011
#define IDC_LOGS_ON 1012
#define IDC_LOGS_OFF 1013

// Banner.
#define IDC_BANNER_PICTURE 1010

// About box.
#define IDC_ABOUT_VERSION 1050
#define IDC_ABOUT_NOTICE 1051

// Ports page.
#define IDC_PORT_LIST 1020
#define IDC_PORT_NAME 1021
#define IDC_PORT_NUMBER 1022
#define IDC_PROTOCOL_TCP 1023
#define IDC_PROTOCOL_UDP 1024
#define IDC_ADD_PORT 1025

// Programs page.
#define IDC_PROGRAM_LIST 1030
#define IDC_PROGRAM_PATH 1031
#define IDC_PROGRAM_NAME 1032
#define IDC_BROWSE 1033
#define IDC_ADD_PROGRAM 1034

// Traffic page.
#define IDC_INTERFACE_GROUP 1040
#define IDC_INTERFACE_COMBO 1041
#define IDC_TRAFFIC_TREE 1042

#endif
