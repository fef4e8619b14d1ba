#include "titles/FallbackTitleStore.h"

#include "titles/TitleMarkers.h"
#include "platform/FileValues.h"
#include "platform/PathMutex.h"
#include "platform/SpecialFolders.h"

#include <shlobj.h>

#include <atomic>
#include <mutex>
#include <span>
#include <vector>

namespace titles {

namespace {

// A writer that holds the log longer than this is taken for hung; the title is dropped
// silently, as every title store failure is.
constexpr DWORD kWriterWaitMs = 10000;
// Replacing the log fails while another process is reading it; such reads are short.
constexpr int kReplaceAttempts = 40;
constexpr DWORD kReplaceRetryMs = 5;

std::uint64_t NewGeneration() {
    static std::atomic<std::uint64_t> counter{0};
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    LARGE_INTEGER ticks{};
    QueryPerformanceCounter(&ticks);
    return platform::FileTimeValue(now) ^ (std::uint64_t{GetCurrentProcessId()} << 40) ^
           static_cast<std::uint64_t>(ticks.QuadPart) ^ (++counter << 56);
}

platform::UniqueFile OpenLog(const std::wstring& path, DWORD access, DWORD disposition) {
    // Every kind of sharing, so that readers never stand in a writer's way.
    return platform::UniqueFile(CreateFileW(path.c_str(), access,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool Seek(HANDLE file, std::uint64_t offset) {
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(file, position, nullptr, FILE_BEGIN) != FALSE;
}

// Up to `count` bytes from `offset`; fewer when the file is shorter or a read fails.
std::vector<std::uint8_t> ReadAt(HANDLE file, std::uint64_t offset, std::uint64_t count) {
    std::vector<std::uint8_t> bytes;
    if (!Seek(file, offset)) return bytes;
    bytes.resize(static_cast<std::size_t>(count));
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - filled, 1u << 20));
        DWORD read = 0;
        if (!ReadFile(file, bytes.data() + filled, chunk, &read, nullptr) || read == 0) break;
        filled += read;
    }
    bytes.resize(filled);
    return bytes;
}

bool WriteAll(HANDLE file, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

bool TruncateAt(HANDLE file, std::uint64_t size) { return Seek(file, size) && SetEndOfFile(file) != FALSE; }

std::wstring ToWide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }
std::u16string ToUtf16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

void CreateParentFolder(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos || slash == 0) return;
    // An existing folder answers ERROR_ALREADY_EXISTS; a real failure shows when the log
    // itself cannot be created.
    CreateDirectoryW(path.substr(0, slash).c_str(), nullptr);
}

}  // namespace

FallbackTitleStore::FallbackTitleStore(Options options)
    : options_(std::move(options)),
      writerMutex_(
          CreateMutexW(nullptr, FALSE, platform::MutexNameForPath(L"Reelkeep.TitleLog", options_.logPath).c_str())) {}

FallbackTitleStore::LogStamp FallbackTitleStore::StampByPath() const {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(options_.logPath.c_str(), GetFileExInfoStandard, &data)) return {};
    return {true, platform::FileSizeOf(data), platform::FileTimeValue(data.ftLastWriteTime)};
}

FallbackTitleStore::Entry FallbackTitleStore::Read(const FileIdentity& identity) {
    SyncIfChanged();
    std::lock_guard state(stateMutex_);
    const StoredTitle* stored = titles_.Find(identity);
    return stored ? Entry{ToWide(stored->title), stored->changeTime} : Entry{};
}

std::vector<FallbackTitleStore::Entry> FallbackTitleStore::ReadMany(const std::vector<FileIdentity>& identities) {
    SyncIfChanged();
    std::vector<Entry> entries;
    entries.reserve(identities.size());
    std::lock_guard state(stateMutex_);
    for (const FileIdentity& identity : identities) {
        const StoredTitle* stored = titles_.Find(identity);
        entries.push_back(stored ? Entry{ToWide(stored->title), stored->changeTime} : Entry{});
    }
    return entries;
}

void FallbackTitleStore::SyncIfChanged() {
    const LogStamp now = StampByPath();
    {
        std::lock_guard state(stateMutex_);
        if (now == stamp_) return;
    }
    std::lock_guard sync(syncMutex_);
    platform::UniqueFile log = OpenLog(options_.logPath, GENERIC_READ, OPEN_EXISTING);
    const DWORD error = log ? ERROR_SUCCESS : GetLastError();
    if (log) {
        SyncFrom(log.get());
    } else if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        std::lock_guard state(stateMutex_);
        titles_.clear();
        parsedUpTo_ = 0;
        generation_.reset();
        stamp_ = LogStamp{};
    }
}

void FallbackTitleStore::SyncFrom(HANDLE log) {
    FILE_BASIC_INFO basic{};
    LARGE_INTEGER size{};
    if (!GetFileInformationByHandleEx(log, FileBasicInfo, &basic, sizeof basic)) return;
    if (!GetFileSizeEx(log, &size)) return;
    // Stamped before reading: an append that lands meanwhile shows as a change next time.
    const LogStamp stamp{true, static_cast<std::uint64_t>(size.QuadPart),
                         static_cast<std::uint64_t>(basic.LastWriteTime.QuadPart)};
    std::uint64_t parsedUpTo = 0;
    std::optional<std::uint64_t> generation;
    {
        std::lock_guard state(stateMutex_);
        if (stamp == stamp_) return;
        parsedUpTo = parsedUpTo_;
        generation = generation_;
    }
    const std::vector<std::uint8_t> head = ReadAt(log, 0, title_log::kHeaderSize);
    const std::optional<std::uint64_t> header = title_log::DecodeHeader(head);
    // A new generation means the log was compacted; a shorter log was cut or replaced.
    const bool restart = parsedUpTo == 0 || header != generation || stamp.size < parsedUpTo;
    // Without a header the records are searched from the first byte, so a log whose start
    // was damaged still gives up every intact record.
    const std::uint64_t start = restart ? (header ? title_log::kHeaderSize : 0) : parsedUpTo;
    const std::vector<std::uint8_t> tail =
        stamp.size > start ? ReadAt(log, start, stamp.size - start) : std::vector<std::uint8_t>{};
    const title_log::ParseResult parsed = title_log::ParseRecords(tail);

    std::lock_guard state(stateMutex_);
    if (restart) titles_.clear();
    for (const TitleRecord& record : parsed.records) titles_.Apply(record);
    parsedUpTo_ = start + parsed.consumed;
    generation_ = header;
    stamp_ = stamp;
}

bool FallbackTitleStore::Write(const FileIdentity& identity, const std::wstring& title, std::uint64_t changeTime) {
    if (!writerMutex_) return false;
    platform::MutexLock writer(writerMutex_.get(), kWriterWaitMs);
    if (!writer.owned()) return false;
    std::lock_guard sync(syncMutex_);

    CreateParentFolder(options_.logPath);
    platform::UniqueFile log = OpenLog(options_.logPath, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS);
    if (!log) return false;
    SyncFrom(log.get());

    const TitleRecord record{identity, ToUtf16(title).substr(0, title_log::kMaxTitleUnits), changeTime};
    std::uint64_t size = 0;
    bool hasHeader = false;
    bool unchanged = false;
    {
        std::lock_guard state(stateMutex_);
        size = stamp_.size;
        hasHeader = generation_.has_value();
        const StoredTitle* current = titles_.Find(identity);
        unchanged =
            current ? current->title == record.title && current->changeTime == record.changeTime : record.title.empty();
    }
    if (!hasHeader && !RewriteLocked(log)) return false;
    if (hasHeader && size > parsedUpTo_ && !TruncateAt(log.get(), parsedUpTo_)) return false;
    if (unchanged) return true;
    if (!AppendLocked(log.get(), record)) return false;

    bool compact = false;
    {
        std::lock_guard state(stateMutex_);
        compact = parsedUpTo_ >= options_.compactAtBytes &&
                  parsedUpTo_ > 2 * static_cast<std::uint64_t>(titles_.SerializedBytes());
    }
    // The title is already safe in the log; a compaction that fails is tried again later.
    if (compact) RewriteLocked(log);
    return true;
}

bool FallbackTitleStore::AppendLocked(HANDLE log, const TitleRecord& record) {
    std::vector<std::uint8_t> bytes;
    title_log::AppendRecord(bytes, record);
    const std::uint64_t at = parsedUpTo_;
    if (!Seek(log, at) || !WriteAll(log, bytes)) {
        // Leave no torn record behind for readers to step around.
        TruncateAt(log, at);
        return false;
    }
    FILE_BASIC_INFO basic{};
    const bool stamped = GetFileInformationByHandleEx(log, FileBasicInfo, &basic, sizeof basic);
    std::lock_guard state(stateMutex_);
    titles_.Apply(record);
    parsedUpTo_ = at + bytes.size();
    // Without a fresh stamp the next read simply reads the log again.
    stamp_ =
        stamped ? LogStamp{true, parsedUpTo_, static_cast<std::uint64_t>(basic.LastWriteTime.QuadPart)} : LogStamp{};
    return true;
}

// Writes the live titles to a new file and puts it in the log's place in one step, so a
// crash leaves either the old log or the new one, never a mixture.
bool FallbackTitleStore::RewriteLocked(platform::UniqueFile& log) {
    const std::uint64_t generation = NewGeneration();
    std::vector<std::uint8_t> bytes;
    {
        std::lock_guard state(stateMutex_);
        bytes = titles_.Serialize(generation);
    }
    const std::wstring newPath = options_.logPath + L".new";
    {
        platform::UniqueFile out(
            CreateFileW(newPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!out || !WriteAll(out.get(), bytes) || !FlushFileBuffers(out.get())) {
            out.reset();
            DeleteFileW(newPath.c_str());
            return false;
        }
    }
    // The log cannot be replaced while this handle, or a reader's, keeps it open.
    log.reset();
    bool replaced = false;
    for (int attempt = 0; attempt < kReplaceAttempts && !replaced; ++attempt) {
        replaced = MoveFileExW(newPath.c_str(), options_.logPath.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
        const DWORD error = replaced ? ERROR_SUCCESS : GetLastError();
        if (!replaced && error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) break;
        if (!replaced) Sleep(kReplaceRetryMs);
    }
    if (!replaced) DeleteFileW(newPath.c_str());
    log = OpenLog(options_.logPath, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS);
    if (!log) return false;
    if (!replaced) return false;

    FILE_BASIC_INFO basic{};
    const bool stamped = GetFileInformationByHandleEx(log.get(), FileBasicInfo, &basic, sizeof basic);
    std::lock_guard state(stateMutex_);
    generation_ = generation;
    parsedUpTo_ = bytes.size();
    stamp_ =
        stamped ? LogStamp{true, parsedUpTo_, static_cast<std::uint64_t>(basic.LastWriteTime.QuadPart)} : LogStamp{};
    return true;
}

namespace {

struct ProcessStore {
    std::mutex mutex;
    std::shared_ptr<FallbackTitleStore> store;
};

ProcessStore& TheProcessStore() {
    static ProcessStore instance;
    return instance;
}

std::wstring DefaultLogPath() {
    const std::wstring localData = platform::SpecialFolderPath(CSIDL_LOCAL_APPDATA);
    return localData.empty() ? std::wstring() : localData + L"\\Reelkeep\\titles.log";
}

}  // namespace

bool StoredTitleHolds(const FallbackTitleStore::Entry& entry, std::uint64_t changeTimeNow) {
    return !IsMarkedForDeletion(entry.title) || entry.changeTime == 0 || entry.changeTime == changeTimeNow;
}

std::shared_ptr<FallbackTitleStore> ProcessTitleStore() {
    ProcessStore& process = TheProcessStore();
    std::lock_guard lock(process.mutex);
    if (!process.store) {
        process.store = std::make_shared<FallbackTitleStore>(FallbackTitleStore::Options{DefaultLogPath()});
    }
    return process.store;
}

void UseTitleStoreAt(std::wstring logPath, std::uint64_t compactAtBytes) {
    auto store = std::make_shared<FallbackTitleStore>(FallbackTitleStore::Options{std::move(logPath), compactAtBytes});
    ProcessStore& process = TheProcessStore();
    std::lock_guard lock(process.mutex);
    process.store = std::move(store);
}

namespace {

// A log beside the title log, so that a test's scratch store moves them all.
std::shared_ptr<FallbackTitleStore> StoreBesideTitles(const wchar_t* name, std::mutex& mutex,
                                                      std::shared_ptr<FallbackTitleStore>& store) {
    const std::wstring titles = ProcessTitleStore()->logPath();
    const std::wstring path = titles.substr(0, titles.find_last_of(L"\\/") + 1) + name;
    std::lock_guard lock(mutex);
    if (!store || store->logPath() != path)
        store = std::make_shared<FallbackTitleStore>(FallbackTitleStore::Options{path});
    return store;
}

}  // namespace

std::shared_ptr<FallbackTitleStore> ProcessSourceStore() {
    static std::mutex mutex;
    static std::shared_ptr<FallbackTitleStore> store;
    return StoreBesideTitles(L"sources.log", mutex, store);
}

std::shared_ptr<FallbackTitleStore> ProcessStreamStore() {
    static std::mutex mutex;
    static std::shared_ptr<FallbackTitleStore> store;
    return StoreBesideTitles(L"streams.log", mutex, store);
}

std::shared_ptr<FallbackTitleStore> ProcessPageStore() {
    static std::mutex mutex;
    static std::shared_ptr<FallbackTitleStore> store;
    return StoreBesideTitles(L"pages.log", mutex, store);
}

}  // namespace titles
