#include "library/ClipFilter.h"

#include "library/TitleMarkers.h"

#include <cwctype>

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

std::wstring ToLowerCase(std::wstring_view text) {
    std::wstring lower(text);
    for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
    return lower;
}

bool AdmitsCreationTime(const ClipFilter& filter, const LocalDateTime& created) {
    switch (filter.mode) {
    case FilterMode::ByDate: {
        const std::int64_t time = MakeLocalTime(created);
        return filter.dateFrom < time && time < filter.dateTo;
    }
    case FilterMode::ByTimeOfDay:
        return InsideTimeOfDay(filter.secondsFrom, filter.secondsTo, SecondsOfDay(created));
    case FilterMode::ByKeyword:
        return false;
    }
    return false;
}

bool AdmitsTitle(const ClipFilter& filter, std::wstring_view title) {
    if (filter.mode != FilterMode::ByKeyword) return false;
    const std::wstring haystack = ToLowerCase(title == kTitleNotSet ? kUntitled : title);
    const bool occurs = haystack.find(ToLowerCase(filter.keyword)) != std::wstring::npos;
    return occurs == filter.contains;
}

bool AdmitsClip(const ClipFilter& filter, const LocalDateTime& created,
                const std::function<std::wstring()>& readTitle) {
    if (filter.mode == FilterMode::ByKeyword) return AdmitsTitle(filter, readTitle());
    return AdmitsCreationTime(filter, created);
}

}  // namespace library
