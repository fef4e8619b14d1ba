// The main window's clip list for real: rows built from clips made by the Linux ffmpeg
// and probed by the real ffmpeg.exe, refreshes, the filter's kinds, header sorting,
// layouts and the commands that follow the list.
#include "app/MainWindow.h"
#include "library/Catalogue.h"
#include "library/CatalogueMessages.h"
#include "library/DeletionMarks.h"
#include "library/ViewLayout.h"
#include "platform/UniqueHandle.h"
#include "resources/resource.h"
#include "settings/SettingsStore.h"
#include "support/MessagePump.h"
#include "support/QuietMainWindow.h"
#include "support/ScratchFolder.h"
#include "support/ScratchTitleStore.h"
#include "support/ScriptedPrompter.h"
#include "titles/TitleStore.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace {

using testing_support::BinFolder;
using testing_support::ScratchFolder;

using testing_support::QuietMainWindow;
using namespace std::chrono_literals;

struct ClipSpec {
    const wchar_t* source;
    const wchar_t* name;
};
// Named like captures: the list shows the last enumerated at the top.
const ClipSpec kClips[] = {
    {L"flv-320x240-sound.flv", L"1260000001.flv"},    {L"mp4-320x240-sound.mp4", L"1260000002.flv"},
    {L"flv-1920x1080-sound.flv", L"1260000003.flv"},  {L"mp4-1920x1080-sound.mp4", L"1260000004.flv"},
    {L"mp4-1920x1080-silent.mp4", L"1260000005.flv"},
};

class MainWindowList : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Reelkeep");
        // A copy keeps the time the build wrote its clip, which may be yesterday's (Wine
        // gives that time as the creation time too); the date filters expect clips of now.
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        for (const ClipSpec& clip : kClips) {
            const std::wstring path = library_.path() + clip.name;
            ASSERT_TRUE(CopyFileW((BinFolder() + L"probe-clips\\" + clip.source).c_str(), path.c_str(), FALSE));
            platform::UniqueFile file(
                CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(file && SetFileTime(file.get(), &now, &now, &now));
        }
        ASSERT_TRUE(window_.CreateModeless());
        ShowWindow(window_.hwnd(), SW_SHOW);
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Reelkeep"); }

    library::CatalogueSource Source() const { return {library_.path(), BinFolder() + L"ffmpeg.exe"}; }
    void Refresh() { library::RefreshClipList(window_.hwnd(), Source()); }
    void Rebuild() { library::RebuildClipList(window_.hwnd(), Source()); }
    library::ClipListView& List() { return window_.clipList(); }

    std::vector<std::wstring> Column(int column) {
        std::vector<std::wstring> cells;
        for (int row = 0; row < List().RowCount(); ++row) cells.push_back(List().CellText(row, column));
        return cells;
    }
    void Command(WORD id, WORD code = 0) {
        SendMessageW(window_.hwnd(), WM_COMMAND, MAKEWPARAM(id, code),
                     reinterpret_cast<LPARAM>(GetDlgItem(window_.hwnd(), id)));
    }
    void SelectFilterKind(int kind) {
        SendDlgItemMessageW(window_.hwnd(), IDC_FILTER_KIND, CB_SETCURSEL, static_cast<WPARAM>(kind), 0);
        Command(IDC_FILTER_KIND, CBN_SELCHANGE);
    }
    void ClickHeader(int column) {
        NMLISTVIEW click{};
        click.hdr.hwndFrom = List().hwnd();
        click.hdr.idFrom = IDC_CLIP_LIST;
        click.hdr.code = LVN_COLUMNCLICK;
        click.iItem = -1;
        click.iSubItem = column;
        SendMessageW(window_.hwnd(), WM_NOTIFY, IDC_CLIP_LIST, reinterpret_cast<LPARAM>(&click));
    }
    std::wstring Setting(const wchar_t* name) { return settings::SettingsStore().ReadSetting(name); }

    ScratchFolder library_{L"library"};
    ScratchFolder titles_{L"library-titles"};
    testing_support::ScratchTitleStore titleStore_{titles_.path() + L"titles.log"};
    QuietMainWindow window_;
};

TEST_F(MainWindowList, ListsEveryVideoNewestFirstWithItsColumnsAndRefreshAddsNoDuplicate) {
    // Not videos, or marked for deletion: never listed.
    ASSERT_TRUE(CopyFileW((BinFolder() + L"probe-clips\\text-only.flv").c_str(),
                          (library_.path() + L"notes.flv").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW((BinFolder() + L"probe-clips\\flv-320x240-sound.flv").c_str(),
                          (library_.path() + L"1260000009.flv").c_str(), FALSE));
    titles::WriteTitle(library_.path() + L"1260000009.flv", L"InOrderToDelete");

    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window_.hwnd(), IDC_CONVERT)));
    Refresh();
    ASSERT_EQ(List().RowCount(), 5);
    std::vector<std::wstring> titles = Column(0);
    std::vector<std::wstring> sorted = titles;
    std::sort(sorted.rbegin(), sorted.rend());
    EXPECT_EQ(titles, sorted) << "captures are listed newest first";
    EXPECT_EQ(titles.front(), L"1260000005");
    EXPECT_EQ(List().CellText(0, 8), library_.path() + L"1260000005.flv");
    EXPECT_EQ(List().CellText(0, 5), L"1920x1080");
    EXPECT_EQ(List().CellText(4, 5), L"320x240");
    EXPECT_EQ(List().CellText(4, 4), L"00:00:02");
    EXPECT_NE(List().CellText(4, 10).find(L"mp3"), std::wstring::npos) << List().CellText(4, 10);
    EXPECT_NE(List().CellText(4, 9).find(L"flv1"), std::wstring::npos) << List().CellText(4, 9);
    EXPECT_NE(List().CellText(0, 3).find(L" Mb"), std::wstring::npos);
    EXPECT_EQ(List().CellText(0, 1).size(), 10u) << "dd.mm.yyyy";
    EXPECT_EQ(List().CellText(0, 2).size(), 8u) << "hh:mm:ss";
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window_.hwnd(), IDC_CONVERT)));
    EXPECT_TRUE(window_.menu().IsEnabled(ID_MOVIE_PLAY));

    Refresh();
    EXPECT_EQ(List().RowCount(), 5) << "a refresh lists only what is new";
    ASSERT_TRUE(testing_support::PumpUntil([&] { return List().FirstSelected() == 0; }))
        << "the list's timer selects the top row";
}

// However thin the slices a delivery is taken in, every row goes in once, in order, and a
// path listed already (before or earlier in the same delivery) is passed over.
TEST_F(MainWindowList, DeliveriesTakenInSlicesListEachRowOnceInOrder) {
    const auto row = [](int number) {
        library::ClipRecord record;
        record.cells[0] = L"Movie" + std::to_wstring(number);
        record.cells[library::kPathColumn] = L"C:\\v\\" + std::to_wstring(number) + L".flv";
        return record;
    };
    for (const std::chrono::milliseconds slice : {0ms, 60'000ms}) {
        SCOPED_TRACE(slice.count());
        std::vector<library::ClipRecord> rows;
        for (int number : {0, 1, 2, 3, 4, 5, 6, 5, 7}) rows.push_back(row(number));
        List().DeleteAllRows();
        List().InsertAtTop(row(3));
        library::RowDelivery delivery{&rows, 0, true};
        int messages = 0, inserted = 0;
        while (delivery.first < rows.size() && messages < 100) {
            inserted += List().Deliver(delivery, slice);
            delivery.first += delivery.taken;
            ++messages;
        }
        EXPECT_EQ(messages, slice == 0ms ? static_cast<int>(rows.size()) : 1);
        EXPECT_EQ(inserted, 7);
        EXPECT_EQ(Column(0), (std::vector<std::wstring>{L"Movie7", L"Movie6", L"Movie5", L"Movie4", L"Movie2",
                                                        L"Movie1", L"Movie0", L"Movie3"}));
    }
}

TEST_F(MainWindowList, EachFilterKindListsWhatItAdmits) {
    titles::WriteTitle(library_.path() + L"1260000001.flv", L"Movie7");
    titles::WriteTitle(library_.path() + L"1260000002.flv", L"Holiday");

    SendDlgItemMessageW(window_.hwnd(), IDC_FILTER_DATE_PRESET, CB_SETCURSEL, 0, 0);  // Today
    Command(IDC_FILTER_DATE_PRESET, CBN_SELCHANGE);
    Rebuild();
    EXPECT_EQ(List().RowCount(), 5) << "the clips were made today";
    SendDlgItemMessageW(window_.hwnd(), IDC_FILTER_DATE_PRESET, CB_SETCURSEL, 1, 0);  // Yesterday
    Command(IDC_FILTER_DATE_PRESET, CBN_SELCHANGE);
    Rebuild();
    EXPECT_EQ(List().RowCount(), 0);

    SelectFilterKind(2);
    EXPECT_EQ(window_.ItemText(IDC_FILTER_KEYWORD), L"Enter keyword");
    Rebuild();
    EXPECT_EQ(List().RowCount(), 0) << "the untouched box searches for its own text";

    SetDlgItemTextW(window_.hwnd(), IDC_FILTER_KEYWORD, L"movie");
    Rebuild();
    EXPECT_EQ(Column(0), std::vector<std::wstring>{L"Movie7"});
    SendDlgItemMessageW(window_.hwnd(), IDC_FILTER_KEYWORD_MODE, CB_SETCURSEL, 1, 0);  // don't contains
    Rebuild();
    EXPECT_EQ(List().RowCount(), 4);
    SetDlgItemTextW(window_.hwnd(), IDC_FILTER_KEYWORD, L"");
    Rebuild();
    EXPECT_EQ(List().RowCount(), 0) << "an empty keyword occurs in every title";

    SelectFilterKind(1);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(window_.hwnd(), IDC_FILTER_KEYWORD)));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(window_.hwnd(), IDC_FILTER_TIME_FROM)));
    SYSTEMTIME now{};
    GetLocalTime(&now);
    SYSTEMTIME from = now, to = now;
    from.wHour = 0;
    from.wMinute = 0;
    from.wSecond = 0;
    to.wHour = 23;
    to.wMinute = 59;
    to.wSecond = 59;
    SendDlgItemMessageW(window_.hwnd(), IDC_FILTER_TIME_FROM, DTM_SETSYSTEMTIME, GDT_VALID,
                        reinterpret_cast<LPARAM>(&from));
    SendDlgItemMessageW(window_.hwnd(), IDC_FILTER_TIME_TO, DTM_SETSYSTEMTIME, GDT_VALID,
                        reinterpret_cast<LPARAM>(&to));
    Rebuild();
    EXPECT_EQ(List().RowCount(), 5) << "all day, bounds exclusive";
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window_.hwnd(), IDC_FILTER_SHOW))) << "Show comes back after a rebuild";
}

TEST_F(MainWindowList, ChangingADatePickerSelectsCustomDateAndAPresetOverwritesBoth) {
    HWND window = window_.hwnd();
    SYSTEMTIME typed{};
    typed.wYear = 2009;
    typed.wMonth = 12;
    typed.wDay = 1;
    SendDlgItemMessageW(window, IDC_FILTER_DATE_FROM, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&typed));
    NMDATETIMECHANGE change{};
    change.nmhdr.hwndFrom = GetDlgItem(window, IDC_FILTER_DATE_FROM);
    change.nmhdr.idFrom = IDC_FILTER_DATE_FROM;
    change.nmhdr.code = DTN_DATETIMECHANGE;
    change.st = typed;
    SendMessageW(window, WM_NOTIFY, IDC_FILTER_DATE_FROM, reinterpret_cast<LPARAM>(&change));
    EXPECT_EQ(SendDlgItemMessageW(window, IDC_FILTER_DATE_PRESET, CB_GETCURSEL, 0, 0), 5) << "Custom date";

    SendDlgItemMessageW(window, IDC_FILTER_DATE_PRESET, CB_SETCURSEL, 0, 0);  // Today
    Command(IDC_FILTER_DATE_PRESET, CBN_SELCHANGE);
    SYSTEMTIME from{}, to{}, today{};
    GetLocalTime(&today);
    SendDlgItemMessageW(window, IDC_FILTER_DATE_FROM, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&from));
    SendDlgItemMessageW(window, IDC_FILTER_DATE_TO, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(from.wYear, today.wYear);
    EXPECT_EQ(from.wDay, today.wDay);
    EXPECT_EQ(to.wDay, today.wDay);
    EXPECT_EQ(to.wHour, 23);
    EXPECT_EQ(SendDlgItemMessageW(window, IDC_FILTER_DATE_PRESET, CB_GETCURSEL, 0, 0), 0)
        << "writing the preset's dates is not taken for the user's change";
}

TEST_F(MainWindowList, ClickingSizeTwiceSortsUpThenDownWithTheArrows) {
    Refresh();
    ASSERT_EQ(List().RowCount(), 5);
    EXPECT_EQ(List().ArrowOf(1), library::HeaderArrow::Up) << "the start-up look";

    auto sizes = [&] {
        std::vector<double> values;
        for (const std::wstring& cell : Column(3)) values.push_back(std::stod(cell));
        return values;
    };
    ClickHeader(3);
    std::vector<double> ascending = sizes();
    EXPECT_TRUE(std::is_sorted(ascending.begin(), ascending.end()));
    EXPECT_EQ(List().ArrowOf(3), library::HeaderArrow::Down) << "an ascending sort shows the downward arrow";
    EXPECT_EQ(List().ArrowOf(1), library::HeaderArrow::None);

    ClickHeader(3);
    std::vector<double> descending = sizes();
    EXPECT_TRUE(std::is_sorted(descending.rbegin(), descending.rend()));
    EXPECT_EQ(List().ArrowOf(3), library::HeaderArrow::Up);

    // The rows keep their own texts after the sort put their item data back.
    const std::vector<std::wstring> pathColumn = Column(8);
    const std::set<std::wstring> paths(pathColumn.begin(), pathColumn.end());
    EXPECT_EQ(paths.size(), 5u);
    Command(IDC_FILTER_SHOW, BN_CLICKED);
    EXPECT_EQ(List().ArrowOf(3), library::HeaderArrow::None);
    EXPECT_EQ(List().ArrowOf(1), library::HeaderArrow::Up) << "Show puts back the start-up arrows";
}

TEST_F(MainWindowList, LayoutsFollowTheViewCommandsAndAltV) {
    // Every convert-panel control shows exactly when the current layout lists it, however
    // the window got there.
    const auto expectPanelOf = [&](int mode) {
        const std::span<const int> shown = library::LayoutForViewMode(mode)->shownControls;
        for (int id : library::ConvertPanelControls())
            EXPECT_EQ(IsWindowVisible(GetDlgItem(window_.hwnd(), id)) != FALSE, std::ranges::count(shown, id) == 1)
                << "control " << id << " in layout " << mode;
    };
    EXPECT_EQ(Setting(L"view"), L"2") << "the first start applies and stores the default layout";
    Command(ID_VIEW_SIMPLE);
    Command(ID_VIEW_SIMPLE);
    HMENU movie = GetSubMenu(GetMenu(window_.hwnd()), 0);
    int convertEntries = 0;
    for (int i = 0; i < GetMenuItemCount(movie); ++i) convertEntries += GetMenuItemID(movie, i) == ID_MOVIE_CONVERT;
    EXPECT_EQ(convertEntries, 1);
    EXPECT_EQ(GetMenuItemID(movie, 3), static_cast<UINT>(ID_MOVIE_CONVERT)) << "the fourth entry";
    EXPECT_EQ(Setting(L"view"), L"1");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(window_.hwnd(), IDC_CONVERT_GROUP)));
    RECT list{};
    GetWindowRect(List().hwnd(), &list);
    EXPECT_EQ(list.bottom - list.top, 109);

    Command(ID_ACCEL_CYCLE_VIEW);
    EXPECT_EQ(window_.viewMode(), 2);
    EXPECT_EQ(GetMenuState(movie, ID_MOVIE_CONVERT, MF_BYCOMMAND), static_cast<UINT>(-1));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(window_.hwnd(), IDC_QUALITY_SLIDER)));
    expectPanelOf(2);
    Command(ID_ACCEL_CYCLE_VIEW);
    expectPanelOf(3);
    EXPECT_EQ(Setting(L"view"), L"3");
    EXPECT_EQ(List().ColumnWidth(9), 330);
    EXPECT_EQ(List().ColumnWidth(10), 240);
    EXPECT_EQ(List().ColumnWidth(8), 0) << "the path column stays hidden";
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(window_.hwnd(), IDC_RESOLUTION)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(window_.hwnd(), IDC_QUALITY_SLIDER)));
    EXPECT_TRUE(GetMenuState(GetMenu(window_.hwnd()), ID_VIEW_ADVANCED, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(GetMenu(window_.hwnd()), ID_VIEW_STANDARD, MF_BYCOMMAND) & MF_CHECKED);
    Command(ID_ACCEL_CYCLE_VIEW);
    EXPECT_EQ(window_.viewMode(), 1);
    expectPanelOf(1);
    Command(ID_VIEW_ADVANCED);
    Command(ID_VIEW_STANDARD);
    expectPanelOf(2);
}

TEST(MainWindowStart, ViewOutsideOneToThreeReadsAsStandardAndKeepsTheConvertPanel) {
    for (const wchar_t* stored : {L"0", L"7"}) {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Reelkeep");
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\Reelkeep", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, L"view", 0, REG_SZ, reinterpret_cast<const BYTE*>(stored), 4);
        RegCloseKey(key);
        QuietMainWindow window;
        ASSERT_TRUE(window.CreateModeless());
        HMENU bar = GetMenu(window.hwnd());
        EXPECT_TRUE(GetMenuState(bar, ID_VIEW_STANDARD, MF_BYCOMMAND) & MF_CHECKED) << stored;
        EXPECT_TRUE(GetWindowLongW(GetDlgItem(window.hwnd(), IDC_CONVERT), GWL_STYLE) & WS_VISIBLE)
            << "the convert panel shows";
        EXPECT_EQ(settings::SettingsStore().ReadSetting(L"view"), L"2");
        SendMessageW(window.hwnd(), WM_COMMAND, ID_ACCEL_CYCLE_VIEW, 0);
        EXPECT_EQ(window.viewMode(), 3);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Reelkeep");
}

// The window is shown before its combo icons are added, by a message it posts to itself:
// no control may paint, sent or posted, before every combo has its icons, or the first
// frame would differ from the one a window shown complete gives.
struct PaintWatch {
    HWND window = nullptr;
    int paints = 0;
    int paintsBeforeIcons = 0;

    static PaintWatch& Current() {
        static PaintWatch watch;
        return watch;
    }
    void Seen(HWND painted) {
        if (painted != window && !IsChild(window, painted)) return;
        ++paints;
        for (int id :
             {IDC_FILTER_KIND, IDC_FILTER_DATE_PRESET, IDC_FILTER_TIME_PRESET, IDC_FILTER_KEYWORD_MODE, IDC_FORMAT}) {
            if (SendDlgItemMessageW(window, id, CBEM_GETIMAGELIST, 0, 0) == 0) {
                ++paintsBeforeIcons;
                return;
            }
        }
    }
    static LRESULT CALLBACK Sent(int code, WPARAM wParam, LPARAM lParam) {
        const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code >= 0 && call->message == WM_PAINT) Current().Seen(call->hwnd);
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static LRESULT CALLBACK Posted(int code, WPARAM wParam, LPARAM lParam) {
        const auto* message = reinterpret_cast<const MSG*>(lParam);
        if (code >= 0 && wParam == PM_REMOVE && message->message == WM_PAINT) Current().Seen(message->hwnd);
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
};

TEST(MainWindowStart, NoControlPaintsBeforeTheCombosHaveTheirIcons) {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Reelkeep");
    QuietMainWindow window;
    HHOOK sent = SetWindowsHookExW(WH_CALLWNDPROC, PaintWatch::Sent, nullptr, GetCurrentThreadId());
    HHOOK posted = SetWindowsHookExW(WH_GETMESSAGE, PaintWatch::Posted, nullptr, GetCurrentThreadId());
    ASSERT_TRUE(window.CreateModeless());
    PaintWatch::Current().window = window.hwnd();
    ShowWindow(window.hwnd(), SW_SHOW);
    EXPECT_TRUE(testing_support::PumpUntil([] { return PaintWatch::Current().paints > 10; }));
    UnhookWindowsHookEx(sent);
    UnhookWindowsHookEx(posted);
    EXPECT_EQ(PaintWatch::Current().paintsBeforeIcons, 0);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Reelkeep");
}

TEST_F(MainWindowList, TickingARowEnablesTheCheckedCommandsAndClearingItGreysThem) {
    Refresh();
    ASSERT_GT(List().RowCount(), 1);
    EXPECT_FALSE(window_.menu().CheckedCommandsEnabled());
    List().SetChecked(1, true);
    EXPECT_TRUE(window_.menu().CheckedCommandsEnabled());
    EXPECT_TRUE(window_.menu().IsEnabled(ID_CHECKED_EXPORT));
    List().SetChecked(1, false);
    EXPECT_FALSE(window_.menu().CheckedCommandsEnabled());
}

// The list keeps no boxes of its own: a click on a row's box, the space bar on the focused
// row and a state given to every row at once each reach the clips' records, and the
// control shows and reports what they hold.
TEST_F(MainWindowList, BoxesTickByClickSpaceAndAllAtOnce) {
    Refresh();
    ASSERT_EQ(List().RowCount(), 5);
    const auto clickBox = [&](int row, bool twice) {
        RECT bounds{};
        bounds.left = LVIR_BOUNDS;
        SendMessageW(List().hwnd(), LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&bounds));
        LVHITTESTINFO hit{};
        hit.pt = POINT{bounds.left + 8, (bounds.top + bounds.bottom) / 2};
        SendMessageW(List().hwnd(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        ASSERT_TRUE(hit.flags & LVHT_ONITEMSTATEICON) << "the box of row " << row;
        const LPARAM at = MAKELPARAM(hit.pt.x, hit.pt.y);
        PostMessageW(List().hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(List().hwnd(), WM_LBUTTONUP, 0, at);
        if (twice) {
            PostMessageW(List().hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
            PostMessageW(List().hwnd(), WM_LBUTTONUP, 0, at);
        }
        testing_support::PumpUntil([] { return false; }, 300ms);
    };
    const auto stateImage = [&](int row) {
        return SendMessageW(List().hwnd(), LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK) >> 12;
    };

    clickBox(2, false);
    EXPECT_TRUE(List().IsChecked(2));
    EXPECT_EQ(stateImage(2), 2) << "the control shows the record's box";
    EXPECT_TRUE(window_.menu().CheckedCommandsEnabled());
    clickBox(2, true);
    EXPECT_TRUE(List().IsChecked(2)) << "each click of a double click turns the box";

    List().SelectAndFocus(3);
    SetFocus(List().hwnd());
    PostMessageW(List().hwnd(), WM_KEYDOWN, VK_SPACE, 0x00390001);
    PostMessageW(List().hwnd(), WM_KEYUP, VK_SPACE, 0xC0390001);
    testing_support::PumpUntil([] { return false; }, 300ms);
    EXPECT_TRUE(List().IsChecked(3)) << "the space bar ticks the focused row";
    EXPECT_EQ(List().CheckedCount(), 2);

    LVITEMW all{};
    all.stateMask = LVIS_STATEIMAGEMASK;
    all.state = INDEXTOSTATEIMAGEMASK(1);
    SendMessageW(List().hwnd(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&all));
    EXPECT_EQ(List().CheckedCount(), 0);
    EXPECT_FALSE(window_.menu().CheckedCommandsEnabled());
    all.state = INDEXTOSTATEIMAGEMASK(2);
    SendMessageW(List().hwnd(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&all));
    EXPECT_EQ(List().CheckedCount(), 5);
    EXPECT_EQ(stateImage(4), 2);
    EXPECT_TRUE(window_.menu().CheckedCommandsEnabled());
}

// The control keeps the selection by row number; rows that come, go or are sorted carry it
// with their clip, and an edit in place renames the clip it began on.
TEST_F(MainWindowList, SelectionAndAnEditStayWithTheirClipWhileRowsMove) {
    Refresh();
    ASSERT_EQ(List().RowCount(), 5);
    ASSERT_TRUE(testing_support::PumpUntil([&] { return List().FirstSelected() == 0; })) << "the build's own selection";
    List().SelectAndFocus(3);
    const std::wstring chosen = List().RowPath(3);
    const auto followed = [&] {
        const int selected = List().FirstSelected();
        return selected >= 0 && List().RowPath(selected) == chosen && List().SelectionMark() == selected &&
               SendMessageW(List().hwnd(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED) == selected;
    };
    HWND edit = reinterpret_cast<HWND>(SendMessageW(List().hwnd(), LVM_EDITLABELW, 3, 0));
    ASSERT_NE(edit, nullptr);

    library::ClipRecord arrived;
    arrived.cells[0] = L"Arrived";
    arrived.cells[library::kPathColumn] = library_.path() + L"arrived.flv";
    std::vector<library::ClipRecord> rows{arrived};
    library::RowDelivery delivery{&rows};
    SendMessageW(window_.hwnd(), library::WM_CATALOGUE_INSERT, 0, reinterpret_cast<LPARAM>(&delivery));
    EXPECT_TRUE(followed()) << "a row on top";

    // The edit ends on the row number it began on, where another clip is now.
    const std::wstring other = List().RowPath(3);
    NMLVDISPINFOW ended{};
    ended.hdr.hwndFrom = List().hwnd();
    ended.hdr.idFrom = IDC_CLIP_LIST;
    ended.hdr.code = LVN_ENDLABELEDITW;
    ended.item.iItem = 3;
    ended.item.pszText = const_cast<wchar_t*>(L"Renamed in place");
    SendMessageW(window_.hwnd(), WM_NOTIFY, IDC_CLIP_LIST, reinterpret_cast<LPARAM>(&ended));
    EXPECT_EQ(titles::ReadTitle(chosen), L"Renamed in place");
    EXPECT_NE(titles::ReadTitle(other), L"Renamed in place");
    EXPECT_EQ(List().CellText(List().FirstSelected(), 0), L"Renamed in place");
    SendMessageW(List().hwnd(), LVM_CANCELEDITLABEL, 0, 0);

    ClickHeader(0);
    EXPECT_TRUE(followed()) << "sorted by title";
    ClickHeader(3);
    EXPECT_TRUE(followed()) << "sorted by size";

    const int above = List().FirstSelected() > 0 ? 0 : 1;
    List().SetChecked(above, true);
    testing_support::ScriptedPrompter prompter;
    prompter.Answer(framework::Answer::Yes);
    Command(ID_CHECKED_DELETE);
    EXPECT_EQ(List().RowCount(), 5);
    EXPECT_TRUE(followed()) << "a ticked row deleted";
    ASSERT_TRUE(library::ProcessPendingMarks().WaitUntilWritten(5s));

    // Typing a title's beginning moves to it; a key after a pause starts a new search.
    SetFocus(List().hwnd());
    PostMessageW(List().hwnd(), WM_CHAR, L'r', 1);
    testing_support::PumpUntil([] { return false; }, 600ms);
    EXPECT_TRUE(followed()) << "\"r\" is where the renamed clip is";
    PostMessageW(List().hwnd(), WM_CHAR, L'1', 1);
    testing_support::PumpUntil([] { return false; }, 300ms);
    ASSERT_GE(List().FirstSelected(), 0);
    EXPECT_EQ(List().CellText(List().FirstSelected(), 0).substr(0, 3), L"126");
}

TEST_F(MainWindowList, RightClickBelowTheRowsOffersOnlyTheImports) {
    Refresh();
    NMITEMACTIVATE click{};
    click.hdr.hwndFrom = List().hwnd();
    click.hdr.idFrom = IDC_CLIP_LIST;
    click.hdr.code = NM_RCLICK;
    click.iItem = -1;
    RECT client{};
    GetClientRect(List().hwnd(), &client);
    click.ptAction = POINT{20, client.bottom - 3};
    SendMessageW(window_.hwnd(), WM_NOTIFY, IDC_CLIP_LIST, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(window_.contextMenu, (std::vector<std::wstring>{L" Download video  from YouTube site",
                                                              L" Import FLV video from local folder"}));

    RECT first{};
    first.left = LVIR_BOUNDS;
    SendMessageW(List().hwnd(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    click.ptAction = POINT{first.left + 10, (first.top + first.bottom) / 2};
    SendMessageW(window_.hwnd(), WM_NOTIFY, IDC_CLIP_LIST, reinterpret_cast<LPARAM>(&click));
    ASSERT_FALSE(window_.contextMenu.empty());
    EXPECT_EQ(window_.contextMenu.front(), L" Play                     Enter");
    EXPECT_EQ(window_.contextMenu.back(), L" Play in external player") << "no ticked rows, no submenu";

    // A clip that keeps the page it was watched on offers that page, and opens it; an
    // address that is no web page's is never offered, nor handed to the shell.
    const std::wstring page = L"http://site-one.test:8080/first.html?v=1&t=2";
    for (const std::wstring& kept : {page, std::wstring(L"file:///C:/Windows/System32/calc.exe")}) {
        SCOPED_TRACE(testing::PrintToString(kept));
        titles::WritePageUrl(List().RowPath(0), kept);
        window_.contextChoice = ID_MOVIE_OPEN_PAGE;
        SendMessageW(window_.hwnd(), WM_NOTIFY, IDC_CLIP_LIST, reinterpret_cast<LPARAM>(&click));
        const bool offered = window_.contextMenu.back() == L" Open the page";
        EXPECT_EQ(offered, kept == page);
        EXPECT_EQ(window_.openedPages, offered ? std::vector<std::wstring>{page} : std::vector<std::wstring>{});
        window_.contextChoice = 0;
        window_.openedPages.clear();
    }
}

TEST(MainWindowBadFiles, AreListedOrSkippedByWhatTheProbeFinds) {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Reelkeep");
    ScratchFolder library(L"bad-files");
    const std::wstring clips = BinFolder() + L"probe-clips\\";
    ASSERT_TRUE(CopyFileW((clips + L"zero-bytes.flv").c_str(), (library.path() + L"empty.flv").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW((clips + L"text-only.flv").c_str(), (library.path() + L".flv").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(
        (clips + L"flv-320x240-sound.flv").c_str(),
        (library.path() + L"clip & one %PATH% \u00e9t\u00e9 \u0432\u0438\u0434\u0435\u043e.flv").c_str(), FALSE));
    // A sparse file past 4 GiB that is no video at all.
    {
        platform::UniqueFile big(CreateFileW((library.path() + L"big.flv").c_str(), GENERIC_WRITE, 0, nullptr,
                                             CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(big.valid());
        DWORD returned = 0;
        DeviceIoControl(big.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
        LARGE_INTEGER end{};
        end.QuadPart = 4LL * 1024 * 1024 * 1024 + 4096;
        ASSERT_TRUE(SetFilePointerEx(big.get(), end, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(big.get()));
    }
    QuietMainWindow window;
    ASSERT_TRUE(window.CreateModeless());
    library::ClipFilter all;
    all.dateFrom = 0;
    all.dateTo = 4102444800;
    const int listed = library::BuildClipList(window.hwnd(), false, all, {library.path(), BinFolder() + L"ffmpeg.exe"});
    ASSERT_EQ(listed, 1);
    EXPECT_EQ(window.clipList().CellText(0, 0), L"clip & one %PATH% \u00e9t\u00e9 \u0432\u0438\u0434\u0435\u043e");
    EXPECT_EQ(window.clipList().CellText(0, 5), L"320x240");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Reelkeep");
}

}  // namespace
