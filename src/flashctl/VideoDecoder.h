#pragma once
// One decoding run of a clip from a start position: ffmpeg writes raw BGRA frames on a
// pipe, a reader thread paces them against the playback clock and hands each due frame
// to the pane, which it tells with a posted message. Seeking starts a new run.
#include "flashctl/DecoderProcess.h"
#include "flashctl/DecoderReport.h"
#include "flashctl/PlaybackClock.h"

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace flashctl {

struct DecoderSettings {
    std::wstring ffmpeg;
    std::wstring clip;
    double startSeconds = 0;
    bool running = false;
    HWND notify = nullptr;
    UINT frameMessage = 0;     // posted when a new frame is ready (at most one pending)
    UINT finishedMessage = 0;  // posted once when the run ends or fails
};

struct VideoFrame {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // top-down rows of 32-bit BGRA
    long index = -1;                   // frame number of the clip, from its start
};

class VideoDecoder {
public:
    enum class State { Starting, Running, Ended, Failed };

    explicit VideoDecoder(DecoderSettings settings);
    ~VideoDecoder();
    VideoDecoder(const VideoDecoder&) = delete;
    VideoDecoder& operator=(const VideoDecoder&) = delete;

    void Pause();
    void Resume();
    // With sound playing, late frames are dropped to stay in step with it.
    void SetSoundSetsThePace(bool sound) { soundSetsThePace_ = sound; }
    bool running() const;
    double Position() const;

    State state() const { return state_.load(); }
    // Why the run failed, for the pane; empty otherwise.
    std::wstring problem() const;
    double durationSeconds() const;
    double framesPerSecond() const;
    bool hasAudio() const;

    // Calls `paint` with the newest frame under the frame lock (none before the first).
    template <typename Paint>
    void WithFrame(Paint&& paint) const {
        std::lock_guard<std::mutex> hold(frameLock_);
        if (shown_.index >= 0) paint(shown_);
    }
    long decodedFrames() const { return decoded_.load(); }
    long droppedFrames() const { return dropped_.load(); }
    // The frame pending message has been handled: the next frame may post again.
    void FrameMessageHandled() { framePosted_ = false; }

private:
    void ReadReport();
    void ReadFrames();
    bool WaitForOutputDescription();
    void FailWithReport();
    // Waits until `frame` is due; false when the run is being stopped.
    bool WaitUntilDue(double frameTime, bool& drop);
    void Publish(VideoFrame& frame);
    void Finish(State state, std::wstring problem = {});
    static double Now();

    const DecoderSettings settings_;
    DecoderProcess process_;
    std::atomic<State> state_{State::Starting};
    std::atomic<bool> stopping_{false};
    std::atomic<bool> framePosted_{false};
    std::atomic<bool> soundSetsThePace_{false};
    std::atomic<long> decoded_{0};
    std::atomic<long> dropped_{0};

    mutable std::mutex lock_;  // report_, clock_, problem_
    std::condition_variable changed_;
    DecoderReport report_;
    bool reportEnded_ = false;
    PlaybackClock clock_;
    int droppedInARow_ = 0;
    std::wstring problem_;

    mutable std::mutex frameLock_;
    VideoFrame shown_;

    std::thread reportThread_;
    std::thread frameThread_;
};

}  // namespace flashctl
