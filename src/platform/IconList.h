#pragma once
// Image lists of small icons from the executable's resources.
#include <windows.h>
#include <commctrl.h>

#include <span>

namespace platform {

// One 16x16 (small-icon size) image per id, in order; the caller owns the list. Icons
// stored at exactly that size go in as one strip of their own bits: loading each icon
// through the system cost about 3 ms an icon at start-up under Wine.
HIMAGELIST LoadSmallIconList(HINSTANCE resources, std::span<const int> iconIds);

// The same list built icon by icon through the system's icon loader, which scales an
// icon that has no image of the wanted size. The fallback of LoadSmallIconList.
HIMAGELIST LoadSmallIconListOneByOne(HINSTANCE resources, std::span<const int> iconIds);

// Gives a ComboBoxEx its image list without painting it there and then: the combo box
// inside repaints at once when the images change its item height, which on a shown window
// would draw it ahead of the window around it. It is left to the window's next paint.
void SetComboBoxExImages(HWND comboBoxEx, HIMAGELIST images);

}  // namespace platform
