#pragma once
// How the download worker reaches the import dialog. Each message carries its job in
// wParam, so that the words of a halted or earlier job are ignored; lParam points at data
// that lives until SendMessageW returns.
#include <windows.h>

namespace webimport {

// Busy: the progress bar's range, lParam: const std::uint64_t* total bytes.
inline constexpr UINT WM_IMPORT_RANGE = WM_APP + 60;
// The status line, lParam: const std::wstring*.
inline constexpr UINT WM_IMPORT_CAPTION = WM_APP + 61;
// Bytes so far, lParam: const DownloadProgress*.
inline constexpr UINT WM_IMPORT_PROGRESS = WM_APP + 62;
// A failure to report, lParam: const std::wstring* text.
inline constexpr UINT WM_IMPORT_FAILED = WM_APP + 63;
// The clip is whole and titled.
inline constexpr UINT WM_IMPORT_DONE = WM_APP + 64;

// Ends the dialog as OK 100 ms after a finished download.
inline constexpr UINT_PTR kEndTimer = 1;
inline constexpr UINT kEndDelayMs = 100;

}  // namespace webimport
