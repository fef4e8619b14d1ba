#pragma once
// Image lists of small icons from the executable's resources.
#include <windows.h>
#include <commctrl.h>

namespace platform {

// An image list from a bitmap resource that holds a row of 16x16 images with their alpha,
// as the build draws a combo box's icons; the caller owns the list. One load: adding the
// icons one by one cost about 3 ms an icon at start-up under Wine.
HIMAGELIST LoadIconStrip(HINSTANCE resources, int bitmapId);

// Gives a ComboBoxEx its image list without painting it there and then: the combo box
// inside repaints at once when the images change its item height, which on a shown window
// would draw it ahead of the window around it. It is left to the window's next paint.
void SetComboBoxExImages(HWND comboBoxEx, HIMAGELIST images);

}  // namespace platform
