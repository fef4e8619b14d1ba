#include "flashhost/RuntimeRules.h"

#include <gtest/gtest.h>

#include <cstring>

namespace flashhost {
namespace {

const std::wstring kMarker(kMemoryMovieMarker);

TEST(RuntimeRulesTest, MemoryMoviePathsNameTheirMovieAndFilesBesideIt) {
    EXPECT_EQ(MemoryMoviePath(12), L"Z:\\FromMemory\\" + kMarker + L"\\12\\4BC37A1F293B47169DBC8019C50075F5.swf");
    const struct {
        std::wstring path;
        bool found;
        unsigned number;
        std::wstring relative;
    } cases[] = {
        {MemoryMoviePath(0), true, 0, L"4BC37A1F293B47169DBC8019C50075F5.swf"},
        {L"file:///Z:/FromMemory/" + kMarker + L"/31/pics/a.jpg", true, 31, L"pics\\a.jpg"},
        {L"x\\" + kMarker + L"\\4\\", true, 4, L""},
        {L"x\\" + kMarker + L"\\4", false, 0, L""},
        {L"x\\" + kMarker + L"\\\\a.swf", false, 0, L""},
        {L"x\\" + kMarker + L"4\\a.swf", false, 0, L""},
        {L"x\\" + kMarker + L"\\99999999999\\a.swf", false, 0, L""},
        {L"C:\\P\\player.swf", false, 0, L""},
    };
    for (const auto& c : cases) {
        const auto reference = ParseMemoryMoviePath(c.path);
        ASSERT_EQ(reference.has_value(), c.found) << std::string(c.path.begin(), c.path.end());
        if (!c.found) continue;
        EXPECT_EQ(reference->number, c.number);
        EXPECT_EQ(reference->relative, c.relative);
    }
    EXPECT_TRUE(IsMemoryMovieFile(L"4bc37a1f293b47169dbc8019c50075f5.SWF"));
    EXPECT_FALSE(IsMemoryMovieFile(L"pics\\4BC37A1F293B47169DBC8019C50075F5.swf"));
}

TEST(RuntimeRulesTest, SupportLibraryIsRefusedOnlyFromAFolder) {
    const struct {
        const char* path;
        bool refused;
    } cases[] = {
        {"C:\\Flash\\swsupport.dll", true}, {"C:\\Flash\\SWSupport", true},
        {"\\swsupport.DLL", true},          {"swsupport.dll", false},
        {"C:\\x\\myswsupport.dll", false},  {"C:\\x\\swsupport.dll.bak", false},
        {"C:/x/swsupport.dll", false},      {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsRefusedLibraryPath(c.path), c.refused) << c.path;
}

TEST(RuntimeRulesTest, SamplesScaleAroundTheirSilence) {
    unsigned char eight[] = {0, 128, 255};
    ScaleSamples(eight, sizeof eight, 1, 32768);
    EXPECT_EQ(eight[0], 64);
    EXPECT_EQ(eight[1], 128);
    EXPECT_EQ(eight[2], 191);

    const std::int16_t loud[] = {-32768, 1000, 32767};
    unsigned char sixteen[sizeof loud];
    std::memcpy(sixteen, loud, sizeof loud);
    ScaleSamples(sixteen, sizeof sixteen, 2, 0);
    for (unsigned char byte : sixteen) EXPECT_EQ(byte, 0);
    std::memcpy(sixteen, loud, sizeof loud);
    ScaleSamples(sixteen, sizeof sixteen, 2, 65535);
    EXPECT_EQ(std::memcmp(sixteen, loud, sizeof loud), 0);
}

}  // namespace
}  // namespace flashhost
