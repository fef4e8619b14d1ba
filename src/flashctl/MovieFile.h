#pragma once
// Opening a movie the way the host expects: through CreateFileW, which the in-memory
// runtime intercepts to serve movies that exist only in memory.
#include "flashctl/SwfHeader.h"

#include <string>

namespace flashctl {

struct MovieFile {
    SwfHeader header;
    // Empty when the movie can be shown; otherwise a sentence for the pane.
    std::wstring problem;
};

MovieFile OpenMovieFile(const std::wstring& path);

}  // namespace flashctl
