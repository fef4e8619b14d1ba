#pragma once
// The filter a list build applies to each clip before it probes it, and the test
// that decides whether a clip passes. Portable: no Windows header.
#include "library/LocalTime.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace library {

// The filter kinds in the order of the filter-kind combo box.
enum class FilterMode : int { ByDate = 0, ByTimeOfDay = 1, ByKeyword = 2 };

struct ClipFilter {
    FilterMode mode = FilterMode::ByDate;
    // ByDate: seconds since 1970 made from local fields by `mktime`; both exclusive.
    std::int64_t dateFrom = 0;
    std::int64_t dateTo = 0;
    // ByTimeOfDay: seconds since midnight, both exclusive. From later than To is a
    // range through midnight.
    std::int64_t secondsFrom = 0;
    std::int64_t secondsTo = 0;
    // ByKeyword: compared lower-cased; contains is set for "Title contains".
    std::wstring keyword;
    bool contains = true;
};

// Whether a clip created at `created` (local fields) passes a date or time-of-day
// filter. A keyword filter or an unknown mode answers false: they need the title.
bool AdmitsCreationTime(const ClipFilter& filter, const LocalDateTime& created);

// Whether a clip with the stored title `title` passes a keyword filter; a clip
// without title ("NotSet") is matched as "Untitled". Other modes answer false.
bool AdmitsTitle(const ClipFilter& filter, std::wstring_view title);

// The whole test, cheapest first: `readTitle` runs only for a keyword filter, so
// date and time filters never open the clip file.
bool AdmitsClip(const ClipFilter& filter, const LocalDateTime& created, const std::function<std::wstring()>& readTitle);

}  // namespace library
