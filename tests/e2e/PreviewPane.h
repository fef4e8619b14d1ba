#pragma once
// The main window's preview pane as the display shows it: where it is and what colours
// its picture holds, for tests that wait for a frame, a placeholder or playback.
#include <windows.h>

#include <vector>

namespace e2e {

// The player's host window: the main window's one child of a class of the runtime's own,
// named like "0a1b2c3d_..._..._..."; null when the runtime did not load.
HWND FindPane(HWND main);

// Colours on a grid of 6 columns and 4 rows over the pane's picture, read from the screen.
std::vector<COLORREF> PaneColours(HWND pane);

// The wide pane of the Simple layout shows a 4:3 clip between black bars: the samples of
// the middle four columns.
std::vector<COLORREF> MiddleColumns(const std::vector<COLORREF>& colours);

bool IsGreen(COLORREF c);
bool IsWhite(COLORREF c);
// A moving test picture or a clip's test pattern: many colours, unlike a flat green
// frame, the blank placeholder or black.
bool IsColourful(const std::vector<COLORREF>& colours);
// Three quarters of the colours or more pass `test`.
bool Mostly(const std::vector<COLORREF>& colours, bool (*test)(COLORREF));

}  // namespace e2e
