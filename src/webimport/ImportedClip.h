#pragma once
// The end of every import: a finished file in the library's incoming folder is probed,
// and only a video goes into the library, titled; anything else is deleted.
#include "webimport/DownloadLog.h"
#include "webimport/ImportJob.h"

#include <cstdint>
#include <string>

namespace webimport {

// A fresh name in the library's incoming folder, which is made when missing: the
// catalogue lists no file there, so nothing unfinished is ever shown.
std::wstring NewIncomingPath(const std::wstring& libraryFolder, std::int32_t second);

// What ffmpeg says the finished file is.
ProbedFile ProbeDownloadedFile(const std::wstring& path, const ImportSettings& settings);

// Moves the checked file into the library as the clip of `second`, titled and with the
// address it came from, and hands it to the settings' clipArrived; false (the file
// deleted) when the library does not take it.
bool PlaceInLibrary(const std::wstring& path, const ProbedFile& probed, const ImportSettings& settings,
                    std::int32_t second, const std::wstring& title, const std::wstring& source);

}  // namespace webimport
