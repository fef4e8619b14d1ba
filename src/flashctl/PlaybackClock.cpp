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

FrameAction DecideFrame(double frameTime, double clockPosition, double frameDuration, int droppedInARow) {
    if (frameTime > clockPosition) return FrameAction::Wait;
    const double lateness = clockPosition - frameTime;
    if (lateness > kResyncLateness) return FrameAction::ShowAndResync;
    if (lateness > frameDuration && droppedInARow < kMaxDroppedInARow) return FrameAction::Drop;
    return FrameAction::Show;
}

}  // namespace flashctl
