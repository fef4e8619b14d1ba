#pragma once
// The dialog that downloads a video from its watch-page address (template 129).
// Its controls come from the template; its behaviour arrives with its own feature.
#include "framework/Dialog.h"
#include "resources/resource.h"

namespace webimport {

class Page1 : public framework::Dialog {
public:
    explicit Page1(HWND parent) : Dialog(IDD_PAGE1_YOUTUBE, parent) {}
};

}  // namespace webimport
