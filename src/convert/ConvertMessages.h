#pragma once
// From a conversion's worker to its surface (the main window's panel, the single-clip or
// the batch dialog), and the surface's clean-up timers.
#include "framework/WindowMessages.h"

namespace convert {

// wParam is the run's number, so reports of a run that was stopped or replaced are
// recognised and dropped.
inline constexpr UINT WM_CONVERT_PROGRESS = framework::MessageAt(framework::kConvertMessages, 0);  // lParam: seconds
inline constexpr UINT WM_CONVERT_FINISHED = framework::MessageAt(framework::kConvertMessages, 1);
// From the batch dialog's worker, wParam the batch's number: a row's conversion begins or
// ends; lParam the row's place in the batch (0-based).
inline constexpr UINT WM_BATCH_ROW_STARTED = framework::MessageAt(framework::kConvertMessages, 2);
inline constexpr UINT WM_BATCH_ROW_FINISHED = framework::MessageAt(framework::kConvertMessages, 3);

// The clean-up timers remove a conversion's unfinished output once ffmpeg has had time to
// end: after the dialog was closed during a run, or after a Stop.
inline constexpr UINT_PTR kCloseCleanupTimer = framework::TimerAt(framework::kConvertTimers, 0);
inline constexpr UINT_PTR kStopCleanupTimer = framework::TimerAt(framework::kConvertTimers, 1);

}  // namespace convert
