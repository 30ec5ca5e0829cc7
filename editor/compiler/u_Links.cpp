#include "u_Links.h"

#include "u_CaseBlind.h"
#include "u_Exception.h"
#include "u_HTML.h"
#include "u_MFS.h"

#include "u_TextUtils.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <deque>
#include <set>
#include <unordered_set>

namespace {

const char* const SLinkOutOfProject =
    "Link \"%s\" of \"%s\" leads out of the project: the book cannot show what it names";

struct TKindInfo {
    const char* Tag;
    const char* Attribute;
    TLinkRole Role;
};

// By TLinkKind.
constexpr std::array<TKindInfo, LinkKindCount> kKinds = {{
    {"img", "src", TLinkRole::Resource},
    {"link", "href", TLinkRole::Resource},
    {"body", "background", TLinkRole::Resource},
    {"frame", "src", TLinkRole::Frame},
    {"iframe", "src", TLinkRole::Frame},
    {"a", "href", TLinkRole::Anchor},
    {"script", "src", TLinkRole::Resource},
    {"img", "srcset", TLinkRole::Resource},
    {"source", "srcset", TLinkRole::Resource},
    {"source", "src", TLinkRole::Resource},
    {"video", "src", TLinkRole::Resource},
    {"video", "poster", TLinkRole::Resource},
    {"audio", "src", TLinkRole::Resource},
    {"track", "src", TLinkRole::Resource},
    {"object", "data", TLinkRole::Resource},
    {"embed", "src", TLinkRole::Resource},
    {"input", "src", TLinkRole::Resource},
    {"", "style", TLinkRole::Resource},
    {"style", "", TLinkRole::Resource},
    {"", "", TLinkRole::Resource},
    {"", "", TLinkRole::Resource},
}};

bool IsSrcsetKind(TLinkKind kind) {
    return kind == TLinkKind::ImgSrcset || kind == TLinkKind::SourceSrcset;
}

inline bool IsHtmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// A text decoded from a piece of the source, with the source position of every
// decoded byte (and of the end), so that spans found in the decoded text map back. A
// text that decoding left as it was (the usual case) keeps no table: byte k came from
// Offset + k.
struct TDecoded {
    std::string Text;
    std::vector<std::size_t> Source; // Source[k]: where decoded byte k came from; one more for the end
    std::size_t Offset = 0;

    std::size_t Map(std::size_t k) const {
        return Source.empty() ? Offset + std::min(k, Text.size()) : Source[std::min(k, Source.size() - 1)];
    }
};

// Character references of an attribute value: the usual named ones (with their ";")
// and numeric ones, and a NUL read as U+FFFD; anything else stays as written.
TDecoded DecodeCharacterReferences(std::string_view raw, std::size_t offset) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 6> kNamed = {{
        {"amp;", "&"},
        {"lt;", "<"},
        {"gt;", ">"},
        {"quot;", "\""},
        {"apos;", "'"},
        {"nbsp;", "\xC2\xA0"},
    }};
    TDecoded d;
    if (raw.find_first_of(std::string_view("&\0", 2)) == std::string_view::npos) {
        d.Text = std::string(raw);
        d.Offset = offset;
        return d;
    }
    d.Text.reserve(raw.size());
    d.Source.reserve(raw.size() + 1);
    auto put = [&](std::string_view bytes, std::size_t from) {
        for (char c : bytes) {
            d.Text += c;
            d.Source.push_back(offset + from);
        }
    };
    std::size_t i = 0;
    while (i < raw.size()) {
        if (raw[i] == '\0') { // read as U+FFFD
            put("\xEF\xBF\xBD", i);
            ++i;
            continue;
        }
        if (raw[i] != '&') {
            put(raw.substr(i, 1), i);
            ++i;
            continue;
        }
        std::size_t used = 0;
        std::string decoded;
        if (i + 1 < raw.size() && raw[i + 1] == '#') {
            std::size_t p = i + 2;
            const bool hex = p < raw.size() && (raw[p] == 'x' || raw[p] == 'X');
            if (hex)
                ++p;
            const std::size_t digits = p;
            uint32_t cp = 0;
            while (p < raw.size() && (hex ? HexDigitValue(raw[p]) >= 0 : (raw[p] >= '0' && raw[p] <= '9'))) {
                if (cp <= 0x10FFFF)
                    cp = cp * (hex ? 16 : 10) +
                         static_cast<uint32_t>(hex ? HexDigitValue(raw[p]) : raw[p] - '0');
                ++p;
            }
            if (p > digits) {
                if (p < raw.size() && raw[p] == ';')
                    ++p;
                AppendCodePoint(decoded, cp);
                used = p - i;
            }
        } else {
            for (const auto& [name, text] : kNamed) {
                if (raw.substr(i + 1, name.size()) == name) {
                    decoded = text;
                    used = 1 + name.size();
                    break;
                }
            }
        }
        if (used == 0) {
            put("&", i);
            ++i;
            continue;
        }
        put(decoded, i);
        i += used;
    }
    d.Source.push_back(offset + raw.size());
    return d;
}

// ---- CSS ----

inline bool IsCssSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}
inline bool IsCssNewline(char c) {
    return c == '\n' || c == '\r' || c == '\f';
}
inline bool IsNameStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}
inline bool IsNameChar(char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-';
}
inline bool IsNonPrintable(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u <= 0x08 || u == 0x0B || (u >= 0x0E && u <= 0x1F) || u == 0x7F;
}

// A character of CSS text into a value: a NUL is read as U+FFFD.
void PutChar(std::string& out, char c) {
    if (c == '\0')
        AppendCodePoint(out, 0);
    else
        out += c;
}

// The tokenizer of CSS as far as links need it: comments, strings, escapes, names,
// functions, url(...) tokens and at-keywords. Values are collected with their escapes
// resolved; the spans are those of the source.
class TCssScanner {
public:
    TCssScanner(std::string_view css, TLinkRefs& out) : S(css), N(css.size()), Out(out) {}

    void Run() {
        while (P < N) {
            const char c = S[P];
            if (c == '/' && P + 1 < N && S[P + 1] == '*') {
                const std::size_t close = S.find("*/", P + 2);
                P = close == std::string_view::npos ? N : close + 2;
            } else if (IsCssSpace(c)) {
                ++P;
            } else if (c == '"' || c == '\'') {
                StringToken();
            } else if (c == '@' && StartsName(P + 1)) {
                ++P;
                const std::string name = Name();
                Import = SameTextAscii(name, "import");
                Namespace = SameTextAscii(name, "namespace");
            } else if (StartsName(P)) {
                NameToken();
            } else if (c == '(') {
                Functions.push_back({TFunction::Other});
                ++P;
                Import = false;
            } else if (c == ')') {
                if (!Functions.empty())
                    Functions.pop_back();
                ++P;
            } else if (c == ';' || c == '{' || c == '}') {
                // The end of a rule or declaration: whatever was left open of a
                // malformed one is over.
                Functions.clear();
                Import = Namespace = false;
                ++P;
            } else {
                ++P;
                Import = false;
            }
        }
    }

private:
    struct TFunction {
        enum TKind { Other, Url, ImageSet } Kind;
        bool Import = false; // a url( right after @import
        bool Used = false;   // a url( whose string came already
    };

    bool ValidEscape(std::size_t at) const {
        return at < N && S[at] == '\\' && (at + 1 >= N || !IsCssNewline(S[at + 1]));
    }

    bool StartsName(std::size_t at) const {
        if (at >= N)
            return false;
        const char c = S[at];
        if (IsNameStart(c))
            return true;
        if (c == '-')
            return at + 1 < N && (IsNameStart(S[at + 1]) || S[at + 1] == '-' || ValidEscape(at + 1));
        return ValidEscape(at);
    }

    // P is just after the backslash of a valid escape.
    void Escape(std::string* out) {
        if (P >= N) {
            if (out)
                AppendCodePoint(*out, 0xFFFD);
            return;
        }
        if (HexDigitValue(S[P]) >= 0) {
            uint32_t cp = 0;
            for (int k = 0; k < 6 && P < N && HexDigitValue(S[P]) >= 0; ++k, ++P)
                cp = cp * 16 + static_cast<uint32_t>(HexDigitValue(S[P]));
            if (P < N && IsCssSpace(S[P])) {
                if (S[P] == '\r' && P + 1 < N && S[P + 1] == '\n')
                    ++P;
                ++P;
            }
            if (out)
                AppendCodePoint(*out, cp);
            return;
        }
        if (out)
            PutChar(*out, S[P]);
        ++P;
    }

    std::string Name() {
        std::string name;
        while (P < N) {
            if (IsNameChar(S[P])) {
                name += S[P++];
            } else if (ValidEscape(P)) {
                ++P;
                Escape(&name);
            } else {
                break;
            }
        }
        return name;
    }

    void Add(TLinkKind kind, std::size_t begin, std::size_t end, std::string value, char quote) {
        if (value.empty())
            return;
        TLinkRef link;
        link.Kind = kind;
        link.Begin = begin;
        link.End = end;
        link.Value = std::move(value);
        link.CssQuote = quote;
        link.StyleSheet = kind == TLinkKind::CssImport;
        Out.push_back(std::move(link));
    }

    void StringToken() {
        const char quote = S[P++];
        const std::size_t begin = P;
        std::string value;
        bool good = true;
        while (P < N) {
            const char c = S[P];
            if (c == quote)
                break;
            if (IsCssNewline(c)) {
                good = false; // a bad string: it ends before the line end
                break;
            }
            if (c == '\\') {
                if (P + 1 >= N) {
                    ++P;
                } else if (IsCssNewline(S[P + 1])) {
                    P += (S[P + 1] == '\r' && P + 2 < N && S[P + 2] == '\n') ? 3 : 2;
                } else {
                    ++P;
                    Escape(&value);
                }
                continue;
            }
            PutChar(value, c);
            ++P;
        }
        const std::size_t end = P;
        if (P < N && S[P] == quote)
            ++P;
        const bool import = Import;
        Import = false;
        if (!good)
            return;
        if (import) {
            if (!Namespace)
                Add(TLinkKind::CssImport, begin, end, std::move(value), quote);
            return;
        }
        if (Functions.empty())
            return;
        TFunction& f = Functions.back();
        if (f.Kind == TFunction::Url && !f.Used) {
            f.Used = true;
            if (!Namespace)
                Add(f.Import ? TLinkKind::CssImport : TLinkKind::CssUrl, begin, end, std::move(value), quote);
        } else if (f.Kind == TFunction::ImageSet) {
            Add(TLinkKind::CssUrl, begin, end, std::move(value), quote);
        }
    }

    void NameToken() {
        const std::string name = Name();
        const bool import = Import;
        Import = false;
        if (P >= N || S[P] != '(')
            return;
        ++P;
        if (SameTextAscii(name, "url")) {
            std::size_t q = P;
            while (q < N && IsCssSpace(S[q]))
                ++q;
            if (q < N && (S[q] == '"' || S[q] == '\'')) {
                P = q;
                Functions.push_back({TFunction::Url, import});
            } else {
                P = q;
                UrlToken(import);
            }
        } else if (SameTextAscii(name, "src")) {
            Functions.push_back({TFunction::Url, import});
        } else if (SameTextAscii(name, "image-set") || SameTextAscii(name, "-webkit-image-set")) {
            Functions.push_back({TFunction::ImageSet});
        } else {
            Functions.push_back({TFunction::Other});
        }
    }

    // An unquoted url(...): P at its first character after the blanks.
    void UrlToken(bool import) {
        const std::size_t begin = P;
        std::size_t end = P;
        std::string value;
        for (;;) {
            if (P >= N) {
                end = P;
                break;
            }
            const char c = S[P];
            if (c == ')') {
                end = P++;
                break;
            }
            if (IsCssSpace(c)) {
                end = P;
                while (P < N && IsCssSpace(S[P]))
                    ++P;
                if (P >= N)
                    break;
                if (S[P] == ')') {
                    ++P;
                    break;
                }
                return BadUrl();
            }
            if (c == '"' || c == '\'' || c == '(' || IsNonPrintable(c))
                return BadUrl();
            if (c == '\\') {
                if (!ValidEscape(P))
                    return BadUrl();
                ++P;
                Escape(&value);
                continue;
            }
            PutChar(value, c);
            ++P;
        }
        if (!Namespace)
            Add(import ? TLinkKind::CssImport : TLinkKind::CssUrl, begin, end, std::move(value), ')');
    }

    // The rest of a malformed url(...), up to its ")".
    void BadUrl() {
        while (P < N) {
            if (S[P] == ')') {
                ++P;
                return;
            }
            if (ValidEscape(P)) {
                ++P;
                Escape(nullptr);
            } else {
                ++P;
            }
        }
    }

    std::string_view S;
    std::size_t N;
    std::size_t P = 0;
    TLinkRefs& Out;
    std::vector<TFunction> Functions;
    bool Import = false;    // the token before was "@import"
    bool Namespace = false; // inside an @namespace rule: its URL names no file
};

// The CSS links of a decoded text, as links of Kind at the source positions.
void AddCssLinks(const TDecoded& css, TLinkKind kind, char htmlQuote, TLinkRefs& out) {
    TLinkRefs found = FindCssLinks(css.Text);
    for (TLinkRef& link : found) {
        link.StyleSheet = link.Kind == TLinkKind::CssImport;
        link.Kind = kind;
        link.Begin = css.Map(link.Begin);
        link.End = css.Map(link.End);
        link.HtmlQuote = htmlQuote;
        out.push_back(std::move(link));
    }
}

// ---- HTML ----

// The kind of an attribute of an element, or none.
bool AttributeKind(std::string_view tag, std::string_view attribute, TLinkKind& kind) {
    if (SameTextAscii(attribute, "style")) {
        kind = TLinkKind::StyleAttribute;
        return true;
    }
    for (int k = 0; k < LinkKindCount; ++k) {
        const TKindInfo& info = kKinds[static_cast<std::size_t>(k)];
        if (info.Tag[0] && info.Attribute[0] && SameTextAscii(tag, info.Tag) &&
            SameTextAscii(attribute, info.Attribute)) {
            kind = static_cast<TLinkKind>(k);
            return true;
        }
    }
    return false;
}

bool HasToken(std::string_view list, std::string_view token) {
    std::size_t p = 0;
    while (p < list.size()) {
        while (p < list.size() && IsHtmlSpace(list[p]))
            ++p;
        std::size_t q = p;
        while (q < list.size() && !IsHtmlSpace(list[q]))
            ++q;
        if (q > p && SameTextAscii(list.substr(p, q - p), token))
            return true;
        p = q;
    }
    return false;
}

std::string_view Trimmed(std::string_view text, std::size_t& lead) {
    lead = 0;
    while (lead < text.size() && IsHtmlSpace(text[lead]))
        ++lead;
    std::size_t end = text.size();
    while (end > lead && IsHtmlSpace(text[end - 1]))
        --end;
    return text.substr(lead, end - lead);
}

// The links of one start tag: Tag is its text, at Offset in the page.
void TagLinks(std::string_view tag, std::size_t offset, std::string_view name, TLinkRefs& out) {
    const std::vector<TTagAttribute> attributes = ScanTagAttributes(tag, SkipTagName(tag));
    auto nameOf = [&](const TTagAttribute& a) { return tag.substr(a.NameBegin, a.NameEnd - a.NameBegin); };
    auto valueOf = [&](const TTagAttribute& a) {
        return tag.substr(a.ValueBegin, a.ValueEnd - a.ValueBegin);
    };
    // The first of attributes of one name counts, as in a browser.
    auto first = [&](std::size_t index) {
        for (std::size_t k = 0; k < index; ++k)
            if (SameTextAscii(nameOf(attributes[k]), nameOf(attributes[index])))
                return false;
        return true;
    };
    auto attributeValue = [&](std::string_view attribute) -> std::string {
        for (const TTagAttribute& a : attributes)
            if (SameTextAscii(nameOf(a), attribute))
                return a.HasValue ? DecodeCharacterReferences(valueOf(a), 0).Text : std::string();
        return std::string();
    };
    for (std::size_t index = 0; index < attributes.size(); ++index) {
        const TTagAttribute& a = attributes[index];
        TLinkKind kind;
        if (!a.HasValue || a.ValueEnd == a.ValueBegin || !AttributeKind(name, nameOf(a), kind) ||
            !first(index))
            continue;
        if (kind == TLinkKind::InputImageSrc) {
            const std::string type = attributeValue("type");
            std::size_t lead;
            if (!SameTextAscii(Trimmed(type, lead), "image"))
                continue;
        }
        const char quote = a.Quote ? a.Quote : ' ';
        const TDecoded value = DecodeCharacterReferences(valueOf(a), offset + a.ValueBegin);
        if (kind == TLinkKind::StyleAttribute) {
            AddCssLinks(value, kind, quote, out);
            continue;
        }
        if (IsSrcsetKind(kind)) {
            for (const TTextSpan& url : SrcsetUrls(value.Text)) {
                TLinkRef link;
                link.Kind = kind;
                link.Begin = value.Map(url.Begin);
                link.End = value.Map(url.End);
                link.Value = value.Text.substr(url.Begin, url.End - url.Begin);
                link.HtmlQuote = quote;
                out.push_back(std::move(link));
            }
            continue;
        }
        std::size_t lead;
        const std::string_view trimmed = Trimmed(value.Text, lead);
        if (trimmed.empty())
            continue;
        TLinkRef link;
        link.Kind = kind;
        link.Begin = value.Map(lead);
        link.End = value.Map(lead + trimmed.size());
        if (quote == ' ') {
            // Blanks written as references around an unquoted value go with it, so that
            // a new value that needs quotes gets them around the whole attribute value.
            link.Begin = offset + a.ValueBegin;
            link.End = offset + a.ValueEnd;
        }
        link.Value = std::string(trimmed);
        link.HtmlQuote = quote;
        if (kind == TLinkKind::LinkHref)
            link.StyleSheet = HasToken(attributeValue("rel"), "stylesheet");
        out.push_back(std::move(link));
    }
}

// Value written into an attribute quoted with Quote (' ' for none). A whole unquoted
// value that could not stand without quotes gets double quotes; "<" and ">" are always
// written as references, so that no value ends its tag.
std::string EscapeForAttribute(std::string_view value, char quote, bool whole) {
    // (An unquoted value ends at any character up to the blank.)
    auto ends = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    if (quote == ' ' && whole &&
        (value.empty() || std::any_of(value.begin(), value.end(), ends) ||
         value.find_first_of("\"'=<>`") != std::string_view::npos))
        return '"' + EscapeForAttribute(value, '"', whole) + '"';
    std::string out;
    out.reserve(value.size() + 8);
    for (char c : value) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '"' && quote != '\'')
            out += "&quot;";
        else if (c == '\'' && quote != '"')
            out += "&#39;";
        else if (quote == ' ' && (ends(c) || c == '=' || c == '`'))
            out += "&#" + std::to_string(static_cast<unsigned char>(c)) + ";";
        else
            out += c;
    }
    return out;
}

std::string CssHexEscape(char c) {
    static const char digits[] = "0123456789abcdef";
    const auto u = static_cast<unsigned char>(c);
    std::string out = "\\";
    if (u >= 16)
        out += digits[u >> 4];
    out += digits[u & 15];
    out += ' ';
    return out;
}

std::string EscapeForCss(std::string_view value, char quote) {
    std::string out;
    out.reserve(value.size() + 8);
    for (char c : value) {
        const bool control = static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
        if (control || c == '<')
            out += CssHexEscape(c); // "<" too: the value may sit in a <style> block
        else if (quote == ')' && (c == ' ' || c == '"' || c == '\'' || c == '(' || c == ')'))
            out += CssHexEscape(c);
        else if (c == '\\' || c == quote)
            out += std::string("\\") + c;
        else
            out += c;
    }
    return out;
}

std::string_view WithoutFileScheme(std::string_view value) {
    if (value.size() >= 5 && SameTextAscii(value.substr(0, 5), "file:"))
        return value.substr(5);
    return value;
}

bool IsDrivePath(std::string_view path) {
    return path.size() >= 2 && ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z')) &&
           (path[1] == ':' || path[1] == '|');
}

// "%XX" becomes the byte XX; other text stays.
std::string PercentDecoded(std::string_view value) {
    std::string result;
    result.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '%' && i + 2 < value.size() && HexDigitValue(value[i + 1]) >= 0 &&
            HexDigitValue(value[i + 2]) >= 0) {
            result += static_cast<char>(HexDigitValue(value[i + 1]) * 16 + HexDigitValue(value[i + 2]));
            i += 2;
        } else {
            result += value[i];
        }
    }
    return result;
}

// The store path a link path names from Folder (a store folder path ending in "\"):
// components resolved, "..", "." and empty ones dropped. Out is set when the path
// climbs above the root.
std::string StorePathOfLink(const std::string& folder, std::string_view path, bool& out) {
    out = false;
    std::vector<std::string_view> parts;
    const bool absolute = !path.empty() && (path[0] == '/' || path[0] == '\\');
    auto split = [&](std::string_view text) {
        std::size_t p = 0;
        while (p <= text.size()) {
            std::size_t q = text.find_first_of("/\\", p);
            if (q == std::string_view::npos)
                q = text.size();
            const std::string_view part = text.substr(p, q - p);
            if (part == "..") {
                if (parts.empty())
                    out = true;
                else
                    parts.pop_back();
            } else if (!part.empty() && part != ".") {
                parts.push_back(part);
            }
            p = q + 1;
        }
    };
    if (!absolute)
        split(folder);
    split(path);
    std::string result;
    for (std::string_view part : parts) {
        result += '\\';
        result += part;
    }
    return result.empty() ? std::string("\\") : result;
}

// The file of the store at Path (as written, then with "%XX" decoded), or none.
TMFSFile* StoreFile(TMFSSession& session, const std::string& path) {
    for (const std::string& candidate : {path, PercentDecoded(path)}) {
        if (!session.Exists(candidate))
            continue;
        TMFSItem* item = session.FindItem(candidate);
        if (!item->IsFolder())
            return item->AsFile();
    }
    return nullptr;
}

std::string StoreFolderOf(const std::string& file) {
    const std::size_t slash = file.find_last_of('\\');
    return slash == std::string::npos ? std::string("\\") : file.substr(0, slash + 1);
}

bool HasExtension(std::string_view name, std::string_view a, std::string_view b = {}) {
    const std::size_t dot = name.find_last_of('.');
    const std::size_t slash = name.find_last_of("/\\");
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return false;
    const std::string_view ext = name.substr(dot);
    return SameTextAscii(ext, a) || (!b.empty() && SameTextAscii(ext, b));
}

} // namespace

TLinkRole LinkRole(TLinkKind Kind) {
    return kKinds[static_cast<std::size_t>(Kind)].Role;
}

const char* LinkKindTag(TLinkKind Kind) {
    return kKinds[static_cast<std::size_t>(Kind)].Tag;
}

const char* LinkKindAttribute(TLinkKind Kind) {
    return kKinds[static_cast<std::size_t>(Kind)].Attribute;
}

bool IsWholeAttributeKind(TLinkKind Kind) {
    return Kind <= TLinkKind::InputImageSrc && !IsSrcsetKind(Kind);
}

THtmlLinks FindHtmlLinks(std::string_view Html) {
    THtmlLinks result;
    const std::size_t n = Html.size();
    std::size_t i = 0;
    bool inBody = false;
    while (i + 1 < n) {
        i = Html.find('<', i);
        if (i == std::string_view::npos || i + 1 >= n)
            break;
        if (Html.compare(i, 4, "<!--") == 0) {
            // A comment holds no links; one that is never closed runs to the end.
            const std::size_t close = Html.find("-->", i + 4);
            if (close == std::string_view::npos)
                break;
            if (inBody)
                result.BodyDropped.push_back({i, close + 3});
            i = close + 3;
            continue;
        }
        const std::size_t gt = Html.find('>', i);
        const std::size_t tagEnd = gt == std::string_view::npos ? n : gt + 1;
        const std::string_view tag = Html.substr(i, tagEnd - i);
        const std::string_view name = tag.substr(1, SkipTagName(tag) - 1);
        if (name.empty() || name[0] == '/' || name[0] == '!' || name[0] == '?') {
            if (inBody && (SameTextAscii(tag, "<![if !vml]>") || SameTextAscii(tag, "<![endif]>")))
                result.BodyDropped.push_back({i, tagEnd});
            i = tagEnd;
            continue;
        }
        if (SameTextAscii(name, "body"))
            inBody = true;
        TagLinks(tag, i, name, result.Links);
        i = tagEnd;
        // The text of a script is no markup; that of a style block is CSS.
        const bool script = SameTextAscii(name, "script");
        if (script || SameTextAscii(name, "style")) {
            std::size_t close = FindTextAscii(Html, script ? "</script" : "</style", i);
            if (close == std::string_view::npos)
                close = n;
            if (!script) {
                TDecoded css;
                css.Text = std::string(Html.substr(i, close - i));
                css.Offset = i;
                AddCssLinks(css, TLinkKind::StyleElement, 0, result.Links);
            }
            i = close;
        }
    }
    return result;
}

TLinkRefs FindCssLinks(std::string_view Css) {
    TLinkRefs links;
    TCssScanner(Css, links).Run();
    return links;
}

std::vector<TTextSpan> SrcsetUrls(std::string_view List) {
    std::vector<TTextSpan> urls;
    const std::size_t n = List.size();
    std::size_t p = 0;
    for (;;) {
        while (p < n && (IsHtmlSpace(List[p]) || List[p] == ','))
            ++p;
        if (p >= n)
            break;
        const std::size_t begin = p;
        while (p < n && !IsHtmlSpace(List[p]))
            ++p;
        std::size_t end = p;
        if (List[end - 1] == ',') {
            // "a.png,b.png": the trailing commas end the candidate, without descriptors.
            while (end > begin && List[end - 1] == ',')
                --end;
        } else {
            // Descriptors up to the next comma outside parentheses.
            bool inParens = false;
            while (p < n) {
                const char c = List[p];
                if (inParens) {
                    if (c == ')')
                        inParens = false;
                } else if (c == '(') {
                    inParens = true;
                } else if (c == ',') {
                    ++p;
                    break;
                }
                ++p;
            }
        }
        if (end > begin)
            urls.push_back({begin, end});
    }
    return urls;
}

bool IsLocalLinkValue(std::string_view Value) {
    std::size_t lead;
    const std::string_view value = Trimmed(Value, lead);
    if (value.empty() || value[0] == '#' || value[0] == '?')
        return false;
    if (value.size() >= 2 && value[0] == '/' && value[1] == '/')
        return false; // "//host/path": a web address without its scheme
    if ((value[0] >= 'a' && value[0] <= 'z') || (value[0] >= 'A' && value[0] <= 'Z')) {
        std::size_t j = 1;
        while (j < value.size() && (std::isalnum(static_cast<unsigned char>(value[j])) || value[j] == '+' ||
                                    value[j] == '-' || value[j] == '.'))
            ++j;
        if (j < value.size() && value[j] == ':' && j > 1)
            return SameTextAscii(value.substr(0, j), "file") && !LinkPath(WithoutFileScheme(value)).empty();
    }
    return !LinkPath(value).empty();
}

std::string_view LinkPath(std::string_view Value) {
    return Value.substr(0, Value.find_first_of("?#"));
}

std::string_view LinkSuffix(std::string_view Value) {
    const std::size_t p = Value.find_first_of("?#");
    return p == std::string_view::npos ? std::string_view() : Value.substr(p);
}

std::string EncodeLinkValue(const TLinkRef& Link, std::string_view Value) {
    std::string value(Value);
    if (IsSrcsetKind(Link.Kind)) {
        // A blank would end the candidate, a comma at either end would be taken off it.
        std::string url;
        for (std::size_t k = 0; k < value.size(); ++k) {
            const char c = value[k];
            if (IsHtmlSpace(c) || (c == ',' && (k == 0 || k + 1 == value.size())))
                url += Format("%%%.2X", static_cast<unsigned>(static_cast<unsigned char>(c)));
            else
                url += c;
        }
        value = std::move(url);
    }
    if (Link.CssQuote)
        value = EscapeForCss(value, Link.CssQuote);
    if (Link.HtmlQuote)
        value = EscapeForAttribute(value, Link.HtmlQuote, IsWholeAttributeKind(Link.Kind));
    return value;
}

std::string ReplaceLinkValues(std::string_view Text, const std::vector<TLinkChange>& Changes) {
    std::string result;
    result.reserve(Text.size());
    std::size_t at = 0;
    for (const TLinkChange& change : Changes) {
        if (change.Link->Begin < at || change.Link->End > Text.size())
            continue; // overlapping or foreign: left as it is
        result.append(Text, at, change.Link->Begin - at);
        result += EncodeLinkValue(*change.Link, change.Value);
        at = change.Link->End;
    }
    result.append(Text, at, std::string_view::npos);
    return result;
}

bool IsHtmlFileName(std::string_view Name) {
    return HasExtension(Name, ".htm", ".html");
}

bool IsCssFileName(std::string_view Name) {
    return HasExtension(Name, ".css");
}

std::vector<TReachedFile> FilesReachedFrom(const std::string& Page, ILinkFiles& Files) {
    std::vector<TReachedFile> reached;
    std::unordered_set<std::string> seen{Files.Identity(Page)};
    struct TPending {
        std::string File;
        bool StyleSheet;
    };
    std::deque<TPending> pending{{Page, IsCssFileName(Page)}};
    while (!pending.empty()) {
        const TPending current = std::move(pending.front());
        pending.pop_front();
        const std::string text = Files.Read(current.File);
        const TLinkRefs links = current.StyleSheet ? FindCssLinks(text) : FindHtmlLinks(text).Links;
        for (const TLinkRef& link : links) {
            if (LinkRole(link.Kind) == TLinkRole::Anchor || !IsLocalLinkValue(link.Value))
                continue;
            std::string target = Files.Resolve(current.File, link);
            if (target.empty() || !seen.insert(Files.Identity(target)).second)
                continue;
            const bool styleSheet = link.StyleSheet || IsCssFileName(target);
            const bool page =
                !styleSheet && LinkRole(link.Kind) == TLinkRole::Frame && IsHtmlFileName(target);
            reached.push_back({target, current.File, link.Kind, styleSheet});
            if (styleSheet || page)
                pending.push_back({std::move(target), styleSheet});
        }
    }
    return reached;
}

std::string TStoreLinkFiles::Resolve(const std::string& File, const TLinkRef& Link) {
    if (!IsLocalLinkValue(Link.Value))
        return std::string();
    std::size_t lead;
    const std::string_view path = LinkPath(Trimmed(Link.Value, lead));
    if (path.size() != WithoutFileScheme(path).size() || IsDrivePath(path))
        return std::string();
    bool out;
    const std::string storePath = StorePathOfLink(StoreFolderOf(TMFS::NormalizeSlashes(File)), path, out);
    if (out)
        return std::string();
    auto session = FStore.NewSession();
    TMFSFile* file = StoreFile(*session, storePath);
    return file ? file->FullPath() : std::string();
}

std::string TStoreLinkFiles::Read(const std::string& File) {
    return FStore.NewSession()->OpenFile(File)->Content;
}

std::string TStoreLinkFiles::Identity(const std::string& File) {
    return CaseBlindKey(TMFS::NormalizeSlashes(File));
}

std::vector<TLinkOut> LinksOutOfStore(TMFS& Store) {
    std::vector<TLinkOut> result;
    auto session = Store.NewSession();
    ForEachItemBelow(Store.Root(), [&](TMFSItem* item) {
        if (item->IsFolder())
            return;
        const bool html = IsHtmlFileName(item->Name);
        if (!html && !IsCssFileName(item->Name))
            return;
        const std::string& text = item->AsFile()->Content;
        const std::string file = item->FullPath();
        const std::string folder = StoreFolderOf(file);
        std::set<std::string> reported;
        for (const TLinkRef& link : html ? FindHtmlLinks(text).Links : FindCssLinks(text)) {
            if (!IsLocalLinkValue(link.Value))
                continue;
            std::size_t lead;
            const std::string_view path = LinkPath(Trimmed(link.Value, lead));
            bool out = path.size() != WithoutFileScheme(path).size() || IsDrivePath(path);
            if (!out) {
                const std::string storePath = StorePathOfLink(folder, path, out);
                const bool absolute = path[0] == '/' || path[0] == '\\';
                out = out || (absolute && !StoreFile(*session, storePath));
            }
            if (out && reported.insert(link.Value).second)
                result.push_back({file, link.Value});
        }
    });
    return result;
}

std::string LinkOutWarning(const TLinkOut& Link) {
    return Format(SLinkOutOfProject, Link.Value, Link.File);
}
