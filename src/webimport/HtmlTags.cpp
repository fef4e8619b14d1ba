#include "webimport/HtmlTags.h"

namespace webimport {

namespace {

wchar_t AsciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }
bool IsAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\f'; }

// Elements whose content runs, unparsed, to their own end tag.
bool HoldsRawText(std::wstring_view name) {
    return name == L"script" || name == L"style" || name == L"title" || name == L"textarea";
}

// Where "</name" starts at or after `from`, any case; npos when it never does.
std::size_t FindEndTag(std::wstring_view html, std::wstring_view name, std::size_t from) {
    for (std::size_t at = html.find(L"</", from); at != std::wstring_view::npos; at = html.find(L"</", at + 2)) {
        if (EqualsAsciiNoCase(html.substr(at + 2, name.size()), name)) return at;
    }
    return std::wstring_view::npos;
}

class TagReader {
public:
    explicit TagReader(std::wstring_view html) : html_(html) {}

    // Reads the tag whose "<" is at `at`; returns where reading goes on, npos at the end.
    std::size_t Read(std::size_t at, HtmlTag& tag, bool& isTag) {
        isTag = false;
        const std::size_t next = at + 1;
        if (html_.substr(at, 4) == L"<!--") return Past(html_.find(L"-->", at + 4), 3);
        if (next < html_.size() && (html_[next] == L'!' || html_[next] == L'?')) return Past(html_.find(L'>', at), 1);
        tag.opening = !(next < html_.size() && html_[next] == L'/');
        pos_ = tag.opening ? next : next + 1;
        if (pos_ >= html_.size() || !IsAsciiLetter(html_[pos_])) return at + 1;
        tag.name = ReadName();
        tag.attributes.clear();
        tag.text = {};
        if (!ReadAttributes(tag)) return std::wstring_view::npos;
        isTag = true;
        if (!tag.opening || !HoldsRawText(tag.name)) return pos_;
        const std::size_t end = FindEndTag(html_, tag.name, pos_);
        tag.text = html_.substr(pos_, end == std::wstring_view::npos ? std::wstring_view::npos : end - pos_);
        return end == std::wstring_view::npos ? std::wstring_view::npos : Past(html_.find(L'>', end), 1);
    }

private:
    std::size_t Past(std::size_t found, std::size_t length) const {
        return found == std::wstring_view::npos ? std::wstring_view::npos : found + length;
    }

    std::wstring ReadName() {
        std::wstring name;
        while (pos_ < html_.size() && !IsSpace(html_[pos_]) && html_[pos_] != L'/' && html_[pos_] != L'>' &&
               html_[pos_] != L'=')
            name.push_back(AsciiLower(html_[pos_++]));
        return name;
    }

    void SkipSpace() {
        while (pos_ < html_.size() && IsSpace(html_[pos_])) ++pos_;
    }

    // False when the text ends inside the tag.
    bool ReadAttributes(HtmlTag& tag) {
        for (;;) {
            SkipSpace();
            if (pos_ >= html_.size()) return false;
            if (html_[pos_] == L'>') {
                ++pos_;
                return true;
            }
            if (html_[pos_] == L'/' || html_[pos_] == L'=') {
                ++pos_;
                continue;
            }
            HtmlAttribute attribute{ReadName(), {}};
            SkipSpace();
            if (pos_ < html_.size() && html_[pos_] == L'=') {
                ++pos_;
                SkipSpace();
                if (!ReadValue(attribute.value)) return false;
            }
            tag.attributes.push_back(std::move(attribute));
        }
    }

    bool ReadValue(std::wstring_view& value) {
        if (pos_ >= html_.size()) return false;
        const wchar_t quote = html_[pos_];
        if (quote == L'"' || quote == L'\'') {
            const std::size_t close = html_.find(quote, pos_ + 1);
            if (close == std::wstring_view::npos) return false;
            value = html_.substr(pos_ + 1, close - pos_ - 1);
            pos_ = close + 1;
            return true;
        }
        const std::size_t start = pos_;
        while (pos_ < html_.size() && !IsSpace(html_[pos_]) && html_[pos_] != L'>') ++pos_;
        value = html_.substr(start, pos_ - start);
        return true;
    }

    std::wstring_view html_;
    std::size_t pos_ = 0;
};

}  // namespace

bool EqualsAsciiNoCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

std::optional<std::wstring_view> HtmlTag::Attribute(std::wstring_view name) const {
    for (const HtmlAttribute& attribute : attributes)
        if (attribute.name == name) return attribute.value;
    return std::nullopt;
}

void ForEachTag(std::wstring_view html, const std::function<bool(const HtmlTag&)>& visit) {
    TagReader reader(html);
    HtmlTag tag;
    for (std::size_t at = html.find(L'<'); at != std::wstring_view::npos;) {
        bool isTag = false;
        const std::size_t next = reader.Read(at, tag, isTag);
        if (isTag && !visit(tag)) return;
        if (next == std::wstring_view::npos) return;
        at = html.find(L'<', next);
    }
}

}  // namespace webimport
