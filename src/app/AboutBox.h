#pragma once
// The about box (template 148): one picture over the whole client area on white.
#include "framework/Dialog.h"

namespace app {

class AboutBox : public framework::Dialog {
public:
    explicit AboutBox(HWND parent);

protected:
    BOOL OnInitDialog() override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    void Paint();

    HBITMAP picture_ = nullptr;
};

}  // namespace app
