#pragma once
// The download worker of the import dialog: reads the address the user gave, finds the
// video (a watch page of the old kind, a page of today, a video file or a playlist), and
// brings it into the library, telling the dialog each step through its messages.
#include "webimport/ImportJob.h"

#include <windows.h>

#include <memory>
#include <string>

namespace webimport {

// Runs one download of `address` for the dialog `dialog`; the dialog has already shown
// its busy state.
void RunDownload(const std::shared_ptr<DownloadJob>& job, HWND dialog, const std::wstring& address,
                 const ImportSettings& settings);

}  // namespace webimport
