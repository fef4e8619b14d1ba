#pragma once
// The main window's three layouts as data: where the library and filter controls go,
// which convert-panel controls show, and the list's column widths. The window applies
// them; nothing here touches a window. Portable: no Windows header.
#include <optional>
#include <span>

namespace library {

inline constexpr int kViewSimple = 1;
inline constexpr int kViewStandard = 2;
inline constexpr int kViewAdvanced = 3;

// Client-area pixels.
struct PixelRect {
    int left;
    int top;
    int width;
    int height;

    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

struct ControlPlacement {
    int controlId;
    PixelRect rect;
};

struct ColumnWidth {
    int column;
    int width;
};

struct ViewLayout {
    std::span<const ControlPlacement> placements;
    PixelRect previewPlayer;  // the Flash host window, which has no control id
    std::span<const int> shownControls;
    // Only the columns listed change; the path column is never among them.
    std::span<const ColumnWidth> columnWidths;
    int viewMenuCommand;  // the View entry that gets the check mark
};

// Every convert-panel control. All of them are hidden before any layout is applied,
// also for a mode that names no layout.
std::span<const int> ConvertPanelControls();

// The View entries, all unchecked before the mode's own entry is checked.
std::span<const int> ViewMenuCommands();

// The layout of mode 1, 2 or 3; no value for any other mode (nothing moves, nothing
// shows, no width changes).
std::optional<ViewLayout> LayoutForViewMode(int mode);

// The stored "view" value as a mode: anything but 1, 2 or 3 (a value typed by hand, a
// setting of the wrong type) reads as Standard, the first run's choice, rather than
// leaving the window without its convert panel.
int ViewModeFromNumber(int stored);

// Alt+V: Simple to Standard to Advanced, and anything else to Simple.
int NextViewMode(int mode);

}  // namespace library
