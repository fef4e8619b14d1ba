#include "flashhost/MemoryMovieStore.h"

#include "flashhost/RuntimeRules.h"

namespace flashhost {

bool MemoryMovieStore::Create(HWND host, Movie& movie) {
    platform::ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.put()))) return false;
    stream->AddRef();
    platform::ComPtr<IStream> kept;
    *kept.put() = stream.get();
    std::lock_guard guard(lock_);
    const unsigned number = nextNumber_++;
    movies_[number] = Entry{host, std::move(kept)};
    movie.path = MemoryMoviePath(number);
    movie.stream = std::move(stream);
    return true;
}

platform::ComPtr<IStream> MemoryMovieStore::Open(unsigned number) {
    platform::ComPtr<IStream> clone;
    std::lock_guard guard(lock_);
    const auto found = movies_.find(number);
    if (found == movies_.end() || FAILED(found->second.stream->Clone(clone.put()))) return {};
    const LARGE_INTEGER start{};
    clone->Seek(start, STREAM_SEEK_SET, nullptr);
    return clone;
}

HWND MemoryMovieStore::HostOf(unsigned number) {
    std::lock_guard guard(lock_);
    const auto found = movies_.find(number);
    return found == movies_.end() ? nullptr : found->second.host;
}

void MemoryMovieStore::ForgetHost(HWND host) {
    std::lock_guard guard(lock_);
    std::erase_if(movies_, [host](const auto& entry) { return entry.second.host == host; });
}

HANDLE VirtualFileTable::Open(platform::ComPtr<IStream> stream) {
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (event == nullptr) return INVALID_HANDLE_VALUE;
    std::lock_guard guard(lock_);
    files_[event] = std::move(stream);
    return event;
}

IStream* VirtualFileTable::Find(HANDLE file) {
    const auto found = files_.find(file);
    return found == files_.end() ? nullptr : found->second.get();
}

bool VirtualFileTable::Contains(HANDLE file) {
    std::lock_guard guard(lock_);
    return Find(file) != nullptr;
}

bool VirtualFileTable::Read(HANDLE file, void* buffer, DWORD wanted, DWORD* read) {
    std::lock_guard guard(lock_);
    IStream* stream = Find(file);
    if (stream == nullptr) return false;
    ULONG got = 0;
    stream->Read(buffer, wanted, &got);
    if (read != nullptr) *read = got;
    return true;
}

bool VirtualFileTable::Seek(HANDLE file, LARGE_INTEGER distance, DWORD method, LARGE_INTEGER* position, bool& known) {
    std::lock_guard guard(lock_);
    IStream* stream = Find(file);
    known = stream != nullptr;
    if (stream == nullptr) return false;
    ULARGE_INTEGER now{};
    if (FAILED(stream->Seek(distance, method, &now))) return false;
    if (position != nullptr) position->QuadPart = static_cast<LONGLONG>(now.QuadPart);
    return true;
}

bool VirtualFileTable::Size(HANDLE file, ULONGLONG& size) {
    std::lock_guard guard(lock_);
    IStream* stream = Find(file);
    if (stream == nullptr) return false;
    STATSTG stat{};
    if (FAILED(stream->Stat(&stat, STATFLAG_NONAME))) return false;
    size = stat.cbSize.QuadPart;
    return true;
}

bool VirtualFileTable::Close(HANDLE file) {
    platform::ComPtr<IStream> closing;
    {
        std::lock_guard guard(lock_);
        const auto found = files_.find(file);
        if (found == files_.end()) return false;
        closing = std::move(found->second);
        files_.erase(found);
    }
    CloseHandle(file);
    return true;
}

}  // namespace flashhost
