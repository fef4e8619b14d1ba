#include "library/ClipFilter.h"

#include "titles/TitleMarkers.h"
#include "platform/Text.h"

namespace library {

namespace {

constexpr std::wstring_view kUntitled = L"Untitled";

bool InsideTimeOfDay(std::int64_t from, std::int64_t to, std::int64_t seconds) {
    // A From later than To ("At night", 23:00 to 04:00) wraps past midnight;
    // read literally it would admit nothing.
    if (from > to) return seconds > from || seconds < to;
    return from < seconds && seconds < to;
}

}  // namespace

bool AdmitsCreationTime(const ClipFilter& filter, const LocalDateTime& created) {
    switch (filter.mode) {
    case FilterMode::ByDate: {
        const std::int64_t time = MakeLocalTime(created);
        return filter.dateFrom < time && time < filter.dateTo;
    }
    case FilterMode::ByTimeOfDay: return InsideTimeOfDay(filter.secondsFrom, filter.secondsTo, SecondsOfDay(created));
    case FilterMode::ByKeyword: return false;
    }
    return false;
}

bool AdmitsTitle(const ClipFilter& filter, std::wstring_view title) {
    if (filter.mode != FilterMode::ByKeyword) return false;
    const std::wstring haystack = platform::ToLowerCase(title == titles::kTitleNotSet ? kUntitled : title);
    const bool occurs = haystack.find(platform::ToLowerCase(filter.keyword)) != std::wstring::npos;
    return occurs == filter.contains;
}

bool AdmitsClip(const ClipFilter& filter, const LocalDateTime& created,
                const std::function<std::wstring()>& readTitle) {
    if (filter.mode == FilterMode::ByKeyword) return AdmitsTitle(filter, readTitle());
    return AdmitsCreationTime(filter, created);
}

}  // namespace library
