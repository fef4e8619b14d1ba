#include "flashctl/PlaybackClock.h"

namespace flashctl {

void PlaybackClock::Start(double position, double now, bool running) {
    base_ = position;
    since_ = now;
    running_ = running;
}

void PlaybackClock::Pause(double now) {
    if (!running_) return;
    base_ = Position(now);
    since_ = now;
    running_ = false;
}

void PlaybackClock::Resume(double now) {
    if (running_) return;
    since_ = now;
    running_ = true;
}

double PlaybackClock::Position(double now) const { return running_ ? base_ + (now - since_) : base_; }

FrameAction DecideFrame(double frameTime, double clockPosition, double frameDuration, int droppedInARow,
                        bool soundSetsThePace) {
    if (frameTime > clockPosition) return FrameAction::Wait;
    const double lateness = clockPosition - frameTime;
    if (soundSetsThePace)
        return lateness > frameDuration && droppedInARow < kMaxDroppedInARow ? FrameAction::Drop : FrameAction::Show;
    return lateness > kResyncFrames * frameDuration ? FrameAction::ShowAndResync : FrameAction::Show;
}

}  // namespace flashctl
