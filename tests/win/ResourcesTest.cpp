// The resources of the executable, loaded the way the program loads them: every dialog
// template created for real, the menu and accelerator tables read back, every icon and
// bitmap loaded.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "convert/Presets.h"
#include "platform/IconList.h"
#include "resources/resource.h"
#include "support/TemplateWindow.h"

namespace {

HINSTANCE Module() { return GetModuleHandleW(nullptr); }

using testing_support::TemplateWindow;

std::wstring WindowText(HWND window) {
    wchar_t buffer[512] = {};
    GetWindowTextW(window, buffer, 512);
    return buffer;
}

// A caption as the user reads it: the mnemonic marker only underlines its letter.
std::wstring ShownText(const std::wstring& caption) {
    std::wstring shown;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == L'&' && i + 1 < caption.size()) ++i;
        shown += caption[i];
    }
    return shown;
}

std::wstring ClassOf(HWND window) {
    wchar_t buffer[64] = {};
    GetClassNameW(window, buffer, 64);
    return buffer;
}

// Pixels of a bitmap resource as 0x00RRGGBB, top row first.
std::vector<uint32_t> BitmapPixels(int id, SIZE& size) {
    std::vector<uint32_t> pixels;
    HBITMAP bitmap =
        static_cast<HBITMAP>(LoadImageW(Module(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (bitmap == nullptr) return pixels;
    BITMAP info;
    GetObjectW(bitmap, sizeof(info), &info);
    size = {info.bmWidth, info.bmHeight};
    BITMAPINFO request{};
    request.bmiHeader.biSize = sizeof(request.bmiHeader);
    request.bmiHeader.biWidth = info.bmWidth;
    request.bmiHeader.biHeight = -info.bmHeight;
    request.bmiHeader.biPlanes = 1;
    request.bmiHeader.biBitCount = 32;
    request.bmiHeader.biCompression = BI_RGB;
    pixels.resize(static_cast<size_t>(info.bmWidth) * info.bmHeight);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, info.bmHeight, pixels.data(), &request, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    for (uint32_t& pixel : pixels) pixel &= 0xFFFFFF;
    return pixels;
}

// Style bits under `mask` must equal `value`; button kinds and static kinds are
// enumerations in the low bits, so they are compared whole rather than as flags.
struct ControlSpec {
    int id;
    const wchar_t* className;
    const wchar_t* text;  // nullptr: the control shows data, not a caption
    DWORD mask;
    DWORD value;
    bool visible;
};

constexpr DWORD kButtonKind = BS_TYPEMASK;
constexpr DWORD kStaticKind = SS_TYPEMASK;
constexpr DWORD kComboKind = 0x3;
constexpr DWORD kListStyles = LVS_TYPEMASK | LVS_SINGLESEL | LVS_EDITLABELS | LVS_SHOWSELALWAYS | LVS_ALIGNMASK;
constexpr DWORD kTimePicker = DTS_TIMEFORMAT | DTS_UPDOWN;

ControlSpec Label(int id, const wchar_t* text, bool visible = true) {
    return {id, L"Static", text, kStaticKind, SS_LEFT, visible};
}
ControlSpec Group(int id, const wchar_t* text) { return {id, L"Button", text, kButtonKind, BS_GROUPBOX, true}; }
ControlSpec Push(int id, const wchar_t* text, bool visible = true) {
    return {id, L"Button", text, kButtonKind, BS_PUSHBUTTON, visible};
}
ControlSpec Default(int id, const wchar_t* text) { return {id, L"Button", text, kButtonKind, BS_DEFPUSHBUTTON, true}; }
ControlSpec Check(int id, const wchar_t* text, bool visible = true) {
    return {id, L"Button", text, kButtonKind, BS_AUTOCHECKBOX, visible};
}
ControlSpec Radio(int id, const wchar_t* text) { return {id, L"Button", text, kButtonKind, BS_AUTORADIOBUTTON, true}; }
ControlSpec Edit(int id, DWORD styles = 0, bool visible = true) {
    return {id, L"Edit", nullptr, styles, styles, visible};
}
ControlSpec ComboEx(int id, bool visible = true) {
    return {id, L"ComboBoxEx32", nullptr, kComboKind, CBS_DROPDOWNLIST, visible};
}
ControlSpec DropList(int id, bool visible = true) {
    return {id, L"ComboBox", nullptr, kComboKind, CBS_DROPDOWNLIST, visible};
}
ControlSpec DatePicker(int id) { return {id, L"SysDateTimePick32", nullptr, kTimePicker, 0, true}; }
ControlSpec TimePicker(int id, bool visible) {
    return {id, L"SysDateTimePick32", nullptr, kTimePicker, kTimePicker, visible};
}
ControlSpec Slider(int id, DWORD styles) {
    return {id, L"msctls_trackbar32", nullptr, TBS_VERT | TBS_NOTICKS | TBS_AUTOTICKS, styles, true};
}
ControlSpec Progress(int id) { return {id, L"msctls_progress32", nullptr, 0, 0, false}; }
ControlSpec Picture(int id) { return {id, L"Static", nullptr, kStaticKind, SS_BITMAP, true}; }

struct DialogSpec {
    const char* name;
    UINT templateId;
    const wchar_t* caption;
    std::vector<ControlSpec> controls;
};

// The convert controls that the main panel and the single-clip dialog share.
std::vector<ControlSpec> ConvertSurface(bool advancedShown, int nameMark, int folderMark) {
    const bool shown = advancedShown;
    return {
        Label(IDC_OUTPUT_NAME_LABEL, L"Output filename:"),
        Edit(IDC_OUTPUT_NAME),
        Label(IDC_OUTPUT_FOLDER_LABEL, L"Output folder:"),
        Edit(IDC_OUTPUT_FOLDER, ES_READONLY),
        Push(IDC_CHANGE_FOLDER, L"Change"),
        Push(IDC_OPEN_FOLDER, L"Open"),
        Label(IDC_FORMAT_LABEL, L"Convert to:"),
        ComboEx(IDC_FORMAT),
        Label(IDC_RESOLUTION_LABEL, L"Resolution:", shown),
        DropList(IDC_RESOLUTION, shown),
        Label(IDC_QUALITY_LABEL, L"Quality:", shown),
        DropList(IDC_QUALITY, shown),
        Check(IDC_CUT_VIDEO, L"Cut video", shown),
        Label(IDC_CUT_FROM_LABEL, L"From:", shown),
        TimePicker(IDC_CUT_FROM, shown),
        Label(IDC_CUT_TO_LABEL, L"To:", shown),
        TimePicker(IDC_CUT_TO, shown),
        Progress(IDC_FILE_PROGRESS),
        {IDC_FILE_PERCENT, L"Static", nullptr, 0, 0, false},
        Picture(nameMark),
        Picture(folderMark),
    };
}

std::vector<DialogSpec> AllDialogs() {
    std::vector<DialogSpec> dialogs;
    dialogs.push_back(
        {"WebImportDialog",
         IDD_WEB_IMPORT,
         L"Import video from YouTube",
         {
             Group(IDC_IMPORT_GROUP, L"Enter video URL (Example: http://www.youtube.com/watch?v=3nOIIGNmjBg)"),
             Edit(IDC_IMPORT_URL),
             Push(IDC_IMPORT_DOWNLOAD, L"Download"),
             Progress(IDC_IMPORT_PROGRESS),
             Push(IDC_IMPORT_STOP, L"Stop", false),
             Check(IDC_IMPORT_AUTOCOPY, L"Enable auto copy from clipboard"),
         }});

    DialogSpec main{"MainWindow",
                    IDD_MAIN_WINDOW,
                    L"Reelkeep",
                    {
                        Picture(IDC_TOP_LINE),
                        Group(IDC_LIBRARY_GROUP, L"All my videos that I watched on the Internet"),
                        {IDC_CLIP_LIST, L"SysListView32", nullptr, kListStyles,
                         LVS_REPORT | LVS_SINGLESEL | LVS_EDITLABELS | LVS_SHOWSELALWAYS | LVS_ALIGNLEFT, true},
                        Group(IDC_FILTER_GROUP, L"Filter videos"),
                        ComboEx(IDC_FILTER_KIND),
                        ComboEx(IDC_FILTER_DATE_PRESET),
                        ComboEx(IDC_FILTER_TIME_PRESET, false),
                        ComboEx(IDC_FILTER_KEYWORD_MODE, false),
                        Label(IDC_FILTER_FROM_LABEL, L"From:"),
                        Label(IDC_FILTER_TO_LABEL, L"To:"),
                        Label(IDC_FILTER_KEYWORD_LABEL, L"Keyword:", false),
                        DatePicker(IDC_FILTER_DATE_FROM),
                        DatePicker(IDC_FILTER_DATE_TO),
                        TimePicker(IDC_FILTER_TIME_FROM, false),
                        TimePicker(IDC_FILTER_TIME_TO, false),
                        Edit(IDC_FILTER_KEYWORD, 0, false),
                        Push(IDC_FILTER_SHOW, L"Show"),
                        Group(IDC_PREVIEW_GROUP, L"Preview selected video clip"),
                        Group(IDC_CONVERT_GROUP, L"Converting selected video clip"),
                        Label(IDC_QUALITY_SLIDER_LABEL, L"Quality:"),
                        Slider(IDC_QUALITY_SLIDER, TBS_AUTOTICKS),
                        Label(IDC_QUALITY_LOW_LABEL, L"Low"),
                        {IDC_QUALITY_MEDIUM_LABEL, L"Static", L"Medium", kStaticKind, SS_CENTER, true},
                        {IDC_QUALITY_HIGH_LABEL, L"Static", L"High", kStaticKind, SS_RIGHT, true},
                        Push(IDC_CONVERT, L"Convert"),
                    }};
    for (const ControlSpec& control : ConvertSurface(false, IDC_PANEL_NAME_MARK, IDC_PANEL_FOLDER_MARK))
        main.controls.push_back(control);
    dialogs.push_back(main);

    dialogs.push_back({"PlayerSettingsDialog",
                       IDD_PLAYER_SETTINGS,
                       L"Player Settings",
                       {
                           Check(IDC_ALLOW_FULLSCREEN, L"Allow Full-Screen mode"),
                           Label(IDC_FULLSCREEN_QUALITY_LABEL, L"Quality of Full-Screen mode:"),
                           Radio(IDC_FULLSCREEN_LOW, L"Low"),
                           Radio(IDC_FULLSCREEN_NORMAL, L"Normal"),
                           Radio(IDC_FULLSCREEN_HIGH, L"High"),
                           Check(IDC_ALLOW_ZOOM, L"Allow zoom"),
                           Check(IDC_ALLOW_TIMELINE, L"Allow timeline"),
                           Check(IDC_SHOW_HINTS, L"Show buttons hint"),
                           Check(IDC_FIT_BY_CONTENT, L"Fit by media content"),
                           Slider(IDC_VOLUME, TBS_VERT | TBS_NOTICKS),
                           Edit(IDC_HIDE_MENU_SECONDS, ES_NUMBER),
                           Slider(IDC_ICON_SIZE, TBS_AUTOTICKS),
                           Push(IDC_PLAYER_RESTORE, L"Restore default values"),
                           Default(IDOK, L"Save"),
                           Push(IDCANCEL, L"Cancel"),
                       }});

    DialogSpec single{"ConvertDialog",
                      IDD_CONVERT,
                      L"Converting selected video clip",
                      {
                          Default(IDC_CONVERT, L"Convert"),
                      }};
    for (const ControlSpec& control : ConvertSurface(true, IDC_DIALOG_NAME_MARK, IDC_DIALOG_FOLDER_MARK))
        single.controls.push_back(control);
    dialogs.push_back(single);

    dialogs.push_back({"GeneralSettingsDialog",
                       IDD_GENERAL_SETTINGS,
                       L"General program settings",
                       {
                           DropList(IDC_BROWSER_MODE),
                           Check(IDC_BROWSER_IE, L"Internet Explorer"),
                           Check(IDC_BROWSER_FIREFOX, L"Firefox"),
                           Check(IDC_BROWSER_CHROME, L"Chrome, Edge, Brave, Vivaldi, Chromium"),
                           Check(IDC_BROWSER_OPERA, L"Opera, Opera GX"),
                           Check(IDC_SHOW_ICON, L"Animate icon in system tray when movie loaded"),
                           Check(IDC_SHOW_MESSAGE, L"Show message when movie loaded"),
                           Check(IDC_PLAY_SOUND, L"Play sound when movie loaded"),
                           Check(IDC_SAVE_NO_SOUND, L"Save videos with no sound (usually advertising)"),
                           Check(IDC_AUTO_OPEN_FOLDER, L"Auto open folder when movie converted"),
                           Check(IDC_RUN_AT_STARTUP, L"Run program at startup"),
                           Check(IDC_AUTO_UPDATE, L"AutoUpdate program"),
                           Push(IDC_GENERAL_RESTORE, L"Restore default values"),
                           Default(IDOK, L"Save"),
                           Push(IDCANCEL, L"Cancel"),
                       }});

    dialogs.push_back({"BatchConvertDialog",
                       IDD_BATCH_CONVERT,
                       L"Convert multiple videos at once",
                       {
                           Label(IDC_OUTPUT_NAME_LABEL, L"Output filenames:"),
                           {IDC_BATCH_LIST, L"SysListView32", nullptr,
                            LVS_TYPEMASK | LVS_NOCOLUMNHEADER | LVS_NOSORTHEADER | LVS_EDITLABELS,
                            LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_NOSORTHEADER | LVS_EDITLABELS, true},
                           Edit(IDC_BATCH_NOTICE_ANCHOR, 0, false),
                           Label(IDC_OUTPUT_FOLDER_LABEL, L"Output folder:"),
                           Edit(IDC_OUTPUT_FOLDER, ES_READONLY),
                           Push(IDC_CHANGE_FOLDER, L"Change"),
                           Push(IDC_OPEN_FOLDER, L"Open"),
                           Label(IDC_FORMAT_LABEL, L"Convert to:"),
                           ComboEx(IDC_FORMAT),
                           Label(IDC_RESOLUTION_LABEL, L"Resolution:"),
                           DropList(IDC_RESOLUTION),
                           Label(IDC_QUALITY_LABEL, L"Quality:"),
                           DropList(IDC_QUALITY),
                           Progress(IDC_FILE_PROGRESS),
                           {IDC_FILE_PERCENT, L"Static", nullptr, 0, 0, false},
                           Progress(IDC_BATCH_PROGRESS),
                           {IDC_BATCH_PERCENT, L"Static", nullptr, 0, 0, false},
                           // No default button: Enter must reach the dialog as its OK command.
                           Push(IDC_CONVERT, L"Convert"),
                           Picture(IDC_DIALOG_FOLDER_MARK),
                       }});

    dialogs.push_back({"AboutBox", IDD_ABOUT, L"About Reelkeep", {}});
    return dialogs;
}

TEST(ResourcesDialogs, EveryTemplateCreatesItsControlsWithClassTextStyleAndVisibility) {
    for (const DialogSpec& dialog : AllDialogs()) {
        SCOPED_TRACE(dialog.name);
        TemplateWindow window(dialog.templateId);
        ASSERT_NE(window.hwnd(), nullptr) << "template " << dialog.templateId << " error " << GetLastError();
        EXPECT_EQ(WindowText(window.hwnd()), dialog.caption);
        for (const ControlSpec& control : dialog.controls) {
            SCOPED_TRACE(control.id);
            HWND item = GetDlgItem(window.hwnd(), control.id);
            ASSERT_NE(item, nullptr);
            EXPECT_EQ(_wcsicmp(ClassOf(item).c_str(), control.className), 0) << "class " << ClassOf(item).c_str();
            if (control.text != nullptr) {
                EXPECT_EQ(ShownText(WindowText(item)), control.text);
            }
            const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(item, GWL_STYLE));
            EXPECT_EQ(style & control.mask, control.value) << std::hex << "style 0x" << style;
            EXPECT_EQ((style & WS_VISIBLE) != 0, control.visible);
            if (control.className == std::wstring(L"Static") && control.value == SS_BITMAP) {
                EXPECT_NE(SendMessageW(item, STM_GETIMAGE, IMAGE_BITMAP, 0), 0) << "picture without its bitmap";
            }
        }
    }
}

// Where the Standard layout puts each control, in client pixels; the template's dialog
// units must land there so that the window looks the same before its first layout.
struct Place {
    int id;
    RECT expected;  // left, top, width, height as given for the layout
    bool compareHeight;
};

TEST(ResourcesDialogs, MainWindowTemplateLandsOnTheStandardLayout) {
    const Place places[] = {
        {IDC_LIBRARY_GROUP, {14, 11, 746, 247}, true},         {IDC_CLIP_LIST, {30, 33, 714, 210}, true},
        {IDC_FILTER_GROUP, {14, 268, 746, 60}, true},          {IDC_FILTER_KIND, {30, 291, 171, 21}, false},
        {IDC_FILTER_DATE_PRESET, {224, 291, 171, 21}, false},  {IDC_FILTER_TIME_PRESET, {224, 291, 171, 21}, false},
        {IDC_FILTER_KEYWORD_MODE, {224, 291, 171, 21}, false}, {IDC_FILTER_FROM_LABEL, {416, 294, 30, 20}, true},
        {IDC_FILTER_TO_LABEL, {548, 294, 18, 20}, true},       {IDC_FILTER_KEYWORD_LABEL, {414, 294, 48, 13}, true},
        {IDC_FILTER_DATE_FROM, {449, 291, 83, 21}, true},      {IDC_FILTER_TIME_FROM, {449, 291, 83, 21}, true},
        {IDC_FILTER_DATE_TO, {569, 291, 83, 21}, true},        {IDC_FILTER_TIME_TO, {569, 291, 83, 21}, true},
        {IDC_FILTER_KEYWORD, {464, 291, 188, 21}, true},       {IDC_FILTER_SHOW, {671, 291, 74, 23}, true},
        {IDC_PREVIEW_GROUP, {14, 340, 351, 278}, true},
    };
    TemplateWindow window(IDD_MAIN_WINDOW);
    ASSERT_NE(window.hwnd(), nullptr);
    // Rounding of dialog units to pixels may move an edge by a pixel or two.
    constexpr LONG tolerance = 2;
    for (const Place& place : places) {
        SCOPED_TRACE(place.id);
        HWND item = GetDlgItem(window.hwnd(), place.id);
        ASSERT_NE(item, nullptr);
        RECT actual;
        GetWindowRect(item, &actual);
        MapWindowPoints(nullptr, window.hwnd(), reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_NEAR(actual.left, place.expected.left, tolerance);
        EXPECT_NEAR(actual.top, place.expected.top, tolerance);
        EXPECT_NEAR(actual.right - actual.left, place.expected.right, tolerance);
        if (place.compareHeight) {
            EXPECT_NEAR(actual.bottom - actual.top, place.expected.bottom, tolerance);
        }
    }

    // The convert panel sits to the right of the preview group and inside the client area.
    RECT preview, panel, client;
    GetWindowRect(GetDlgItem(window.hwnd(), IDC_PREVIEW_GROUP), &preview);
    GetWindowRect(GetDlgItem(window.hwnd(), IDC_CONVERT_GROUP), &panel);
    MapWindowPoints(nullptr, window.hwnd(), reinterpret_cast<POINT*>(&preview), 2);
    MapWindowPoints(nullptr, window.hwnd(), reinterpret_cast<POINT*>(&panel), 2);
    GetClientRect(window.hwnd(), &client);
    EXPECT_GT(panel.left, preview.right);
    EXPECT_NEAR(panel.top, preview.top, tolerance);
    EXPECT_NEAR(panel.bottom, preview.bottom, tolerance);
    EXPECT_LE(panel.right, client.right);
    EXPECT_LE(preview.bottom, client.bottom);
}

// Visible controls of one dialog must not overlap, except a control lying inside a group
// box; controls that share a place are hidden but one.
TEST(ResourcesDialogs, VisibleControlsDoNotOverlap) {
    for (const DialogSpec& dialog : AllDialogs()) {
        SCOPED_TRACE(dialog.name);
        TemplateWindow window(dialog.templateId);
        ASSERT_NE(window.hwnd(), nullptr);
        struct Shown {
            HWND hwnd;
            RECT rect;
            bool group;
        };
        std::vector<Shown> shown;
        for (HWND child = GetWindow(window.hwnd(), GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
            if ((style & WS_VISIBLE) == 0) continue;
            RECT rect;
            GetWindowRect(child, &rect);
            if (ClassOf(child) == L"ComboBoxEx32" || _wcsicmp(ClassOf(child).c_str(), L"ComboBox") == 0) {
                // The template height of a combo box is its dropped-down list; closed, it
                // stands as high as an edit box.
                RECT closed{0, 0, 0, 13};
                MapDialogRect(window.hwnd(), &closed);
                rect.bottom = rect.top + closed.bottom;
            }
            const bool group = _wcsicmp(ClassOf(child).c_str(), L"Button") == 0 && (style & BS_TYPEMASK) == BS_GROUPBOX;
            shown.push_back({child, rect, group});
        }
        for (size_t a = 0; a < shown.size(); ++a) {
            for (size_t b = a + 1; b < shown.size(); ++b) {
                if (shown[a].group || shown[b].group) continue;
                RECT overlap;
                if (IntersectRect(&overlap, &shown[a].rect, &shown[b].rect)) {
                    ADD_FAILURE() << "controls " << GetDlgCtrlID(shown[a].hwnd) << " and "
                                  << GetDlgCtrlID(shown[b].hwnd) << " overlap";
                }
            }
        }
    }
}

// The about box is its picture alone: no child windows, and a client area the size of
// bitmap 237, which the dialog paints over it.
TEST(ResourcesDialogs, AboutBoxHasNoControlsAndTheSizeOfItsPicture) {
    TemplateWindow window(IDD_ABOUT);
    ASSERT_NE(window.hwnd(), nullptr);
    EXPECT_EQ(GetWindow(window.hwnd(), GW_CHILD), nullptr);
    SIZE picture{};
    ASSERT_FALSE(BitmapPixels(IDB_ABOUT, picture).empty());
    RECT client;
    GetClientRect(window.hwnd(), &client);
    EXPECT_NEAR(client.right, picture.cx, 2);
    EXPECT_NEAR(client.bottom, picture.cy, 2);
}

struct MenuEntry {
    std::wstring path;  // the popup's text, or empty for the menu bar
    std::wstring text;  // empty for a separator
    UINT id;            // 0 for a popup or a separator
};

void CollectMenu(HMENU menu, const std::wstring& path, std::vector<MenuEntry>& entries) {
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        wchar_t text[128] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = 128;
        ASSERT_TRUE(GetMenuItemInfoW(menu, position, TRUE, &info));
        if (info.fType & MFT_SEPARATOR) {
            entries.push_back({path, L"", 0});
        } else if (info.hSubMenu != nullptr) {
            entries.push_back({path, text, 0});
            CollectMenu(info.hSubMenu, text, entries);
        } else {
            entries.push_back({path, text, info.wID});
        }
    }
}

TEST(ResourcesMenu, MainMenuHasTheExactTextsAndCommands) {
    const std::vector<MenuEntry> expected = {
        {L"", L"Movie", 0},
        {L"Movie", L" Play                     Enter", ID_MOVIE_PLAY},
        {L"Movie", L" Rename                   F2", ID_MOVIE_RENAME},
        {L"Movie", L" Delete                     Del", ID_MOVIE_DELETE},
        {L"Movie", L"", 0},
        {L"Movie", L" Play in external player", ID_MOVIE_PLAY_EXTERNAL},
        {L"Movie", L"", 0},
        {L"Movie", L" With checked movies", 0},
        {L" With checked movies", L" Convert", ID_CHECKED_CONVERT},
        {L" With checked movies", L" Delete", ID_CHECKED_DELETE},
        {L" With checked movies", L" Export", ID_CHECKED_EXPORT},
        {L"", L"Import", 0},
        {L"Import", L" Download video  from YouTube site", ID_IMPORT_YOUTUBE},
        {L"Import", L" Import FLV video from local folder", ID_IMPORT_FLV},
        {L"", L"View", 0},
        {L"View", L" Simple              Alt+V", ID_VIEW_SIMPLE},
        {L"View", L" Standard           Alt+V", ID_VIEW_STANDARD},
        {L"View", L" Advanced         Alt+V", ID_VIEW_ADVANCED},
        {L"", L"Settings", 0},
        {L"Settings", L" General settings", ID_SETTINGS_GENERAL},
        {L"Settings", L" Player's settings", ID_SETTINGS_PLAYER},
        {L"", L"Help", 0},
        {L"Help", L" User's guide                                            F1", ID_HELP_USERS_GUIDE},
        {L"Help", L" About Reelkeep", ID_HELP_ABOUT},
        {L"Help", L" Reelkeep on the Internet", ID_HELP_WEBSITE},
    };
    HMENU menu = LoadMenuW(Module(), MAKEINTRESOURCEW(IDR_MAIN_MENU));
    ASSERT_NE(menu, nullptr);
    std::vector<MenuEntry> actual;
    CollectMenu(menu, L"", actual);
    DestroyMenu(menu);
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(actual[i].path, expected[i].path);
        EXPECT_EQ(actual[i].text, expected[i].text);
        EXPECT_EQ(actual[i].id, expected[i].id);
    }
    // The commands the numbers stand for elsewhere in the program.
    EXPECT_EQ(ID_MOVIE_PLAY, 32779);
    EXPECT_EQ(ID_CHECKED_EXPORT, 32797);
    EXPECT_EQ(ID_VIEW_SIMPLE, 32783);
    EXPECT_EQ(ID_HELP_WEBSITE, 32793);
}

TEST(ResourcesMenu, MainWindowTemplateCarriesTheMenu) {
    TemplateWindow window(IDD_MAIN_WINDOW);
    ASSERT_NE(window.hwnd(), nullptr);
    HMENU bar = GetMenu(window.hwnd());
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(GetMenuItemCount(bar), 5);
}

TEST(ResourcesMenu, AcceleratorsAreF1AndAltV) {
    HACCEL table = LoadAcceleratorsW(Module(), MAKEINTRESOURCEW(IDR_MAIN_ACCELERATORS));
    ASSERT_NE(table, nullptr);
    ACCEL entries[8] = {};
    const int count = CopyAcceleratorTableW(table, entries, 8);
    DestroyAcceleratorTable(table);
    ASSERT_EQ(count, 2);
    constexpr BYTE modifiers = FVIRTKEY | FALT | FCONTROL | FSHIFT;
    EXPECT_EQ(entries[0].fVirt & modifiers, FVIRTKEY);
    EXPECT_EQ(entries[0].key, VK_F1);
    EXPECT_EQ(entries[0].cmd, 32803);
    EXPECT_EQ(entries[1].fVirt & modifiers, FVIRTKEY | FALT);
    EXPECT_EQ(entries[1].key, 'V');
    EXPECT_EQ(entries[1].cmd, 32808);
}

// The sizes stored in an icon group, read from its directory.
std::vector<int> IconSizes(int id) {
    std::vector<int> sizes;
    HRSRC found = FindResourceW(Module(), MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
    if (found == nullptr) return sizes;
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(Module(), found)));
    const WORD count = *reinterpret_cast<const WORD*>(data + 4);
    for (WORD i = 0; i < count; ++i) {
        const BYTE width = data[6 + i * 14];
        sizes.push_back(width == 0 ? 256 : width);
    }
    return sizes;
}

TEST(ResourcesImages, EveryIconExistsAtItsSizes) {
    struct IconSpec {
        int id;
        bool large;
    };
    const IconSpec icons[] = {
        {IDI_MAIN, true},
        {IDI_TRAY, true},
        {IDI_TRAY_FRAME_1, true},
        {IDI_TRAY_FRAME_2, true},
        {IDI_TRAY_FRAME_3, true},
        {IDI_TRAY_FRAME_4, true},
        {IDI_TRAY_FRAME_5, true},
        {IDI_TRAY_FRAME_6, true},
        {IDI_TRAY_FRAME_7, true},
        {IDI_PLAYER_SETTINGS, true},
        {IDI_CONVERT, true},
        {IDI_GENERAL_SETTINGS, true},
        {IDI_BATCH_CONVERT, true},
        {IDI_ABOUT, true},
        // formats, then filter kinds, date presets, time presets and keyword modes
        {213, false},
        {212, false},
        {215, false},
        {211, false},
        {216, false},
        {210, false},
        {214, false},
        {227, false},
        {228, false},
        {230, false},
        {217, false},
        {223, false},
        {231, false},
        {232, false},
        {233, false},
        {236, false},
        {220, false},
        {221, false},
        {222, false},
        {224, false},
        {225, false},
        {218, false},
        {226, false},
    };
    for (const IconSpec& icon : icons) {
        SCOPED_TRACE(icon.id);
        const std::vector<int> sizes = IconSizes(icon.id);
        EXPECT_NE(std::find(sizes.begin(), sizes.end(), 16), sizes.end());
        if (icon.large) {
            EXPECT_NE(std::find(sizes.begin(), sizes.end(), 32), sizes.end());
        }
        HANDLE loaded = LoadImageW(Module(), MAKEINTRESOURCEW(icon.id), IMAGE_ICON, 16, 16, 0);
        EXPECT_NE(loaded, nullptr);
        if (loaded != nullptr) DestroyIcon(static_cast<HICON>(loaded));
    }
}

// Image `index` of `images` drawn over a coloured 16x16 square with `style`, as 0x00RRGGBB.
std::vector<uint32_t> DrawnImage(HIMAGELIST images, int index, UINT style) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 16, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP canvas = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, canvas);
    std::fill_n(static_cast<uint32_t*>(bits), 256, 0x00C08040u);
    ImageList_Draw(images, index, dc, 0, 0, style);
    GdiFlush();
    std::vector<uint32_t> pixels(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + 256);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(canvas);
    return pixels;
}

// Each combo box's image list is one strip the build draws from the icons' own renderings:
// image i must look exactly as entry i's icon does when the system loads it, selected or not.
TEST(ResourcesImages, IconStripsLookAsTheIconsOfTheirEntries) {
    std::vector<int> formatIcons;
    for (const convert::FormatEntry& entry : convert::FormatEntries()) formatIcons.push_back(entry.iconResource);
    const struct {
        int strip;
        std::vector<int> icons;
    } strips[] = {
        {IDB_FORMAT_STRIP, formatIcons},
        {IDB_FILTER_KIND_STRIP, {IDI_FILTER_BY_DATE, IDI_FILTER_BY_TIME, IDI_FILTER_BY_KEYWORD}},
        {IDB_DATE_PRESET_STRIP,
         {IDI_DATE_TODAY, IDI_DATE_YESTERDAY, IDI_DATE_THIS_WEEK, IDI_DATE_THIS_MONTH, IDI_DATE_ALL_TIME,
          IDI_DATE_CUSTOM}},
        {IDB_TIME_PRESET_STRIP,
         {IDI_TIME_MORNING, IDI_TIME_AFTERNOON, IDI_TIME_EVENING, IDI_TIME_NIGHT, IDI_TIME_CUSTOM}},
        {IDB_KEYWORD_MODE_STRIP, {IDI_KEYWORD_CONTAINS, IDI_KEYWORD_NOT_CONTAINS}},
    };
    for (const auto& strip : strips) {
        SCOPED_TRACE(testing::Message() << "strip " << strip.strip);
        HIMAGELIST images = platform::LoadIconStrip(Module(), strip.strip);
        ASSERT_NE(images, nullptr);
        ASSERT_EQ(ImageList_GetImageCount(images), static_cast<int>(strip.icons.size()));
        int width = 0, height = 0;
        ImageList_GetIconSize(images, &width, &height);
        EXPECT_EQ(width, 16);
        EXPECT_EQ(height, 16);
        // The icons as the system loads them, in a list of their own.
        HIMAGELIST loaded = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 0, 8);
        for (int id : strip.icons) {
            HICON icon = static_cast<HICON>(LoadImageW(Module(), MAKEINTRESOURCEW(id), IMAGE_ICON, 16, 16, 0));
            ASSERT_NE(icon, nullptr) << id;
            ImageList_AddIcon(loaded, icon);
            DestroyIcon(icon);
        }
        for (int index = 0; index < static_cast<int>(strip.icons.size()); ++index) {
            for (UINT style : {ILD_NORMAL, ILD_SELECTED}) {
                SCOPED_TRACE(testing::Message() << "icon " << strip.icons[index] << " style " << style);
                EXPECT_EQ(DrawnImage(images, index, style), DrawnImage(loaded, index, style));
            }
        }
        ImageList_Destroy(loaded);
        ImageList_Destroy(images);
    }
}

bool AllGrey(const std::vector<uint32_t>& pixels) {
    for (uint32_t pixel : pixels) {
        const int red = (pixel >> 16) & 0xFF, green = (pixel >> 8) & 0xFF, blue = pixel & 0xFF;
        if (std::abs(red - green) > 2 || std::abs(green - blue) > 2) return false;
    }
    return true;
}

TEST(ResourcesImages, EveryBitmapLoadsAtItsSize) {
    struct BitmapSpec {
        int id;
        int width;
        int height;
    };
    const BitmapSpec bitmaps[] = {
        {IDB_TOP_LINE, 8, 1},
        {IDB_MENU_YOUTUBE, 13, 13},
        {IDB_MENU_IMPORT_FLV, 13, 13},
        {IDB_MENU_CONVERT, 13, 13},
        {IDB_MENU_CONVERT_GREY, 13, 13},
        {IDB_MENU_DELETE, 13, 13},
        {IDB_MENU_DELETE_GREY, 13, 13},
        {IDB_MENU_EXPORT, 13, 13},
        {IDB_MENU_EXPORT_GREY, 13, 13},
        {IDB_MENU_PLAY_EXTERNAL, 13, 13},
        {IDB_MENU_PLAY_EXTERNAL_GREY, 13, 13},
        {IDB_MENU_PLAY, 13, 13},
        {IDB_MENU_PLAY_GREY, 13, 13},
        {IDB_MENU_RENAME, 13, 13},
        {IDB_MENU_RENAME_GREY, 13, 13},
        {IDB_LIST_WATERMARK, 200, 150},
        {IDB_ABOUT, 420, 280},
        {IDB_NAME_MARK, 16, 16},
        {IDB_FOLDER_MARK, 16, 16},
        {IDB_FOLDER_MARK_V6, 16, 16},
        {IDB_NAME_MARK_V6, 16, 16},
    };
    for (const BitmapSpec& bitmap : bitmaps) {
        SCOPED_TRACE(bitmap.id);
        SIZE size{};
        const std::vector<uint32_t> pixels = BitmapPixels(bitmap.id, size);
        ASSERT_FALSE(pixels.empty());
        EXPECT_EQ(size.cx, bitmap.width);
        EXPECT_EQ(size.cy, bitmap.height);
    }
}

TEST(ResourcesImages, GreyedMenuBitmapsAreGreyVersionsOfTheirColouredOnes) {
    const std::pair<int, int> pairs[] = {
        {IDB_MENU_PLAY, IDB_MENU_PLAY_GREY},
        {IDB_MENU_RENAME, IDB_MENU_RENAME_GREY},
        {IDB_MENU_DELETE, IDB_MENU_DELETE_GREY},
        {IDB_MENU_CONVERT, IDB_MENU_CONVERT_GREY},
        {IDB_MENU_PLAY_EXTERNAL, IDB_MENU_PLAY_EXTERNAL_GREY},
        {IDB_MENU_EXPORT, IDB_MENU_EXPORT_GREY},
    };
    for (const auto& [coloured, greyed] : pairs) {
        SCOPED_TRACE(coloured);
        SIZE colouredSize{}, greyedSize{};
        const std::vector<uint32_t> colour = BitmapPixels(coloured, colouredSize);
        const std::vector<uint32_t> grey = BitmapPixels(greyed, greyedSize);
        ASSERT_EQ(colour.size(), grey.size());
        EXPECT_FALSE(AllGrey(colour)) << "the enabled bitmap should carry colour";
        EXPECT_TRUE(AllGrey(grey));
        // Same picture: the background (top-left corner) agrees, the glyph does not vanish.
        EXPECT_NE(colour, grey);
        EXPECT_GT(std::count_if(grey.begin(), grey.end(), [&](uint32_t p) { return p != grey[0]; }), 10);
    }
}

TEST(ResourcesImages, TrayAnimationFramesDifferFromEachOtherAndFromTheRestIcon) {
    std::vector<std::vector<uint32_t>> frames;
    for (int id : {IDI_TRAY, 185, 186, 187, 188, 189, 190, 191}) {
        HICON icon = static_cast<HICON>(LoadImageW(Module(), MAKEINTRESOURCEW(id), IMAGE_ICON, 32, 32, 0));
        ASSERT_NE(icon, nullptr) << id;
        ICONINFO info{};
        GetIconInfo(icon, &info);
        std::vector<uint32_t> pixels(32 * 32);
        BITMAPINFO request{};
        request.bmiHeader = {sizeof(BITMAPINFOHEADER), 32, -32, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        HDC screen = GetDC(nullptr);
        GetDIBits(screen, info.hbmColor, 0, 32, pixels.data(), &request, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
        frames.push_back(pixels);
    }
    for (size_t a = 0; a < frames.size(); ++a) {
        for (size_t b = a + 1; b < frames.size(); ++b) {
            EXPECT_NE(frames[a], frames[b]) << a << " and " << b;
        }
    }
}

TEST(ResourcesData, PlaceholderMovieIsABlankVersion3Swf) {
    HRSRC found = FindResourceW(Module(), L"EMPTY", L"SWF");
    ASSERT_NE(found, nullptr);
    const DWORD size = SizeofResource(Module(), found);
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(Module(), found)));
    ASSERT_GT(size, 21u);
    EXPECT_EQ(std::memcmp(data, "FWS", 3), 0) << "uncompressed";
    EXPECT_EQ(data[3], 3) << "version";
    uint32_t declared;
    std::memcpy(&declared, data + 4, 4);
    EXPECT_EQ(declared, size);
    // Frame rectangle: 5 bits of field width, then xmin, xmax, ymin, ymax in twips.
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits = bits << 8 | data[8 + i];
    const int width = static_cast<int>(bits >> 59);
    auto field = [&](int index) {
        return static_cast<int>((bits >> (59 - width * (index + 1))) & ((1u << width) - 1));
    };
    EXPECT_EQ(field(1) - field(0), 320 * 20);
    EXPECT_EQ(field(3) - field(2), 240 * 20);
    const size_t afterRect = 8 + (5 + 4 * width + 7) / 8;
    EXPECT_EQ(data[afterRect + 1], 10) << "frames per second";
    EXPECT_EQ(data[afterRect + 2] | data[afterRect + 3] << 8, 2) << "frame count";
}

TEST(ResourcesData, ManifestAsksForCommonControls6AndVersionIs121) {
    HRSRC manifest = FindResourceW(Module(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(manifest, nullptr);
    const std::string text(static_cast<const char*>(LockResource(LoadResource(Module(), manifest))),
                           SizeofResource(Module(), manifest));
    EXPECT_NE(text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(text.find("version=\"6.0.0.0\""), std::string::npos);

    HRSRC version = FindResourceW(Module(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16));
    ASSERT_NE(version, nullptr);
    const BYTE* block = static_cast<const BYTE*>(LockResource(LoadResource(Module(), version)));
    std::vector<BYTE> copy(block, block + SizeofResource(Module(), version));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(copy.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), 1);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), 21);
}

}  // namespace
