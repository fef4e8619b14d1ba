#pragma once
// An answer that is an HLS playlist or a DASH manifest: the best variant's stream copied
// by ffmpeg.exe (no conversion) into one file, checked and brought into the library.
#include "platform/HttpClient.h"
#include "webimport/ImportChannel.h"
#include "webimport/ImportJob.h"
#include "webimport/WebAddress.h"

#include <string>

namespace webimport {

struct PlaylistRequest {
    std::wstring address;  // where the playlist came from, after redirects
    std::string body;
    AddressKind kind = AddressKind::HlsPlaylist;
    std::wstring title;
    std::wstring referrer;  // the page's address, or the playlist's own
};

// Picks the variant with the largest picture, then the highest bandwidth; copies its
// stream with the page as referrer and the page request's user agent, with progress from
// the tool's reports; keeps the result only when the tool ended well, no part of the
// stream was lost, and it probes as a video of the playlist's length (within 2 s).
// Stop ends the tool and leaves nothing behind.
void ImportPlaylist(ImportChannel& channel, const platform::HttpSession& session, const ImportSettings& settings,
                    const PlaylistRequest& request);

}  // namespace webimport
