#pragma once
// The batch convert dialog (template 147).
// Its controls come from the template; its behaviour arrives with its own feature.
#include "framework/Dialog.h"
#include "resources/resource.h"

namespace convert {

class Page6 : public framework::Dialog {
public:
    explicit Page6(HWND parent) : Dialog(IDD_PAGE6_BATCH_CONVERT, parent) {}
};

}  // namespace convert
