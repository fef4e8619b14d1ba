// Clips whose title carries the deletion marker are deleted by the next start; the
// marker is matched with its exact case.
#include "ProgramTest.h"
#include "titles/TitleStore.h"

namespace e2e {
namespace {

class PurgeOnStart : public ProgramTest {};

// Writes the title through the program's own title store, so that the program reads it
// back however the store keeps titles on this volume.
void GiveTitle(const std::wstring& path, const std::wstring& title) {
    titles::WriteTitle(path, title);
    ASSERT_EQ(titles::ReadTitle(path), title) << "the title did not stick";
}

TEST_F(PurgeOnStart, DeletesClipsWhoseTitleHoldsTheMarkerInItsExactCase) {
    const std::wstring videos = program().Path(L"Videos\\");
    MakeDirectories(videos + L"folder");
    struct Clip {
        const wchar_t* file;
        const wchar_t* title;  // null: never titled
        bool deleted;
    };
    const Clip clips[] = {
        {L"100.flv", L"InOrderToDelete", true},
        {L"101.flv", L"inorderToDelete", false},
        {L"102.flv", L"inordertodelete", false},
        {L"103.flv", L"Movie7 InOrderToDelete", true},
        {L"104.flv", nullptr, false},
        {L"105.flv", L"Movie3", false},
    };
    for (const Clip& clip : clips) {
        WriteWholeFile(videos + clip.file,
                       std::string("FLV\x01\x05\0\0\0\x09", 9) + static_cast<char>(clip.file[2]) + "clip");
        if (clip.title != nullptr) GiveTitle(videos + clip.file, clip.title);
        if (HasFatalFailure()) return;
    }

    RunningProgram run(program());
    ASSERT_NE(run.WaitForMainWindow(kStartTimeout), nullptr) << "the main window never appeared";

    for (const Clip& clip : clips) {
        EXPECT_EQ(FileExists(videos + clip.file), !clip.deleted)
            << testing::PrintToString(std::wstring(clip.file)) << " titled "
            << testing::PrintToString(std::wstring(clip.title ? clip.title : L"(none)"));
    }
    EXPECT_TRUE(DirectoryExists(videos + L"folder"));
}

}  // namespace
}  // namespace e2e
