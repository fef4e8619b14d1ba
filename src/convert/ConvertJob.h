#pragma once
// One conversion's inputs and the command line that runs it.
// Portable: no Windows header. The caller supplies paths already in the form it wants on
// the command line (the short 8.3 form where the volume has one).
#include <string>
#include <string_view>

namespace convert {

// Whole seconds of the day read from the "From" and "To" pickers.
struct CutRange {
    int start = 0;
    int end = 0;

    int length() const { return end - start; }
};

int SecondsOfDay(int hour, int minute, int second);

struct ConvertJob {
    std::wstring inputPath;     // the clip's file
    std::wstring outputFolder;  // no trailing backslash expected
    std::wstring outputName;    // already valid by the output-name rules
    int formatIndex = 0;
    int resolutionIndex = 0;
    int qualityLevel = 0;
    bool cut = false;  // "Cut video" ticked; the batch never cuts
    CutRange cutRange;
};

// outputFolder + "\" + outputName + the format's extension.
std::wstring OutputPath(const ConvertJob& job);

// Where a run writes until it has succeeded: beside the output, under a short name of its
// own (`runTag` tells runs apart), with the output's extension, which tells ffmpeg the
// container. A run that is killed midway never leaves a broken file under the real name.
std::wstring TemporaryOutputPath(const ConvertJob& job, std::wstring_view runTag);

// The output folder from the "convertpath" setting: "NotSet", or a value that could not
// be read (empty), means the My Videos folder. A conversion never goes to a folder the
// user did not choose, such as the root of the current drive.
std::wstring OutputFolderFromSetting(std::wstring_view setting, std::wstring_view myVideos);

// programFolder + "ffmpeg.exe", with a backslash between them when it lacks one.
std::wstring FfmpegPath(std::wstring_view programFolder);

// The program line without the command interpreter: ffmpeg's path, "-i", the input, the
// preset options, the cut, "-y" and the output. Every path is quoted, so a path without a
// short form cannot split on its blanks or smuggle in an operator such as '&'.
// programFolder is the folder of ffmpeg.exe, with or without its final backslash.
// `writeTo` replaces the output path on the line when given (the temporary output).
std::wstring BuildFfmpegCommandLine(const ConvertJob& job, std::wstring_view programFolder,
                                    std::wstring_view writeTo = {});

// The same line run through "cmd /c". The whole line is wrapped in one more pair of
// quotes: cmd strips the first and the last quote of a line that starts with one, and
// would otherwise break the quoted program path.
// cmd still expands %NAME% inside quotes, so a path holding the name of a defined
// variable between percent signs changes; running buildFfmpegCommandLine directly
// avoids that.
std::wstring buildConvertCommand(const ConvertJob& job, std::wstring_view programFolder);

// The seconds of output a run expects: the progress bar's upper limit.
int ExpectedSeconds(const CutRange& range);

// Which single-clip surface runs the job; they word the overwrite question differently.
enum class ConvertSurface { MainPanel, SingleClipDialog };

std::wstring OverwriteQuestion(ConvertSurface surface, std::wstring_view name, std::wstring_view extension);

// What a surface's Convert/Stop button stands for. The surfaces keep it as a state and
// show it as the caption; they never read the caption back, as it carries a mnemonic.
enum class ConvertButtonState {
    Idle,
    Converting,
    // The main panel after a Stop: its run still winds down and must not open the folder.
    StoppedRunEnding,
};
// "Convert", "Stop", and "convert" in lower case while a stopped run winds down.
std::wstring_view ConvertButtonCaption(ConvertButtonState state);

}  // namespace convert
