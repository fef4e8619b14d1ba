// The set-up's plug-in that expands the files the build packed into deflated LZ4 blocks
// (installer/pack-blocks.py) and the set-up keeps stored among its own bytes:
//   Lz4Unpack::Start "<set-up>" <index> "<target file>"
//       starts expanding block file <index> (from 0, in their order in the set-up) on every
//       processor, and returns at once;
//   Lz4Unpack::Finish
//       waits for all that were started, and leaves "ok" or why one failed on the stack.
// The set-up's own inflater runs on one thread and spent most of a silent install on
// ffmpeg.exe; here the files expand in the background while the set-up puts the rest in
// place, read where they lie in the set-up rather than copied to the temporary folder first.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cwchar>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "platform/UniqueHandle.h"
#include "unpack/PackedBlocks.h"

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

// What the set-up engine hands a plug-in beside its stack; a plug-in that registers a callback
// stays loaded until the set-up ends, instead of being unloaded after each call.
enum PluginMessage { kUnload, kGuiUnload };
struct ExtraParameters {
    void* execFlags;
    int(__stdcall* executeCodeSegment)(int, HWND);
    void(__stdcall* validateFilename)(wchar_t*);
    int(__stdcall* registerPluginCallback)(HMODULE, UINT_PTR (*)(PluginMessage));
};

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

// One thread per processor, up to this many: beyond it the disk, not the CPU, sets the pace.
constexpr unsigned kMaxThreads = 4;

// The blocks go to the threads one at a time, in order; the first failure stops them all.
class BlockQueue {
public:
    BlockQueue(const unpack::BlockTable& table, HANDLE target) : table_(table), target_(target) {}

    // Expands and writes blocks until none is left or one failed.
    void Work() {
        unpack::BlockBuffers buffers;
        for (std::size_t i = next_++; i < table_.blocks.size() && !failed_; i = next_++) {
            const unpack::PackedBlock& block = table_.blocks[i];
            if (auto why = unpack::ExpandBlock(block, buffers); !why.empty()) return Fail(Widen(why), true);
            if (auto why = WriteAt(buffers.expanded, block.targetOffset); !why.empty()) return Fail(why, false);
        }
    }
    void Cancel() { Fail(L"the set-up stopped before it was done", false); }
    const std::wstring& Error() const { return error_; }
    bool Damaged() const { return damaged_; }

private:
    std::wstring WriteAt(const std::vector<std::uint8_t>& bytes, std::uint64_t offset) const {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD written = 0;
        const BOOL wrote = WriteFile(target_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, &at);
        const DWORD error = GetLastError();
        if (!wrote) return SystemMessage(error);
        return written == bytes.size() ? std::wstring{} : SystemMessage(ERROR_WRITE_FAULT);
    }
    void Fail(const std::wstring& why, bool damaged) {
        std::lock_guard lock(mutex_);
        if (failed_.exchange(true)) return;
        error_ = why;
        damaged_ = damaged;
    }

    const unpack::BlockTable& table_;
    HANDLE target_;
    std::atomic<std::size_t> next_{0};
    std::atomic<bool> failed_{false};
    std::mutex mutex_;
    std::wstring error_;
    bool damaged_ = false;
};

unsigned ThreadCount(std::size_t blocks) {
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    return static_cast<unsigned>(
        std::clamp<std::size_t>(std::min<std::size_t>(system.dwNumberOfProcessors, blocks), 1, kMaxThreads));
}

// Sets the target to its full size up front, so that each thread writes its blocks at their
// own place. Empty on success, else why not.
std::wstring Presize(HANDLE file, std::uint64_t size) {
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    if (SetFileInformationByHandle(file, FileEndOfFileInfo, &end, sizeof(end))) return {};
    const DWORD error = GetLastError();
    return SystemMessage(error);
}

// Expands all blocks into the target on every processor, a block's worth of memory per
// thread, from Start to Finish. A target it could not finish is deleted, also when the
// set-up ends without waiting for it.
class Expansion {
public:
    Expansion(std::wstring setup, std::size_t index, std::wstring target)
        : setup_(std::move(setup)), target_(std::move(target)) {
        error_ = Begin(index);
    }
    Expansion(const Expansion&) = delete;
    Expansion& operator=(const Expansion&) = delete;
    ~Expansion() {
        if (!workers_.empty()) queue_->Cancel();
        Finish();
    }

    // Waits for the workers. Empty on success, else why not.
    std::wstring Finish() {
        for (std::thread& worker : workers_) worker.join();
        workers_.clear();
        if (error_.empty() && queue_ && !queue_->Error().empty()) {
            error_ = queue_->Damaged() ? setup_ + L" is damaged: " + queue_->Error()
                                       : L"cannot write " + target_ + L": " + queue_->Error();
        }
        const bool written = static_cast<bool>(file_);
        file_.reset();
        if (written && !error_.empty()) DeleteFileW(target_.c_str());
        return error_;
    }

private:
    std::wstring Begin(std::size_t index) {
        if (auto why = view_.Map(setup_); !why.empty()) return L"cannot read " + setup_ + L": " + why;
        table_ = unpack::FindBlockTable(view_.Bytes(), index);
        if (!table_.error.empty()) return setup_ + L" is damaged: " + Widen(table_.error);
        file_.reset(
            CreateFileW(target_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        const DWORD openError = GetLastError();
        if (!file_) return L"cannot write " + target_ + L": " + SystemMessage(openError);
        if (auto why = Presize(file_.get(), table_.expandedSize); !why.empty())
            return L"cannot write " + target_ + L": " + why;
        queue_ = std::make_unique<BlockQueue>(table_, file_.get());
        for (unsigned i = 0; i < ThreadCount(table_.blocks.size()); ++i)
            workers_.emplace_back([this] { queue_->Work(); });
        return {};
    }

    std::wstring setup_, target_;
    ReadOnlyView view_;
    unpack::BlockTable table_;
    platform::UniqueFile file_;
    std::unique_ptr<BlockQueue> queue_;
    std::vector<std::thread> workers_;
    std::wstring error_;
};

std::vector<std::unique_ptr<Expansion>> expansions;

UINT_PTR OnPluginMessage(PluginMessage message) {
    if (message == kUnload) expansions.clear();
    return 0;
}

HMODULE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<const wchar_t*>(&OnPluginMessage), &module);
    return module;
}

}  // namespace

extern "C" __declspec(dllexport) void Start(HWND, int, wchar_t*, StackEntry** stackTop, ExtraParameters* extra) {
    const std::wstring setup = Pop(stackTop);
    const std::wstring index = Pop(stackTop);
    const std::wstring target = Pop(stackTop);
    // Kept loaded while the workers run: the set-up would unload it on return otherwise.
    extra->registerPluginCallback(ThisModule(), OnPluginMessage);
    expansions.push_back(std::make_unique<Expansion>(setup, std::wcstoul(index.c_str(), nullptr, 10), target));
}

extern "C" __declspec(dllexport) void Finish(HWND, int stringSize, wchar_t*, StackEntry** stackTop, void*) {
    std::wstring why = expansions.empty() ? L"nothing was started" : L"";
    for (const auto& expansion : expansions) {
        const std::wstring error = expansion->Finish();
        if (why.empty()) why = error;
    }
    expansions.clear();
    Push(stackTop, stringSize, why.empty() ? L"ok" : why);
}
