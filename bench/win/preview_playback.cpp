// A 10 s, 640 x 360, 30 fps clip played by the player control in a pane of the program's
// Standard size: the frames the clip holds (its length times its rate, from the decoder
// in the same run) against the frames the pane presented. Fails over the limit, which
// allows 5% of the frames to be dropped.
#include "support/BenchTools.h"
#include "support/FlashControlImage.h"
#include "support/MessagePump.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr double kLimit = 1.0 / 0.95;

using bench::BinFolder;

}  // namespace

int main() {
    GetDesktopWindow();  // before the first child process: see the platform notes on pipe EOF
    CoInitialize(nullptr);
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    int result = 1;
    {
        testing_support::FlashControlImage image(temp);
        testing_support::PlayerWindow player(image, 320, 241);
        if (!player.active()) {
            std::printf("preview playback: the player control could not be loaded\n");
            return 1;
        }
        const std::wstring clip = BinFolder() + L"flash-clips\\flash clips\\bench 640x360 30fps.mp4";
        const double start = bench::NowMilliseconds();
        double firstFrame = 0;
        player.Load(BinFolder() + L"player.swf?autoplay=true", L"content=" + clip);
        const bool ended = testing_support::PumpUntil(
            [&] {
                if (firstFrame == 0 && player.Variable(L"presentedFrames") != L"0")
                    firstFrame = bench::NowMilliseconds();
                const std::wstring state = player.Variable(L"state");
                return state == L"ended" || state == L"error";
            },
            std::chrono::minutes(2));
        const double end = bench::NowMilliseconds();
        const double expected =
            std::stod(L"0" + player.Variable(L"duration")) * std::stod(L"0" + player.Variable(L"framesPerSecond"));
        const long presented = std::stol(L"0" + player.Variable(L"presentedFrames"));
        if (!ended || player.Variable(L"state") != L"ended" || presented == 0 || expected <= 0) {
            std::printf("preview playback: the clip did not play to its end (%ls)\n",
                        player.Variable(L"message").c_str());
            return 1;
        }
        const double ratio = expected / presented;
        std::printf("preview playback, frames of the clip per frame presented: %.3fx (limit %.3fx)\n", ratio, kLimit);
        // Without sound a late frame is shown late rather than dropped: the time the frames
        // took tells whether the clip kept its pace.
        std::printf(
            "  %ld of %.0f frames presented (%.1f%% dropped), %ld decoded, %ld dropped by the pacing; "
            "first frame after %.2f s, the frames took %.2f s for a %.2f s clip\n",
            presented, expected, 100.0 * (1 - presented / expected),
            std::stol(L"0" + player.Variable(L"decodedFrames")), std::stol(L"0" + player.Variable(L"droppedFrames")),
            (firstFrame - start) / 1000, (end - firstFrame) / 1000, std::stod(L"0" + player.Variable(L"duration")));
        result = ratio <= kLimit ? 0 : 1;
    }
    CoUninitialize();
    return result;
}
