#include "convert/Presets.h"

#include "resources/resource.h"

#include <span>

namespace convert {

namespace {

// Every piece below is a whole literal with its own blanks: ffmpeg receives exactly these
// texts, so the quantiser is never formatted as a number. Rows are indexed by level - 1.
using LevelPieces = std::array<std::wstring_view, 3>;

constexpr LevelPieces kMovQuantiser = {L" -qscale 18", L" -qscale 5", L" -qscale 1"};
constexpr LevelPieces kMp4Prefix = {L"-vcodec mpeg4 -qscale 18 ", L"-vcodec mpeg4 -qscale 5 ",
                                    L"-vcodec mpeg4 -qscale 1 "};
constexpr std::wstring_view kPspPrefix = L"-f psp ";
constexpr LevelPieces kPspSuffix = {L" -qscale 18 -r 30 -ar 24000", L" -qscale 5 -r 30 -ar 24000",
                                    L" -qscale 1 -r 30 -ar 24000"};
constexpr LevelPieces k3gpPrefix = {L"-vcodec h263 -qscale 18 -acodec libopencore_amrnb ",
                                    L"-vcodec h263 -qscale 5 -acodec libopencore_amrnb ",
                                    L"-vcodec h263 -qscale 1 -acodec libopencore_amrnb "};
constexpr std::wstring_view k3gpSuffix = L" -ar 8000 -ab 12.2k -ac 1";
constexpr LevelPieces kWmvOptions = {L"-vcodec wmv1 -qscale 18 -acodec adpcm_ima_wav",
                                     L"-vcodec wmv1 -qscale 5 -acodec adpcm_ima_wav",
                                     L"-vcodec wmv1 -qscale 1 -acodec adpcm_ima_wav"};
constexpr LevelPieces kAviOptions = {L"-vcodec mpeg4 -qscale 18", L"-vcodec mpeg4 -qscale 5",
                                     L"-vcodec mpeg4 -qscale 1"};
constexpr LevelPieces kMp3Options = {L"-ar 22050 -ab 64 -ac 1", L"-ar 44100 -ab 128 -ac 2", L"-ar 48000 -ab 192 -ac 2"};

constexpr std::wstring_view kSizeOptionPrefix = L"-s ";

constexpr std::array<std::wstring_view, 2> kIpodSizes = {L"480x320", L"320x240"};
constexpr std::array<std::wstring_view, 2> kIphoneSizes = {L"480x320", L"640x480"};
constexpr std::array<std::wstring_view, 3> kPspSizes = {L"480x272", L"320x240", L"368x208"};
constexpr std::array<std::wstring_view, 3> kCellPhoneSizes = {L"128x96", L"176x144", L"352x288"};

struct SizeList {
    std::span<const std::wstring_view> sizes;
    int defaultIndex;
};

// Formats 4 to 6 have no size list: WMV and AVI keep the clip's size, MP3 has no picture.
SizeList SizeListOf(int formatIndex) {
    switch (static_cast<OutputFormat>(formatIndex)) {
    case OutputFormat::IpodMov: return {kIpodSizes, 0};
    case OutputFormat::IphoneMp4: return {kIphoneSizes, 0};
    case OutputFormat::PspMp4: return {kPspSizes, 0};
    case OutputFormat::CellPhone3gp: return {kCellPhoneSizes, 1};
    default: return {{}, -1};
    }
}

std::wstring SizeOption(int formatIndex, int resolutionIndex) {
    const SizeList list = SizeListOf(formatIndex);
    if (resolutionIndex < 0 || static_cast<size_t>(resolutionIndex) >= list.sizes.size()) return {};
    std::wstring option(kSizeOptionPrefix);
    option += list.sizes[static_cast<size_t>(resolutionIndex)];
    return option;
}

bool IsFormatIndex(int formatIndex) { return formatIndex >= 0 && formatIndex < kOutputFormatCount; }

bool IsLevel(int level) {
    return level >= static_cast<int>(QualityLevel::Low) && level <= static_cast<int>(QualityLevel::High);
}

std::wstring Join(std::initializer_list<std::wstring_view> pieces) {
    std::wstring text;
    for (std::wstring_view piece : pieces) text += piece;
    return text;
}

}  // namespace

const std::array<FormatEntry, kOutputFormatCount>& FormatEntries() {
    static const std::array<FormatEntry, kOutputFormatCount> entries = {{
        {L"Ipod Video (Apple QuickTime MOV)", IDI_FORMAT_IPOD, L".mov"},
        {L"Iphone Video (MPEG-4 MP4)", IDI_FORMAT_IPHONE, L".mp4"},
        {L"PSP Video (H.264 MP4)", IDI_FORMAT_PSP, L".mp4"},
        {L"Cell Phone (H.263 3GP)", IDI_FORMAT_3GP, L".3gp"},
        {L"Windows Media Video (WMV)", IDI_FORMAT_WMV, L".wmv"},
        {L"XVid MPEG-4 Codec (AVI)", IDI_FORMAT_AVI, L".avi"},
        {L"MPEG Audio Layer 3 (MP3)", IDI_FORMAT_MP3, L".mp3"},
    }};
    return entries;
}

std::wstring buildPresetArguments(int formatIndex, int resolutionIndex, int level) {
    if (!IsLevel(level)) return {};
    const size_t q = static_cast<size_t>(level - 1);
    const std::wstring size = SizeOption(formatIndex, resolutionIndex);
    switch (static_cast<OutputFormat>(formatIndex)) {
    case OutputFormat::IpodMov: return Join({size, kMovQuantiser[q]});
    case OutputFormat::IphoneMp4: return Join({kMp4Prefix[q], size});
    case OutputFormat::PspMp4: return Join({kPspPrefix, size, kPspSuffix[q]});
    case OutputFormat::CellPhone3gp: return Join({k3gpPrefix[q], size, k3gpSuffix});
    case OutputFormat::Wmv: return std::wstring(kWmvOptions[q]);
    case OutputFormat::Avi: return std::wstring(kAviOptions[q]);
    case OutputFormat::Mp3: return std::wstring(kMp3Options[q]);
    }
    return {};
}

std::wstring outputExtension(int formatIndex) {
    if (!IsFormatIndex(formatIndex)) return {};
    return std::wstring(FormatEntries()[static_cast<size_t>(formatIndex)].extension);
}

ResolutionChoices resolutionChoices(int formatIndex, std::wstring_view clipResolution) {
    ResolutionChoices choices;
    const SizeList list = SizeListOf(formatIndex);
    if (!list.sizes.empty()) {
        for (std::wstring_view size : list.sizes) choices.entries.emplace_back(size);
        choices.selection = list.defaultIndex;
        choices.enabled = true;
        return choices;
    }
    const auto format = static_cast<OutputFormat>(formatIndex);
    if (format == OutputFormat::Wmv || format == OutputFormat::Avi || format == OutputFormat::Mp3) {
        choices.entries.emplace_back(clipResolution);
        // MP3 has no picture: the clip's size is listed but not shown as chosen.
        choices.selection = format == OutputFormat::Mp3 ? -1 : 0;
    }
    // An index outside the combo (nothing selected) leaves the box empty and disabled.
    return choices;
}

ResolutionChoices InitialResolutionChoices() { return resolutionChoices(static_cast<int>(OutputFormat::IpodMov), {}); }

int LevelFromQualityComboIndex(int comboIndex) { return comboIndex + 1; }

bool FormatHasSizeChoices(int formatIndex) { return !SizeListOf(formatIndex).sizes.empty(); }

}  // namespace convert
