#include "library/PlayableFiles.h"

#include <gtest/gtest.h>

namespace library {
namespace {

TEST(PlayableFiles, OnlyVideoAndAudioExtensionsAreHandedToThePlayer) {
    for (const wchar_t* path :
         {L"C:\\Reelkeep\\Videos\\1260000001.flv", L"C:\\v\\clip.MP4", L"C:\\v\\song.mp3", L"C:\\v\\a.b.webm"})
        EXPECT_TRUE(IsPlayableMediaFile(path)) << path;
    for (const wchar_t* path : {L"C:\\Reelkeep\\Videos\\run.bat", L"C:\\v\\clip.flv.exe", L"C:\\v\\noextension",
                                L"C:\\v.flv\\script.cmd", L"C:\\v\\clip.flv ", L"", L"C:\\v\\.lnk"})
        EXPECT_FALSE(IsPlayableMediaFile(path)) << path;
}

}  // namespace
}  // namespace library
