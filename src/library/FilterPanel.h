#pragma once
// The "Filter videos" controls of the main window. Runs on the window thread; workers
// reach it through the main window's messages.
#include "framework/ControlHost.h"
#include "library/ClipFilter.h"
#include "library/FilterPresets.h"
#include "platform/ProgramFolder.h"

#include <windows.h>

#include <commctrl.h>

#include <optional>
#include <span>
#include <string>
#include <utility>
#include <string_view>
#include <vector>

namespace library {

class FilterPanel : public framework::ControlHost {
public:
    FilterPanel() = default;
    ~FilterPanel() override;
    FilterPanel(const FilterPanel&) = delete;
    FilterPanel& operator=(const FilterPanel&) = delete;

    // `libraryFolder` (ending with a backslash) holds the clips whose days "All Time" spans.
    void Attach(HWND dialog, std::wstring libraryFolder = platform::LibraryFolder()) {
        Bind(dialog);
        libraryFolder_ = std::move(libraryFolder);
    }
    // Combo entries, picker formats, the start-up selections and what they put in the
    // pickers.
    void Setup();
    // The icons of the entries of one of the combo boxes that have them, 0 up to
    // kIconCombos: under Wine each takes the window tens of server requests, so the window
    // may add them one at a time and answer in between.
    static constexpr int kIconCombos = 4;
    void AddIcons(HINSTANCE resources, int combo);

    // Returns true when the command belonged to the filter controls.
    bool OnCommand(WORD id, WORD code);
    // A change of a picker by the user selects the custom preset of its kind.
    bool OnNotify(const NMHDR& header);

    void OnFilterKindChanged();
    void ApplyDatePreset();
    void ApplyTimePreset();
    // The filter the controls describe now; none when no filter kind is selected.
    std::optional<ClipFilter> ReadClipFilter() const;

private:
    int Selection(int comboId) const;
    void WritePickers(int fromId, int toId, const PickerRange& range);
    void FillComboEx(int comboId, std::span<const std::wstring_view> texts);
    void AddComboIcons(int comboId, HINSTANCE resources, int stripId);

    std::wstring libraryFolder_;
    // Set while a preset writes the pickers, so that the write is not taken for the user's.
    bool writingPickers_ = false;
    // The combos do not own their image lists.
    std::vector<HIMAGELIST> imageLists_;
};

}  // namespace library
