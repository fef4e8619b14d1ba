#include "convert/BatchPlan.h"

#include "convert/ConvertJob.h"

namespace convert {

BatchScan ScanBatch(const std::vector<BatchRow>& rows, std::wstring_view folder, std::wstring_view extension,
                    const FileExistsProbe& exists) {
    BatchScan scan;
    for (const BatchRow& row : rows) {
        const std::wstring file = row.name + std::wstring(extension);
        const int seconds = row.durationSeconds;
        scan.total += seconds;
        const bool existed = exists(std::wstring(folder) + L"\\" + file);
        scan.existed.push_back(existed);
        if (!existed) {
            scan.newTotal += seconds;
            ++scan.newCount;
            continue;
        }
        // A plain substring search: a name already inside a listed one ("a.mp4" in
        // "'ba.mp4'") is not listed again.
        const bool first = scan.existingCount == 0;
        const bool listed = scan.nameList.find(file) != std::wstring::npos;
        if (!first && !listed) scan.nameList += L", ";
        if (first || !listed) scan.nameList += L"'" + file + L"'";
        ++scan.existingCount;
    }
    return scan;
}

std::optional<std::wstring> BatchOverwriteQuestion(const BatchScan& scan) {
    if (scan.existingCount == 0) return std::nullopt;
    if (scan.existingCount == 1)
        return L"Current folder already contains a file named " + scan.nameList +
               L". Would you like to replace the existing file?";
    return L"Current folder already contains files named " + scan.nameList +
           L". Would you like to replace the existing files?";
}

std::optional<BatchMode> DecideBatchMode(const BatchScan& scan, std::optional<OverwriteAnswer> answer) {
    if (!answer || *answer == OverwriteAnswer::Yes) return BatchMode::ReplaceAll;
    if (*answer == OverwriteAnswer::No && scan.newCount > 0) return BatchMode::SkipExisting;
    return std::nullopt;
}

BatchSchedule ScheduleBatch(const BatchScan& scan, BatchMode mode) {
    BatchSchedule schedule;
    for (std::size_t row = 0; row < scan.existed.size(); ++row)
        if (mode == BatchMode::ReplaceAll || !scan.existed[row]) schedule.rows.push_back(static_cast<int>(row));
    schedule.overallSeconds = mode == BatchMode::ReplaceAll ? scan.total : scan.newTotal;
    return schedule;
}

}  // namespace convert
