#include "convert/Presets.h"

#include <gtest/gtest.h>

namespace convert {
namespace {

struct PresetCase {
    int format;
    int resolution;
    int level;
    const wchar_t* expected;
};

// Each row names the fixed pieces it brings in; together the rows hold all 31 of them.
TEST(PresetArguments, EveryFormatAtEveryLevel) {
    const PresetCase cases[] = {
        // MOV: "-s 480x320" and the three " -qscale Q" pieces.
        {0, 0, 3, L"-s 480x320 -qscale 1"},
        {0, 0, 2, L"-s 480x320 -qscale 5"},
        {0, 0, 1, L"-s 480x320 -qscale 18"},
        // MP4: the three prefixes, each with its trailing blank.
        {1, 0, 3, L"-vcodec mpeg4 -qscale 1 -s 480x320"},
        {1, 0, 2, L"-vcodec mpeg4 -qscale 5 -s 480x320"},
        {1, 0, 1, L"-vcodec mpeg4 -qscale 18 -s 480x320"},
        // PSP: "-f psp " and the three rate suffixes.
        {2, 0, 3, L"-f psp -s 480x272 -qscale 1 -r 30 -ar 24000"},
        {2, 0, 2, L"-f psp -s 480x272 -qscale 5 -r 30 -ar 24000"},
        {2, 0, 1, L"-f psp -s 480x272 -qscale 18 -r 30 -ar 24000"},
        // 3GP: the three codec prefixes and the one audio suffix.
        {3, 1, 3, L"-vcodec h263 -qscale 1 -acodec libopencore_amrnb -s 176x144 -ar 8000 -ab 12.2k -ac 1"},
        {3, 1, 2, L"-vcodec h263 -qscale 5 -acodec libopencore_amrnb -s 176x144 -ar 8000 -ab 12.2k -ac 1"},
        {3, 1, 1, L"-vcodec h263 -qscale 18 -acodec libopencore_amrnb -s 176x144 -ar 8000 -ab 12.2k -ac 1"},
        // WMV, AVI (no trailing blank), MP3.
        {4, 0, 3, L"-vcodec wmv1 -qscale 1 -acodec adpcm_ima_wav"},
        {4, 0, 2, L"-vcodec wmv1 -qscale 5 -acodec adpcm_ima_wav"},
        {4, 0, 1, L"-vcodec wmv1 -qscale 18 -acodec adpcm_ima_wav"},
        {5, 0, 3, L"-vcodec mpeg4 -qscale 1"},
        {5, 0, 2, L"-vcodec mpeg4 -qscale 5"},
        {5, 0, 1, L"-vcodec mpeg4 -qscale 18"},
        {6, 0, 3, L"-ar 48000 -ab 192 -ac 2"},
        {6, 0, 2, L"-ar 44100 -ab 128 -ac 2"},
        {6, 0, 1, L"-ar 22050 -ab 64 -ac 1"},
    };
    for (const PresetCase& c : cases) {
        EXPECT_EQ(buildPresetArguments(c.format, c.resolution, c.level), c.expected)
            << "format " << c.format << " level " << c.level;
    }
}

TEST(PresetArguments, EveryFrameSizeOfEveryFormat) {
    // The remaining "-s" pieces: 320x240, 640x480, 368x208, 128x96, 352x288.
    const PresetCase cases[] = {
        {0, 1, 3, L"-s 320x240 -qscale 1"},
        {1, 1, 3, L"-vcodec mpeg4 -qscale 1 -s 640x480"},
        {2, 1, 2, L"-f psp -s 320x240 -qscale 5 -r 30 -ar 24000"},
        {2, 2, 2, L"-f psp -s 368x208 -qscale 5 -r 30 -ar 24000"},
        {3, 0, 1, L"-vcodec h263 -qscale 18 -acodec libopencore_amrnb -s 128x96 -ar 8000 -ab 12.2k -ac 1"},
        {3, 2, 1, L"-vcodec h263 -qscale 18 -acodec libopencore_amrnb -s 352x288 -ar 8000 -ab 12.2k -ac 1"},
    };
    for (const PresetCase& c : cases) {
        EXPECT_EQ(buildPresetArguments(c.format, c.resolution, c.level), c.expected)
            << "format " << c.format << " resolution " << c.resolution;
    }
}

TEST(PresetArguments, SizeOutsideTheListIsDroppedWithItsBlanksKept) {
    const PresetCase cases[] = {
        {0, 2, 3, L" -qscale 1"},
        {0, -1, 1, L" -qscale 18"},
        {1, -1, 3, L"-vcodec mpeg4 -qscale 1 "},
        {1, 2, 2, L"-vcodec mpeg4 -qscale 5 "},
        {2, 3, 2, L"-f psp  -qscale 5 -r 30 -ar 24000"},
        {3, 3, 3, L"-vcodec h263 -qscale 1 -acodec libopencore_amrnb  -ar 8000 -ab 12.2k -ac 1"},
    };
    for (const PresetCase& c : cases) {
        EXPECT_EQ(buildPresetArguments(c.format, c.resolution, c.level), c.expected)
            << "format " << c.format << " resolution " << c.resolution;
    }
}

TEST(PresetArguments, WmvAviAndMp3IgnoreTheResolution) {
    for (int format = 4; format <= 6; ++format) {
        for (int level = 1; level <= 3; ++level) {
            const std::wstring reference = buildPresetArguments(format, 0, level);
            EXPECT_FALSE(reference.empty());
            for (int resolution : {-1, 1, 2, 3, 100}) {
                EXPECT_EQ(buildPresetArguments(format, resolution, level), reference)
                    << "format " << format << " resolution " << resolution;
            }
        }
    }
}

TEST(PresetArguments, LevelOrFormatOutsideItsRangeGivesNoOptions) {
    for (int format = -1; format <= 7; ++format) {
        for (int resolution = -1; resolution <= 3; ++resolution) {
            for (int level : {-1, 0, 4, 7}) {
                EXPECT_EQ(buildPresetArguments(format, resolution, level), L"")
                    << format << "/" << resolution << "/" << level;
            }
        }
    }
    for (int level = 1; level <= 3; ++level) {
        EXPECT_EQ(buildPresetArguments(-1, 0, level), L"");
        EXPECT_EQ(buildPresetArguments(7, 0, level), L"");
    }
}

TEST(PresetArguments, QualityComesFromComboIndexOrSliderPosition) {
    // Combo "Low", "Medium", "High" at 0..2 are levels 1..3; the slider's position is the level.
    EXPECT_EQ(kQualityTexts[0], L"Low");
    EXPECT_EQ(kQualityTexts[1], L"Medium");
    EXPECT_EQ(kQualityTexts[2], L"High");
    EXPECT_EQ(buildPresetArguments(5, 0, LevelFromQualityComboIndex(2)), L"-vcodec mpeg4 -qscale 1");
    EXPECT_EQ(buildPresetArguments(5, 0, LevelFromQualityComboIndex(0)), L"-vcodec mpeg4 -qscale 18");
    EXPECT_EQ(buildPresetArguments(5, 0, LevelFromQualityComboIndex(-1)), L"") << "nothing selected";
    EXPECT_EQ(kQualityTexts[static_cast<size_t>(kMainPanelQualityComboDefault)], L"High");
    EXPECT_EQ(kQualityTexts[static_cast<size_t>(kDialogQualityComboDefault)], L"Medium");
    EXPECT_EQ(kMainPanelSliderDefault, static_cast<int>(QualityLevel::High));
    EXPECT_EQ(kQualitySliderMin, static_cast<int>(QualityLevel::Low));
    EXPECT_EQ(kQualitySliderMax, static_cast<int>(QualityLevel::High));
}

TEST(PresetFormats, TextsIconsAndExtensionsInComboOrder) {
    struct Row {
        const wchar_t* text;
        int icon;
        const wchar_t* extension;
    };
    const Row expected[] = {
        {L"Ipod Video (Apple QuickTime MOV)", 213, L".mov"},
        {L"Iphone Video (MPEG-4 MP4)", 212, L".mp4"},
        {L"PSP Video (H.264 MP4)", 215, L".mp4"},
        {L"Cell Phone (H.263 3GP)", 211, L".3gp"},
        {L"Windows Media Video (WMV)", 216, L".wmv"},
        {L"XVid MPEG-4 Codec (AVI)", 210, L".avi"},
        {L"MPEG Audio Layer 3 (MP3)", 214, L".mp3"},
    };
    const auto& entries = FormatEntries();
    for (int i = 0; i < kOutputFormatCount; ++i) {
        const auto index = static_cast<size_t>(i);
        EXPECT_EQ(entries[index].displayText, expected[index].text) << i;
        EXPECT_EQ(entries[index].iconResource, expected[index].icon) << i;
        EXPECT_EQ(outputExtension(i), expected[index].extension) << i;
    }
    EXPECT_EQ(outputExtension(-1), L"");
    EXPECT_EQ(outputExtension(7), L"");
    EXPECT_EQ(kInitialFormatIndex, 0);
}

TEST(PresetResolutions, ChoicesPerFormat) {
    struct Case {
        int format;
        std::vector<std::wstring> entries;
        int selection;
        bool enabled;
    };
    const std::wstring clip = L"640x360";
    const Case cases[] = {
        {0, {L"480x320", L"320x240"}, 0, true},
        {1, {L"480x320", L"640x480"}, 0, true},
        {2, {L"480x272", L"320x240", L"368x208"}, 0, true},
        {3, {L"128x96", L"176x144", L"352x288"}, 1, true},
        {4, {clip}, 0, false},
        {5, {clip}, 0, false},
        {6, {clip}, -1, false},
        {-1, {}, -1, false},
        {7, {}, -1, false},
    };
    for (const Case& c : cases) {
        const ResolutionChoices choices = resolutionChoices(c.format, clip);
        EXPECT_EQ(choices.entries, c.entries) << c.format;
        EXPECT_EQ(choices.selection, c.selection) << c.format;
        EXPECT_EQ(choices.enabled, c.enabled) << c.format;
        EXPECT_EQ(FormatHasSizeChoices(c.format), c.enabled) << c.format;
    }
    const ResolutionChoices initial = InitialResolutionChoices();
    EXPECT_EQ(initial.entries, (std::vector<std::wstring>{L"480x320", L"320x240"}));
    EXPECT_EQ(initial.selection, 0);
}

TEST(PresetResolutions, DefaultSelectionMatchesTheSizeOption) {
    // The size a format starts with is the one the options carry at that index.
    for (int format = 0; format <= 3; ++format) {
        const ResolutionChoices choices = resolutionChoices(format, L"");
        for (size_t i = 0; i < choices.entries.size(); ++i) {
            const std::wstring options = buildPresetArguments(format, static_cast<int>(i), 2);
            EXPECT_NE(options.find(L"-s " + choices.entries[i]), std::wstring::npos) << format << "/" << i;
        }
    }
    EXPECT_EQ(kStandardViewResolutionIndex, 0);
    EXPECT_EQ(buildPresetArguments(2, kStandardViewResolutionIndex, 3), L"-f psp -s 480x272 -qscale 1 -r 30 -ar 24000");
}

}  // namespace
}  // namespace convert
