#pragma once
// Where the preview's host window sits in the main window's client area, per view mode.
// Portable.
namespace player {

struct PreviewRect {
    int x, y, width, height;
};

// Simple (1) gets the wide pane; Standard (2), Advanced (3) and anything else the small one.
constexpr PreviewRect PreviewPlacement(int viewMode) {
    return viewMode == 1 ? PreviewRect{30, 258, 714, 344} : PreviewRect{30, 360, 320, 241};
}

}  // namespace player
