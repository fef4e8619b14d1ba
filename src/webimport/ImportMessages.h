#pragma once
// From the web import's download worker to the import dialog. wParam is the download's
// job, so the words of a halted or earlier job are dropped; lParam points at data that
// lives until SendMessageW returns. The dialog serves them as one block,
// framework::kImportMessages.
#include "framework/WindowMessages.h"

namespace webimport {

// The progress bar's range, lParam: const webimport::DownloadProgress* whose total (bytes or
// seconds) is the range, 0 when not known.
inline constexpr UINT WM_IMPORT_RANGE = framework::MessageAt(framework::kImportMessages, 0);
// The status line, lParam: const std::wstring*.
inline constexpr UINT WM_IMPORT_CAPTION = framework::MessageAt(framework::kImportMessages, 1);
// Bytes or seconds so far, lParam: const webimport::DownloadProgress*.
inline constexpr UINT WM_IMPORT_PROGRESS = framework::MessageAt(framework::kImportMessages, 2);
// A failure to report, lParam: const std::wstring* text.
inline constexpr UINT WM_IMPORT_FAILED = framework::MessageAt(framework::kImportMessages, 3);
// The clip is whole and titled.
inline constexpr UINT WM_IMPORT_DONE = framework::MessageAt(framework::kImportMessages, 4);

// The import dialog is a window of its own, with timers of its own: this one ends the
// dialog as OK a short while after a finished download.
inline constexpr UINT_PTR kImportEndTimer = 1;
inline constexpr UINT kImportEndDelayMs = 100;

}  // namespace webimport
