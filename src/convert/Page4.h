#pragma once
// The single-clip convert dialog (template 143).
// Its controls come from the template; its behaviour arrives with its own feature.
#include "framework/Dialog.h"
#include "resources/resource.h"

namespace convert {

class Page4 : public framework::Dialog {
public:
    explicit Page4(HWND parent) : Dialog(IDD_PAGE4_CONVERT, parent) {}
};

}  // namespace convert
