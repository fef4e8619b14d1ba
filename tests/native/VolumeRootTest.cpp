#include "titles/VolumeRoot.h"

#include <gtest/gtest.h>

namespace titles {
namespace {

TEST(VolumeRoot, NamesTheVolumeOfDriveAndSharePaths) {
    struct Case {
        const wchar_t* path;
        const wchar_t* root;
    };
    const Case cases[] = {
        {L"C:\\Program Files\\Reelkeep\\Videos\\1.flv", L"C:\\"},
        {L"d:\\clip.flv", L"D:\\"},
        {L"e:/cache/x", L"E:\\"},
        {L"\\\\?\\c:\\long\\path.flv", L"C:\\"},
        {L"\\\\server\\Share\\folder\\a.flv", L"\\\\SERVER\\SHARE\\"},
        {L"//server/share/a.flv", L"\\\\SERVER\\SHARE\\"},
        {L"\\\\server\\share", L"\\\\SERVER\\SHARE\\"},
        {L"\\\\?\\UNC\\nas\\media\\a.flv", L"\\\\NAS\\MEDIA\\"},
        {L"\\\\?\\unc\\nas\\media", L"\\\\NAS\\MEDIA\\"},
        // No volume can be told from these: the caller asks the system each time.
        {L"relative\\a.flv", L""},
        {L"C:relative.flv", L""},
        {L"C:", L""},
        {L"\\\\server", L""},
        {L"\\\\server\\", L""},
        {L"\\\\.\\PhysicalDrive0", L""},
        {L"\\\\?\\Volume{0123}\\a.flv", L""},
        {L"", L""},
    };
    for (const Case& c : cases) EXPECT_EQ(VolumeRootOf(c.path), c.root) << c.path;
}

}  // namespace
}  // namespace titles
