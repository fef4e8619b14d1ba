#pragma once
// The one numbering of captured clips' "Movie" titles. The highest number is kept in
// memory, fed by the walks of the library's titles that happen anyway (the purge at start,
// the list builds) and by renames in the list; a capture never opens every clip to find it.
// Portable: no Windows header.
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace library {

// The number a library title contributes to the numbering: every "Movie" is removed and
// the C number rule read from the start of the rest. 0 when the title has no "Movie".
std::int32_t MovieNumberOfTitle(std::wstring_view title);

// The highest movie number this process has seen; never lowered, so a number once seen
// is not given out again even after its clip is deleted.
//
// A scan cannot read the title of a clip that is held open at that moment (the list's
// probe of a clip just added, say), so the numbers given out are remembered with their
// clips: while such a clip is still there its number stays taken, seen or not.
class MovieNumbers {
public:
    MovieNumbers() = default;
    MovieNumbers(const MovieNumbers&) = delete;
    MovieNumbers& operator=(const MovieNumbers&) = delete;

    void See(std::wstring_view title);
    // `numberText` was given to the clip at `clip`.
    void Given(std::wstring_view numberText, std::wstring clip);
    // Decimal text of the number after the highest seen, and after the highest given to
    // a clip for which `stillThere` holds.
    std::wstring NextText(const std::function<bool(const std::wstring& clip)>& stillThere = {}) const;
    std::int32_t highest() const {
        std::lock_guard lock(mutex_);
        return highest_;
    }

private:
    // Seen by list builds and renames on their threads, given out on the watcher's.
    mutable std::mutex mutex_;
    std::int32_t highest_ = 0;
    std::vector<std::pair<std::int64_t, std::wstring>> given_;
};

// The numbering every capture of this process shares.
MovieNumbers& ProcessMovieNumbers();

}  // namespace library
