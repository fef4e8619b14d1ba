#include "convert/ConvertJob.h"
#include "platform/ToolInputs.h"

#include <gtest/gtest.h>

namespace convert {
namespace {

ConvertJob sampleJob() {
    ConvertJob job;
    job.inputPath = L"C:\\PROGRA~1\\REELKEEP\\Videos\\1234567890.flv";
    job.outputFolder = L"C:\\Users\\me\\My Videos";
    job.outputName = L"My clip";
    job.formatIndex = 0;
    job.resolutionIndex = 0;
    job.qualityLevel = 3;
    return job;
}

constexpr std::wstring_view kProgramFolder = L"C:\\PROGRA~1\\REELKEEP\\";

TEST(ConvertCommand, PiecesInOrder) {
    struct Case {
        const char* what;
        ConvertJob job;
        std::wstring_view folder;
        std::wstring expected;
    };
    ConvertJob cut = sampleJob();
    cut.cut = true;
    cut.cutRange = {SecondsOfDay(0, 0, 30), SecondsOfDay(0, 2, 5)};
    ConvertJob noOptions = sampleJob();
    noOptions.qualityLevel = 0;
    ConvertJob cutFromZero = sampleJob();
    cutFromZero.cut = true;
    cutFromZero.cutRange = {0, 7};
    ConvertJob mp3 = sampleJob();
    mp3.formatIndex = 6;
    mp3.qualityLevel = 1;
    ConvertJob rangeWithoutCut = sampleJob();
    rangeWithoutCut.cutRange = {10, 20};

    // The clip is read as a local media file only, never as a playlist naming others.
    const std::wstring kLocalInput =
        L" -protocol_whitelist file,pipe -format_whitelist " + std::wstring(platform::kLocalMediaFormats);
    const Case cases[] = {
        {"plain", sampleJob(), kProgramFolder,
         LR"(cmd /c ""C:\PROGRA~1\REELKEEP\ffmpeg.exe")" + kLocalInput +
             LR"( -i "C:\PROGRA~1\REELKEEP\Videos\1234567890.flv" )"
             LR"(-s 480x320 -qscale 1 -y "C:\Users\me\My Videos\My clip.mov"")"},
        {"cut 00:00:30 to 00:02:05", cut, kProgramFolder,
         LR"(cmd /c ""C:\PROGRA~1\REELKEEP\ffmpeg.exe")" + kLocalInput +
             LR"( -i "C:\PROGRA~1\REELKEEP\Videos\1234567890.flv" )"
             LR"(-s 480x320 -qscale 1 -t 95 -ss 30 -y "C:\Users\me\My Videos\My clip.mov"")"},
        {"cut from the start", cutFromZero, kProgramFolder,
         LR"(cmd /c ""C:\PROGRA~1\REELKEEP\ffmpeg.exe")" + kLocalInput +
             LR"( -i "C:\PROGRA~1\REELKEEP\Videos\1234567890.flv" )"
             LR"(-s 480x320 -qscale 1 -t 7 -ss 0 -y "C:\Users\me\My Videos\My clip.mov"")"},
        {"no options leave two blanks", noOptions, kProgramFolder,
         LR"(cmd /c ""C:\PROGRA~1\REELKEEP\ffmpeg.exe")" + kLocalInput +
             LR"( -i "C:\PROGRA~1\REELKEEP\Videos\1234567890.flv"  )"
             LR"(-y "C:\Users\me\My Videos\My clip.mov"")"},
        {"mp3", mp3, kProgramFolder,
         LR"(cmd /c ""C:\PROGRA~1\REELKEEP\ffmpeg.exe")" + kLocalInput +
             LR"( -i "C:\PROGRA~1\REELKEEP\Videos\1234567890.flv" )"
             LR"(-ar 22050 -ab 64 -ac 1 -y "C:\Users\me\My Videos\My clip.mp3"")"},
        {"range without the cut box", rangeWithoutCut, kProgramFolder,
         LR"(cmd /c ""C:\PROGRA~1\REELKEEP\ffmpeg.exe")" + kLocalInput +
             LR"( -i "C:\PROGRA~1\REELKEEP\Videos\1234567890.flv" )"
             LR"(-s 480x320 -qscale 1 -y "C:\Users\me\My Videos\My clip.mov"")"},
        {"folder without its backslash", sampleJob(), L"D:\\Reel Keep",
         LR"(cmd /c ""D:\Reel Keep\ffmpeg.exe")" + kLocalInput +
             LR"( -i "C:\PROGRA~1\REELKEEP\Videos\1234567890.flv" )"
             LR"(-s 480x320 -qscale 1 -y "C:\Users\me\My Videos\My clip.mov"")"},
    };
    for (const Case& c : cases) EXPECT_EQ(buildConvertCommand(c.job, c.folder), c.expected) << c.what;
}

TEST(ConvertCommand, InterpreterWrapsTheProgramLineInOneMorePairOfQuotes) {
    ConvertJob job = sampleJob();
    job.inputPath = L"D:\\clips\\a & b.flv";
    const std::wstring line = BuildFfmpegCommandLine(job, kProgramFolder);
    EXPECT_EQ(line.front(), L'"');
    EXPECT_NE(line.find(L"-i \"D:\\clips\\a & b.flv\" "), std::wstring::npos);
    EXPECT_EQ(buildConvertCommand(job, kProgramFolder), L"cmd /c \"" + line + L"\"");
}

TEST(ConvertCommand, OutputPathJoinsFolderNameAndExtension) {
    struct Case {
        int format;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {0, L"C:\\Users\\me\\My Videos\\My clip.mov"}, {1, L"C:\\Users\\me\\My Videos\\My clip.mp4"},
        {2, L"C:\\Users\\me\\My Videos\\My clip.mp4"}, {3, L"C:\\Users\\me\\My Videos\\My clip.3gp"},
        {4, L"C:\\Users\\me\\My Videos\\My clip.wmv"}, {5, L"C:\\Users\\me\\My Videos\\My clip.avi"},
        {6, L"C:\\Users\\me\\My Videos\\My clip.mp3"},
    };
    for (const Case& c : cases) {
        ConvertJob job = sampleJob();
        job.formatIndex = c.format;
        EXPECT_EQ(OutputPath(job), c.expected) << c.format;
    }
}

TEST(ConvertCommand, CutTimesAndExpectedSeconds) {
    EXPECT_EQ(SecondsOfDay(0, 0, 30), 30);
    EXPECT_EQ(SecondsOfDay(0, 2, 5), 125);
    EXPECT_EQ(SecondsOfDay(23, 59, 59), 86399);
    EXPECT_EQ(ExpectedSeconds({30, 125}), 95);
    EXPECT_EQ(ExpectedSeconds({0, 0}), 0);
    EXPECT_EQ(ExpectedSeconds({0, SecondsOfDay(20, 0, 0)}), 72000) << "no 16-bit wrap";
}

TEST(ConvertCommand, OverwriteQuestionPerSurface) {
    EXPECT_EQ(
        OverwriteQuestion(ConvertSurface::MainPanel, L"My clip", L".mp4"),
        L"Current folder already contains files named 'My clip.mp4'. Would you like to replace the existing file?");
    EXPECT_EQ(
        OverwriteQuestion(ConvertSurface::SingleClipDialog, L"My clip", L".mp4"),
        L"Current folder already contains a file named 'My clip.mp4'. Would you like to replace the existing file?");
}

TEST(ConvertCommand, UnsetOrUnreadableFolderSettingMeansMyVideos) {
    EXPECT_EQ(OutputFolderFromSetting(L"NotSet", L"C:\\Users\\me\\Videos"), L"C:\\Users\\me\\Videos");
    EXPECT_EQ(OutputFolderFromSetting(L"", L"C:\\Users\\me\\Videos"), L"C:\\Users\\me\\Videos");
    EXPECT_EQ(OutputFolderFromSetting(L"D:\\Out", L"C:\\Users\\me\\Videos"), L"D:\\Out");
}

TEST(ConvertCommand, RunsWriteBesideTheOutputUnderATemporaryName) {
    ConvertJob job = sampleJob();
    const std::wstring temporary = TemporaryOutputPath(job, L"12-3");
    EXPECT_EQ(temporary, L"C:\\Users\\me\\My Videos\\reelkeep-unfinished-12-3.mov");
    EXPECT_NE(TemporaryOutputPath(job, L"12-4"), temporary);
    const std::wstring line = BuildFfmpegCommandLine(job, kProgramFolder, temporary);
    EXPECT_NE(line.find(L"-y \"" + temporary + L"\""), std::wstring::npos) << "ffmpeg writes the temporary";
    EXPECT_EQ(line.find(OutputPath(job)), std::wstring::npos);
}

}  // namespace
}  // namespace convert
