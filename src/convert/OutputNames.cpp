#include "convert/OutputNames.h"

#include <cstdint>
#include <cwctype>

namespace convert {

namespace {

// The box refuses these while typing. The tab is not among them: it is only removed by
// clean-up.
constexpr std::wstring_view kRefusedCharacters = L"\"*/:<>?\\|";
constexpr std::wstring_view kRemovedCharacters = L"\\/|:*?><\"\t";

constexpr bool kWideIsUtf16 = sizeof(wchar_t) == 2;

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// A template, so that the comparison is not even compiled where wchar_t is 16 bits wide.
template <typename Char>
bool IsBeyondBasicPlane(Char c) {
    if constexpr (sizeof(Char) > 2)
        return static_cast<std::uint32_t>(c) > 0xFFFF;
    else
        return false;
}

// How many UTF-16 units the character starting at `index` takes, and how many wchar_t
// elements it spans here (two on Windows for a surrogate pair, one where wchar_t is wider).
struct CharacterSpan {
    std::size_t units;
    std::size_t elements;
};

CharacterSpan SpanAt(std::wstring_view text, std::size_t index) {
    const wchar_t c = text[index];
    if (kWideIsUtf16) {
        if (IsHighSurrogate(c) && index + 1 < text.size() && IsLowSurrogate(text[index + 1])) return {2, 2};
        return {1, 1};
    }
    return {IsBeyondBasicPlane(c) ? std::size_t{2} : std::size_t{1}, 1};
}

std::size_t Utf16Length(std::wstring_view text) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < text.size();) {
        const CharacterSpan span = SpanAt(text, i);
        units += span.units;
        i += span.elements;
    }
    return units;
}

// The longest prefix of at most `maxUnits` UTF-16 units. A character that would straddle
// the limit is left out whole: half a surrogate pair is not a valid file name.
std::wstring_view CutToUnits(std::wstring_view text, std::size_t maxUnits) {
    std::size_t units = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const CharacterSpan span = SpanAt(text, i);
        if (units + span.units > maxUnits) break;
        units += span.units;
        i += span.elements;
    }
    return text.substr(0, i);
}

bool IsWhiteSpace(wchar_t c) { return std::iswspace(static_cast<std::wint_t>(c)) != 0; }

// Cut, remove, trim: the shared part of the default name and the batch clean-up.
std::wstring cleanedName(std::wstring_view text) {
    std::wstring name;
    for (wchar_t c : CutToUnits(text, kMaxOutputNameLength)) {
        if (kRemovedCharacters.find(c) == std::wstring_view::npos) name += c;
    }
    std::size_t end = name.size();
    while (end > 0 && IsWhiteSpace(name[end - 1])) --end;
    std::size_t begin = 0;
    while (begin < end && IsWhiteSpace(name[begin])) ++begin;
    return name.substr(begin, end - begin);
}

BalloonMessage BalloonFor(NameCheck check) {
    switch (check) {
    case NameCheck::LeadingBlank: return kLeadingBlankBalloon;
    case NameCheck::TooLong: return kTooLongBalloon;
    case NameCheck::InvalidCharacter:
    case NameCheck::Valid: break;
    }
    return kInvalidCharacterBalloon;
}

}  // namespace

std::wstring defaultOutputName(std::wstring_view title) {
    if (title.empty()) return std::wstring(kUntitledClipName);
    return cleanedName(title);
}

CleanedName cleanOutputName(std::wstring_view text) {
    if (text.empty()) return {std::wstring(kEmptyNameReplacement), false};
    CleanedName result{cleanedName(text), false};
    result.showNotice = result.name != text;
    if (result.name.empty()) result.name = kEmptyNameReplacement;
    return result;
}

bool IsDiscardedNameEdit(std::wstring_view editedText) {
    return editedText.find_first_not_of(L' ') == std::wstring_view::npos;
}

NameCheck CheckOutputName(std::wstring_view text) {
    // Later checks override earlier ones: too long beats leading blank beats a refused character.
    if (Utf16Length(text) > kMaxOutputNameLength) return NameCheck::TooLong;
    if (!text.empty() && text.front() == L' ') return NameCheck::LeadingBlank;
    if (text.find_first_of(kRefusedCharacters) != std::wstring_view::npos) return NameCheck::InvalidCharacter;
    return NameCheck::Valid;
}

std::optional<NameRejection> OutputNameGuard::OnTextChanged(std::wstring_view boxText) {
    const NameCheck check = CheckOutputName(boxText);
    if (check == NameCheck::Valid) {
        // An empty box is allowed while typing; Convert deals with it.
        if (!boxText.empty()) remembered_ = boxText;
        return std::nullopt;
    }
    // Only valid texts are ever remembered. Remembering a refused text (say "<" typed into
    // a box that never held a valid name) would put it back, refuse it again and loop for
    // ever on the change notification; with nothing remembered the box goes back to empty.
    return NameRejection{BalloonFor(check), remembered_, check != NameCheck::LeadingBlank};
}

EmptyNameDecision EmptyNameRule(std::wstring_view boxText, bool boxCanUndo) {
    if (!boxText.empty()) return {};
    return {boxCanUndo ? EmptyNameRepair::Undo : EmptyNameRepair::SetReplacement, kEmptyNameBalloon};
}

}  // namespace convert
