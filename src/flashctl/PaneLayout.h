#pragma once
// Geometry of the player pane: the picture fitted with its aspect kept, and the control
// bar below it with its buttons. Portable, in pixels of the pane's client area.
namespace flashctl {

struct Box {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool empty() const { return right <= left || bottom <= top; }
};

enum class BarPart { None, PlayPause, Timeline, Volume, FullScreen };

struct PaneLayout {
    Box picture;  // where the picture may go (the pane less the bar)
    Box bar;
    Box playPause;
    Box timeline;  // empty when the timeline is not allowed
    Box volume;
    Box fullScreen;  // empty when full screen is not allowed

    BarPart HitTest(int x, int y) const;
    // 0 at the timeline's left end, 1 at its right end, clamped.
    double TimelineFraction(int x) const;
    // 0 to 100 across the volume gauge, clamped.
    int VolumeAt(int x) const;
};

inline constexpr int kBarHeight = 24;

PaneLayout LayOutPane(int width, int height, bool withTimeline, bool withFullScreen);

// The largest box of the frame's aspect inside `area`, centred.
Box FitPicture(int frameWidth, int frameHeight, const Box& area);

}  // namespace flashctl
