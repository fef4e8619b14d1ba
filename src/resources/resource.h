// Resource ids of Reelkeep.exe. Shared by the resource script and the code; plain
// macros because the resource compiler reads this file too.
#pragma once

// Dialog templates
#define IDD_PAGE1_YOUTUBE          129
#define IDD_PAGE2_MAIN             130
#define IDD_PAGE3_PLAYER_SETTINGS  137
#define IDD_PAGE4_CONVERT          143
#define IDD_PAGE5_GENERAL_SETTINGS 144
#define IDD_PAGE6_BATCH_CONVERT    147
#define IDD_PAGE7_ABOUT            148

// Menu and accelerators
#define IDR_MAIN_MENU              134
#define IDR_MAIN_ACCELERATORS      238

// Icons
#define IDI_MAIN                   128
#define IDI_TRAY                   136
#define IDI_TRAY_FRAME_1           185
#define IDI_TRAY_FRAME_2           186
#define IDI_TRAY_FRAME_3           187
#define IDI_TRAY_FRAME_4           188
#define IDI_TRAY_FRAME_5           189
#define IDI_TRAY_FRAME_6           190
#define IDI_TRAY_FRAME_7           191
#define IDI_ABOUT                  197

// Bitmaps
#define IDB_TOP_LINE               142
#define IDB_LIST_WATERMARK         201
#define IDB_ABOUT                  237
