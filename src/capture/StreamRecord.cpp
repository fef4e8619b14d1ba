#include "capture/StreamRecord.h"

#include <algorithm>
#include <charconv>
#include <map>

namespace capture {

void StreamSettling::Observe(const std::string& identity, std::uint64_t length, std::size_t pieces, std::int64_t now) {
    const auto [it, added] = extents_.try_emplace(identity, Extent{length, pieces, now, now});
    Extent& extent = it->second;
    extent.observed = now;
    if (!added && (extent.length != length || extent.pieces != pieces)) extent = {length, pieces, now, now};
}

bool StreamSettling::Settled(const std::string& identity, std::int64_t now, std::int64_t settleSeconds) const {
    const auto found = extents_.find(identity);
    return found != extents_.end() && now - found->second.since >= settleSeconds;
}

void StreamSettling::ForgetObservedBefore(std::int64_t time) {
    std::erase_if(extents_, [time](const auto& extent) { return extent.second.observed < time; });
}

const CapturedStream* StreamRecord::Find(const std::string& identity) const {
    const auto found = streams_.find(identity);
    return found == streams_.end() ? nullptr : &found->second;
}

void StreamRecord::Set(const std::string& identity, CapturedStream captured) {
    // A tab or line break would break the line apart; no URL carries one.
    if (identity.empty() || identity.find_first_of("\t\r\n") != std::string::npos) return;
    if (captured.clip.find_first_of(L"\t\r\n") != std::wstring::npos) return;
    streams_[identity] = std::move(captured);
}

namespace {

// Clip names are the program's own: digits, '_', '-' and an extension; nothing else is
// written or read back.
bool IsClipName(std::wstring_view name) {
    return std::all_of(name.begin(), name.end(), [](wchar_t c) {
        return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || c == L'_' || c == L'-' || c == L'.';
    });
}

}  // namespace

std::string StreamRecord::Text() const {
    // Sorted, so the file does not change when nothing in it did.
    std::map<std::string, const CapturedStream*> sorted;
    for (const auto& [identity, captured] : streams_) sorted.emplace(identity, &captured);
    std::string text;
    for (const auto& [identity, captured] : sorted) {
        if (!IsClipName(captured->clip)) continue;
        text += std::to_string(captured->length) + "\t" + std::string(captured->clip.begin(), captured->clip.end()) +
                "\t" + identity + "\n";
    }
    return text;
}

StreamRecord StreamRecord::Parse(std::string_view text) {
    StreamRecord record;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        const std::size_t firstTab = line.find('\t');
        const std::size_t secondTab = firstTab == std::string_view::npos ? firstTab : line.find('\t', firstTab + 1);
        if (secondTab == std::string_view::npos || secondTab + 1 >= line.size()) continue;
        CapturedStream captured;
        const auto [at, error] = std::from_chars(line.data(), line.data() + firstTab, captured.length);
        if (error != std::errc() || at != line.data() + firstTab) continue;
        const std::string_view clip = line.substr(firstTab + 1, secondTab - firstTab - 1);
        captured.clip.assign(clip.begin(), clip.end());
        if (!IsClipName(captured.clip)) continue;
        record.Set(std::string(line.substr(secondTab + 1)), std::move(captured));
    }
    return record;
}

}  // namespace capture
