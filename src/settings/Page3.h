#pragma once
// The player settings dialog (template 137).
// Its controls come from the template; its behaviour arrives with its own feature.
#include "framework/Dialog.h"
#include "resources/resource.h"

namespace settings {

class Page3 : public framework::Dialog {
public:
    explicit Page3(HWND parent) : Dialog(IDD_PAGE3_PLAYER_SETTINGS, parent) {}
};

}  // namespace settings
