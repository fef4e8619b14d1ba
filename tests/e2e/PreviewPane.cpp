#include "PreviewPane.h"

#include "Harness.h"

#include <algorithm>

namespace e2e {

HWND FindPane(HWND main) {
    for (HWND child = GetWindow(main, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::wstring name = ClassName(child);
        if (name.size() == 35 && name[8] == L'_' && name[17] == L'_' && name[26] == L'_') return child;
    }
    return nullptr;
}

namespace {

constexpr int kColumns = 6;
constexpr int kRows = 4;

}  // namespace

std::vector<COLORREF> PaneColours(HWND pane) {
    RECT r{};
    GetWindowRect(pane, &r);
    HDC screen = GetDC(nullptr);
    std::vector<COLORREF> colours;
    for (int row = 1; row <= kRows; ++row)
        for (int column = 1; column <= kColumns; ++column)
            colours.push_back(GetPixel(screen, r.left + (r.right - r.left) * column / (kColumns + 1),
                                       r.top + (r.bottom - r.top) * row / (kRows + 2)));
    ReleaseDC(nullptr, screen);
    return colours;
}

std::vector<COLORREF> MiddleColumns(const std::vector<COLORREF>& colours) {
    std::vector<COLORREF> middle;
    for (size_t i = 0; i < colours.size(); ++i)
        if (i % kColumns != 0 && i % kColumns != kColumns - 1) middle.push_back(colours[i]);
    return middle;
}

bool IsGreen(COLORREF c) { return GetGValue(c) > 150 && GetRValue(c) < 80 && GetBValue(c) < 80; }

bool IsWhite(COLORREF c) { return GetRValue(c) > 235 && GetGValue(c) > 235 && GetBValue(c) > 235; }

bool IsColourful(const std::vector<COLORREF>& colours) {
    std::vector<COLORREF> distinct;
    for (COLORREF c : colours)
        if (std::find(distinct.begin(), distinct.end(), c) == distinct.end()) distinct.push_back(c);
    return distinct.size() >= 5;
}

bool Mostly(const std::vector<COLORREF>& colours, bool (*test)(COLORREF)) {
    int hits = 0;
    for (COLORREF c : colours) hits += test(c) ? 1 : 0;
    return hits * 4 >= static_cast<int>(colours.size()) * 3;
}

}  // namespace e2e
