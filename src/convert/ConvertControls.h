#pragma once
// The controls every convert surface shares (format, resolution and quality combos), filled
// the same way everywhere.
#include "convert/Presets.h"
#include "convert/Progress.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace convert {

// The format combo's entries, entry 0 selected, and their icons. The combo does not own
// the image list: this owner keeps it for the combo's lifetime.
class FormatImages {
public:
    FormatImages() = default;
    ~FormatImages();
    FormatImages(const FormatImages&) = delete;
    FormatImages& operator=(const FormatImages&) = delete;

    void FillFormatCombo(HWND combo);
    void AddIcons(HWND combo);

private:
    HIMAGELIST images_ = nullptr;
};

void FillResolutionCombo(HWND combo, const ResolutionChoices& choices);
void FillQualityCombo(HWND combo, int selection);
int SelectedIndex(HWND combo);
// The longest output name a name box or batch row takes: name and extension must fit in
// a file name.
int NameBoxLimit();
// A run's progress on its bar and percent label; a marquee when no share can be computed.
void ShowProgressOn(HWND bar, HWND label, const ProgressDisplay& display);

}  // namespace convert
