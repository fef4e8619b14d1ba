#pragma once
// The private messages and window timers of the main window, in one table so that no two
// collide. The convert dialogs serve the convert rows and timers too: the single-clip
// dialog's controller is the main window's panel, and the batch dialog reuses them. A new private message or timer gets
// its row here.
#include <windows.h>

#include <cstddef>

namespace framework {

// The tray icon's callback message.
inline constexpr UINT WM_TRAYNOTIFY = WM_APP + 1;
// Sent by the animation worker: wParam is a TrayAnimationStep, lParam an icon id.
inline constexpr UINT WM_TRAYANIMATION = WM_APP + 2;

// From the list-building workers, each carried out whole on the window thread so a row is
// never seen half inserted. The window serves them as one range, WM_CATALOGUE_INSERT to
// WM_FILTER_REFRESH.
// lParam: library::RowDelivery*, rows inserted at the top in turn for a slice of time; the
// window records how many it took and the sender sends the rest again. Returns the
// number of rows inserted.
inline constexpr UINT WM_CATALOGUE_INSERT = WM_APP + 10;
// lParam: std::unordered_set<std::wstring>* to fill with the paths of every row.
inline constexpr UINT WM_CATALOGUE_LISTED_PATHS = WM_APP + 11;
// lParam: std::optional<ClipFilter>* to fill from the filter controls.
inline constexpr UINT WM_CATALOGUE_READ_FILTER = WM_APP + 12;
// A build ended: arm kSelectTopRowTimer, which selects and previews the top row.
inline constexpr UINT WM_CATALOGUE_BUILD_DONE = WM_APP + 13;
// A full rebuild begins (disable "Show", delete every row) or ends (enable "Show").
inline constexpr UINT WM_CATALOGUE_REBUILD_BEGIN = WM_APP + 14;
inline constexpr UINT WM_CATALOGUE_REBUILD_END = WM_APP + 15;
// The once-a-minute refresh of a date preset.
inline constexpr UINT WM_FILTER_REFRESH = WM_APP + 16;

// From a conversion's worker to its surface; wParam is the run's number, so reports of a
// run that was stopped or replaced are recognised and dropped.
inline constexpr UINT WM_CONVERT_PROGRESS = WM_APP + 40;  // lParam: seconds converted
inline constexpr UINT WM_CONVERT_FINISHED = WM_APP + 41;
// From the batch dialog's worker, wParam the batch's number: a row's conversion begins or
// ends; lParam the row's place in the batch (0-based).
inline constexpr UINT WM_BATCH_ROW_STARTED = WM_APP + 42;
inline constexpr UINT WM_BATCH_ROW_FINISHED = WM_APP + 43;

// From a second start of the program: show and restore the window. Posted, so it is
// served after the window's own start-up, a hidden "/min" start included.
inline constexpr UINT WM_SHOW_FOR_SECOND_START = WM_APP + 20;

// Posted by the main window's initialisation to itself: the combo boxes' icons, the list's
// watermark and the folder box's tooltip, which are only ever painted or hovered. A posted
// message is served before the first paint and before any input, so the window is shown
// sooner and its first frame is the same. wParam is the step, one decoration each: each
// step posts the next, so the window answers between them.
inline constexpr UINT WM_ADD_DECORATIONS = WM_APP + 21;

// From the web import's download worker to the import dialog. wParam is the download's
// job, so the words of a halted or earlier job are dropped; lParam points at data that
// lives until SendMessageW returns. The dialog serves them as one range.
// The progress bar's range, lParam: const webimport::DownloadProgress* whose total (bytes or
// seconds) is the range, 0 when not known.
inline constexpr UINT WM_IMPORT_RANGE = WM_APP + 60;
// The status line, lParam: const std::wstring*.
inline constexpr UINT WM_IMPORT_CAPTION = WM_APP + 61;
// Bytes or seconds so far, lParam: const webimport::DownloadProgress*.
inline constexpr UINT WM_IMPORT_PROGRESS = WM_APP + 62;
// A failure to report, lParam: const std::wstring* text.
inline constexpr UINT WM_IMPORT_FAILED = WM_APP + 63;
// The clip is whole and titled.
inline constexpr UINT WM_IMPORT_DONE = WM_APP + 64;

inline constexpr UINT kPrivateMessages[] = {
    WM_TRAYNOTIFY,
    WM_TRAYANIMATION,
    WM_CATALOGUE_INSERT,
    WM_CATALOGUE_LISTED_PATHS,
    WM_CATALOGUE_READ_FILTER,
    WM_CATALOGUE_BUILD_DONE,
    WM_CATALOGUE_REBUILD_BEGIN,
    WM_CATALOGUE_REBUILD_END,
    WM_FILTER_REFRESH,
    WM_CONVERT_PROGRESS,
    WM_CONVERT_FINISHED,
    WM_BATCH_ROW_STARTED,
    WM_BATCH_ROW_FINISHED,
    WM_SHOW_FOR_SECOND_START,
    WM_ADD_DECORATIONS,
    WM_IMPORT_RANGE,
    WM_IMPORT_CAPTION,
    WM_IMPORT_PROGRESS,
    WM_IMPORT_FAILED,
    WM_IMPORT_DONE,
};

// Window timers. The cleanup timers remove a conversion's unfinished output once ffmpeg
// has had time to end: after a Stop, or after the dialog was closed during a run.
inline constexpr UINT_PTR kSelectTopRowTimer = 1;
inline constexpr UINT_PTR kCloseCleanupTimer = 2;
inline constexpr UINT_PTR kStopCleanupTimer = 3;

inline constexpr UINT_PTR kWindowTimers[] = {kSelectTopRowTimer, kCloseCleanupTimer, kStopCleanupTimer};

// The import dialog's own timer 1, a window of its own: it ends the dialog as OK a short
// while after a finished download.
inline constexpr UINT_PTR kImportEndTimer = 1;
inline constexpr UINT kImportEndDelayMs = 100;

template <typename Id, std::size_t count>
constexpr bool NoTwoAlike(const Id (&ids)[count]) {
    for (std::size_t i = 0; i < count; ++i)
        for (std::size_t j = i + 1; j < count; ++j)
            if (ids[i] == ids[j]) return false;
    return true;
}

static_assert(NoTwoAlike(kPrivateMessages), "two private messages of the main window share an id");
static_assert(NoTwoAlike(kWindowTimers), "two timers of the main window share an id");
// Above 0xBFFF lie the registered messages such as "TaskbarCreated".
static_assert(
    [] {
        for (UINT id : kPrivateMessages)
            if (id < WM_APP || id > 0xBFFF) return false;
        return true;
    }(),
    "a private message of the main window lies outside WM_APP to 0xBFFF");

}  // namespace framework
