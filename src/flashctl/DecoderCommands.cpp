#include "flashctl/DecoderCommands.h"

#include "platform/CommandLine.h"
#include "platform/ToolInputs.h"

#include <cstdio>

namespace flashctl {

std::wstring PictureDecodeCommand(const std::wstring& ffmpeg, const std::wstring& clip, double startSeconds) {
    wchar_t scale[160];
    std::swprintf(scale, 160, L"scale='min(%d,iw)':'min(%d,ih)':force_original_aspect_ratio=decrease", kMaxWidth,
                  kMaxHeight);
    return platform::QuoteProgram(ffmpeg) + L" -nostdin -hide_banner -nostats" + platform::LocalMediaInput() + L" -i " +
           platform::QuoteArgument(clip) + SeekOption(startSeconds) + L" -map 0:v:0 -an -sn -dn -vf " +
           platform::QuoteArgument(scale) + L" -vsync cfr -f rawvideo -pix_fmt bgra -";
}

std::wstring SoundDecodeCommand(const std::wstring& ffmpeg, const std::wstring& clip, double startSeconds) {
    return platform::QuoteProgram(ffmpeg) + L" -nostdin -hide_banner -nostats -loglevel error" +
           platform::LocalMediaInput() + L" -i " + platform::QuoteArgument(clip) + SeekOption(startSeconds) +
           L" -map 0:a:0 -vn -sn -dn -f s16le -acodec pcm_s16le -ac 2 -ar 44100 -";
}

std::wstring SeekOption(double seconds) {
    if (seconds <= 0) return {};
    wchar_t option[48];
    std::swprintf(option, 48, L" -ss %.3f", seconds);
    return option;
}

}  // namespace flashctl
