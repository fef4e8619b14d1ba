#include "flashhost/MappedImage.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace flashhost {

namespace {

using DllEntry = BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID);

// The headers say where everything is; every offset they give is checked before use, so
// a damaged image is refused rather than followed out of bounds.
const IMAGE_NT_HEADERS64* ValidHeaders(const unsigned char* bytes, std::size_t size) {
    if (size < sizeof(IMAGE_DOS_HEADER)) return nullptr;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(bytes);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew < 0) return nullptr;
    const std::size_t ntOffset = static_cast<std::size_t>(dos->e_lfanew);
    if (ntOffset > size || size - ntOffset < sizeof(IMAGE_NT_HEADERS64)) return nullptr;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(bytes + ntOffset);
    if (nt->Signature != IMAGE_NT_SIGNATURE || nt->FileHeader.Machine != IMAGE_FILE_MACHINE_AMD64 ||
        nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC)
        return nullptr;
    const std::size_t sectionsEnd = ntOffset + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                                    nt->FileHeader.SizeOfOptionalHeader +
                                    std::size_t{nt->FileHeader.NumberOfSections} * sizeof(IMAGE_SECTION_HEADER);
    if (sectionsEnd > size || sectionsEnd > nt->OptionalHeader.SizeOfHeaders ||
        nt->OptionalHeader.SizeOfHeaders > size || nt->OptionalHeader.SizeOfHeaders > nt->OptionalHeader.SizeOfImage)
        return nullptr;
    return nt;
}

DWORD SectionProtection(DWORD characteristics) {
    const bool execute = characteristics & IMAGE_SCN_MEM_EXECUTE;
    const bool write = characteristics & IMAGE_SCN_MEM_WRITE;
    const bool read = characteristics & IMAGE_SCN_MEM_READ;
    if (execute) return write ? PAGE_EXECUTE_READWRITE : read ? PAGE_EXECUTE_READ : PAGE_EXECUTE;
    if (write) return PAGE_READWRITE;
    return read ? PAGE_READONLY : PAGE_NOACCESS;
}

}  // namespace

MappedImage::~MappedImage() { Unload(); }

const IMAGE_NT_HEADERS64& MappedImage::headers() const {
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base_);
    return *reinterpret_cast<const IMAGE_NT_HEADERS64*>(base_ + dos->e_lfanew);
}

const IMAGE_DATA_DIRECTORY& MappedImage::Directory(int index) const {
    static const IMAGE_DATA_DIRECTORY kNone{};
    const auto& optional = headers().OptionalHeader;
    return static_cast<DWORD>(index) < optional.NumberOfRvaAndSizes ? optional.DataDirectory[index] : kNone;
}

bool MappedImage::Contains(const void* address) const {
    const auto* byte = static_cast<const unsigned char*>(address);
    return base_ != nullptr && byte >= base_ && byte < base_ + size_;
}

bool MappedImage::Load(const void* bytes, std::size_t size, const ImportResolver& resolve, std::wstring& error) {
    Unload();
    if (!MapSections(bytes, size, error) || !Relocate(error) || !ResolveImports(resolve, error) ||
        !ApplyProtections(error)) {
        Unload();
        return false;
    }
    if (!RegisterExceptionTable()) {
        error = L"the exception table cannot be registered";
        Unload();
        return false;
    }
    FlushInstructionCache(GetCurrentProcess(), base_, size_);
    CallTlsCallbacks(DLL_PROCESS_ATTACH);
    if (!CallEntry(DLL_PROCESS_ATTACH)) {
        error = L"the image's entry point refused to attach";
        Unload();
        return false;
    }
    attached_ = true;
    CallEntry(DLL_THREAD_ATTACH);
    return true;
}

bool MappedImage::MapSections(const void* bytes, std::size_t size, std::wstring& error) {
    const auto* source = static_cast<const unsigned char*>(bytes);
    const IMAGE_NT_HEADERS64* nt = bytes != nullptr ? ValidHeaders(source, size) : nullptr;
    if (nt == nullptr) {
        error = L"not a 64-bit PE image";
        return false;
    }
    const DWORD imageSize = nt->OptionalHeader.SizeOfImage;
    base_ = static_cast<unsigned char*>(VirtualAlloc(nullptr, imageSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (base_ == nullptr) {
        error = L"no memory for the image";
        return false;
    }
    size_ = imageSize;
    std::memcpy(base_, source, nt->OptionalHeader.SizeOfHeaders);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        const DWORD virtualSize = std::max(section->Misc.VirtualSize, section->SizeOfRawData);
        const DWORD copied = std::min(section->Misc.VirtualSize ? section->Misc.VirtualSize : section->SizeOfRawData,
                                      section->SizeOfRawData);
        unsigned char* target = At<unsigned char>(section->VirtualAddress, virtualSize);
        if (target == nullptr || section->PointerToRawData > size || copied > size - section->PointerToRawData) {
            error = L"a section lies outside the image";
            return false;
        }
        std::memcpy(target, source + section->PointerToRawData, copied);
    }
    return true;
}

bool MappedImage::Relocate(std::wstring& error) {
    const auto delta = reinterpret_cast<ULONGLONG>(base_) - headers().OptionalHeader.ImageBase;
    const IMAGE_DATA_DIRECTORY& directory = Directory(IMAGE_DIRECTORY_ENTRY_BASERELOC);
    if (delta == 0 || directory.Size == 0) {
        if (delta != 0 && (headers().FileHeader.Characteristics & IMAGE_FILE_RELOCS_STRIPPED)) {
            error = L"the image cannot move from its preferred base";
            return false;
        }
        return true;
    }
    DWORD offset = 0;
    while (offset + sizeof(IMAGE_BASE_RELOCATION) <= directory.Size) {
        const auto* block = At<IMAGE_BASE_RELOCATION>(directory.VirtualAddress + offset);
        if (block == nullptr || block->SizeOfBlock < sizeof(IMAGE_BASE_RELOCATION) ||
            block->SizeOfBlock > directory.Size - offset) {
            error = L"a relocation block is damaged";
            return false;
        }
        const auto* entries = reinterpret_cast<const WORD*>(block + 1);
        const std::size_t count = (block->SizeOfBlock - sizeof(IMAGE_BASE_RELOCATION)) / sizeof(WORD);
        for (std::size_t i = 0; i < count; ++i) {
            const int type = entries[i] >> 12;
            if (type == IMAGE_REL_BASED_ABSOLUTE) continue;
            auto* target = At<ULONGLONG>(block->VirtualAddress + (entries[i] & 0xFFF));
            if (type != IMAGE_REL_BASED_DIR64 || target == nullptr) {
                error = L"a relocation is of an unknown type or points outside the image";
                return false;
            }
            *target += delta;
        }
        offset += block->SizeOfBlock;
    }
    return true;
}

bool MappedImage::ResolveImports(const ImportResolver& resolve, std::wstring& error) {
    const IMAGE_DATA_DIRECTORY& directory = Directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
    if (directory.Size == 0) return true;
    for (DWORD at = directory.VirtualAddress;; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto* descriptor = At<IMAGE_IMPORT_DESCRIPTOR>(at);
        if (descriptor == nullptr) break;
        if (descriptor->Name == 0) return true;
        const char* libraryName = At<char>(descriptor->Name, 1);
        HMODULE library = libraryName != nullptr ? LoadLibraryA(libraryName) : nullptr;
        if (library == nullptr) {
            error = L"an imported library cannot be loaded";
            return false;
        }
        libraries_.push_back(library);
        const DWORD namesRva = descriptor->OriginalFirstThunk ? descriptor->OriginalFirstThunk : descriptor->FirstThunk;
        for (DWORD i = 0;; ++i) {
            const auto* name = At<ULONGLONG>(namesRva + i * 8);
            auto** slot = At<void*>(descriptor->FirstThunk + i * 8);
            if (name == nullptr || slot == nullptr) {
                error = L"the import table is damaged";
                return false;
            }
            if (*name == 0) break;
            FARPROC function = nullptr;
            if (IMAGE_SNAP_BY_ORDINAL64(*name)) {
                function = GetProcAddress(library, MAKEINTRESOURCEA(IMAGE_ORDINAL64(*name)));
            } else {
                const auto* byName = At<IMAGE_IMPORT_BY_NAME>(static_cast<DWORD>(*name & 0x7FFFFFFF), 3);
                if (byName == nullptr) {
                    error = L"the import table is damaged";
                    return false;
                }
                const char* functionName = reinterpret_cast<const char*>(byName->Name);
                function = resolve(library, libraryName, functionName);
                imports_.push_back({libraryName, functionName, slot});
            }
            // A missing function would crash the first time the image calls it.
            if (function == nullptr) {
                error = L"an imported function cannot be found";
                return false;
            }
            *slot = reinterpret_cast<void*>(function);
        }
    }
    error = L"the import table is damaged";
    return false;
}

bool MappedImage::ApplyProtections(std::wstring& error) {
    DWORD previous = 0;
    VirtualProtect(base_, headers().OptionalHeader.SizeOfHeaders, PAGE_READONLY, &previous);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(&headers());
    for (WORD i = 0; i < headers().FileHeader.NumberOfSections; ++i, ++section) {
        const DWORD length = std::max(section->Misc.VirtualSize, section->SizeOfRawData);
        if (length == 0) continue;
        if (!VirtualProtect(base_ + section->VirtualAddress, length, SectionProtection(section->Characteristics),
                            &previous)) {
            error = L"a section's protection cannot be set";
            return false;
        }
    }
    return true;
}

// Without its unwind data registered, the first C++ throw inside the image ends the process.
bool MappedImage::RegisterExceptionTable() {
    const IMAGE_DATA_DIRECTORY& directory = Directory(IMAGE_DIRECTORY_ENTRY_EXCEPTION);
    if (directory.Size < sizeof(RUNTIME_FUNCTION)) return true;
    auto* table = At<RUNTIME_FUNCTION>(directory.VirtualAddress, directory.Size);
    if (table == nullptr) return false;
    if (!RtlAddFunctionTable(table, directory.Size / sizeof(RUNTIME_FUNCTION), reinterpret_cast<DWORD64>(base_)))
        return false;
    functionTable_ = table;
    return true;
}

void MappedImage::CallTlsCallbacks(DWORD reason) {
    const IMAGE_DATA_DIRECTORY& directory = Directory(IMAGE_DIRECTORY_ENTRY_TLS);
    if (directory.Size < sizeof(IMAGE_TLS_DIRECTORY64)) return;
    const auto* tls = At<IMAGE_TLS_DIRECTORY64>(directory.VirtualAddress);
    if (tls == nullptr || tls->AddressOfCallBacks == 0) return;
    for (auto* callback = reinterpret_cast<PIMAGE_TLS_CALLBACK*>(tls->AddressOfCallBacks);
         Contains(callback) && *callback != nullptr; ++callback) {
        if (Contains(reinterpret_cast<void*>(*callback))) (*callback)(base_, reason, nullptr);
    }
}

bool MappedImage::CallEntry(DWORD reason) {
    const DWORD entry = headers().OptionalHeader.AddressOfEntryPoint;
    if (entry == 0) return true;
    auto function = reinterpret_cast<DllEntry>(base_ + entry);
    return function(reinterpret_cast<HINSTANCE>(base_), reason, nullptr) != FALSE;
}

FARPROC MappedImage::Export(const char* name) const {
    if (base_ == nullptr) return nullptr;
    const IMAGE_DATA_DIRECTORY& directory = Directory(IMAGE_DIRECTORY_ENTRY_EXPORT);
    const auto* exports = At<IMAGE_EXPORT_DIRECTORY>(directory.VirtualAddress);
    if (directory.Size == 0 || exports == nullptr) return nullptr;
    const auto* names = At<DWORD>(exports->AddressOfNames, exports->NumberOfNames * sizeof(DWORD));
    const auto* ordinals = At<WORD>(exports->AddressOfNameOrdinals, exports->NumberOfNames * sizeof(WORD));
    const auto* functions = At<DWORD>(exports->AddressOfFunctions, exports->NumberOfFunctions * sizeof(DWORD));
    if (names == nullptr || ordinals == nullptr || functions == nullptr) return nullptr;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
        const char* exportName = At<char>(names[i], 1);
        if (exportName == nullptr || std::strcmp(exportName, name) != 0) continue;
        if (ordinals[i] >= exports->NumberOfFunctions) return nullptr;
        return reinterpret_cast<FARPROC>(At<unsigned char>(functions[ordinals[i]], 1));
    }
    return nullptr;
}

void MappedImage::Unload() {
    if (base_ == nullptr) return;
    if (attached_) {
        CallEntry(DLL_THREAD_DETACH);
        CallEntry(DLL_PROCESS_DETACH);
        CallTlsCallbacks(DLL_PROCESS_DETACH);
        attached_ = false;
    }
    if (functionTable_ != nullptr) RtlDeleteFunctionTable(std::exchange(functionTable_, nullptr));
    VirtualFree(std::exchange(base_, nullptr), 0, MEM_RELEASE);
    size_ = 0;
    imports_.clear();
    for (auto library = libraries_.rbegin(); library != libraries_.rend(); ++library) FreeLibrary(*library);
    libraries_.clear();
}

}  // namespace flashhost
