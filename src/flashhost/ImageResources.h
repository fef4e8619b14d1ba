#pragma once
// Resources of the mapped image. The system's resource functions cannot see an image it
// never loaded, so cursors and menus the image asks for on its own module are found here.
#include <windows.h>

#include "flashhost/MappedImage.h"

namespace flashhost {

struct ResourceData {
    const void* data = nullptr;
    DWORD size = 0;
};

// `type` and `name` are integer ids (MAKEINTRESOURCE), "#123" or names; the first
// language found is taken.
ResourceData FindImageResource(const MappedImage& image, LPCSTR type, LPCSTR name);
// A cursor built from the image's group-cursor and cursor resources; null when missing.
HCURSOR LoadImageCursor(const MappedImage& image, LPCSTR name);
// A menu built from the image's menu resource; null when missing.
HMENU LoadImageMenu(const MappedImage& image, LPCSTR name);

}  // namespace flashhost
