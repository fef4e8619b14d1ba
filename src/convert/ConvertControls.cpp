#include "convert/ConvertControls.h"

#include "framework/WinApp.h"
#include "convert/OutputNames.h"
#include "platform/IconList.h"
#include "resources/resource.h"

#include <algorithm>

namespace convert {

FormatImages::~FormatImages() {
    if (images_) ImageList_Destroy(images_);
}

void FormatImages::AddIcons(HWND combo) {
    if (!images_) images_ = platform::LoadIconStrip(framework::WinApp::ResourceInstance(), IDB_FORMAT_STRIP);
    platform::SetComboBoxExImages(combo, images_);
}

void FormatImages::FillFormatCombo(HWND combo) {
    int index = 0;
    for (const FormatEntry& entry : FormatEntries()) {
        std::wstring text(entry.displayText);
        COMBOBOXEXITEMW item{};
        item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
        item.iItem = index;
        item.pszText = text.data();
        item.cchTextMax = MAX_PATH;
        item.iImage = index;
        item.iSelectedImage = index;
        SendMessageW(combo, CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        ++index;
    }
    SendMessageW(combo, CB_SETCURSEL, kInitialFormatIndex, 0);
}

void FillResolutionCombo(HWND combo, const ResolutionChoices& choices) {
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const std::wstring& entry : choices.entries)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(choices.selection), 0);
    EnableWindow(combo, choices.enabled);
}

void FillQualityCombo(HWND combo, int selection) {
    for (std::wstring_view text : kQualityTexts)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::wstring(text).c_str()));
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(selection), 0);
}

int NameBoxLimit() {
    std::size_t longest = 0;
    for (const FormatEntry& entry : FormatEntries()) longest = std::max(longest, entry.extension.size());
    return static_cast<int>(kMaxOutputNameLength - longest);
}

void ShowProgressOn(HWND bar, HWND label, const ProgressDisplay& display) {
    const LONG style = GetWindowLongW(bar, GWL_STYLE);
    if (display.indeterminate != ((style & PBS_MARQUEE) != 0)) {
        SetWindowLongW(bar, GWL_STYLE, display.indeterminate ? (style | PBS_MARQUEE) : (style & ~PBS_MARQUEE));
        SendMessageW(bar, PBM_SETMARQUEE, display.indeterminate, 0);
    }
    if (!display.indeterminate) SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(display.barPosition), 0);
    SetWindowTextW(label, display.label.c_str());
}

int SelectedIndex(HWND combo) { return static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)); }

}  // namespace convert
