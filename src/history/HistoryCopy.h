#pragma once
// A private copy of a browser's history database. A running browser keeps its history open
// and writing; the copy is made with reads that share the file with it, in a folder of
// ours, and deleted with the object. Nothing is ever written to the browser's files.
#include <windows.h>

#include <memory>
#include <string>

namespace history {

// %TEMP%\Reelkeep\History: where copies are made.
std::wstring DefaultCopyFolder();
// Deletes what a run that ended in the middle of a pass left in `copyFolder`.
void ClearCopies(const std::wstring& copyFolder);

class HistoryCopy {
public:
    // Copies `source` with its "-wal" or "-journal" into a new folder under `copyFolder`.
    // A file that changed while it was copied is copied again; nothing when the source is
    // missing, cannot be read, or never holds still.
    static std::unique_ptr<HistoryCopy> Make(const std::wstring& source, const std::wstring& copyFolder);
    ~HistoryCopy();
    HistoryCopy(const HistoryCopy&) = delete;
    HistoryCopy& operator=(const HistoryCopy&) = delete;

    const std::wstring& path() const { return path_; }
    // The path as SQLite takes it.
    std::string Utf8Path() const;
    // No log or journal with anything in it was copied beside it.
    bool alone() const { return alone_; }

private:
    HistoryCopy(std::wstring folder, std::wstring path) : folder_(std::move(folder)), path_(std::move(path)) {}
    std::wstring folder_;  // ends with a backslash
    std::wstring path_;
    bool alone_ = true;
};

}  // namespace history
