#include "app/HelpPages.h"

#include "resources/resource.h"

namespace app {

std::wstring HelpPageOf(unsigned templateId) {
    switch (templateId) {
    case IDD_PAGE1_YOUTUBE: return L"import.html";
    case IDD_PAGE2_MAIN: return L"library.html";
    case IDD_PAGE3_PLAYER_SETTINGS: return L"settings-player.html";
    case IDD_PAGE4_CONVERT: return L"convert.html";
    case IDD_PAGE5_GENERAL_SETTINGS: return L"settings-general.html";
    case IDD_PAGE6_BATCH_CONVERT: return L"batch.html";
    default: return L"index.html";
    }
}

}  // namespace app
