#pragma once
// Reads what ffmpeg prints on its error stream while it decodes a clip into raw frames:
// the clip's duration and streams, and the size and rate of the frames it is about to
// write. Portable.
#include <optional>
#include <string>
#include <string_view>

namespace flashctl {

class DecoderReport {
public:
    // One line of the error stream, without its line end.
    void AddLine(std::string_view line);

    std::optional<double> durationSeconds() const { return duration_; }
    bool sawInput() const { return section_ != Section::Banner; }
    bool hasVideo() const { return inputVideo_; }
    bool hasAudio() const { return inputAudio_; }
    // True once the raw output stream has been described: width, height and rate are set.
    bool outputKnown() const { return outputWidth_ > 0 && outputHeight_ > 0 && outputRate_ > 0; }
    int outputWidth() const { return outputWidth_; }
    int outputHeight() const { return outputHeight_; }
    double outputFramesPerSecond() const { return outputRate_; }
    // The last line that reads like a complaint, with the input name in front cut off:
    // what the pane shows when no frame arrives.
    const std::string& problem() const { return problem_; }

private:
    enum class Section { Banner, Input, Output };
    void ReadStreamLine(std::string_view line);

    Section section_ = Section::Banner;
    std::optional<double> duration_;
    bool inputVideo_ = false;
    bool inputAudio_ = false;
    int outputWidth_ = 0;
    int outputHeight_ = 0;
    double outputRate_ = 0;
    std::string problem_;
};

}  // namespace flashctl
