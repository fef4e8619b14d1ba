#pragma once
// An answer that is the video file itself: its body saved, checked and brought into the
// library.
#include "platform/HttpClient.h"
#include "webimport/ImportChannel.h"
#include "webimport/ImportJob.h"

#include <string>

namespace webimport {

// Saves the body of `response` under a temporary name, with progress in the dialog;
// once it is whole and probes as a video it becomes a clip titled `title`. A body
// without a length is taken as it comes; one with a length the library's volume cannot
// hold is refused before any byte is written.
void ImportFileBody(ImportChannel& channel, platform::HttpResponse& response, const ImportSettings& settings,
                    const std::wstring& title);

}  // namespace webimport
