#pragma once
// The columns of the clip list, in the order of a ClipRecord. Portable.
#include <array>
#include <string_view>

namespace library {

// The numbers are the list's sort parameters (negated for a descending sort).
enum class SortKind : int { Integer = 1, Text = 2, DateTime = 3, Decimal = 4 };

struct ClipColumn {
    std::wstring_view header;
    int initialWidth;  // pixels; the layouts change them
    SortKind sortKind;
};

inline constexpr std::array<ClipColumn, 11> kClipColumns = {{
    {L"Video title", 213, SortKind::Text},
    {L"Date of view", 80, SortKind::DateTime},
    {L"Time of view", 80, SortKind::DateTime},
    {L"Size", 80, SortKind::Decimal},
    {L"Duration", 80, SortKind::DateTime},
    {L"Resolution", 80, SortKind::Text},
    {L"Frame rate", 80, SortKind::Integer},
    {L"Bitrate", 0, SortKind::Integer},
    {L"Cache location", 0, SortKind::Text},
    {L"Stream of video", 0, SortKind::Text},
    {L"Stream of audio", 0, SortKind::Text},
}};

inline constexpr int kTitleColumn = 0;
inline constexpr int kDurationColumn = 4;  // "HH:MM:SS"
inline constexpr int kResolutionColumn = 5;
// The date header carries the upward arrow at start and after "Show", sorted or not.
inline constexpr int kDateColumn = 1;
// The clip file's full path: the row's key, never widened by any layout.
inline constexpr int kPathColumn = 8;

}  // namespace library
