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

namespace {

// Clip names are the program's own: digits, '_', '-' and an extension; nothing else is
// written or read back.
bool IsClipName(std::wstring_view name) {
    return std::all_of(name.begin(), name.end(), [](wchar_t c) {
        return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || c == L'_' || c == L'-' || c == L'.';
    });
}

bool IsTag(std::string_view tag) {
    return tag.size() <= 16 &&
           std::all_of(tag.begin(), tag.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

}  // namespace

std::string CacheFolderTag(std::wstring_view folder) {
    std::uint64_t hash = 1469598103934665603ull;  // FNV-1a
    for (const wchar_t c : folder) {
        const wchar_t lower = c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
        hash = (hash ^ static_cast<std::uint64_t>(lower)) * 1099511628211ull;
    }
    static const char kDigits[] = "0123456789abcdef";
    std::string tag(16, '0');
    for (int i = 15; i >= 0; --i, hash >>= 4) tag[static_cast<std::size_t>(i)] = kDigits[hash & 0xf];
    return tag;
}

bool StreamRecord::Set(const std::string& identity, CapturedStream captured) {
    // A tab or line break would break the line apart; no URL carries one.
    if (identity.empty() || identity.find_first_of("\t\r\n") != std::string::npos) return false;
    if (!IsClipName(captured.clip) || !IsTag(captured.folder)) return false;
    streams_[identity] = std::move(captured);
    return true;
}

std::vector<std::string> StreamRecord::InFolder(const std::string& tag) const {
    std::vector<std::string> identities;
    for (const auto& [identity, captured] : streams_)
        if (!tag.empty() && captured.folder == tag) identities.push_back(identity);
    return identities;
}

std::string StreamRecord::Line(const std::string& identity, const CapturedStream& captured) {
    return std::to_string(captured.length) + "\t" + std::string(captured.clip.begin(), captured.clip.end()) + "\t" +
           captured.folder + "\t" + identity + "\n";
}

std::string StreamRecord::Text() const {
    // Sorted, so the file does not change when nothing in it did.
    std::map<std::string, const CapturedStream*> sorted;
    for (const auto& [identity, captured] : streams_) sorted.emplace(identity, &captured);
    std::string text;
    for (const auto& [identity, captured] : sorted) text += Line(identity, *captured);
    return text;
}

StreamRecord StreamRecord::Parse(std::string_view text, bool* damaged) {
    StreamRecord record;
    bool bad = !text.empty() && text.back() != '\n';
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty()) continue;
        // length, clip, [folder,] identity: lines of older versions have no folder.
        std::vector<std::string_view> fields;
        std::size_t from = 0;
        for (std::size_t tab; fields.size() < 3 && (tab = line.find('\t', from)) != std::string_view::npos;
             from = tab + 1)
            fields.push_back(line.substr(from, tab - from));
        fields.push_back(line.substr(from));
        CapturedStream captured;
        const bool shaped = fields.size() == 3 || fields.size() == 4;
        const auto [at, error] =
            shaped ? std::from_chars(fields[0].data(), fields[0].data() + fields[0].size(), captured.length)
                   : std::from_chars_result{nullptr, std::errc::invalid_argument};
        if (!shaped || error != std::errc() || at != fields[0].data() + fields[0].size() || fields[0].empty()) {
            bad = true;
            continue;
        }
        captured.clip.assign(fields[1].begin(), fields[1].end());
        if (fields.size() == 4) captured.folder = std::string(fields[2]);
        if (!record.Set(std::string(fields.back()), std::move(captured))) bad = true;
    }
    if (damaged) *damaged = bad;
    return record;
}

std::wstring ClipStreamsText(const std::vector<std::pair<std::string, std::uint64_t>>& streams) {
    std::wstring text;
    for (const auto& [identity, length] : streams) {
        text += std::to_wstring(length) + L"\t";
        // Identities are addresses: ASCII, as the cache keys hold them.
        for (const char c : identity) text += static_cast<wchar_t>(static_cast<unsigned char>(c));
        text += L"\n";
    }
    return text;
}

std::vector<std::pair<std::string, std::uint64_t>> ParseClipStreams(std::wstring_view text) {
    std::vector<std::pair<std::string, std::uint64_t>> streams;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(L'\n', start);
        if (end == std::wstring_view::npos) end = text.size();
        const std::wstring_view line = text.substr(start, end - start);
        start = end + 1;
        const std::size_t tab = line.find(L'\t');
        if (tab == std::wstring_view::npos || tab == 0 || tab + 1 >= line.size()) continue;
        std::uint64_t length = 0;
        bool digits = true;
        for (const wchar_t c : line.substr(0, tab)) {
            if (c < L'0' || c > L'9' || length > (1ull << 60)) digits = false;
            length = length * 10 + static_cast<std::uint64_t>(c - L'0');
        }
        std::string identity;
        for (const wchar_t c : line.substr(tab + 1)) identity += c < 0x80 ? static_cast<char>(c) : '?';
        if (digits) streams.emplace_back(std::move(identity), length);
    }
    return streams;
}

}  // namespace capture
