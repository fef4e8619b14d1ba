#pragma once
// A stand-in for the main window in the convert benchmarks: only the clip list, holding
// copies of one clip, which the convert dialogs read their clips from.
#include "library/ClipListView.h"
#include "resources/resource.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace bench {

struct ClipListStandIn {
    HWND owner = nullptr;
    library::ClipListView list;

    // `count` rows of `clip`, titled "<title> 1" to "<title> <count>" from the top, the
    // first one marked; ticked when `ticked`.
    void Fill(const std::wstring& clip, int count, int seconds, const std::wstring& title, bool ticked) {
        owner = CreateWindowExW(0, L"STATIC", L"bench", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        list.Attach(CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | LVS_REPORT | LVS_OWNERDATA, 0, 0, 10, 10, owner,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_CLIP_LIST)), nullptr, nullptr));
        for (int row = count; row >= 1; --row) {
            library::ClipRecord record;
            record.cells[library::kTitleColumn] = title + L" " + std::to_wstring(row);
            record.cells[library::kResolutionColumn] = L"320x240";
            record.cells[library::kPathColumn] = clip;
            record.durationSeconds = seconds;
            list.InsertAtTop(record);
            if (ticked) list.SetChecked(0, true);
        }
        SendMessageW(list.hwnd(), LVM_SETSELECTIONMARK, 0, 0);
    }
    ~ClipListStandIn() {
        if (owner) DestroyWindow(owner);
    }
};

}  // namespace bench
