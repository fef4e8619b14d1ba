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

}  // namespace

history::PageName PageOfStream(history::PageNamer* namer, const std::wstring& folder, const MediaStream& stream) {
    if (namer == nullptr) return {};
    history::PageName page =
        namer->NameFor({folder, IsFirefoxCache(folder), stream.pageSite, stream.referrer, stream.firstFetched});
    // A page may call itself anything; the start-up deletes every clip whose title holds
    // the deletion mark.
    if (titles::ReadsAsMarker(page.title)) {
        const auto site = history::SiteOfText(stream.pageSite);
        page.title = site ? history::VideoFromSiteTitle(*site) : std::wstring();
    }
    return page;
}

}  // namespace capture
