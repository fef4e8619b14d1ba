#pragma once
// The start tags of a web page, one after another, with their attributes; enough of HTML
// to find what a page says about its video and its title without building a document.
// Also reads the tags of XML documents such as DASH manifests. Portable.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace webimport {

struct HtmlAttribute {
    std::wstring name;        // in lower case
    std::wstring_view value;  // as written, character references not decoded
};

struct HtmlTag {
    std::wstring name;  // in lower case
    std::vector<HtmlAttribute> attributes;
    // What lies between the tag and its end tag for the elements whose content is text,
    // not markup: script, style, title, textarea. Empty for every other element.
    std::wstring_view text;
    // False for an end tag such as </period>.
    bool opening = true;

    // The first attribute of that name (lower case), if the tag has it.
    std::optional<std::wstring_view> Attribute(std::wstring_view name) const;
};

// Calls `visit` for every start tag and end tag in document order, comments, doctypes and
// processing instructions left out. Stops early when `visit` returns false. Text that is
// not a tag is skipped; a tag cut off by the end of the text ends the walk.
void ForEachTag(std::wstring_view html, const std::function<bool(const HtmlTag&)>& visit);

// Compares ASCII letters without regard to case; other characters must be equal.
bool EqualsAsciiNoCase(std::wstring_view a, std::wstring_view b);

}  // namespace webimport
