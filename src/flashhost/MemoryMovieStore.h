#pragma once
// In-memory movies and the virtual files opened on them. The Flash object opens a movie by
// path; a path under our marker is served from a stream the host filled, so a movie can
// come from a resource without ever touching the disk.
#include <windows.h>
#include <objidl.h>

#include "platform/ComPtr.h"

#include <map>
#include <mutex>
#include <string>

namespace flashhost {

class MemoryMovieStore {
public:
    struct Movie {
        std::wstring path;
        platform::ComPtr<IStream> stream;
    };
    // A new stream with the next movie number, recorded with the host window that shows it.
    // The stream is empty; the caller writes the movie into it.
    bool Create(HWND host, Movie& movie);
    // A clone of the stream of movie `number`, positioned at its start; null when unknown.
    platform::ComPtr<IStream> Open(unsigned number);
    // The host window that shows movie `number`, or null.
    HWND HostOf(unsigned number);
    // Forgets every movie of a host window that goes away.
    void ForgetHost(HWND host);

private:
    struct Entry {
        HWND host;
        platform::ComPtr<IStream> stream;
    };
    std::mutex lock_;
    unsigned nextNumber_ = 0;
    std::map<unsigned, Entry> movies_;
};

// Handles given out for virtual files: each is a real unnamed event object, so that the
// image may close it with the real CloseHandle without harm, keyed to its stream.
class VirtualFileTable {
public:
    HANDLE Open(platform::ComPtr<IStream> stream);
    bool Read(HANDLE file, void* buffer, DWORD wanted, DWORD* read);
    // Moves the position like SetFilePointerEx; false for an unknown handle.
    bool Seek(HANDLE file, LARGE_INTEGER distance, DWORD method, LARGE_INTEGER* position, bool& known);
    bool Size(HANDLE file, ULONGLONG& size);
    bool Contains(HANDLE file);
    bool Close(HANDLE file);

private:
    IStream* Find(HANDLE file);
    std::mutex lock_;
    std::map<HANDLE, platform::ComPtr<IStream>> files_;
};

}  // namespace flashhost
