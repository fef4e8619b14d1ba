#include "app/HelpPages.h"

#include "resources/resource.h"

namespace app {

std::wstring HelpPageOf(unsigned templateId) {
    switch (templateId) {
    case IDD_WEB_IMPORT: return L"import.html";
    case IDD_MAIN_WINDOW: return L"library.html";
    case IDD_PLAYER_SETTINGS: return L"settings-player.html";
    case IDD_CONVERT: return L"convert.html";
    case IDD_GENERAL_SETTINGS: return L"settings-general.html";
    case IDD_BATCH_CONVERT: return L"batch.html";
    default: return L"index.html";
    }
}

}  // namespace app
