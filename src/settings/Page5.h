#pragma once
// The general settings dialog (template 144).
// Its controls come from the template; its behaviour arrives with its own feature.
#include "framework/Dialog.h"
#include "resources/resource.h"

namespace settings {

class Page5 : public framework::Dialog {
public:
    explicit Page5(HWND parent) : Dialog(IDD_PAGE5_GENERAL_SETTINGS, parent) {}
};

}  // namespace settings
