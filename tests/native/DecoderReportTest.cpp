// The player learns the size and rate of the raw frames, the clip's length and why a clip
// cannot be played from what ffmpeg prints while it decodes.
#include "flashctl/DecoderReport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

flashctl::DecoderReport ReadReport(const std::string& name) {
    std::ifstream file(std::string(REELKEEP_TEST_DATA) + "/flashctl/" + name, std::ios::binary);
    EXPECT_TRUE(file) << name;
    flashctl::DecoderReport report;
    for (std::string line; std::getline(file, line);) report.AddLine(line);
    return report;
}

TEST(DecoderReport, ReadsStreamsOutputFramesAndProblems) {
    struct Case {
        const char* report;
        bool video, audio, outputKnown;
        int width, height;
        double fps, duration;
        const char* problem;
    };
    const Case cases[] = {
        {"mp4-640x360-sound.report", true, true, true, 640, 360, 30, 2.0, ""},
        {"flv-1920x1080-scaled.report", true, true, true, 1280, 720, 29.97, 1.03, ""},
        {"text-named-mp4.report", false, false, false, 0, 0, 0, -1, "Invalid data found when processing input"},
        {"missing-file.report", false, false, false, 0, 0, 0, -1, "No such file or directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.report);
        const auto report = ReadReport(c.report);
        EXPECT_EQ(c.video, report.hasVideo());
        EXPECT_EQ(c.audio, report.hasAudio());
        ASSERT_EQ(c.outputKnown, report.outputKnown());
        EXPECT_EQ(c.width, report.outputWidth());
        EXPECT_EQ(c.height, report.outputHeight());
        EXPECT_NEAR(c.fps, report.outputFramesPerSecond(), 0.01);
        EXPECT_NEAR(c.duration, report.durationSeconds().value_or(-1), 0.01);
        EXPECT_EQ(c.problem, report.problem());
    }
}

}  // namespace
