#pragma once
// Progress of a running conversion: the "time=" reports in ffmpeg's output, and what the
// progress bar and percent label show for them.
// Portable: no Windows header.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace convert {

// Reads the reports out of ffmpeg's output as the pipe delivers it: a chunk may end
// anywhere, even inside "time=" or inside the number, and may hold several reports.
//
// A report is the text after "time=": seconds ("47.88") or hours, minutes and seconds
// ("00:00:47.88", which is what ffmpeg prints), read up to the fraction's ".". A value
// that is followed by anything but "." (for example "12 " or "N/A") reads 0 seconds.
// A value is read once the character after it has arrived, so a split report is
// neither lost nor read short.
class ProgressParser {
public:
    // Seconds of every report that this chunk completes, oldest first.
    std::vector<std::int64_t> Feed(std::string_view chunk);

    // Bytes kept between chunks; stays a handful whatever the output's length.
    std::size_t pendingSize() const { return pending_.size(); }

private:
    std::string pending_;
};

// The line that says why ffmpeg gave up: the last line it printed, leaving out progress
// reports and its closing "Conversion failed!", which names no reason. Lines end in
// "\r" or "\n"; a chunk may end anywhere.
class ToolErrorLine {
public:
    void Feed(std::string_view chunk);
    // Empty when nothing but progress was printed.
    std::string line() const;

private:
    std::string partial_;
    std::string last_;
};

struct ProgressDisplay {
    // The bar's range is 0, so no share can be computed: the bar runs as a marquee and
    // the label is empty, rather than claiming a percentage.
    bool indeterminate = false;
    int barPosition = 0;
    std::wstring label;
};

// The display when a run starts (bar 0, "0%") and after it ended (bar at the top, "100%").
ProgressDisplay StartProgress(int upperLimit);
ProgressDisplay FinishedProgress(int upperLimit);

// Limits are whole ints: a 16-bit bar range (PBM_SETRANGE) would wrap for a clip of more
// than 18 hours, so the bar should be given its range with PBM_SETRANGE32.
//
// A report on a single-clip run; upperLimit is the bar's upper limit. Empty when the
// report lies beyond the range: nothing changes then.
std::optional<ProgressDisplay> SingleClipProgress(std::int64_t seconds, int upperLimit);

struct BatchProgressState {
    int rowUpperLimit = 0;         // seconds of the current row's clip
    int overallUpperLimit = 0;     // seconds of all rows together
    std::int64_t doneSeconds = 0;  // seconds of the rows converted before this one
    int rowNumber = 1;             // 1-based
    int rowCount = 1;
};

struct BatchProgressDisplay {
    ProgressDisplay row;                     // IDC_FILE_PROGRESS and IDC_FILE_PERCENT
    std::optional<ProgressDisplay> overall;  // IDC_BATCH_PROGRESS and IDC_BATCH_PERCENT; empty: unchanged
};

// A report on a batch row. Empty when it lies beyond the row's range.
std::optional<BatchProgressDisplay> BatchProgress(std::int64_t seconds, const BatchProgressState& state);

// The row's bar and label once its conversion ended, and both bars' start and end.
ProgressDisplay BatchRowFinished(const BatchProgressState& state);
BatchProgressDisplay BatchRowStart(const BatchProgressState& state);
ProgressDisplay BatchAllFinished(const BatchProgressState& state);

}  // namespace convert
