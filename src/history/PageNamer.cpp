#include "history/PageNamer.h"

#include "platform/FileValues.h"
#include "platform/HtmlText.h"
#include "platform/SpecialFolders.h"
#include "platform/WineHost.h"

#include <shlobj.h>

#include <vector>

namespace history {

namespace {

std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

bool IsWebAddress(std::string_view url) { return SiteOfUrl(url).has_value(); }

// "/home/ann" as Wine's Z: drive shows it.
std::wstring OnDriveZ(const std::wstring& unixPath) {
    if (!unixPath.starts_with(L"/")) return {};
    std::wstring path = L"Z:";
    for (wchar_t c : unixPath) path += c == L'/' ? L'\\' : c;
    while (path.size() > 3 && path.back() == L'\\') path.pop_back();
    return path;
}

}  // namespace

PageNamer::PageNamer(ProfileFolders folders, std::wstring copyFolder, VisitWindow window)
    : folders_(std::move(folders)), copyFolder_(std::move(copyFolder)), window_(window) {
    ClearCopies(copyFolder_);
}

PageNamer::~PageNamer() {
    EndPass();
    WaitForDeletions();
}

void PageNamer::EndPass() {
    // The database first: SQLite holds its files open until it is closed.
    std::vector<std::unique_ptr<HistoryCopy>> copies;
    for (auto& [path, opened] : opened_) {
        opened.database.reset();
        if (opened.copy) copies.push_back(std::move(opened.copy));
    }
    opened_.clear();
    byCache_.clear();
    if (copies.empty()) return;
    WaitForDeletions();
    deleting_ = std::thread([copies = std::move(copies)]() mutable { copies.clear(); });
}

void PageNamer::WaitForDeletions() {
    if (deleting_.joinable()) deleting_.join();
}

const HistoryDatabase* PageNamer::DatabaseFor(const PageQuestion& question) {
    const auto [known, first] = byCache_.try_emplace({question.cacheFolder, question.firefox}, nullptr);
    if (!first) return known->second;
    for (const HistoryFile& file : HistoryFilesOfCache(question.cacheFolder, question.firefox, folders_)) {
        if (!platform::FileExists(file.path)) continue;
        auto [found, added] = opened_.try_emplace(file.path);
        Opened& opened = found->second;
        if (added) {
            opened.copy = HistoryCopy::Make(file.path, copyFolder_);
            if (opened.copy) opened.database = HistoryDatabase::Open(opened.copy->Utf8Path(), opened.copy->alone());
        }
        known->second = opened.database.get();
        break;
    }
    return known->second;
}

PageName PageNamer::NameFor(const PageQuestion& question) {
    const bool referred = IsWebAddress(question.referrer);
    std::optional<Site> site = SiteOfText(question.topFrameSite);
    if (!site && referred) site = SiteOfUrl(question.referrer);
    if (!site) return {};
    std::optional<PageVisit> visit;
    if (question.fetchedAt != 0) {
        if (const HistoryDatabase* database = DatabaseFor(question)) {
            visit = referred ? database->LastVisitOf(question.referrer, question.fetchedAt, window_)
                             : database->LastVisitOnSite(*site, question.fetchedAt, window_);
        }
    }
    PageName name;
    if (visit) {
        name.title = platform::PageTitleText(visit->title);
        name.pageUrl = Widen(visit->url);
    } else if (referred) {
        name.pageUrl = Widen(question.referrer);
    }
    if (name.title.empty()) name.title = VideoFromSiteTitle(*site);
    return name;
}

ProfileFolders DefaultProfileFolders() {
    ProfileFolders folders;
    folders.localAppData = platform::SpecialFolderPath(CSIDL_LOCAL_APPDATA);
    folders.roamingAppData = platform::SpecialFolderPath(CSIDL_APPDATA);
    if (!platform::RunningUnderWine()) return folders;
    // Wine keeps HOME out of a program's environment and gives WINEHOMEDIR ("\??\Z:\home\ann").
    std::wstring home = OnDriveZ(platform::EnvironmentValue(L"HOME"));
    const std::wstring wineHome = platform::EnvironmentValue(L"WINEHOMEDIR");
    if (home.empty() && wineHome.starts_with(L"\\??\\")) home = wineHome.substr(4);
    const std::wstring xdgCache = OnDriveZ(platform::EnvironmentValue(L"XDG_CACHE_HOME"));
    const std::wstring xdgConfig = OnDriveZ(platform::EnvironmentValue(L"XDG_CONFIG_HOME"));
    folders.linuxHome = home;
    folders.linuxCache = !xdgCache.empty() ? xdgCache : home.empty() ? std::wstring() : home + L"\\.cache";
    folders.linuxConfig = !xdgConfig.empty() ? xdgConfig : home.empty() ? std::wstring() : home + L"\\.config";
    return folders;
}

}  // namespace history
