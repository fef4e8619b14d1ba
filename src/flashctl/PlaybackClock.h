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
    double base_ = 0;   // position at `since_`
    double since_ = 0;  // time source reading when `base_` was taken
    bool running_ = false;
};

enum class FrameAction { Show, Wait, Drop, ShowAndResync };

// What to do with a frame due at `frameTime`: an early one is waited for. A late one is
// dropped only while sound plays, to stay in step with it, and never more than a few in
// a row; without sound nothing needs the frame at its exact time, so a late frame still
// shows and a frame far behind moves the clock back to itself: a decoder slower than the
// clip then shows every frame it makes instead of dropping them.
FrameAction DecideFrame(double frameTime, double clockPosition, double frameDuration, int droppedInARow,
                        bool soundSetsThePace);

inline constexpr int kMaxDroppedInARow = 3;
inline constexpr int kResyncFrames = 2;

}  // namespace flashctl
