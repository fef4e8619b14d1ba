#include "platform/IconList.h"

#include "platform/UniqueHandle.h"

namespace platform {

namespace {

struct IconTraits {
    using Handle = HICON;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { DestroyIcon(h); }
};

}  // namespace

HIMAGELIST LoadSmallIconList(HINSTANCE resources, std::span<const int> iconIds) {
    const int size = GetSystemMetrics(SM_CXSMICON);
    const int count = static_cast<int>(iconIds.size());
    HIMAGELIST images = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, count, 0);
    if (images == nullptr) return nullptr;
    for (int id : iconIds) {
        Unique<IconTraits> icon(
            static_cast<HICON>(LoadImageW(resources, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
        ICONINFO parts{};
        if (!icon || !GetIconInfo(icon.get(), &parts)) {
            // An empty image keeps the later ones in place: an entry's image is its index.
            HDC screen = GetDC(nullptr);
            UniqueGdiObject blank(CreateCompatibleBitmap(screen, size, size));
            ReleaseDC(nullptr, screen);
            ImageList_Add(images, static_cast<HBITMAP>(blank.get()), nullptr);
            continue;
        }
        UniqueGdiObject color(parts.hbmColor);
        UniqueGdiObject mask(parts.hbmMask);
        ImageList_Add(images, static_cast<HBITMAP>(color.get()), static_cast<HBITMAP>(mask.get()));
    }
    return images;
}

}  // namespace platform
