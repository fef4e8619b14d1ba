#pragma once
// What a batch start decides before anything runs: which outputs exist already, the one
// overwrite question, and which rows are converted in which order.
// Portable: no Windows header.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace convert {

// One row of the batch list: output name, the clip's file and its length.
struct BatchRow {
    std::wstring name;
    std::wstring inputPath;
    int durationSeconds = 0;
};

struct BatchScan {
    std::vector<bool> existed;  // per row: a file was at its output path at the start
    std::wstring nameList;      // 'a.mp4', 'b.mp4' for the question
    int existingCount = 0;      // every existing row counts, a repeated name too
    std::int64_t total = 0;     // seconds of every row
    std::int64_t newTotal = 0;  // seconds of the rows without an existing output
    int newCount = 0;
};

using FileExistsProbe = std::function<bool(const std::wstring& path)>;

// folder + "\" + name + extension for each row, looked up with `exists`.
BatchScan ScanBatch(const std::vector<BatchRow>& rows, std::wstring_view folder, std::wstring_view extension,
                    const FileExistsProbe& exists);

// The question for the whole batch; none when no output exists.
std::optional<std::wstring> BatchOverwriteQuestion(const BatchScan& scan);

enum class BatchMode { ReplaceAll, SkipExisting };
enum class OverwriteAnswer { Yes, No, Cancel };

// The mode the answer gives (no question asked: replace all), or nothing when the batch
// ends before it starts (Cancel, or No with every output existing).
std::optional<BatchMode> DecideBatchMode(const BatchScan& scan, std::optional<OverwriteAnswer> answer);

struct BatchSchedule {
    std::vector<int> rows;  // list positions, in list order
    std::int64_t overallSeconds = 0;
};
BatchSchedule ScheduleBatch(const BatchScan& scan, BatchMode mode);

}  // namespace convert
