#include "u_HTML.h"

#include "u_CaseBlind.h"
#include "u_Links.h"

#include "u_TextUtils.h"
#include <algorithm>
#include <array>

namespace {

inline bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

void AppendLiteral(THtmlLinkParts& parts, std::string_view html, std::size_t from, std::size_t to) {
    if (to > from)
        parts.push_back({std::string(html.substr(from, to - from)), -1, from});
}

} // namespace

std::vector<TTagAttribute> ScanTagAttributes(std::string_view tag, std::size_t pos) {
    std::vector<TTagAttribute> result;
    const std::size_t n = tag.size();
    while (pos < n) {
        while (pos < n && (IsBlank(tag[pos]) || tag[pos] == '/'))
            ++pos;
        if (pos >= n || tag[pos] == '>')
            break;
        TTagAttribute a;
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

std::size_t SkipTagName(std::string_view tag) {
    std::size_t p = 1;
    while (p < tag.size() && !IsBlank(tag[p]) && tag[p] != '>' && tag[p] != '/')
        ++p;
    return p;
}


void SplitHtmlByLinks(std::string_view Html, const std::vector<TLinkDesc>& Descs, THtmlLinkParts& Parts) {
    const THtmlLinks found = FindHtmlLinks(Html);
    const std::size_t n = Html.size();
    std::size_t s = 0; // start of the literal text not yet appended
    auto drop = found.BodyDropped.begin();
    // The pieces the split leaves out, up to Pos.
    auto dropBefore = [&](std::size_t pos) {
        for (; drop != found.BodyDropped.end() && drop->Begin < pos; ++drop) {
            AppendLiteral(Parts, Html, s, drop->Begin);
            s = drop->End;
        }
    };
    for (const TLinkRef& link : found.Links) {
        if (!IsWholeAttributeKind(link.Kind))
            continue;
        const auto desc = std::find_if(Descs.begin(), Descs.end(), [&](const TLinkDesc& d) {
            return SameTextAscii(d.TagName, LinkKindTag(link.Kind)) &&
                   SameTextAscii(d.AttrName, LinkKindAttribute(link.Kind));
        });
        if (desc == Descs.end())
            continue;
        dropBefore(link.Begin);
        // The whole attribute value, between its quotes when it has them.
        std::size_t begin = link.Begin;
        std::size_t end = link.End;
        std::size_t next = end;
        const char quote = link.HtmlQuote == ' ' ? 0 : link.HtmlQuote;
        if (quote) {
            while (begin > s && Html[begin - 1] != quote)
                --begin;
            std::size_t close = end;
            while (close < n && IsBlank(Html[close]) && Html[close] != quote)
                ++close;
            if (close < n && Html[close] == quote) {
                end = close;
                next = close + 1;
            }
        }
        AppendLiteral(Parts, Html, s, quote ? begin - 1 : begin);
        Parts.push_back({std::string(Html.substr(begin, end - begin)),
                         static_cast<int32_t>(desc - Descs.begin()), begin});
        s = next;
    }
    dropBefore(n + 1);
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
        std::transform(upper.begin(), upper.end(), upper.begin(), AsciiUpperChar);
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
    std::transform(upper.begin(), upper.end(), upper.begin(), AsciiUpperChar);
    std::string tag(TagName);
    std::transform(tag.begin(), tag.end(), tag.begin(), AsciiUpperChar);
    return FindTags(upper, Text, tag, AttrName);
}

std::string GetAttributeValue(std::string_view SearchTag, std::string_view Tag, std::string_view AttrName) {
    const std::size_t limit = std::min(SearchTag.size(), Tag.size());
    SearchTag = SearchTag.substr(0, limit);
    std::size_t from = 0;
    if (!SearchTag.empty() && SearchTag[0] == '<')
        from = SkipTagName(SearchTag);
    for (const TTagAttribute& a : ScanTagAttributes(SearchTag, from)) {
        if (!SameTextAscii(SearchTag.substr(a.NameBegin, a.NameEnd - a.NameBegin), AttrName))
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
        open = FindTextAscii(Html, "<title");
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
        if (SameTextAscii(Text, kSystemColorNames[k]))
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
