#pragma once
// The fixed conversion targets: seven formats, their frame sizes, three quality levels,
// and how a surface's three selections become ffmpeg options and an extension.
// Portable: no Windows header. Nothing here is configurable.
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace convert {

// The position of an entry in the format combo (IDC_FORMAT); every table is keyed by it.
enum class OutputFormat : int {
    IpodMov = 0,
    IphoneMp4 = 1,
    PspMp4 = 2,
    CellPhone3gp = 3,
    Wmv = 4,
    Avi = 5,
    Mp3 = 6,
};
inline constexpr int kOutputFormatCount = 7;

// 1..3; a level outside that range yields no options at all.
enum class QualityLevel : int { Low = 1, Medium = 2, High = 3 };

struct FormatEntry {
    std::wstring_view displayText;
    int iconResource;
    std::wstring_view extension;
};

// The format combo's entries in combo order; entry i has image index i.
const std::array<FormatEntry, kOutputFormatCount>& FormatEntries();

// The option string placed between the input and the output on ffmpeg's command line.
// Indices outside the tables give no size option (resolution) or an empty string
// (format, level).
std::wstring buildPresetArguments(int formatIndex, int resolutionIndex, int level);

// The extension with its dot; empty for an index outside 0..6.
std::wstring outputExtension(int formatIndex);

// What the resolution combo (IDC_RESOLUTION) shows for a format.
struct ResolutionChoices {
    std::vector<std::wstring> entries;
    int selection = -1;  // -1: nothing selected, the box shows empty
    bool enabled = false;
};

// clipResolution is the Resolution column text of the clip selected in the library.
// WMV and AVI carry no size option, so their disabled box just shows the clip's own size.
ResolutionChoices resolutionChoices(int formatIndex, std::wstring_view clipResolution);

// Before any format change the resolution box holds format 0's list with entry 0.
ResolutionChoices InitialResolutionChoices();

// The quality combo (IDC_QUALITY) lists these in level order; level = index + 1.
inline constexpr std::array<std::wstring_view, 3> kQualityTexts = {L"Low", L"Medium", L"High"};
int LevelFromQualityComboIndex(int comboIndex);

// The Standard view's trackbar (IDC_QUALITY_SLIDER): its position is the level itself.
inline constexpr int kQualitySliderMin = 1;
inline constexpr int kQualitySliderMax = 3;

// Defaults when a surface opens.
inline constexpr int kMainPanelSliderDefault = 3;
inline constexpr int kMainPanelQualityComboDefault = 2;  // "High"
inline constexpr int kDialogQualityComboDefault = 1;     // "Medium", single-clip and batch
inline constexpr int kInitialFormatIndex = 0;
// The Standard view shows no resolution box; the first size of the format is used.
inline constexpr int kStandardViewResolutionIndex = 0;

// Formats whose resolution box stays enabled after a run (the ones with a size list).
bool FormatHasSizeChoices(int formatIndex);

}  // namespace convert
