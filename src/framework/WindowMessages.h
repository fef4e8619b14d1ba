#pragma once
// The blocks of private messages and window timers, one per feature, so that no two
// features' ids collide. A feature declares its own messages and timers in its own folder
// with MessageAt and TimerAt, which refuse at compile time an id outside its block; a new
// feature gets a row here.
#include <windows.h>

#include <cstddef>

namespace framework {

struct IdBlock {
    UINT_PTR first;
    UINT_PTR last;
};

// Private messages, between WM_APP and 0xBFFF (above lie the registered messages such as
// "TaskbarCreated").
inline constexpr IdBlock kTrayMessages{WM_APP + 1, WM_APP + 9};
inline constexpr IdBlock kCatalogueMessages{WM_APP + 10, WM_APP + 19};
inline constexpr IdBlock kMainWindowMessages{WM_APP + 20, WM_APP + 29};
inline constexpr IdBlock kConvertMessages{WM_APP + 40, WM_APP + 59};
inline constexpr IdBlock kImportMessages{WM_APP + 60, WM_APP + 69};

// Timers of the main window, which also serves the convert panel's timers: the single-clip
// dialog's controller is the main window's panel, and the batch dialog reuses them.
inline constexpr IdBlock kCatalogueTimers{1, 1};
inline constexpr IdBlock kConvertTimers{2, 9};

consteval UINT MessageAt(IdBlock block, UINT offset) {
    if (block.first + offset > block.last) throw "a private message lies outside its feature's block";
    return static_cast<UINT>(block.first + offset);
}

consteval UINT_PTR TimerAt(IdBlock block, UINT offset) {
    if (block.first + offset > block.last) throw "a timer lies outside its feature's block";
    return block.first + offset;
}

constexpr bool InBlock(IdBlock block, UINT_PTR id) { return id >= block.first && id <= block.last; }

template <std::size_t count>
constexpr bool Disjoint(const IdBlock (&blocks)[count]) {
    for (std::size_t i = 0; i < count; ++i) {
        if (blocks[i].first > blocks[i].last) return false;
        for (std::size_t j = i + 1; j < count; ++j)
            if (blocks[i].first <= blocks[j].last && blocks[j].first <= blocks[i].last) return false;
    }
    return true;
}

inline constexpr IdBlock kMessageBlocks[] = {kTrayMessages, kCatalogueMessages, kMainWindowMessages, kConvertMessages,
                                             kImportMessages};
inline constexpr IdBlock kTimerBlocks[] = {kCatalogueTimers, kConvertTimers};

static_assert(Disjoint(kMessageBlocks), "two features' private messages overlap");
static_assert(Disjoint(kTimerBlocks), "two features' timers of the main window overlap");
static_assert(
    [] {
        for (const IdBlock& block : kMessageBlocks)
            if (block.first < WM_APP || block.last > 0xBFFF) return false;
        return true;
    }(),
    "a block of private messages lies outside WM_APP to 0xBFFF");
static_assert(
    [] {
        for (const IdBlock& block : kTimerBlocks)
            if (block.first == 0) return false;
        return true;
    }(),
    "timer id 0 means no timer");

}  // namespace framework
