#pragma once
// The notification-area icon of the main window. The record is only ever touched on the
// window thread: the animation worker asks the window to show each frame with
// SendMessageW, so the two threads cannot tear it and no lock is needed.
#include "app/NotifySettings.h"

#include <windows.h>
#include <shellapi.h>

#include <atomic>

namespace app {

inline constexpr UINT kTrayIconId = 7353;

enum class TrayAnimationStep : WPARAM { Begin = 1, Frame = 2, Finish = 3 };

// Frame order of one capture animation (icon resource ids).
inline constexpr int kTrayAnimationFrames[] = {191, 185, 186, 187, 188, 189, 190, 189, 188, 187, 186, 185};

class TrayIcon {
public:
    TrayIcon() = default;
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // Fills the record for `window`; nothing is sent to the shell yet.
    void Initialize(HWND window);
    bool Add();
    bool Remove();
    // Sends the record as it is now (icon, tip and balloon).
    bool Modify();

    // Reads "showicon", "showmessage" and "playsound" into the record.
    void LoadNotifySettings();
    // Read by the capture worker, hence atomic.
    bool notifyOnCapture() const { return notifyOnCapture_.load(); }

    // Window-thread side of the animation. Begin returns false while another
    // animation runs, which makes overlapping captures give one animation.
    bool BeginAnimation();
    void ShowFrame(int iconId);
    void FinishAnimation();
    bool animating() const { return animating_; }

    const NOTIFYICONDATAW& record() const { return record_; }
    BalloonFields balloon() const;

private:
    void SetBalloon(const BalloonFields& balloon);
    void SetIcon(int iconId);

    NOTIFYICONDATAW record_{};
    int currentIconId_ = 0;
    std::atomic<bool> notifyOnCapture_{false};
    bool animating_ = false;
    bool added_ = false;
};

// Thread entry of one capture animation for the main window `window`.
void AnimateTrayIcon(HWND window);

}  // namespace app
