#pragma once
// A PE32+ DLL mapped from bytes in memory, the way the system loader would map it from a
// file: sections with their protections, base relocations, imports, TLS callbacks and the
// exception table. The system never learns about the image, so GetModuleHandle and
// GetModuleFileName know nothing of it.
#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace flashhost {

// Resolves one named import; the runtime puts its hooks in here. Returns null when the
// function cannot be found.
using ImportResolver = std::function<FARPROC(HMODULE library, const char* libraryName, const char* function)>;

class MappedImage {
public:
    MappedImage() = default;
    ~MappedImage();
    MappedImage(const MappedImage&) = delete;
    MappedImage& operator=(const MappedImage&) = delete;

    // Maps and links the image and runs its attach code. On failure nothing stays
    // mapped or loaded, and `error` says why.
    bool Load(const void* bytes, std::size_t size, const ImportResolver& resolve, std::wstring& error);
    // Runs the detach code, removes the exception table, frees the memory and every
    // library the imports loaded. Safe to call twice.
    void Unload();

    bool loaded() const { return base_ != nullptr; }
    unsigned char* base() const { return base_; }
    HMODULE module() const { return reinterpret_cast<HMODULE>(base_); }
    std::size_t size() const { return size_; }
    bool Contains(const void* address) const;
    // The image's export by name, or null.
    FARPROC Export(const char* name) const;

    struct ImportRecord {
        std::string library;
        std::string function;
        void** slot;
    };
    const std::vector<ImportRecord>& imports() const { return imports_; }

private:
    bool MapSections(const void* bytes, std::size_t size, std::wstring& error);
    bool Relocate(std::wstring& error);
    bool ResolveImports(const ImportResolver& resolve, std::wstring& error);
    bool ApplyProtections(std::wstring& error);
    bool RegisterExceptionTable();
    void CallTlsCallbacks(DWORD reason);
    bool CallEntry(DWORD reason);
    const IMAGE_NT_HEADERS64& headers() const;
    const IMAGE_DATA_DIRECTORY& Directory(int index) const;
    // A pointer to `length` bytes at `rva`, or null when they leave the image.
    template <typename T>
    T* At(DWORD rva, std::size_t length = sizeof(T)) const {
        if (rva > size_ || length > size_ - rva) return nullptr;
        return reinterpret_cast<T*>(base_ + rva);
    }

    unsigned char* base_ = nullptr;
    std::size_t size_ = 0;
    bool attached_ = false;
    PRUNTIME_FUNCTION functionTable_ = nullptr;
    std::vector<HMODULE> libraries_;
    std::vector<ImportRecord> imports_;
};

}  // namespace flashhost
