#include "platform/HtmlText.h"

#include "platform/Utf8.h"

#include <array>

namespace platform {

namespace {

// Names whose characters follow each other, in the order of their characters.
constexpr std::array<std::wstring_view, 96> kLatin1Names{
    L"nbsp",   L"iexcl",  L"cent",   L"pound",  L"curren", L"yen",    L"brvbar", L"sect",   L"uml",    L"copy",
    L"ordf",   L"laquo",  L"not",    L"shy",    L"reg",    L"macr",   L"deg",    L"plusmn", L"sup2",   L"sup3",
    L"acute",  L"micro",  L"para",   L"middot", L"cedil",  L"sup1",   L"ordm",   L"raquo",  L"frac14", L"frac12",
    L"frac34", L"iquest", L"Agrave", L"Aacute", L"Acirc",  L"Atilde", L"Auml",   L"Aring",  L"AElig",  L"Ccedil",
    L"Egrave", L"Eacute", L"Ecirc",  L"Euml",   L"Igrave", L"Iacute", L"Icirc",  L"Iuml",   L"ETH",    L"Ntilde",
    L"Ograve", L"Oacute", L"Ocirc",  L"Otilde", L"Ouml",   L"times",  L"Oslash", L"Ugrave", L"Uacute", L"Ucirc",
    L"Uuml",   L"Yacute", L"THORN",  L"szlig",  L"agrave", L"aacute", L"acirc",  L"atilde", L"auml",   L"aring",
    L"aelig",  L"ccedil", L"egrave", L"eacute", L"ecirc",  L"euml",   L"igrave", L"iacute", L"icirc",  L"iuml",
    L"eth",    L"ntilde", L"ograve", L"oacute", L"ocirc",  L"otilde", L"ouml",   L"divide", L"oslash", L"ugrave",
    L"uacute", L"ucirc",  L"uuml",   L"yacute", L"thorn",  L"yuml"};
// U+0391 to U+03A9 and U+03B1 to U+03C9; U+03A2 has no character and no name.
constexpr std::array<std::wstring_view, 25> kGreekCapitals{
    L"Alpha", L"Beta",   L"Gamma",   L"Delta", L"Epsilon", L"Zeta",    L"Eta",  L"Theta", L"Iota",
    L"Kappa", L"Lambda", L"Mu",      L"Nu",    L"Xi",      L"Omicron", L"Pi",   L"Rho",   L"",
    L"Sigma", L"Tau",    L"Upsilon", L"Phi",   L"Chi",     L"Psi",     L"Omega"};
constexpr std::array<std::wstring_view, 25> kGreekSmall{
    L"alpha", L"beta",   L"gamma",   L"delta", L"epsilon", L"zeta",    L"eta",  L"theta", L"iota",
    L"kappa", L"lambda", L"mu",      L"nu",    L"xi",      L"omicron", L"pi",   L"rho",   L"sigmaf",
    L"sigma", L"tau",    L"upsilon", L"phi",   L"chi",     L"psi",     L"omega"};

struct NamedCharacter {
    std::wstring_view name;
    char32_t character;
};
constexpr NamedCharacter kOtherNames[] = {
    {L"quot", 0x22},     {L"amp", 0x26},      {L"apos", 0x27},      {L"lt", 0x3C},        {L"gt", 0x3E},
    {L"OElig", 0x152},   {L"oelig", 0x153},   {L"Scaron", 0x160},   {L"scaron", 0x161},   {L"Yuml", 0x178},
    {L"fnof", 0x192},    {L"circ", 0x2C6},    {L"tilde", 0x2DC},    {L"thetasym", 0x3D1}, {L"upsih", 0x3D2},
    {L"piv", 0x3D6},     {L"ensp", 0x2002},   {L"emsp", 0x2003},    {L"thinsp", 0x2009},  {L"zwnj", 0x200C},
    {L"zwj", 0x200D},    {L"lrm", 0x200E},    {L"rlm", 0x200F},     {L"ndash", 0x2013},   {L"mdash", 0x2014},
    {L"lsquo", 0x2018},  {L"rsquo", 0x2019},  {L"sbquo", 0x201A},   {L"ldquo", 0x201C},   {L"rdquo", 0x201D},
    {L"bdquo", 0x201E},  {L"dagger", 0x2020}, {L"Dagger", 0x2021},  {L"bull", 0x2022},    {L"hellip", 0x2026},
    {L"permil", 0x2030}, {L"prime", 0x2032},  {L"Prime", 0x2033},   {L"lsaquo", 0x2039},  {L"rsaquo", 0x203A},
    {L"oline", 0x203E},  {L"frasl", 0x2044},  {L"euro", 0x20AC},    {L"image", 0x2111},   {L"weierp", 0x2118},
    {L"real", 0x211C},   {L"trade", 0x2122},  {L"alefsym", 0x2135}, {L"larr", 0x2190},    {L"uarr", 0x2191},
    {L"rarr", 0x2192},   {L"darr", 0x2193},   {L"harr", 0x2194},    {L"crarr", 0x21B5},   {L"lArr", 0x21D0},
    {L"uArr", 0x21D1},   {L"rArr", 0x21D2},   {L"dArr", 0x21D3},    {L"hArr", 0x21D4},    {L"forall", 0x2200},
    {L"part", 0x2202},   {L"exist", 0x2203},  {L"empty", 0x2205},   {L"nabla", 0x2207},   {L"isin", 0x2208},
    {L"notin", 0x2209},  {L"ni", 0x220B},     {L"prod", 0x220F},    {L"sum", 0x2211},     {L"minus", 0x2212},
    {L"lowast", 0x2217}, {L"radic", 0x221A},  {L"prop", 0x221D},    {L"infin", 0x221E},   {L"ang", 0x2220},
    {L"and", 0x2227},    {L"or", 0x2228},     {L"cap", 0x2229},     {L"cup", 0x222A},     {L"int", 0x222B},
    {L"there4", 0x2234}, {L"sim", 0x223C},    {L"cong", 0x2245},    {L"asymp", 0x2248},   {L"ne", 0x2260},
    {L"equiv", 0x2261},  {L"le", 0x2264},     {L"ge", 0x2265},      {L"sub", 0x2282},     {L"sup", 0x2283},
    {L"nsub", 0x2284},   {L"sube", 0x2286},   {L"supe", 0x2287},    {L"oplus", 0x2295},   {L"otimes", 0x2297},
    {L"perp", 0x22A5},   {L"sdot", 0x22C5},   {L"lceil", 0x2308},   {L"rceil", 0x2309},   {L"lfloor", 0x230A},
    {L"rfloor", 0x230B}, {L"lang", 0x2329},   {L"rang", 0x232A},    {L"loz", 0x25CA},     {L"spades", 0x2660},
    {L"clubs", 0x2663},  {L"hearts", 0x2665}, {L"diams", 0x2666},
};

constexpr char32_t kReplacement = 0xFFFD;
// No name of the set is longer.
constexpr std::size_t kLongestName = 8;

template <std::size_t count>
char32_t FindInRun(const std::array<std::wstring_view, count>& names, char32_t first, std::wstring_view name) {
    for (std::size_t i = 0; i < count; ++i)
        if (!names[i].empty() && names[i] == name) return first + static_cast<char32_t>(i);
    return 0;
}

char32_t NamedCharacterOf(std::wstring_view name) {
    if (const char32_t c = FindInRun(kLatin1Names, 0xA0, name)) return c;
    if (const char32_t c = FindInRun(kGreekCapitals, 0x391, name)) return c;
    if (const char32_t c = FindInRun(kGreekSmall, 0x3B1, name)) return c;
    for (const NamedCharacter& named : kOtherNames)
        if (named.name == name) return named.character;
    return 0;
}

int DigitValue(wchar_t c, int base) {
    int value = -1;
    if (c >= L'0' && c <= L'9') value = c - L'0';
    if (c >= L'a' && c <= L'f') value = c - L'a' + 10;
    if (c >= L'A' && c <= L'F') value = c - L'A' + 10;
    return value < base ? value : -1;
}

// "#123" or "#x7B" (without "&" and ";"); 0 when it is no number.
char32_t NumberedCharacterOf(std::wstring_view reference) {
    reference.remove_prefix(1);
    int base = 10;
    if (!reference.empty() && (reference[0] == L'x' || reference[0] == L'X')) {
        base = 16;
        reference.remove_prefix(1);
    }
    if (reference.empty()) return 0;
    char32_t value = 0;
    for (wchar_t c : reference) {
        const int digit = DigitValue(c, base);
        if (digit < 0) return 0;
        // Anything this large is no character; stop before the arithmetic wraps.
        value = value > 0x10FFFF ? value : value * base + static_cast<char32_t>(digit);
    }
    if (value >= 0x80 && value <= 0x9F) return Windows1252Character(static_cast<unsigned char>(value));
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return kReplacement;
    return value;
}

bool IsCollapsedBlank(char32_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\f'; }

bool IsDropped(char32_t c) {
    const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
    const bool reorders =
        c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
    return control || reorders;
}

}  // namespace

char32_t Windows1252Character(unsigned char byte) {
    static constexpr char16_t kHighControls[32] = {0x20AC, 0x81,   0x201A, 0x192,  0x201E, 0x2026, 0x2020, 0x2021,
                                                   0x2C6,  0x2030, 0x160,  0x2039, 0x152,  0x8D,   0x17D,  0x8F,
                                                   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                   0x2DC,  0x2122, 0x161,  0x203A, 0x153,  0x9D,   0x17E,  0x178};
    return byte >= 0x80 && byte <= 0x9F ? kHighControls[byte - 0x80] : byte;
}

std::wstring DecodeEntities(std::wstring_view text) {
    std::wstring decoded;
    decoded.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t amp = text.find(L'&', at);
        decoded.append(text.substr(at, amp == std::wstring_view::npos ? std::wstring_view::npos : amp - at));
        if (amp == std::wstring_view::npos) break;
        at = amp + 1;
        const std::size_t semicolon = text.find(L';', at);
        // "#x10FFFF" is the longest number worth reading; longer ones are no reference.
        const std::size_t longest = at < text.size() && text[at] == L'#' ? 12 : kLongestName;
        if (semicolon == std::wstring_view::npos || semicolon == at || semicolon - at > longest) {
            decoded.push_back(L'&');
            continue;
        }
        const std::wstring_view reference = text.substr(at, semicolon - at);
        const char32_t character = reference[0] == L'#' ? NumberedCharacterOf(reference) : NamedCharacterOf(reference);
        if (character == 0) {
            decoded.push_back(L'&');
            continue;
        }
        platform::AppendCodePoint(decoded, character);
        at = semicolon + 1;
    }
    return decoded;
}

std::wstring TidyTitle(std::wstring_view text) {
    std::wstring tidy;
    std::size_t characters = 0;
    bool blankPending = false;
    for (std::size_t at = 0, units = 1; at < text.size() && characters < kLongestTitle; at += units) {
        const char32_t c = platform::CodePointAt(text, at, units);
        if (IsCollapsedBlank(c)) {
            blankPending = !tidy.empty();
            continue;
        }
        if (IsDropped(c)) continue;
        if (blankPending) {
            tidy.push_back(L' ');
            ++characters;
            blankPending = false;
            if (characters == kLongestTitle) break;
        }
        platform::AppendCodePoint(tidy, c);
        ++characters;
    }
    return tidy;
}

std::wstring PageTitleText(std::wstring_view html) { return TidyTitle(DecodeEntities(html)); }

}  // namespace platform
