#include "u_HTML.h"

#include "u_CaseBlind.h"

#include "u_TextUtils.h"
#include <algorithm>
#include <array>

namespace {

// Positional work uses ASCII case mapping only, so that positions in a case-mapped
// text are the positions in the original (a full case mapping may change lengths).
inline char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}
inline char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}
inline bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

bool AsciiSameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

std::size_t AsciiFindNoCase(std::string_view text, std::string_view what, std::size_t from = 0) {
    if (what.empty())
        return from <= text.size() ? from : std::string_view::npos;
    if (text.size() < what.size())
        return std::string_view::npos;
    for (std::size_t i = from; i + what.size() <= text.size(); ++i)
        if (AsciiSameText(text.substr(i, what.size()), what))
            return i;
    return std::string_view::npos;
}

// One attribute of a tag, as positions in the tag text.
struct TAttrSpan {
    std::size_t NameBegin = 0, NameEnd = 0;
    bool HasValue = false;
    char Quote = 0; // '"', '\'' or 0 for an unquoted value
    std::size_t ValueBegin = 0, ValueEnd = 0;
    bool Closed = false; // a quoted value found its closing quote
};

// Reads the attributes of a tag text from Pos on: names, and values in double
// quotes, single quotes or none. A quoted value without its closing quote runs to
// the tag's ">" (or the end of the text); an unquoted value ends at a blank or ">".
// Stops at an unquoted ">" or at the end of the text.
std::vector<TAttrSpan> ScanAttributes(std::string_view tag, std::size_t pos) {
    std::vector<TAttrSpan> result;
    const std::size_t n = tag.size();
    while (pos < n) {
        while (pos < n && (IsBlank(tag[pos]) || tag[pos] == '/'))
            ++pos;
        if (pos >= n || tag[pos] == '>')
            break;
        TAttrSpan a;
        a.NameBegin = pos;
        while (pos < n && !IsBlank(tag[pos]) && tag[pos] != '=' && tag[pos] != '>' && tag[pos] != '/')
            ++pos;
        a.NameEnd = pos;
        if (a.NameEnd == a.NameBegin) {
            ++pos; // a stray "=": step over it
            continue;
        }
        std::size_t p = pos;
        while (p < n && IsBlank(tag[p]))
            ++p;
        if (p < n && tag[p] == '=') {
            ++p;
            while (p < n && IsBlank(tag[p]))
                ++p;
            a.HasValue = true;
            if (p < n && (tag[p] == '"' || tag[p] == '\'')) {
                a.Quote = tag[p];
                a.ValueBegin = p + 1;
                const std::size_t close = tag.find(a.Quote, a.ValueBegin);
                if (close != std::string_view::npos) {
                    a.ValueEnd = close;
                    a.Closed = true;
                    pos = close + 1;
                } else {
                    const std::size_t gt = tag.find('>', a.ValueBegin);
                    a.ValueEnd = gt == std::string_view::npos ? n : gt;
                    pos = a.ValueEnd;
                }
            } else {
                a.ValueBegin = p;
                while (p < n && !IsBlank(tag[p]) && tag[p] != '>')
                    ++p;
                a.ValueEnd = p;
                pos = p;
            }
        }
        result.push_back(a);
    }
    return result;
}

// The position after "<" and the element name of a tag text starting with "<".
std::size_t SkipTagName(std::string_view tag) {
    std::size_t p = 1;
    while (p < tag.size() && !IsBlank(tag[p]) && tag[p] != '>' && tag[p] != '/')
        ++p;
    return p;
}

void AppendLiteral(THtmlLinkParts& parts, std::string_view html, std::size_t from, std::size_t to) {
    if (to > from)
        parts.push_back({std::string(html.substr(from, to - from)), -1, from});
}

} // namespace

void SplitHtmlByLinks(std::string_view Html, const std::vector<TLinkDesc>& Descs, THtmlLinkParts& Parts) {
    const std::size_t n = Html.size();
    std::size_t s = 0; // start of the literal text not yet appended
    std::size_t i = 0;
    bool inBody = false;
    while (n > 0 && i + 1 < n) {
        if (Html[i] != '<') {
            const std::size_t next = Html.find('<', i + 1);
            if (next == std::string_view::npos)
                break;
            i = next;
            continue;
        }
        if (inBody && Html.substr(i, 4) == "<!--") {
            // Comments inside the body are dropped. One that is never closed ends the
            // scan; the rest of the page stays as it is.
            const std::size_t close = Html.find("-->", i + 4);
            if (close == std::string_view::npos)
                break;
            AppendLiteral(Parts, Html, s, i);
            s = i = close + 3;
            continue;
        }
        const std::size_t gt = Html.find('>', i);
        const std::size_t tagEnd = gt == std::string_view::npos ? n : gt + 1;
        const std::string_view tag = Html.substr(i, tagEnd - i);
        const std::size_t nameEnd = SkipTagName(tag);
        const std::string_view name = tag.substr(1, nameEnd - 1);
        if (AsciiSameText(name, "body"))
            inBody = true;
        if (inBody && (AsciiSameText(tag, "<![if !vml]>") || AsciiSameText(tag, "<![endif]>"))) {
            AppendLiteral(Parts, Html, s, i);
            s = i = tagEnd;
            continue;
        }
        std::vector<TAttrSpan> attrs;
        bool scanned = false;
        for (std::size_t d = 0; d < Descs.size(); ++d) {
            if (!AsciiSameText(name, Descs[d].TagName) || Descs[d].AttrName.empty())
                continue;
            if (!scanned) {
                attrs = ScanAttributes(tag, nameEnd);
                scanned = true;
            }
            const auto it = std::find_if(attrs.begin(), attrs.end(), [&](const TAttrSpan& a) {
                return AsciiSameText(tag.substr(a.NameBegin, a.NameEnd - a.NameBegin), Descs[d].AttrName);
            });
            if (it == attrs.end() || !it->HasValue || it->ValueEnd == it->ValueBegin)
                continue;
            const std::size_t valueBegin = i + it->ValueBegin;
            const std::size_t valueEnd = i + it->ValueEnd;
            AppendLiteral(Parts, Html, s, it->Quote ? valueBegin - 1 : valueBegin);
            Parts.push_back({LowerCaseText(Html.substr(valueBegin, valueEnd - valueBegin)),
                             static_cast<int32_t>(d), valueBegin});
            s = (it->Quote && it->Closed) ? valueEnd + 1 : valueEnd;
            break;
        }
        i = tagEnd;
    }
    AppendLiteral(Parts, Html, s, n);
}

std::vector<TTagPlacement> FindTags(std::string_view SearchText, std::string_view Text,
                                    std::string_view TagName, std::string_view AttrName) {
    std::vector<TTagPlacement> result;
    const std::string open = "<" + std::string(TagName);
    const std::string close = "</" + std::string(TagName) + ">";
    const std::size_t limit = std::min(SearchText.size(), Text.size());
    SearchText = SearchText.substr(0, limit);
    std::size_t p = 0;
    while (p < limit) {
        const std::size_t start = SearchText.find(open, p);
        if (start == std::string_view::npos)
            break;
        const std::size_t gt = SearchText.find('>', start + open.size());
        if (gt == std::string_view::npos)
            break;
        // The closing tag is looked for after the opening tag's ">", so the content
        // never has a negative length.
        const std::size_t end = SearchText.find(close, gt + 1);
        if (end == std::string_view::npos)
            break;
        const std::string_view attrText = Text.substr(start + open.size(), gt - start - open.size());
        std::string upper(attrText);
        std::transform(upper.begin(), upper.end(), upper.begin(), AsciiUpper);
        TTagPlacement t;
        t.AttrValue = GetAttributeValue(upper, attrText, AttrName);
        t.Start = static_cast<int32_t>(gt + 2);
        t.Length = static_cast<int32_t>(end - gt - 1);
        t.Content = std::string(Text.substr(gt + 1, end - gt - 1));
        result.push_back(std::move(t));
        p = end + close.size();
    }
    return result;
}

std::vector<TTagPlacement> FindTagsIgnoreCase(std::string_view Text, std::string_view TagName,
                                              std::string_view AttrName) {
    std::string upper(Text);
    std::transform(upper.begin(), upper.end(), upper.begin(), AsciiUpper);
    std::string tag(TagName);
    std::transform(tag.begin(), tag.end(), tag.begin(), AsciiUpper);
    return FindTags(upper, Text, tag, AttrName);
}

std::string GetAttributeValue(std::string_view SearchTag, std::string_view Tag, std::string_view AttrName) {
    const std::size_t limit = std::min(SearchTag.size(), Tag.size());
    SearchTag = SearchTag.substr(0, limit);
    std::size_t from = 0;
    if (!SearchTag.empty() && SearchTag[0] == '<')
        from = SkipTagName(SearchTag);
    for (const TAttrSpan& a : ScanAttributes(SearchTag, from)) {
        if (!AsciiSameText(SearchTag.substr(a.NameBegin, a.NameEnd - a.NameBegin), AttrName))
            continue;
        if (!a.HasValue)
            return std::string();
        return std::string(Tag.substr(a.ValueBegin, a.ValueEnd - a.ValueBegin));
    }
    return std::string();
}

std::string GetHtmlTitle(std::string_view Html, const std::string& Default) {
    // As written first, then in any letter case.
    std::size_t open = Html.find("<title");
    if (open == std::string_view::npos)
        open = AsciiFindNoCase(Html, "<title");
    if (open == std::string_view::npos)
        return Default;
    const std::size_t gt = Html.find('>', open);
    if (gt == std::string_view::npos || Html.size() < 1)
        return Default;
    const std::string_view searched = Html.substr(0, Html.size() - 1);
    const std::size_t close = searched.find("</", gt + 1);
    if (close == std::string_view::npos)
        return Default;
    std::string_view title = Html.substr(gt + 1, close - gt - 1);
    while (!title.empty() && IsBlank(title.front()))
        title.remove_prefix(1);
    while (!title.empty() && IsBlank(title.back()))
        title.remove_suffix(1);
    return title.empty() ? Default : std::string(title);
}

std::string HtmlQuote(std::string_view Value) {
    std::string result = "\"";
    for (char c : Value) {
        if (c == '"')
            result += "&quot;";
        else
            result += c;
    }
    result += '"';
    return result;
}

namespace {

constexpr std::array<const char*, 25> kSystemColorNames = {
    "scrollbar",       "background",       "activecaption",     "inactivecaption", "menu",
    "window",          "windowframe",      "menutext",          "windowtext",      "captiontext",
    "activeborder",    "inactiveborder",   "appworkspace",      "highlight",       "highlighttext",
    "buttonface",      "buttonshadow",     "graytext",          "buttontext",      "inactivecaptiontext",
    "buttonhighlight", "threeddarkshadow", "threedlightshadow", "infotext",        "infobackground"};

// The platform's default colour scheme, as 0xRRGGBB, by system colour index.
constexpr std::array<uint32_t, 31> kSystemColorRGB = {
    0xC8C8C8, 0x000000, 0x99B4D1, 0xBFCDDB, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000,
    0x000000, 0x000000, 0xB4B4B4, 0xF4F7FC, 0xABABAB, 0x0078D7, 0xFFFFFF, 0xF0F0F0,
    0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000,
    0xFFFFE1, 0x000000, 0x0066CC, 0xB9D1EA, 0xD7E4F2, 0x3399FF, 0xF0F0F0};

} // namespace

TColor HtmlColorToColor(std::string_view Text) {
    while (!Text.empty() && IsBlank(Text.front()))
        Text.remove_prefix(1);
    while (!Text.empty() && IsBlank(Text.back()))
        Text.remove_suffix(1);
    for (std::size_t k = 0; k < kSystemColorNames.size(); ++k)
        if (AsciiSameText(Text, kSystemColorNames[k]))
            return SystemColor(static_cast<int>(k));
    if (Text.size() == 7 && Text[0] == '#') {
        uint32_t rgb[3];
        bool ok = true;
        for (int k = 0; k < 3 && ok; ++k) {
            const int hi = HexDigitValue(Text[1 + 2 * k]);
            const int lo = HexDigitValue(Text[2 + 2 * k]);
            ok = hi >= 0 && lo >= 0;
            rgb[k] = static_cast<uint32_t>(hi * 16 + lo);
        }
        if (ok)
            return static_cast<TColor>(rgb[0] | (rgb[1] << 8) | (rgb[2] << 16));
    }
    // A decimal number (the form in which the engine reports colours).
    std::size_t p = 0;
    bool negative = false;
    if (p < Text.size() && (Text[p] == '+' || Text[p] == '-'))
        negative = Text[p++] == '-';
    if (p >= Text.size())
        return clNone;
    int64_t value = 0;
    for (; p < Text.size(); ++p) {
        if (Text[p] < '0' || Text[p] > '9')
            return clNone;
        value = value * 10 + (Text[p] - '0');
        if (value > 0x7FFFFFFF + int64_t(negative))
            return clNone;
    }
    if (negative && value != 0)
        return clNone;
    return static_cast<TColor>(value & 0xFFFFFF);
}

TColor ColorToRGB(TColor Color) {
    if (Color >= 0)
        return Color;
    const uint32_t index = static_cast<uint32_t>(Color) & 0xFF;
    const uint32_t rgb = index < kSystemColorRGB.size() ? kSystemColorRGB[index] : 0;
    return static_cast<TColor>(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
}

std::string ColorToHtml(TColor Color) {
    const uint32_t u = static_cast<uint32_t>(Color);
    if ((u & 0xFFFFFF00u) == 0xFF000000u && (u & 0xFF) < kSystemColorNames.size())
        return kSystemColorNames[u & 0xFF];
    const uint32_t rgb = static_cast<uint32_t>(ColorToRGB(Color));
    static const char digits[] = "0123456789ABCDEF";
    std::string result = "#";
    for (int shift : {0, 8, 16}) {
        const uint32_t byte = (rgb >> shift) & 0xFF;
        result += digits[byte >> 4];
        result += digits[byte & 0xF];
    }
    return result;
}
