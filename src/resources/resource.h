// Resource ids of Reelkeep.exe. Shared by the resource script and the code; plain
// macros because the resource compiler reads this file too.
#pragma once

// Dialog templates
#define IDD_WEB_IMPORT               129
#define IDD_MAIN_WINDOW              130
#define IDD_PLAYER_SETTINGS          137
#define IDD_CONVERT                  143
#define IDD_GENERAL_SETTINGS         144
#define IDD_BATCH_CONVERT            147
#define IDD_ABOUT                    148

// Menu and accelerators
#define IDR_MAIN_MENU                134
#define IDR_MAIN_ACCELERATORS        238

// Icons
#define IDI_MAIN                     128
#define IDI_TRAY                     136
#define IDI_TRAY_FRAME_1             185
#define IDI_TRAY_FRAME_2             186
#define IDI_TRAY_FRAME_3             187
#define IDI_TRAY_FRAME_4             188
#define IDI_TRAY_FRAME_5             189
#define IDI_TRAY_FRAME_6             190
#define IDI_TRAY_FRAME_7             191
// The first animation frame doubles as the web import dialog's icon.
#define IDI_YOUTUBE_IMPORT           191
#define IDI_PLAYER_SETTINGS          193
#define IDI_CONVERT                  194
#define IDI_GENERAL_SETTINGS         195
#define IDI_BATCH_CONVERT            196
#define IDI_ABOUT                    197
// Output formats, in the order of the format combo box's entries 0..6
#define IDI_FORMAT_AVI               210
#define IDI_FORMAT_3GP               211
#define IDI_FORMAT_IPHONE            212
#define IDI_FORMAT_IPOD              213
#define IDI_FORMAT_MP3               214
#define IDI_FORMAT_PSP               215
#define IDI_FORMAT_WMV               216
// Filter combo boxes: kinds, date presets, time presets, keyword modes
#define IDI_DATE_TODAY               217
#define IDI_KEYWORD_CONTAINS         218
#define IDI_TIME_MORNING             220
#define IDI_TIME_AFTERNOON           221
#define IDI_TIME_EVENING             222
#define IDI_DATE_YESTERDAY           223
#define IDI_TIME_NIGHT               224
#define IDI_TIME_CUSTOM              225
#define IDI_KEYWORD_NOT_CONTAINS     226
#define IDI_FILTER_BY_DATE           227
#define IDI_FILTER_BY_TIME           228
#define IDI_FILTER_BY_KEYWORD        230
#define IDI_DATE_THIS_WEEK           231
#define IDI_DATE_THIS_MONTH          232
#define IDI_DATE_ALL_TIME            233
#define IDI_DATE_CUSTOM              236

// Bitmaps
#define IDB_TOP_LINE                 142
#define IDB_MENU_YOUTUBE             166
#define IDB_MENU_IMPORT_FLV          167
#define IDB_MENU_CONVERT             168
#define IDB_MENU_CONVERT_GREY        170
#define IDB_MENU_DELETE              171
#define IDB_MENU_DELETE_GREY         172
#define IDB_MENU_EXPORT              173
#define IDB_MENU_EXPORT_GREY         174
#define IDB_MENU_PLAY_EXTERNAL       175
#define IDB_MENU_PLAY_EXTERNAL_GREY  177
#define IDB_MENU_PLAY                178
#define IDB_MENU_PLAY_GREY           179
#define IDB_MENU_RENAME              180
#define IDB_MENU_RENAME_GREY         181
#define IDB_LIST_WATERMARK           201
#define IDB_ABOUT                    237
// Beside the output name and folder boxes; the 247/248 pair replaces 239/240 on
// systems of major version 6, where the boxes are drawn flatter.
#define IDB_NAME_MARK                239
#define IDB_FOLDER_MARK              240
#define IDB_FOLDER_MARK_V6           247
#define IDB_NAME_MARK_V6             248
// The extended combo boxes' icons, each row as one strip of 16x16 images in entry order.
#define IDB_FORMAT_STRIP             250
#define IDB_FILTER_KIND_STRIP        251
#define IDB_DATE_PRESET_STRIP        252
#define IDB_TIME_PRESET_STRIP        253
#define IDB_KEYWORD_MODE_STRIP       254

// Controls of the web import dialog (129)
#define IDC_IMPORT_DOWNLOAD          1001
#define IDC_IMPORT_URL               1002
#define IDC_IMPORT_STOP              1004
#define IDC_IMPORT_PROGRESS          1007
#define IDC_IMPORT_AUTOCOPY          1056
#define IDC_IMPORT_GROUP             1064

// Controls of the main window (130): list and filter
#define IDC_FILTER_SHOW              1001
#define IDC_FILTER_KEYWORD           1002
#define IDC_FILTER_DATE_PRESET       1006
#define IDC_CLIP_LIST                1009
#define IDC_FILTER_DATE_FROM         1012
#define IDC_FILTER_DATE_TO           1013
#define IDC_FILTER_TIME_FROM         1014
#define IDC_FILTER_TIME_TO           1015
#define IDC_FILTER_TIME_PRESET       1017
#define IDC_FILTER_KIND              1027
#define IDC_FILTER_KEYWORD_MODE      1039
#define IDC_FILTER_FROM_LABEL        1045
#define IDC_FILTER_TO_LABEL          1046
#define IDC_FILTER_KEYWORD_LABEL     1047
#define IDC_TOP_LINE                 1094
#define IDC_FILTER_GROUP             1106
#define IDC_LIBRARY_GROUP            1107
#define IDC_PREVIEW_GROUP            1108

// Convert controls: the main window's panel (130), the single-clip dialog (143) and,
// where they apply, the batch dialog (147) share these ids
#define IDC_OUTPUT_FOLDER            1003
#define IDC_CHANGE_FOLDER            1004
#define IDC_CONVERT                  1005
#define IDC_FORMAT                   1051
#define IDC_OUTPUT_NAME              1052
#define IDC_QUALITY_SLIDER           1053
#define IDC_FILE_PROGRESS            1054
#define IDC_CUT_VIDEO                1056
#define IDC_CUT_FROM                 1057
#define IDC_CUT_TO                   1058
#define IDC_CUT_FROM_LABEL           1061
#define IDC_CUT_TO_LABEL             1062
#define IDC_RESOLUTION               1065
#define IDC_QUALITY_LOW_LABEL        1091
#define IDC_QUALITY_MEDIUM_LABEL     1092
#define IDC_QUALITY_HIGH_LABEL       1093
#define IDC_QUALITY                  1096
#define IDC_OPEN_FOLDER              1097
#define IDC_OUTPUT_NAME_LABEL        1098
#define IDC_OUTPUT_FOLDER_LABEL      1099
#define IDC_FORMAT_LABEL             1100
#define IDC_RESOLUTION_LABEL         1101
#define IDC_QUALITY_LABEL            1102
#define IDC_QUALITY_SLIDER_LABEL     1103
#define IDC_FILE_PERCENT             1104
#define IDC_CONVERT_GROUP            1105
#define IDC_PANEL_NAME_MARK          1122
#define IDC_PANEL_FOLDER_MARK        1123
#define IDC_DIALOG_NAME_MARK         1125
#define IDC_DIALOG_FOLDER_MARK       1126

// Batch convert dialog (147) only
#define IDC_BATCH_NOTICE_ANCHOR      1002
#define IDC_BATCH_PROGRESS           1007
#define IDC_BATCH_LIST               1113
#define IDC_BATCH_PERCENT            1114

// General settings dialog (144)
#define IDC_GENERAL_RESTORE          1001
#define IDC_BROWSER_MODE             1006
#define IDC_BROWSER_IE               1056
#define IDC_BROWSER_FIREFOX          1066
#define IDC_BROWSER_CHROME           1067
#define IDC_BROWSER_OPERA            1068
#define IDC_RUN_AT_STARTUP           1069
#define IDC_SHOW_ICON                1071
#define IDC_SHOW_MESSAGE             1072
#define IDC_PLAY_SOUND               1073
#define IDC_AUTO_UPDATE              1074
#define IDC_SAVE_NO_SOUND            1076
#define IDC_AUTO_OPEN_FOLDER         1086

// Player settings dialog (137)
#define IDC_PLAYER_RESTORE           1001
#define IDC_HIDE_MENU_SECONDS        1003
#define IDC_VOLUME                   1053
#define IDC_ALLOW_TIMELINE           1074
#define IDC_ALLOW_FULLSCREEN         1075
#define IDC_ALLOW_ZOOM               1076
#define IDC_SHOW_HINTS               1079
#define IDC_ICON_SIZE                1082
#define IDC_FULLSCREEN_LOW           1083
#define IDC_FULLSCREEN_NORMAL        1084
#define IDC_FULLSCREEN_HIGH          1085
#define IDC_FIT_BY_CONTENT           1090
#define IDC_FULLSCREEN_QUALITY_LABEL 1110

// Menu commands (menu 134 and accelerator table 238)
#define ID_MOVIE_CONVERT             32769
#define ID_VIEW_STANDARD             32773
#define ID_VIEW_ADVANCED             32774
#define ID_HELP_USERS_GUIDE          32777
#define ID_HELP_ABOUT                32778
#define ID_MOVIE_PLAY                32779
#define ID_MOVIE_RENAME              32780
#define ID_MOVIE_DELETE              32781
#define ID_VIEW_SIMPLE               32783
#define ID_SETTINGS_GENERAL          32785
#define ID_SETTINGS_PLAYER           32786
#define ID_IMPORT_YOUTUBE            32787
#define ID_CHECKED_CONVERT           32791
#define ID_CHECKED_DELETE            32792
#define ID_HELP_WEBSITE              32793
#define ID_IMPORT_FLV                32795
#define ID_MOVIE_PLAY_EXTERNAL       32796
#define ID_CHECKED_EXPORT            32797
#define ID_MOVIE_OPEN_PAGE           32809
#define ID_ACCEL_USERS_GUIDE         32803
#define ID_ACCEL_CYCLE_VIEW          32808

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
