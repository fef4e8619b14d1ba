#pragma once
// The position of a playing clip, in seconds, against a time source the caller reads
// (seconds on any steady scale), and the decision for each decoded frame. Portable.
namespace flashctl {

class PlaybackClock {
public:
    void Start(double position, double now, bool running);
    void Pause(double now);
    void Resume(double now);
    bool running() const { return running_; }
    double Position(double now) const;

private:
    double base_ = 0;       // position at `since_`
    double since_ = 0;      // time source reading when `base_` was taken
    bool running_ = false;
};

enum class FrameAction { Show, Wait, Drop, ShowAndResync };

// A frame due at `frameTime` is shown when the clock has reached it and waited for when it
// is early. A frame over one frame late is dropped, so a short hold-up is caught up
// instead of lasting; but never more than a few in a row, and a frame far behind moves
// the clock back to itself: a decoder slower than the clip then shows every frame it can
// instead of dropping all of them.
FrameAction DecideFrame(double frameTime, double clockPosition, double frameDuration, int droppedInARow);

inline constexpr int kMaxDroppedInARow = 3;
inline constexpr double kResyncLateness = 0.25;  // seconds

}  // namespace flashctl
