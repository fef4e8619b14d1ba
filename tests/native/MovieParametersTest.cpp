// The host passes the clip path unescaped: the player must take "content" as the whole
// rest of FlashVars, whatever "&", "=" or blanks the path holds.
#include "flashctl/MovieParameters.h"

#include <gtest/gtest.h>

namespace {

constexpr const wchar_t* kMovie =
    L"C:\\P q\\player.swf?allowembed=false&showlogo=false&autoplay=true&allowfullscreen=true"
    L"&fs_mode=normal&allowtimeline=true&volume=70&zholderbgcolor=0x000000";

TEST(MovieParameters, ReadsTheQueryAndTheContentPathAsTheHostSendsThem) {
    struct Case {
        const wchar_t* movie;
        const wchar_t* flashVars;
        const wchar_t* content;
        bool autoplay, timeline, fullScreen;
        int volume;
    };
    const Case cases[] = {
        {kMovie, L"content=C:\\P q\\Videos\\a&b=c d.flv", L"C:\\P q\\Videos\\a&b=c d.flv", true, true, true, 70},
        {kMovie, L"content=C:\\v\\x&autoplay=false.mp4", L"C:\\v\\x&autoplay=false.mp4", true, true, true, 70},
        {L"C:\\p\\player.swf?allowtimeline=TRUE&volume=250", L"content=", L"", false, true, false, 100},
        {L"C:\\p\\player.swf?volume=-3&autoplay=yes", L"autoplay=true&content=C:\\a.flv", L"C:\\a.flv", true, false,
         false, 100},
        {L"C:\\p\\player.swf", L"", L"", false, false, false, 100},
        {L"C:\\p\\player.swf?volume=0&&=x&autoplay", L"contents=C:\\no.flv", L"", false, false, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.movie << " / " << c.flashVars);
        const auto options = flashctl::ReadMovieParameters(c.movie, c.flashVars);
        EXPECT_EQ(c.content, options.contentPath);
        EXPECT_EQ(c.autoplay, options.autoplay);
        EXPECT_EQ(c.timeline, options.allowTimeline);
        EXPECT_EQ(c.fullScreen, options.allowFullScreen);
        EXPECT_EQ(c.volume, options.volumePercent);
    }
}

TEST(MovieParameters, TheMovieFileIsThePathBeforeTheQuery) {
    EXPECT_EQ(L"C:\\P q\\player.swf", flashctl::MovieFilePath(kMovie));
    EXPECT_EQ(L"Z:\\FromMemory\\D7\\0\\4B.swf", flashctl::MovieFilePath(L"Z:\\FromMemory\\D7\\0\\4B.swf"));
    EXPECT_EQ(L"AGKJ.swf", flashctl::MovieFilePath(L"file://AGKJ.swf"));
    EXPECT_EQ(L"C:/m/a.swf", flashctl::MovieFilePath(L"FILE:///C:/m/a.swf?x=1"));
}

}  // namespace
