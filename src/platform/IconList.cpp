#include "platform/IconList.h"

#include "platform/IconImageFormat.h"
#include "platform/UniqueHandle.h"

#include <cstring>
#include <optional>
#include <vector>

namespace platform {

namespace {

struct IconTraits {
    using Handle = HICON;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { DestroyIcon(h); }
};

std::span<const std::uint8_t> ResourceBytes(HINSTANCE module, LPCWSTR name, LPCWSTR type) {
    HRSRC found = FindResourceW(module, name, type);
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) return {};
    return {static_cast<const std::uint8_t*>(bytes), SizeofResource(module, found)};
}

std::optional<IconImageRows> SmallIconRows(HINSTANCE resources, int iconId, int size) {
    const auto image = FindIconImage(ResourceBytes(resources, MAKEINTRESOURCEW(iconId), RT_GROUP_ICON), size);
    if (!image) return std::nullopt;
    return ReadIconImage(ResourceBytes(resources, MAKEINTRESOURCEW(*image), RT_ICON), size);
}

// A bottom-up DIB section `width` x `height` at `bitsPerPixel` (1: black and white).
HBITMAP CreateStripBitmap(int width, int height, WORD bitsPerPixel, void** bits) {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[2];
    } info{};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = width;
    info.header.biHeight = height;
    info.header.biPlanes = 1;
    info.header.biBitCount = bitsPerPixel;
    info.header.biCompression = BI_RGB;
    info.colors[1] = RGBQUAD{255, 255, 255, 0};
    return CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, bits, nullptr, 0);
}

// Every icon side by side in one colour strip and one mask strip, added at once; false
// (and nothing added) when an icon has no image of exactly `size` pixels.
bool AddIconStrip(HIMAGELIST images, HINSTANCE resources, std::span<const int> iconIds, int size) {
    // Mask rows are copied a byte at a time.
    if (size % 8 != 0 || iconIds.empty()) return false;
    std::vector<IconImageRows> icons;
    for (int id : iconIds) {
        const auto rows = SmallIconRows(resources, id, size);
        if (!rows) return false;
        icons.push_back(*rows);
    }
    const int width = size * static_cast<int>(icons.size());
    void* colorBits = nullptr;
    void* maskBits = nullptr;
    UniqueGdiObject color(CreateStripBitmap(width, size, 32, &colorBits));
    UniqueGdiObject mask(CreateStripBitmap(width, size, 1, &maskBits));
    if (!color || !mask) return false;
    const std::size_t colorStride = static_cast<std::size_t>(width) * 4;
    const std::size_t maskStride = (static_cast<std::size_t>(width) + 31) / 32 * 4;
    const auto iconColorBytes = static_cast<std::size_t>(size) * 4;
    const auto iconMaskBytes = static_cast<std::size_t>(size) / 8;
    for (std::size_t index = 0; index < icons.size(); ++index) {
        for (std::size_t row = 0; row < static_cast<std::size_t>(size); ++row) {
            std::memcpy(static_cast<std::uint8_t*>(colorBits) + row * colorStride + index * iconColorBytes,
                        icons[index].color + row * iconColorBytes, iconColorBytes);
            std::memcpy(static_cast<std::uint8_t*>(maskBits) + row * maskStride + index * iconMaskBytes,
                        icons[index].mask + row * icons[index].maskStride, iconMaskBytes);
        }
    }
    return ImageList_Add(images, static_cast<HBITMAP>(color.get()), static_cast<HBITMAP>(mask.get())) >= 0;
}

void AddIconsOneByOne(HIMAGELIST images, HINSTANCE resources, std::span<const int> iconIds, int size) {
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
        // Built from the icon's bitmaps: adding the icon itself draws it twice, three
        // times as slow.
        UniqueGdiObject color(parts.hbmColor);
        UniqueGdiObject mask(parts.hbmMask);
        ImageList_Add(images, static_cast<HBITMAP>(color.get()), static_cast<HBITMAP>(mask.get()));
    }
}

HIMAGELIST CreateSmallImageList(int size, std::span<const int> iconIds) {
    return ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, static_cast<int>(iconIds.size()), 0);
}

}  // namespace

HIMAGELIST LoadSmallIconList(HINSTANCE resources, std::span<const int> iconIds) {
    const int size = GetSystemMetrics(SM_CXSMICON);
    HIMAGELIST images = CreateSmallImageList(size, iconIds);
    if (images == nullptr) return nullptr;
    if (!AddIconStrip(images, resources, iconIds, size)) AddIconsOneByOne(images, resources, iconIds, size);
    return images;
}

HIMAGELIST LoadSmallIconListOneByOne(HINSTANCE resources, std::span<const int> iconIds) {
    const int size = GetSystemMetrics(SM_CXSMICON);
    HIMAGELIST images = CreateSmallImageList(size, iconIds);
    if (images != nullptr) AddIconsOneByOne(images, resources, iconIds, size);
    return images;
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
