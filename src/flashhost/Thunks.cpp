#include "flashhost/Thunks.h"

#include <intrin.h>

#include <cstring>

namespace flashhost {

namespace {

constexpr std::size_t kPageSize = 4096;
// The first 64 TLS slots live inside the TEB itself at this offset; later ones live in a
// block allocated per thread on demand, which a stub could not rely on.
constexpr DWORD kTebTlsSlots = 0x1480;
constexpr DWORD kTebSlotCount = 64;

DWORD BindingSlot() {
    static const DWORD slot = [] {
        const DWORD index = TlsAlloc();
        return index < kTebSlotCount ? index : TLS_OUT_OF_INDEXES;
    }();
    return slot;
}

}  // namespace

const ThunkBinding& CurrentThunkBinding() {
    return *reinterpret_cast<const ThunkBinding*>(__readgsqword(kTebTlsSlots + 8 * BindingSlot()));
}

ThunkArena::~ThunkArena() {
    for (unsigned char* page : pages_) VirtualFree(page, 0, MEM_RELEASE);
}

void* ThunkArena::Make(const ThunkBinding* binding, const void* target) {
    const DWORD slot = BindingSlot();
    if (slot == TLS_OUT_OF_INDEXES) return nullptr;
    if (pages_.empty() || used_ + kThunkSize > kPageSize) {
        auto* page = static_cast<unsigned char*>(
            VirtualAlloc(nullptr, kPageSize, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE));
        if (page == nullptr) return nullptr;
        pages_.push_back(page);
        used_ = 0;
    }
    unsigned char* stub = pages_.back() + used_;
    used_ += kThunkSize;

    const auto bindingAddress = reinterpret_cast<ULONGLONG>(binding);
    const auto targetAddress = reinterpret_cast<ULONGLONG>(target);
    const DWORD slotOffset = kTebTlsSlots + 8 * slot;
    unsigned char* at = stub;
    auto emit = [&](const void* bytes, std::size_t count) {
        std::memcpy(at, bytes, count);
        at += count;
    };
    const unsigned char movR10[] = {0x49, 0xBA};
    const unsigned char storeGs[] = {0x65, 0x4C, 0x89, 0x14, 0x25};
    const unsigned char movRax[] = {0x48, 0xB8};
    const unsigned char jmpRax[] = {0xFF, 0xE0};
    emit(movR10, sizeof movR10);
    emit(&bindingAddress, 8);
    emit(storeGs, sizeof storeGs);
    emit(&slotOffset, 4);
    emit(movRax, sizeof movRax);
    emit(&targetAddress, 8);
    emit(jmpRax, sizeof jmpRax);
    std::memset(at, 0xCC, stub + kThunkSize - at);
    FlushInstructionCache(GetCurrentProcess(), stub, kThunkSize);
    return stub;
}

}  // namespace flashhost
