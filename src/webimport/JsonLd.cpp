#include "webimport/JsonLd.h"

#include "platform/Utf8.h"

#include <optional>

namespace webimport {

namespace {

// Deeper nesting is refused rather than followed: the reader recurses.
constexpr int kDeepestNesting = 64;

struct JsonValue {
    enum class Kind { Null, Literal, String, Array, Object };
    Kind kind = Kind::Null;
    std::wstring text;                // String: the decoded text
    std::vector<JsonValue> items;     // Array items, or Object values
    std::vector<std::wstring> names;  // Object: the name of each value
};

class JsonReader {
public:
    JsonReader(std::wstring_view text, const std::atomic<bool>* halt) : text_(text), halt_(halt) {}

    std::optional<JsonValue> ReadDocument() {
        JsonValue value;
        if (!ReadValue(value, 0)) return std::nullopt;
        SkipSpace();
        if (at_ != text_.size()) return std::nullopt;
        return value;
    }

private:
    void SkipSpace() {
        while (at_ < text_.size() &&
               (text_[at_] == L' ' || text_[at_] == L'\t' || text_[at_] == L'\n' || text_[at_] == L'\r'))
            ++at_;
    }
    bool Take(wchar_t c) {
        SkipSpace();
        if (at_ >= text_.size() || text_[at_] != c) return false;
        ++at_;
        return true;
    }

    bool ReadValue(JsonValue& value, int depth) {
        if (depth > kDeepestNesting) return false;
        // A look at the flag every few thousand values costs nothing and lets Stop end
        // the reading of a page of millions.
        if (++values_ % 4096 == 0 && halt_ != nullptr && halt_->load()) return false;
        SkipSpace();
        if (at_ >= text_.size()) return false;
        switch (text_[at_]) {
        case L'{': value.kind = JsonValue::Kind::Object; return ReadObject(value, depth);
        case L'[': value.kind = JsonValue::Kind::Array; return ReadArray(value, depth);
        case L'"': value.kind = JsonValue::Kind::String; return ReadString(value.text);
        default: value.kind = JsonValue::Kind::Literal; return ReadLiteral();
        }
    }

    bool ReadObject(JsonValue& value, int depth) {
        ++at_;
        if (Take(L'}')) return true;
        do {
            std::wstring name;
            SkipSpace();
            if (!ReadString(name) || !Take(L':')) return false;
            JsonValue member;
            if (!ReadValue(member, depth + 1)) return false;
            value.names.push_back(std::move(name));
            value.items.push_back(std::move(member));
        } while (Take(L','));
        return Take(L'}');
    }

    bool ReadArray(JsonValue& value, int depth) {
        ++at_;
        if (Take(L']')) return true;
        do {
            JsonValue item;
            if (!ReadValue(item, depth + 1)) return false;
            value.items.push_back(std::move(item));
        } while (Take(L','));
        return Take(L']');
    }

    // Numbers, true, false and null: only their extent matters here.
    bool ReadLiteral() {
        const std::size_t start = at_;
        while (at_ < text_.size() &&
               std::wstring_view(L"+-.0123456789Eaeflnrstu").find(text_[at_]) != std::wstring_view::npos)
            ++at_;
        return at_ > start;
    }

    bool ReadHex4(char32_t& value) {
        if (text_.size() - at_ < 4) return false;
        value = 0;
        for (int i = 0; i < 4; ++i) {
            const wchar_t c = text_[at_++];
            const int digit = c >= L'0' && c <= L'9'   ? c - L'0'
                              : c >= L'a' && c <= L'f' ? c - L'a' + 10
                              : c >= L'A' && c <= L'F' ? c - L'A' + 10
                                                       : -1;
            if (digit < 0) return false;
            value = value * 16 + static_cast<char32_t>(digit);
        }
        return true;
    }

    bool ReadEscape(std::wstring& out) {
        if (at_ >= text_.size()) return false;
        const wchar_t c = text_[at_++];
        static constexpr std::wstring_view kFrom = L"\"\\/bfnrt";
        static constexpr std::wstring_view kTo = L"\"\\/\b\f\n\r\t";
        if (const std::size_t simple = kFrom.find(c); simple != std::wstring_view::npos) {
            out.push_back(kTo[simple]);
            return true;
        }
        char32_t unit = 0;
        if (c != L'u' || !ReadHex4(unit)) return false;
        // A pair of escaped surrogates is one character.
        if (unit >= 0xD800 && unit <= 0xDBFF && text_.substr(at_, 2) == L"\\u") {
            const std::size_t mark = at_;
            at_ += 2;
            char32_t low = 0;
            if (ReadHex4(low) && low >= 0xDC00 && low <= 0xDFFF) {
                platform::AppendCodePoint(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                return true;
            }
            at_ = mark;
        }
        platform::AppendCodePoint(out, unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : unit);
        return true;
    }

    bool ReadString(std::wstring& out) {
        if (at_ >= text_.size() || text_[at_] != L'"') return false;
        ++at_;
        while (at_ < text_.size()) {
            const wchar_t c = text_[at_++];
            if (c == L'"') return true;
            if (c != L'\\') {
                out.push_back(c);
                continue;
            }
            if (!ReadEscape(out)) return false;
        }
        return false;
    }

    std::wstring_view text_;
    const std::atomic<bool>* halt_;
    std::size_t at_ = 0;
    std::size_t values_ = 0;
};

const JsonValue* Member(const JsonValue& object, std::wstring_view name) {
    for (std::size_t i = 0; i < object.names.size(); ++i)
        if (object.names[i] == name) return &object.items[i];
    return nullptr;
}

bool IsVideoObject(const JsonValue& object) {
    const JsonValue* type = Member(object, L"@type");
    if (type == nullptr) return false;
    if (type->kind == JsonValue::Kind::String) return type->text == L"VideoObject";
    for (const JsonValue& item : type->items)
        if (item.kind == JsonValue::Kind::String && item.text == L"VideoObject") return true;
    return false;
}

// A contentUrl is a text, or a list whose first text counts.
const std::wstring* FirstText(const JsonValue& value) {
    if (value.kind == JsonValue::Kind::String) return &value.text;
    if (value.kind != JsonValue::Kind::Array) return nullptr;
    for (const JsonValue& item : value.items)
        if (item.kind == JsonValue::Kind::String) return &item.text;
    return nullptr;
}

void Collect(const JsonValue& value, std::vector<std::wstring>& addresses) {
    if (value.kind == JsonValue::Kind::Object && IsVideoObject(value)) {
        if (const JsonValue* url = Member(value, L"contentUrl"))
            if (const std::wstring* text = FirstText(*url)) addresses.push_back(*text);
    }
    for (const JsonValue& item : value.items) Collect(item, addresses);
}

}  // namespace

std::vector<std::wstring> VideoObjectAddresses(std::wstring_view json, const std::atomic<bool>* halt) {
    std::vector<std::wstring> addresses;
    if (const auto document = JsonReader(json, halt).ReadDocument()) Collect(*document, addresses);
    return addresses;
}

}  // namespace webimport
