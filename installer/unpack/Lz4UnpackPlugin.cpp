// The set-up's plug-in that expands a file the build packed as an LZ4 frame:
//   Lz4Unpack::Expand "<packed file>" "<target file>"
// leaves "ok", or why it failed, on the set-up's stack. The set-up's own inflater spent most
// of a silent install on ffmpeg.exe; LZ4 expands it several times faster.
#include <windows.h>

#include <cstdint>
#include <span>
#include <string>

#include "platform/UniqueHandle.h"
#include "unpack/Lz4Frame.h"

namespace {

// One entry of the set-up engine's string stack, allocated with GlobalAlloc to hold
// `stringSize` characters.
struct StackEntry {
    StackEntry* next;
    wchar_t text[1];
};

std::wstring Pop(StackEntry** top) {
    StackEntry* entry = *top;
    if (entry == nullptr) return {};
    std::wstring text = entry->text;
    *top = entry->next;
    GlobalFree(entry);
    return text;
}

void Push(StackEntry** top, int stringSize, const std::wstring& text) {
    auto* entry = static_cast<StackEntry*>(GlobalAlloc(GPTR, sizeof(StackEntry) + stringSize * sizeof(wchar_t)));
    if (entry == nullptr) return;
    lstrcpynW(entry->text, text.c_str(), stringSize);
    entry->next = *top;
    *top = entry;
}

std::wstring Widen(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

std::wstring SystemMessage(DWORD error) {
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = text != nullptr ? text : L"error " + std::to_wstring(error);
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) message.pop_back();
    return message;
}

// A read-only view of a whole file, unmapped when it goes.
class ReadOnlyView {
public:
    ReadOnlyView() = default;
    ReadOnlyView(const ReadOnlyView&) = delete;
    ReadOnlyView& operator=(const ReadOnlyView&) = delete;
    ~ReadOnlyView() {
        if (data_ != nullptr) UnmapViewOfFile(data_);
    }
    // Empty on success, else why not.
    std::wstring Map(const std::wstring& path) {
        platform::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
        const DWORD openError = GetLastError();
        if (!file) return SystemMessage(openError);
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file.get(), &size) || size.QuadPart == 0) return L"the file is empty";
        platform::UniqueHandle mapping(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
        const DWORD mappingError = GetLastError();
        if (!mapping) return SystemMessage(mappingError);
        data_ = static_cast<const std::uint8_t*>(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
        const DWORD viewError = GetLastError();
        if (data_ == nullptr) return SystemMessage(viewError);
        size_ = static_cast<std::size_t>(size.QuadPart);
        return {};
    }
    std::span<const std::uint8_t> Bytes() const { return {data_, size_}; }

private:
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

// Expands block by block into the target: one block's worth of memory, reused, instead of
// all of ffmpeg.exe, whose fresh pages cost more than the expanding. Empty on success, else
// why not; a target it could not finish is deleted.
std::wstring ExpandFile(const std::wstring& packed, const std::wstring& target) {
    ReadOnlyView frame;
    if (auto why = frame.Map(packed); !why.empty()) return L"cannot read " + packed + L": " + why;
    platform::UniqueFile file(
        CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const DWORD openError = GetLastError();
    if (!file) return L"cannot write " + target + L": " + SystemMessage(openError);
    DWORD writeError = ERROR_SUCCESS;
    const std::string decodeError = unpack::DecodeLz4Frame(frame.Bytes(), [&](std::span<const std::uint8_t> block) {
        DWORD written = 0;
        const BOOL wrote = WriteFile(file.get(), block.data(), static_cast<DWORD>(block.size()), &written, nullptr);
        const DWORD error = GetLastError();
        if (wrote && written == block.size()) return true;
        writeError = wrote ? ERROR_WRITE_FAULT : error;
        return false;
    });
    if (decodeError.empty()) return {};
    file.reset();
    DeleteFileW(target.c_str());
    if (writeError != ERROR_SUCCESS) return L"cannot write " + target + L": " + SystemMessage(writeError);
    return packed + L" is damaged: " + Widen(decodeError);
}

}  // namespace

extern "C" __declspec(dllexport) void Expand(HWND, int stringSize, wchar_t*, StackEntry** stackTop, void*) {
    const std::wstring packed = Pop(stackTop);
    const std::wstring target = Pop(stackTop);
    const std::wstring why = ExpandFile(packed, target);
    Push(stackTop, stringSize, why.empty() ? L"ok" : why);
}
