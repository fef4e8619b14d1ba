#include "capture/PageNames.h"

#include "titles/TitleMarkers.h"

#include <algorithm>
#include <cwctype>

namespace capture {

namespace {

bool IsFirefoxCache(const std::wstring& folder) {
    const std::size_t slash = folder.rfind(L'\\');
    std::wstring name = folder.substr(slash == std::wstring::npos ? 0 : slash + 1);
    std::transform(name.begin(), name.end(), name.begin(), [](wchar_t c) { return std::towlower(c); });
    return name == L"cache2";
}

// A page may call itself anything; a title that the library would take for one of its own
// markers (the start-up deletes every clip whose title holds the deletion mark) is not kept.
bool IsMarkerLike(const std::wstring& title) {
    for (std::wstring_view marker :
         {titles::kTitleNotSet, titles::kTitleNotFlv, titles::kTitleFlvAd, titles::kTitleFlv})
        if (title == marker) return true;
    return titles::IsMarkedForDeletion(title);
}

}  // namespace

history::PageName PageOfStream(history::PageNamer* namer, const std::wstring& folder, const MediaStream& stream) {
    if (namer == nullptr) return {};
    history::PageName page =
        namer->NameFor({folder, IsFirefoxCache(folder), stream.pageSite, stream.referrer, stream.firstFetched});
    if (IsMarkerLike(page.title)) {
        const auto site = history::SiteOfText(stream.pageSite);
        page.title = site ? history::VideoFromSiteTitle(*site) : std::wstring();
    }
    return page;
}

}  // namespace capture
