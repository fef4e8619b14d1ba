#include "library/ViewLayout.h"

#include "resources/resource.h"

#include <array>

namespace library {

namespace {

constexpr std::array kConvertPanel = {
    IDC_OUTPUT_NAME_LABEL,
    IDC_OUTPUT_FOLDER_LABEL,
    IDC_FORMAT_LABEL,
    IDC_FORMAT,
    IDC_OUTPUT_FOLDER,
    IDC_PANEL_FOLDER_MARK,
    IDC_PANEL_NAME_MARK,
    IDC_OUTPUT_NAME,
    IDC_OPEN_FOLDER,
    IDC_CONVERT,
    IDC_CHANGE_FOLDER,
    IDC_CONVERT_GROUP,
    IDC_QUALITY_SLIDER,
    IDC_QUALITY_SLIDER_LABEL,
    IDC_QUALITY_LOW_LABEL,
    IDC_QUALITY_MEDIUM_LABEL,
    IDC_QUALITY_HIGH_LABEL,
    IDC_QUALITY_LABEL,
    IDC_RESOLUTION_LABEL,
    IDC_CUT_FROM_LABEL,
    IDC_CUT_TO_LABEL,
    IDC_RESOLUTION,
    IDC_QUALITY,
    IDC_CUT_FROM,
    IDC_CUT_TO,
    IDC_CUT_VIDEO,
};

constexpr std::array kViewCommands = {ID_VIEW_SIMPLE, ID_VIEW_STANDARD, ID_VIEW_ADVANCED};

// The filter row's controls that share a place are all moved; only one of each set
// is visible at a time.
constexpr std::array<ControlPlacement, 17> kSimplePlacements = {{
    {IDC_LIBRARY_GROUP, {14, 11, 746, 146}},
    {IDC_CLIP_LIST, {30, 33, 714, 109}},
    {IDC_FILTER_GROUP, {14, 166, 746, 60}},
    {IDC_FILTER_KIND, {30, 188, 171, 21}},
    {IDC_FILTER_DATE_PRESET, {224, 188, 171, 21}},
    {IDC_FILTER_TIME_PRESET, {224, 188, 171, 21}},
    {IDC_FILTER_KEYWORD_MODE, {224, 188, 171, 21}},
    {IDC_FILTER_FROM_LABEL, {416, 191, 30, 20}},
    {IDC_FILTER_TO_LABEL, {548, 191, 18, 20}},
    {IDC_FILTER_KEYWORD_LABEL, {414, 191, 48, 13}},
    {IDC_FILTER_DATE_FROM, {449, 188, 83, 21}},
    {IDC_FILTER_TIME_FROM, {449, 188, 83, 21}},
    {IDC_FILTER_DATE_TO, {569, 188, 83, 21}},
    {IDC_FILTER_TIME_TO, {569, 188, 83, 21}},
    {IDC_FILTER_KEYWORD, {464, 188, 188, 21}},
    {IDC_FILTER_SHOW, {671, 188, 74, 23}},
    {IDC_PREVIEW_GROUP, {14, 236, 746, 382}},
}};

// Standard and Advanced: a taller list and a small preview beside the convert panel.
constexpr std::array<ControlPlacement, 17> kWidePlacements = {{
    {IDC_LIBRARY_GROUP, {14, 11, 746, 247}},
    {IDC_CLIP_LIST, {30, 33, 714, 210}},
    {IDC_FILTER_GROUP, {14, 268, 746, 60}},
    {IDC_FILTER_KIND, {30, 291, 171, 21}},
    {IDC_FILTER_DATE_PRESET, {224, 291, 171, 21}},
    {IDC_FILTER_TIME_PRESET, {224, 291, 171, 21}},
    {IDC_FILTER_KEYWORD_MODE, {224, 291, 171, 21}},
    {IDC_FILTER_FROM_LABEL, {416, 294, 30, 20}},
    {IDC_FILTER_TO_LABEL, {548, 294, 18, 20}},
    {IDC_FILTER_KEYWORD_LABEL, {414, 294, 48, 13}},
    {IDC_FILTER_DATE_FROM, {449, 291, 83, 21}},
    {IDC_FILTER_TIME_FROM, {449, 291, 83, 21}},
    {IDC_FILTER_DATE_TO, {569, 291, 83, 21}},
    {IDC_FILTER_TIME_TO, {569, 291, 83, 21}},
    {IDC_FILTER_KEYWORD, {464, 291, 188, 21}},
    {IDC_FILTER_SHOW, {671, 291, 74, 23}},
    {IDC_PREVIEW_GROUP, {14, 340, 351, 278}},
}};

constexpr PixelRect kSimplePreviewPlayer = {30, 258, 714, 344};
constexpr PixelRect kWidePreviewPlayer = {30, 360, 320, 241};

constexpr std::array<int, 0> kSimpleShown = {};

constexpr std::array kStandardShown = {
    IDC_OUTPUT_NAME_LABEL,  IDC_OUTPUT_FOLDER_LABEL,
    IDC_FORMAT_LABEL,       IDC_FORMAT,
    IDC_OUTPUT_FOLDER,      IDC_PANEL_FOLDER_MARK,
    IDC_PANEL_NAME_MARK,    IDC_OUTPUT_NAME,
    IDC_OPEN_FOLDER,        IDC_CONVERT,
    IDC_CHANGE_FOLDER,      IDC_CONVERT_GROUP,
    IDC_QUALITY_SLIDER,     IDC_QUALITY_SLIDER_LABEL,
    IDC_QUALITY_LOW_LABEL,  IDC_QUALITY_MEDIUM_LABEL,
    IDC_QUALITY_HIGH_LABEL,
};

constexpr std::array kAdvancedShown = {
    IDC_OUTPUT_NAME_LABEL, IDC_OUTPUT_FOLDER_LABEL, IDC_FORMAT_LABEL,     IDC_FORMAT,        IDC_OUTPUT_FOLDER,
    IDC_PANEL_FOLDER_MARK, IDC_PANEL_NAME_MARK,     IDC_OUTPUT_NAME,      IDC_OPEN_FOLDER,   IDC_CONVERT,
    IDC_CHANGE_FOLDER,     IDC_CONVERT_GROUP,       IDC_RESOLUTION_LABEL, IDC_QUALITY_LABEL, IDC_CUT_FROM_LABEL,
    IDC_CUT_TO_LABEL,      IDC_RESOLUTION,          IDC_QUALITY,          IDC_CUT_FROM,      IDC_CUT_TO,
    IDC_CUT_VIDEO,
};

// Column 8 (the path) appears in none of these: it stays hidden as the row's key.
constexpr std::array<ColumnWidth, 10> kSimpleWidths = {
    {{0, 243}, {1, 90}, {2, 90}, {3, 90}, {4, 90}, {5, 90}, {6, 0}, {7, 0}, {9, 0}, {10, 0}}};
constexpr std::array<ColumnWidth, 10> kStandardWidths = {
    {{0, 213}, {1, 80}, {2, 80}, {3, 80}, {4, 80}, {5, 80}, {6, 80}, {7, 0}, {9, 0}, {10, 0}}};
constexpr std::array<ColumnWidth, 10> kAdvancedWidths = {
    {{0, 213}, {1, 80}, {2, 80}, {3, 80}, {4, 80}, {5, 80}, {6, 80}, {7, 80}, {9, 330}, {10, 240}}};

}  // namespace

std::span<const int> ConvertPanelControls() { return kConvertPanel; }

std::span<const int> ViewMenuCommands() { return kViewCommands; }

std::optional<ViewLayout> LayoutForViewMode(int mode) {
    switch (mode) {
    case kViewSimple:
        return ViewLayout{kSimplePlacements, kSimplePreviewPlayer, kSimpleShown, kSimpleWidths, ID_VIEW_SIMPLE};
    case kViewStandard:
        return ViewLayout{kWidePlacements, kWidePreviewPlayer, kStandardShown, kStandardWidths, ID_VIEW_STANDARD};
    case kViewAdvanced:
        return ViewLayout{kWidePlacements, kWidePreviewPlayer, kAdvancedShown, kAdvancedWidths, ID_VIEW_ADVANCED};
    default: return std::nullopt;
    }
}

int ViewModeFromNumber(int stored) { return stored >= kViewSimple && stored <= kViewAdvanced ? stored : kViewStandard; }

int NextViewMode(int mode) {
    if (mode == kViewSimple) return kViewStandard;
    if (mode == kViewStandard) return kViewAdvanced;
    return kViewSimple;
}

}  // namespace library
