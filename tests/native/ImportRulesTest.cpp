#include "framework/MultiSelection.h"
#include "library/ImportRules.h"

#include <gtest/gtest.h>

namespace {

TEST(ImportRules, TitleIsTheNameWithoutItsLastFourCharacters) {
    EXPECT_EQ(library::ImportTitle(L"C:\\clips\\clip.flv"), L"clip");
    EXPECT_EQ(library::ImportTitle(L"C:\\clips\\holiday 2009.FLV"), L"holiday 2009");
    EXPECT_EQ(library::ImportTitle(L"C:\\clips\\.flv"), L"");
    EXPECT_EQ(library::ImportTitle(L"C:\\clips\\a.f"), L"");
    EXPECT_EQ(library::ImportTitle(L"noslash.flv"), L"noslash");
    EXPECT_EQ(library::ImportSecond(1260000000, 0), 1260000000);
    EXPECT_EQ(library::ImportSecond(1260000000, 2), 1259999998);
}

TEST(ImportRules, ClipNamesKeepTheirSecondAndTheirContainer) {
    EXPECT_EQ(library::LibraryClipName(1260000000, 0), L"1260000000.flv");
    EXPECT_EQ(library::LibraryClipName(1260000000, 1), L"1260000000_2.flv");
    EXPECT_EQ(library::LibraryClipName(1260000000, 2, L".mp4"), L"1260000000_3.mp4");
}

TEST(MultiSelection, OnePathOrAFolderWithNames) {
    using framework::SplitMultiSelection;
    const std::wstring single(L"C:\\clips\\one.flv\0\0", 18);
    EXPECT_EQ(SplitMultiSelection(single), std::vector<std::wstring>{L"C:\\clips\\one.flv"});
    const std::wstring several(L"C:\\clips\0a.flv\0b c.flv\0\0garbage", 31);
    EXPECT_EQ(SplitMultiSelection(several), (std::vector<std::wstring>{L"C:\\clips\\a.flv", L"C:\\clips\\b c.flv"}));
    const std::wstring root(L"C:\\\0a.flv\0\0", 11);
    EXPECT_EQ(SplitMultiSelection(root), std::vector<std::wstring>{L"C:\\a.flv"});
    EXPECT_TRUE(SplitMultiSelection(std::wstring(L"\0\0", 2)).empty());
}

}  // namespace
