#include "webimport/ImportJob.h"

#include "platform/Environment.h"
#include "webimport/ImportTexts.h"

namespace webimport {

DownloadJob::DownloadJob() : haltEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

namespace {

// Under the job's lock. An unfinished download never reaches the library.
void DeleteOpenFile(platform::UniqueFile& file, const std::wstring& path) {
    if (!file) return;
    file.reset();
    DeleteFileW(path.c_str());
}

}  // namespace

void DownloadJob::Stop() {
    std::unique_lock lock(mutex);
    halted = true;
    if (haltEvent) SetEvent(haltEvent.get());
    DeleteOpenFile(file, path);
}

void DownloadJob::DiscardUnfinished() {
    std::unique_lock lock(mutex);
    DeleteOpenFile(file, path);
}

std::wstring SiteUrl() { return platform::EnvironmentOr(L"REELKEEP_SITE_URL", kDefaultSiteUrl); }

}  // namespace webimport
