#pragma once
// The texts of one list row that come from the clip file itself rather than from the
// probe (title, size, date and time of view), and the whole row of a clip. Portable: no
// Windows header.
#include "library/ClipRecord.h"
#include "library/LocalTime.h"
#include "probe/ProbeReport.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace library {

// The demonstration clip shipped with the program shows this title until it has one.
inline constexpr std::wstring_view kDemoClipName = L"1234567890.mp4";
inline constexpr std::wstring_view kDemoClipTitle = L"How Reelkeep works";

// The row's title: the stored title, or for a clip without one ("NotSet") the file
// name with every ".flv" taken out (a capture shows as its number).
std::wstring DisplayTitle(std::wstring_view storedTitle, std::wstring_view fileName);

// Size in mebibytes, "%.2f" + " Mb". Only the low 32 bits of the size count, and the
// division is done in single precision, so files from 4 GiB on wrap round.
std::wstring SizeText(std::uint64_t sizeInBytes);

// "dd.mm.yyyy" (day and month two digits, the year as it is).
std::wstring DateText(const LocalDateTime& fields);

// "hh:mm:ss", the hour 0-23.
std::wstring TimeText(const LocalDateTime& fields);

// A file is listed only when its probe report says "Video" or "video". The probe
// echoes the file's path, and the library folder is "Videos\", so every report would
// say it: the probed path itself does not count. Nor does the tool's banner, whose
// "configuration:" line names what it was built with ("--enable-decoder=mpeg2video").
bool ReportListsClip(std::wstring_view probeReport, std::wstring_view probedPath = {});

// What one clip file shows in the list: its stored title (as DisplayTitle shows it),
// creation time and size, and what its probe found.
struct ClipFacts {
    std::wstring path;
    std::wstring_view fileName;
    std::wstring_view storedTitle;
    LocalDateTime created;
    std::uint64_t size = 0;
};
ClipRecord MakeClipRecord(const ClipFacts& clip, const probe::ProbeFields& fields);

}  // namespace library
