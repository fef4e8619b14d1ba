#pragma once
// The application object: checks the installation, prepares the browsers' caches and
// runs the main window; the program's life is that window's loop.
#include "framework/WinApp.h"

namespace flashhost {
class FlashRuntime;
}

namespace app {

class ReelkeepApp : public framework::WinApp {
public:
    BOOL InitInstance() override;
    int ExitInstance() override;

private:
    // The in-memory player runtime; none when it could not be loaded, and the program
    // then runs without a preview player.
    flashhost::FlashRuntime* flashRuntime_ = nullptr;
};

inline constexpr wchar_t kMissingFilesMessage[] =
    L"The program has detected that some files are missing, please reinstall the program";
inline constexpr wchar_t kOutdatedQuestion[] = L"This version of Reelkeep is outdated. Reinstall the program?";
inline constexpr wchar_t kQuitsAsOutdatedMessage[] = L"The program quits as outdated";

}  // namespace app
