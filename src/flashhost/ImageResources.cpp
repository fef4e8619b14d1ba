#include "flashhost/ImageResources.h"

#include <cstdlib>
#include <cwctype>
#include <string>

namespace flashhost {

namespace {

// One step down the resource tree: the entry of `directory` that matches `key`, where an
// integer key matches an id and a text key a name without regard to case.
const IMAGE_RESOURCE_DIRECTORY_ENTRY* FindEntry(const unsigned char* root, std::size_t rootSize,
                                                const IMAGE_RESOURCE_DIRECTORY* directory, LPCSTR key) {
    const auto* entries = reinterpret_cast<const IMAGE_RESOURCE_DIRECTORY_ENTRY*>(directory + 1);
    const unsigned count = directory->NumberOfNamedEntries + directory->NumberOfIdEntries;
    if (reinterpret_cast<const unsigned char*>(entries + count) > root + rootSize) return nullptr;
    WORD id = 0;
    std::wstring name;
    if (IS_INTRESOURCE(key)) {
        id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(key));
    } else if (key[0] == '#') {
        id = static_cast<WORD>(std::strtoul(key + 1, nullptr, 10));
    } else {
        for (const char* c = key; *c != '\0'; ++c)
            name += static_cast<wchar_t>(std::towupper(static_cast<unsigned char>(*c)));
    }
    for (unsigned i = 0; i < count; ++i) {
        const auto& entry = entries[i];
        if (key == nullptr) return &entry;
        if (entry.NameIsString) {
            if (name.empty() || entry.NameOffset + sizeof(WORD) > rootSize) continue;
            const auto* text = reinterpret_cast<const IMAGE_RESOURCE_DIR_STRING_U*>(root + entry.NameOffset);
            if (text->Length != name.size() || entry.NameOffset + sizeof(WORD) + text->Length * 2 > rootSize) continue;
            bool same = true;
            for (WORD c = 0; c < text->Length && same; ++c) same = std::towupper(text->NameString[c]) == name[c];
            if (same) return &entry;
        } else if (name.empty() && entry.Id == id) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace

ResourceData FindImageResource(const MappedImage& image, LPCSTR type, LPCSTR name) {
    if (!image.loaded()) return {};
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.base());
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(image.base() + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE];
    if (directory.Size == 0 || directory.VirtualAddress + std::size_t{directory.Size} > image.size()) return {};
    const unsigned char* root = image.base() + directory.VirtualAddress;
    const std::size_t rootSize = directory.Size;
    const auto* level = reinterpret_cast<const IMAGE_RESOURCE_DIRECTORY*>(root);
    // Type, then name, then the first language.
    for (LPCSTR key : {type, name, static_cast<LPCSTR>(nullptr)}) {
        const auto* entry = FindEntry(root, rootSize, level, key);
        if (entry == nullptr) return {};
        if (entry->OffsetToDirectory + sizeof(IMAGE_RESOURCE_DIRECTORY) > rootSize) return {};
        if (key == nullptr && !entry->DataIsDirectory) {
            const auto* data = reinterpret_cast<const IMAGE_RESOURCE_DATA_ENTRY*>(root + entry->OffsetToData);
            if (data->OffsetToData + std::size_t{data->Size} > image.size()) return {};
            return {image.base() + data->OffsetToData, data->Size};
        }
        if (!entry->DataIsDirectory) return {};
        level = reinterpret_cast<const IMAGE_RESOURCE_DIRECTORY*>(root + entry->OffsetToDirectory);
    }
    return {};
}

HCURSOR LoadImageCursor(const MappedImage& image, LPCSTR name) {
    const ResourceData group = FindImageResource(image, reinterpret_cast<LPCSTR>(RT_GROUP_CURSOR), name);
    if (group.data == nullptr) return nullptr;
    const int id = LookupIconIdFromDirectory(static_cast<PBYTE>(const_cast<void*>(group.data)), FALSE);
    if (id == 0) return nullptr;
    const ResourceData cursor = FindImageResource(image, reinterpret_cast<LPCSTR>(RT_CURSOR), MAKEINTRESOURCEA(id));
    if (cursor.data == nullptr) return nullptr;
    return CreateIconFromResource(static_cast<PBYTE>(const_cast<void*>(cursor.data)), cursor.size, FALSE, 0x30000);
}

HMENU LoadImageMenu(const MappedImage& image, LPCSTR name) {
    const ResourceData menu = FindImageResource(image, reinterpret_cast<LPCSTR>(RT_MENU), name);
    return menu.data != nullptr ? LoadMenuIndirectA(menu.data) : nullptr;
}

}  // namespace flashhost
