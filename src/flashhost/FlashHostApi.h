#pragma once
// What the owner of a host window uses: the message numbers and records the host accepts,
// the notifications it sends, and the convenience calls built on them.
#include <windows.h>

#include <string>

namespace flashhost {

// Messages with these fixed numbers; lParam points to the record named beside each.
inline constexpr UINT FHM_QUERY_INTERFACE = 0x1401;               // QueryInterfaceRecord
inline constexpr UINT FHM_LOAD_MOVIE_FROM_MEMORY = 0x1402;        // MemoryMovieRecord
inline constexpr UINT FHM_LOAD_MOVIE_FROM_MEMORY_LAYER = 0x1403;  // MemoryMovieRecord with a layer
inline constexpr UINT FHM_SET_CONTEXT_MENU = 0x1405;              // VARIANT_BOOL
inline constexpr UINT FHM_GET_CONTEXT_MENU = 0x1406;              // VARIANT_BOOL (out)
inline constexpr UINT FHM_SET_RETURN_VALUE = 0x140F;              // PutTextRecord<wchar_t>

// One member of the family per property and method of the control, from 0x1500. A text
// property takes four numbers in a row: put ANSI, put wide, get ANSI, get wide.
inline constexpr UINT FHM_PUT_MOVIE_A = 0x153D;
inline constexpr UINT FHM_PUT_MOVIE_W = 0x153E;
inline constexpr UINT FHM_GET_MOVIE_A = 0x153F;
inline constexpr UINT FHM_GET_MOVIE_W = 0x1540;
inline constexpr UINT FHM_PUT_WMODE_A = 0x1545;
inline constexpr UINT FHM_PUT_WMODE_W = 0x1546;
inline constexpr UINT FHM_GET_WMODE_A = 0x1547;
inline constexpr UINT FHM_GET_WMODE_W = 0x1548;
inline constexpr UINT FHM_PUT_BASE_A = 0x1551;
inline constexpr UINT FHM_PUT_BASE_W = 0x1552;
inline constexpr UINT FHM_GET_BASE_A = 0x1553;
inline constexpr UINT FHM_GET_BASE_W = 0x1554;
inline constexpr UINT FHM_PUT_FLASHVARS_A = 0x1569;
inline constexpr UINT FHM_PUT_FLASHVARS_W = 0x156A;
inline constexpr UINT FHM_GET_FLASHVARS_A = 0x156B;
inline constexpr UINT FHM_GET_FLASHVARS_W = 0x156C;
inline constexpr UINT FHM_PUT_ALLOWFULLSCREEN_A = 0x1585;
inline constexpr UINT FHM_PUT_ALLOWFULLSCREEN_W = 0x1586;
inline constexpr UINT FHM_GET_ALLOWFULLSCREEN_A = 0x1587;
inline constexpr UINT FHM_GET_ALLOWFULLSCREEN_W = 0x1588;

struct QueryInterfaceRecord {
    IID iid;
    void* object;
    HRESULT result;
};
struct MemoryMovieRecord {
    const void* data;
    DWORD size;
    int layer;  // only for FHM_LOAD_MOVIE_FROM_MEMORY_LAYER
};
template <typename Char>
struct PutTextRecord {
    const Char* text;
    HRESULT result;
};
// Asked with a null buffer it only reports the length (characters with the terminating
// zero); asked again with a buffer of that length it copies the text too.
template <typename Char>
struct GetTextRecord {
    Char* buffer;
    DWORD length;
    HRESULT result;
};

// Registered by name, so that any module in the process can use them.
inline constexpr char kSetEventListenerMessage[] =
    "DEF_PRIVATE_MESSAGE__SET_EVENT_LISTENER__cfde44ae-A1B5-422b-AC7E-AFCD35AB3671";
inline constexpr char kLoadExternalResourceMessage[] =
    "DEF_PRIVATE_MESSAGE__CALL_LOAD_EXTERNAL_RESOURCE__4006D732-0800-4a8e-BD45-8D7A153fad51";
inline constexpr char kGetObjectPointerMessage[] =
    "DEF_PRIVATE_MESSAGE__GET_OBJECT_PTR__A4679BFB-0972-46ae-A032-1A46711970F9";

// The owner's listener for the control's events; called with the notification record.
using EventListener = void (*)(void* userData, const NMHDR& notification);
struct EventListenerRecord {
    EventListener listener;
    void* userData;
};

// Notification codes of the control's events, sent as WM_NOTIFY to the host's parent.
inline constexpr UINT FHN_FSCOMMAND = 4861;    // FsCommandNotification<wchar_t>
inline constexpr UINT FHN_FSCOMMAND_A = 4862;  // FsCommandNotification<char>
inline constexpr UINT FHN_PROGRESS = 4863;     // ValueNotification
inline constexpr UINT FHN_READYSTATE = 4864;   // ValueNotification
inline constexpr UINT FHN_FLASHCALL = 5114;    // FlashCallNotification<wchar_t>
inline constexpr UINT FHN_FLASHCALL_A = 5115;  // FlashCallNotification<char>

template <typename Char>
struct FsCommandNotification {
    NMHDR header;
    const Char* command;
    const Char* arguments;
};
struct ValueNotification {
    NMHDR header;
    long value;
};
template <typename Char>
struct FlashCallNotification {
    NMHDR header;
    const Char* request;
};

// Loads a movie resource into the host; a null module means the program itself. 0 when
// the window is null or the resource missing.
LRESULT LoadMovieFromResource(HWND host, HMODULE module, LPCWSTR name, LPCWSTR type);
// Lets the movie go full screen; 0 without effect on a control older than 9.0.28.
int SetAllowFullScreen(HWND host, bool enabled);
void SetContextMenu(HWND host, bool enabled);
HRESULT PutMovie(HWND host, const std::wstring& movie);
HRESULT PutFlashVars(HWND host, const std::wstring& vars);
// The text property behind `getWide` (FHM_GET_*_W), asked for twice as the record says.
std::wstring GetText(HWND host, UINT getWide);

}  // namespace flashhost
