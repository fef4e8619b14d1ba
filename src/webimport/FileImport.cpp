#include "webimport/FileImport.h"

#include "webimport/ImportTexts.h"
#include "webimport/ImportedClip.h"

#include <ctime>

namespace webimport {

namespace {

constexpr DWORD kPieceSize = 1024;
// Room left over for the library's own small writes.
constexpr std::uint64_t kSpareBytes = 1u << 20;

using Read = platform::HttpResponse::Read;

bool RoomFor(const std::wstring& folder, std::uint64_t bytes) {
    ULARGE_INTEGER available{};
    // A volume that does not say is given the benefit of the doubt.
    if (!GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) return true;
    return available.QuadPart >= bytes + kSpareBytes;
}

// The file of the download, touched only under the job's lock and only while not halted.
class IncomingFile {
public:
    explicit IncomingFile(DownloadJob& job) : job_(job) {}

    // False when it cannot be made; true, without a file, once halted.
    bool Create(const std::wstring& path) {
        std::lock_guard lock(job_.mutex);
        if (job_.halted) return true;
        job_.file.reset(
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        job_.path = path;
        return job_.file.valid();
    }
    bool Write(const char* piece, DWORD size) {
        std::lock_guard lock(job_.mutex);
        if (job_.halted || !job_.file) return true;
        DWORD written = 0;
        return WriteFile(job_.file.get(), piece, size, &written, nullptr) && written == size;
    }
    // Closes the file, and deletes it unless `keep`. False once halted: the dialog has
    // dealt with the file then.
    bool Close(bool keep) {
        std::unique_lock lock(job_.mutex);
        if (job_.halted) return false;
        job_.file.reset();
        if (!keep) DeleteFileW(job_.path.c_str());
        return true;
    }

private:
    DownloadJob& job_;
};

}  // namespace

void ImportFileBody(ImportChannel& channel, platform::HttpResponse& response, const ImportSettings& settings,
                    const std::wstring& title) {
    const DownloadProgress total{0, response.ContentLength().value_or(0), DownloadProgress::Unit::Bytes};
    if (total.total > 0 && !RoomFor(settings.libraryFolder, total.total)) return channel.Fail(kNotEnoughSpace);
    channel.Range(total);
    const auto second = static_cast<std::int32_t>(std::time(nullptr));
    IncomingFile file(channel.job());
    if (!file.Create(NewIncomingPath(settings.libraryFolder, second))) return channel.Fail(kCannotWriteClip);

    char piece[kPieceSize];
    DWORD got = 0;
    Read read;
    DownloadProgress progress = total;
    channel.Progress(progress, true);
    while ((read = response.ReadPiece(piece, kPieceSize, got)) == Read::Data) {
        if (!file.Write(piece, got)) {
            if (file.Close(false)) channel.Fail(kCannotWriteClip);
            return;
        }
        progress.received += got;
        channel.Progress(progress, progress.received == total.total);
    }
    if (read == Read::Halted) return;
    if (!file.Close(read == Read::End)) return;
    if (read == Read::Failed) return channel.Fail(kNetworkFailure);
    channel.Progress(progress, true);

    const std::wstring path = channel.job().path;
    const ProbedFile probed = ProbeDownloadedFile(path, settings);
    if (!probed.hasVideo || channel.halted()) {
        DeleteFileW(path.c_str());
        if (!probed.hasVideo) channel.Fail(kSiteSentNoVideo);
        return;
    }
    if (!PlaceInLibrary(path, probed, settings, second, title, response.url())) return channel.Fail(kCannotWriteClip);
    channel.Done();
}

}  // namespace webimport
