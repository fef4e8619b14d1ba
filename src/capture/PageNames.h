#pragma once
// The one question the intake asks of the browsers' histories: which page was this stream
// watched on, and what was it called.
#include "capture/MediaStreams.h"
#include "history/PageNamer.h"

#include <string>

namespace capture {

// The page of `stream`, read from the cache in `folder` (no trailing backslash): the title
// the clip takes, and the page's address. The title is empty when not even the site is
// known (the clip is then "MovieN"), and never one that the library reads as a marker.
history::PageName PageOfStream(history::PageNamer* namer, const std::wstring& folder, const MediaStream& stream);

}  // namespace capture
