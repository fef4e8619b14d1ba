#include "flashctl/PaneLayout.h"

#include <algorithm>

namespace flashctl {

namespace {
constexpr int kButtonWidth = 28;
constexpr int kVolumeWidth = 48;
constexpr int kGap = 6;
}  // namespace

BarPart PaneLayout::HitTest(int x, int y) const {
    if (playPause.Contains(x, y)) return BarPart::PlayPause;
    if (timeline.Contains(x, y)) return BarPart::Timeline;
    if (volume.Contains(x, y)) return BarPart::Volume;
    if (fullScreen.Contains(x, y)) return BarPart::FullScreen;
    return BarPart::None;
}

double PaneLayout::TimelineFraction(int x) const {
    if (timeline.width() <= 0) return 0;
    return std::clamp(static_cast<double>(x - timeline.left) / timeline.width(), 0.0, 1.0);
}

int PaneLayout::VolumeAt(int x) const {
    if (volume.width() <= 0) return 0;
    return std::clamp((x - volume.left) * 100 / volume.width(), 0, 100);
}

PaneLayout LayOutPane(int width, int height, bool withTimeline, bool withFullScreen) {
    PaneLayout layout;
    width = std::max(width, 0);
    height = std::max(height, 0);
    const int barTop = std::max(height - kBarHeight, 0);
    layout.picture = {0, 0, width, barTop};
    layout.bar = {0, barTop, width, height};
    layout.playPause = {0, barTop, std::min(kButtonWidth, width), height};
    int right = width;
    if (withFullScreen && right - kButtonWidth >= layout.playPause.right) {
        layout.fullScreen = {right - kButtonWidth, barTop, right, height};
        right -= kButtonWidth;
    }
    if (right - kVolumeWidth - kGap >= layout.playPause.right) {
        layout.volume = {right - kVolumeWidth - kGap, barTop + 6, right - kGap, height - 6};
        right = layout.volume.left;
    }
    if (withTimeline && right - kGap > layout.playPause.right + kGap)
        layout.timeline = {layout.playPause.right + kGap, barTop, right - kGap, height};
    return layout;
}

Box FitPicture(int frameWidth, int frameHeight, const Box& area) {
    if (frameWidth <= 0 || frameHeight <= 0 || area.empty()) return {};
    // Compare in 64 bits: a 4K frame times a large pane overflows 32.
    const long long wide = static_cast<long long>(area.width()) * frameHeight;
    const long long tall = static_cast<long long>(area.height()) * frameWidth;
    int width = area.width(), height = area.height();
    if (wide > tall)
        width = static_cast<int>(tall / frameHeight);
    else
        height = static_cast<int>(wide / frameWidth);
    const int left = area.left + (area.width() - width) / 2;
    const int top = area.top + (area.height() - height) / 2;
    return {left, top, left + width, top + height};
}

}  // namespace flashctl
