#pragma once
// The sound of a clip: a second ffmpeg run writes 16-bit stereo samples that a feeder
// thread queues on the default wave-out device. Many machines (and Wine on ours) have no
// such device: then there is no AudioOutput and the clip plays silently.
#include "flashctl/DecoderProcess.h"

#include <windows.h>
#include <mmsystem.h>

#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace flashctl {

class AudioOutput {
public:
    // Null when no device opens or ffmpeg cannot be started.
    static std::unique_ptr<AudioOutput> Open(const std::wstring& ffmpeg, const std::wstring& clip, double startSeconds,
                                             int volumePercent, bool running);
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    void Pause();
    void Resume();
    void SetVolume(int percent);

private:
    AudioOutput() = default;
    void Feed();

    static constexpr int kBufferCount = 4;
    static constexpr std::size_t kBufferBytes = 44100 * 4 / 8;  // an eighth of a second

    HWAVEOUT device_ = nullptr;
    HANDLE bufferDone_ = nullptr;
    DecoderProcess process_;
    std::array<WAVEHDR, kBufferCount> headers_{};
    std::array<std::vector<char>, kBufferCount> buffers_;
    std::atomic<bool> stopping_{false};
    std::thread feeder_;
};

}  // namespace flashctl
