#include "flashctl/VideoDecoder.h"

#include "platform/AnsiText.h"
#include "flashctl/DecoderCommands.h"

#include <chrono>
#include <cstdio>

namespace flashctl {

namespace {

// ffmpeg prints the output description within a second or two even under load; a clip
// that yields nothing for this long is reported instead of leaving the pane waiting.
constexpr auto kDescriptionTimeout = std::chrono::seconds(20);
constexpr auto kReportEndTimeout = std::chrono::seconds(3);
std::wstring DecodeCommand(const DecoderSettings& settings) {
    return PictureDecodeCommand(settings.ffmpeg, settings.clip, settings.startSeconds);
}

}  // namespace

VideoDecoder::VideoDecoder(DecoderSettings settings) : settings_(std::move(settings)) {
    clock_.Start(settings_.startSeconds, Now(), settings_.running);
    DWORD error = 0;
    if (!process_.Start(DecodeCommand(settings_), error)) {
        Finish(State::Failed, L"ffmpeg.exe could not be started (error " + std::to_wstring(error) + L").");
        return;
    }
    reportThread_ = std::thread([this] { ReadReport(); });
    frameThread_ = std::thread([this] { ReadFrames(); });
}

VideoDecoder::~VideoDecoder() {
    stopping_ = true;
    {
        std::lock_guard<std::mutex> hold(lock_);
        changed_.notify_all();
    }
    process_.End();
    if (frameThread_.joinable()) frameThread_.join();
    if (reportThread_.joinable()) reportThread_.join();
}

double VideoDecoder::Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void VideoDecoder::Pause() {
    std::lock_guard<std::mutex> hold(lock_);
    clock_.Pause(Now());
    changed_.notify_all();
}

void VideoDecoder::Resume() {
    std::lock_guard<std::mutex> hold(lock_);
    clock_.Resume(Now());
    changed_.notify_all();
}

bool VideoDecoder::running() const {
    std::lock_guard<std::mutex> hold(lock_);
    return clock_.running();
}

double VideoDecoder::Position() const {
    std::lock_guard<std::mutex> hold(lock_);
    return clock_.Position(Now());
}

std::wstring VideoDecoder::problem() const {
    std::lock_guard<std::mutex> hold(lock_);
    return problem_;
}

double VideoDecoder::durationSeconds() const {
    std::lock_guard<std::mutex> hold(lock_);
    return report_.durationSeconds().value_or(0);
}

double VideoDecoder::framesPerSecond() const {
    std::lock_guard<std::mutex> hold(lock_);
    return report_.outputFramesPerSecond();
}

bool VideoDecoder::hasAudio() const {
    std::lock_guard<std::mutex> hold(lock_);
    return report_.hasAudio();
}

void VideoDecoder::ReadReport() {
    std::string pending;
    char buffer[4096];
    for (;;) {
        const std::size_t got = process_.ReadReport(buffer, sizeof buffer);
        if (got == 0) break;
        pending.append(buffer, got);
        std::size_t end;
        while ((end = pending.find_first_of("\r\n")) != std::string::npos) {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (line.empty()) continue;
            std::lock_guard<std::mutex> hold(lock_);
            report_.AddLine(line);
            if (report_.outputKnown()) changed_.notify_all();
        }
    }
    std::lock_guard<std::mutex> hold(lock_);
    if (!pending.empty()) report_.AddLine(pending);
    reportEnded_ = true;
    changed_.notify_all();
}

bool VideoDecoder::WaitForOutputDescription() {
    std::unique_lock<std::mutex> hold(lock_);
    const bool described = changed_.wait_for(hold, kDescriptionTimeout,
                                             [&] { return stopping_ || report_.outputKnown() || reportEnded_; });
    if (stopping_) return false;
    if (report_.outputKnown()) return true;
    hold.unlock();
    if (!described)
        Finish(State::Failed, L"No picture arrived in time.");
    else
        FailWithReport();
    return false;
}

void VideoDecoder::FailWithReport() {
    std::wstring reason;
    {
        // The output can end a moment before the report's last lines are read.
        std::unique_lock<std::mutex> hold(lock_);
        changed_.wait_for(hold, kReportEndTimeout, [&] { return stopping_ || reportEnded_; });
        if (report_.sawInput() && !report_.hasVideo())
            reason = L"The clip has no picture.";
        else
            reason = platform::AnsiToWide(report_.problem());
    }
    Finish(State::Failed, reason.empty() ? L"No picture could be decoded." : reason);
}

void VideoDecoder::ReadFrames() {
    if (!WaitForOutputDescription()) return;
    VideoFrame frame;
    double fps = 0;
    {
        std::lock_guard<std::mutex> hold(lock_);
        frame.width = report_.outputWidth();
        frame.height = report_.outputHeight();
        fps = report_.outputFramesPerSecond();
    }
    frame.pixels.resize(static_cast<std::size_t>(frame.width) * frame.height * 4);
    const double firstFrameIndex = settings_.startSeconds * fps;
    state_ = State::Running;
    for (long n = 0; !stopping_; ++n) {
        if (!process_.ReadOutput(frame.pixels.data(), frame.pixels.size())) {
            if (stopping_) return;
            if (n > 0)
                Finish(State::Ended);
            else
                FailWithReport();
            return;
        }
        ++decoded_;
        frame.index = static_cast<long>(firstFrameIndex + n + 0.5);
        bool drop = false;
        if (n == 0) {
            // The clock starts with the first picture, not with ffmpeg's start-up, and
            // the first frame shows at once: a paused start shows it as its still.
            std::lock_guard<std::mutex> hold(lock_);
            clock_.Start(settings_.startSeconds, Now(), clock_.running());
        } else if (!WaitUntilDue(settings_.startSeconds + n / fps, drop)) {
            return;
        }
        if (drop) {
            ++dropped_;
            continue;
        }
        Publish(frame);
    }
}

bool VideoDecoder::WaitUntilDue(double frameTime, bool& drop) {
    std::unique_lock<std::mutex> hold(lock_);
    const double frameDuration = 1.0 / std::max(report_.outputFramesPerSecond(), 1.0);
    for (;;) {
        if (stopping_) return false;
        const double position = clock_.Position(Now());
        switch (DecideFrame(frameTime, position, frameDuration, droppedInARow_, soundSetsThePace_)) {
        case FrameAction::Wait:
            if (!clock_.running())
                changed_.wait(hold);
            else
                changed_.wait_for(hold, std::chrono::duration<double>(frameTime - position));
            continue;
        case FrameAction::Drop:
            ++droppedInARow_;
            drop = true;
            return true;
        case FrameAction::ShowAndResync: clock_.Start(frameTime, Now(), clock_.running()); break;
        case FrameAction::Show: break;
        }
        droppedInARow_ = 0;
        drop = false;
        return true;
    }
}

void VideoDecoder::Publish(VideoFrame& frame) {
    {
        std::lock_guard<std::mutex> hold(frameLock_);
        std::swap(shown_, frame);
    }
    if (frame.pixels.size() != shown_.pixels.size()) {
        frame.width = shown_.width;
        frame.height = shown_.height;
        frame.pixels.resize(shown_.pixels.size());
    }
    if (!framePosted_.exchange(true)) PostMessageW(settings_.notify, settings_.frameMessage, 0, 0);
}

void VideoDecoder::Finish(State state, std::wstring problem) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (!problem.empty()) problem_ = std::move(problem);
    }
    state_ = state;
    PostMessageW(settings_.notify, settings_.finishedMessage, 0, 0);
}

}  // namespace flashctl
