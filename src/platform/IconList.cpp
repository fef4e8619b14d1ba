#include "platform/IconList.h"

namespace platform {

namespace {

constexpr int kStripImageSize = 16;

}  // namespace

HIMAGELIST LoadIconStrip(HINSTANCE resources, int bitmapId) {
    // A DIB section keeps the alpha, which makes the list a 32-bit one drawn through it;
    // no mask colour then.
    return ImageList_LoadImageW(resources, MAKEINTRESOURCEW(bitmapId), kStripImageSize, 0, CLR_NONE, IMAGE_BITMAP,
                                LR_CREATEDIBSECTION);
}

void SetComboBoxExImages(HWND comboBoxEx, HIMAGELIST images) {
    // The combo box keeps its own no-redraw state: the pause changes no visibility.
    HWND combo = reinterpret_cast<HWND>(SendMessageW(comboBoxEx, CBEM_GETCOMBOCONTROL, 0, 0));
    SendMessageW(combo, WM_SETREDRAW, FALSE, 0);
    SendMessageW(comboBoxEx, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    SendMessageW(combo, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(comboBoxEx, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace platform
