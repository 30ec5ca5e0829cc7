#include "u_Xhtml.h"

#include "u_TextUtils.h"
#include "u_eBookCommon.h"

#include <gumbo.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <unordered_set>

namespace {

using TNames = std::unordered_set<std::string_view>;

// Elements of HTML5 written as they are.
const TNames HtmlElements = {
    "a",       "abbr",     "address", "area",   "article",  "aside",    "audio",      "b",        "bdi",
    "bdo",     "blockquote", "br",    "button", "canvas",   "caption",  "cite",       "code",     "col",
    "colgroup", "data",    "datalist", "dd",    "del",      "details",  "dfn",        "div",      "dl",
    "dt",      "em",       "fieldset", "figcaption", "figure", "footer", "form",      "h1",       "h2",
    "h3",      "h4",       "h5",      "h6",     "header",   "hr",       "i",          "iframe",   "img",
    "input",   "ins",      "kbd",     "label",  "legend",   "li",       "main",       "map",      "mark",
    "meter",   "nav",      "ol",      "optgroup", "option", "output",   "p",          "pre",      "progress",
    "q",       "rp",       "rt",      "ruby",   "s",        "samp",     "script",     "section",  "select",
    "small",   "source",   "span",    "strong", "sub",      "summary",  "sup",        "table",    "tbody",
    "td",      "textarea", "tfoot",   "th",     "thead",    "time",     "tr",         "track",    "u",
    "ul",      "var",      "video",   "wbr",    "hgroup"};

// Elements left out with everything inside them.
const TNames DroppedElements = {"base",     "frameset", "frame", "noframes", "noscript", "param",   "embed",
                                "basefont", "isindex",  "keygen", "bgsound", "meta",     "title",   "head",
                                "template", "command"};

// Old elements and what they become.
struct TRename {
    const char* Name;
    const char* Style;
};
const std::unordered_map<std::string_view, TRename> Renamed = {
    {"center", {"div", "text-align: center"}},
    {"font", {"span", ""}},
    {"big", {"span", "font-size: larger"}},
    {"tt", {"code", ""}},
    {"strike", {"s", ""}},
    {"acronym", {"abbr", ""}},
    {"dir", {"ul", ""}},
    {"menu", {"ul", ""}},
    {"listing", {"pre", ""}},
    {"xmp", {"pre", ""}},
    {"plaintext", {"pre", ""}},
    {"nobr", {"span", "white-space: nowrap"}},
    {"blink", {"span", ""}},
    {"marquee", {"div", ""}},
    {"image", {"img", ""}},
};

// Content that needs a flow context.
const TNames FlowOnly = {"address", "article", "aside",  "blockquote", "details", "div",     "dl",
                         "fieldset", "figure", "footer", "form",       "h1",      "h2",      "h3",
                         "h4",      "h5",      "h6",     "header",     "hr",      "main",    "nav",
                         "ol",      "p",       "pre",    "section",    "table",   "ul",      "hgroup"};
// Elements whose content must be phrasing content, and the style a "div" in their
// place carries.
const std::unordered_map<std::string_view, const char*> PhrasingOnly = {
    {"p", "margin: 1em 0"},
    {"h1", "font-size: 2em; font-weight: bold; margin: 0.67em 0"},
    {"h2", "font-size: 1.5em; font-weight: bold; margin: 0.83em 0"},
    {"h3", "font-size: 1.17em; font-weight: bold; margin: 1em 0"},
    {"h4", "font-weight: bold; margin: 1.33em 0"},
    {"h5", "font-size: 0.83em; font-weight: bold; margin: 1.67em 0"},
    {"h6", "font-size: 0.67em; font-weight: bold; margin: 2.33em 0"},
    {"span", ""},
    {"b", "font-weight: bold"},
    {"strong", "font-weight: bold"},
    {"i", "font-style: italic"},
    {"em", "font-style: italic"},
    {"cite", "font-style: italic"},
    {"dfn", "font-style: italic"},
    {"var", "font-style: italic"},
    {"u", "text-decoration: underline"},
    {"s", "text-decoration: line-through"},
    {"small", "font-size: smaller"},
    {"code", "font-family: monospace"},
    {"kbd", "font-family: monospace"},
    {"samp", "font-family: monospace"},
    {"sub", "font-size: smaller"},
    {"sup", "font-size: smaller"},
    {"abbr", ""},
    {"q", ""},
    {"mark", ""},
    {"bdi", ""},
    {"time", ""},
    {"data", ""},
    {"pre", "white-space: pre; font-family: monospace"},
};
// Elements whose content model is their parent's.
const TNames Transparent = {"a", "ins", "del", "map", "video", "audio", "canvas", "object"};

const TNames VoidElements = {"area", "br", "col", "hr", "img", "input", "link", "meta", "source", "track", "wbr"};

// Attributes every element may carry.
const TNames GlobalAttributes = {"id",        "class",     "style",    "title",      "lang",      "dir",
                                 "hidden",    "tabindex",  "accesskey", "contenteditable", "draggable",
                                 "spellcheck", "translate", "role",     "epub:type"};

// Attributes of particular elements (besides the global ones and the links).
const std::unordered_map<std::string_view, TNames> ElementAttributes = {
    {"a", {"target", "rel", "hreflang", "type", "media"}},
    {"area", {"alt", "coords", "shape", "target", "rel", "hreflang", "type", "media"}},
    {"audio", {"controls", "autoplay", "loop", "muted", "preload", "crossorigin", "mediagroup"}},
    {"blockquote", {"cite"}},
    {"q", {"cite"}},
    {"del", {"cite", "datetime"}},
    {"ins", {"cite", "datetime"}},
    {"bdo", {}},
    {"button", {"type", "name", "value", "disabled", "form", "autofocus"}},
    {"canvas", {"width", "height"}},
    {"col", {"span"}},
    {"colgroup", {"span"}},
    {"data", {"value"}},
    {"details", {"open"}},
    {"fieldset", {"disabled", "name", "form"}},
    {"form", {"action", "method", "name", "enctype", "target", "autocomplete", "novalidate", "accept-charset"}},
    {"iframe", {"name", "width", "height", "sandbox", "allowfullscreen"}},
    {"img", {"alt", "width", "height", "usemap", "ismap", "sizes", "crossorigin"}},
    {"input",
     {"type", "name", "value", "checked", "disabled", "readonly", "size", "maxlength", "placeholder", "required",
      "min", "max", "step", "pattern", "autocomplete", "autofocus", "list", "multiple", "alt", "width", "height",
      "form"}},
    {"label", {"for", "form"}},
    {"li", {"value"}},
    {"link", {"rel", "type", "media", "hreflang", "sizes", "crossorigin"}},
    {"map", {"name"}},
    {"meter", {"value", "min", "max", "low", "high", "optimum"}},
    {"ol", {"start", "reversed", "type"}},
    {"optgroup", {"label", "disabled"}},
    {"option", {"value", "selected", "disabled", "label"}},
    {"output", {"for", "name", "form"}},
    {"progress", {"value", "max"}},
    {"script", {"type", "async", "defer", "crossorigin"}},
    {"select", {"name", "multiple", "size", "disabled", "required", "form", "autofocus"}},
    {"source", {"type", "media", "sizes"}},
    {"style", {"media", "type"}},
    {"td", {"colspan", "rowspan", "headers"}},
    {"th", {"colspan", "rowspan", "headers", "scope", "abbr"}},
    {"textarea",
     {"name", "rows", "cols", "disabled", "readonly", "placeholder", "required", "wrap", "maxlength", "form",
      "autofocus"}},
    {"time", {"datetime"}},
    {"track", {"kind", "srclang", "label", "default"}},
    {"video",
     {"controls", "autoplay", "loop", "muted", "preload", "width", "height", "crossorigin", "mediagroup"}},
};

const TNames BooleanAttributes = {"hidden",   "checked", "disabled", "readonly", "required", "multiple",
                                  "autofocus", "selected", "controls", "autoplay", "loop",     "muted",
                                  "async",    "defer",   "reversed", "open",     "ismap",    "default",
                                  "novalidate", "allowfullscreen"};
// Attributes whose value is a number (of pixels, of rows, ...).
const TNames IntegerAttributes = {"tabindex", "colspan", "rowspan", "span", "start", "size", "maxlength",
                                  "rows",     "cols"};
const TNames LinkRelations = {"alternate", "author", "bookmark", "help", "license", "next", "nofollow",
                              "noreferrer", "prev",  "search",   "stylesheet", "tag", "icon", "external"};

bool IsDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsSignedInteger(std::string_view text) {
    if (!text.empty() && text[0] == '-')
        text.remove_prefix(1);
    return IsDigits(text);
}

std::string Trim(std::string_view text) {
    const char* blanks = " \t\r\n\f";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return std::string();
    return std::string(text.substr(first, text.find_last_not_of(blanks) - first + 1));
}

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = AsciiLowerChar(c);
    return out;
}

// A length for a CSS declaration from an HTML attribute ("120", "50%", "12px"); empty
// when the value is none of these.
std::string CssLength(std::string_view value) {
    const std::string v = Trim(value);
    size_t digits = 0;
    while (digits < v.size() && ((v[digits] >= '0' && v[digits] <= '9') || v[digits] == '.'))
        ++digits;
    if (digits == 0 || v[0] == '.')
        return std::string();
    const std::string rest = Lower(v.substr(digits));
    if (rest.empty())
        return v + "px";
    if (rest == "%" || rest == "px")
        return v;
    return std::string();
}

// A colour for a CSS declaration: "#" and hex digits, or a colour name; empty otherwise.
std::string CssColor(std::string_view value) {
    std::string v = Trim(value);
    if (v.empty())
        return v;
    if (v[0] == '#') {
        const bool hex = (v.size() == 4 || v.size() == 7) &&
                         std::all_of(v.begin() + 1, v.end(), [](char c) { return HexDigitValue(c) >= 0; });
        return hex ? v : std::string();
    }
    // Old pages write hex colours without "#".
    if (v.size() == 6 && std::all_of(v.begin(), v.end(), [](char c) { return HexDigitValue(c) >= 0; }) &&
        !std::all_of(v.begin(), v.end(), [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }))
        return "#" + v;
    const bool name =
        v.size() <= 30 && std::all_of(v.begin(), v.end(), [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
    return name ? Lower(v) : std::string();
}

// A font family list from a "face" attribute: each name quoted.
std::string CssFontFamily(std::string_view value) {
    std::string out;
    size_t start = 0;
    const std::string v(value);
    while (start <= v.size()) {
        size_t comma = v.find(',', start);
        if (comma == std::string::npos)
            comma = v.size();
        std::string name = Trim(std::string_view(v).substr(start, comma - start));
        name.erase(std::remove_if(name.begin(), name.end(), [](char c) { return c == '"' || c == '\'' || c == '\\' || c == ';' || c == '{' || c == '}' || static_cast<unsigned char>(c) < 0x20; }),
                   name.end());
        if (!name.empty())
            out += (out.empty() ? "" : ", ") + std::string("\"") + name + "\"";
        start = comma + 1;
    }
    return out;
}

std::string CssFontSize(std::string_view value) {
    static const char* const sizes[] = {"x-small", "small", "medium", "large", "x-large", "xx-large", "xx-large"};
    const std::string v = Trim(value);
    if (v.empty())
        return std::string();
    if (v[0] == '+' || v[0] == '-')
        return IsDigits(std::string_view(v).substr(1)) ? (v[0] == '+' ? "larger" : "smaller") : std::string();
    if (!IsDigits(v) || v.size() > 1 || v[0] < '1' || v[0] > '7')
        return std::string();
    return sizes[v[0] - '1'];
}

void AddDeclaration(std::string& style, const std::string& property, const std::string& value) {
    if (value.empty())
        return;
    if (!style.empty())
        style += "; ";
    style += property + ": " + value;
}

bool IsXmlAttributeName(std::string_view name) {
    if (name.empty())
        return false;
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
        const bool other = (c >= '0' && c <= '9') || c == '-' || c == '.';
        if (!(letter || (i > 0 && other)))
            return false;
    }
    return true;
}

// Decodes the code point at Text[I] (advancing I); malformed bytes give U+FFFD.
uint32_t NextCodePoint(std::string_view text, size_t& i) {
    const unsigned char c = static_cast<unsigned char>(text[i++]);
    if (c < 0x80)
        return c;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
    if (extra < 0 || c > 0xF4)
        return 0xFFFD;
    uint32_t cp = c & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            return 0xFFFD;
        cp = (cp << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
    }
    return cp;
}

bool IsXmlNameCodePoint(uint32_t cp) {
    if (cp < 0xC0)
        return false;
    return cp != 0xD7 && cp != 0xF7 && !(cp >= 0x300 && cp <= 0x36F) && cp != 0x37E && !(cp >= 0x2000 && cp <= 0x2BFF) &&
           !(cp >= 0x2FF0 && cp <= 0x3000) && !(cp >= 0xD800 && cp <= 0xF8FF) && !(cp >= 0xFDD0 && cp <= 0xFDEF) &&
           cp < 0xFFFE;
}

const char* const XhtmlNamespace = "http://www.w3.org/1999/xhtml";

class TWriter {
public:
    TWriter(const TXhtmlSettings& settings, TXhtmlPage& page) : S(settings), P(page) {}
    void Document(const GumboNode* document);

private:
    struct TInfo {
        std::string Name;  // the name written ("" for no element: its content stands in its place)
        std::string Style; // declarations the element gains
        bool Drop = false;
        bool Flow = false; // holds content that needs a flow context
    };

    const TInfo& Info(const GumboNode* node) const { return FInfo.at(node); }
    static std::string SourceName(const GumboNode* node);
    void Plan(const GumboNode* root);
    void PlanElement(const GumboNode* node, const std::string& parentName);
    void Head(const GumboNode* head);
    void Children(const GumboNode* node, const std::string& name, int depth);
    void Node(const GumboNode* node, int depth);
    void Element(const GumboNode* node, int depth);
    void Foreign(const GumboNode* node, int depth, bool root);
    void TextOnly(const GumboNode* node);
    // Writes the attributes of an HTML element; false when the element goes (its link
    // was dropped), with the text that stands in its place in Replacement.
    bool Attributes(const GumboNode* node, const std::string& name, std::string& extraStyle, std::string& out,
                    std::string& replacement);
    std::string StyleText(std::string_view css, TLinkKind kind);
    void LinkAttribute(std::string& out, const char* name, const TMappedLink& link);
    std::string Srcset(std::string_view value, TLinkKind kind);
    std::string Title(const GumboNode* head) const;

    const TXhtmlSettings& S;
    TXhtmlPage& P;
    std::string& O = P.Text;
    std::unordered_map<const GumboNode*, TInfo> FInfo;
    std::vector<const GumboNode*> FMovedToHead;
    std::unordered_set<std::string> FIds;
    std::vector<TFragmentUse> FPendingFragments; // of the attributes being written
};

std::string TWriter::SourceName(const GumboNode* node) {
    const GumboElement& e = node->v.element;
    if (e.tag != GUMBO_TAG_UNKNOWN)
        return gumbo_normalized_tagname(e.tag);
    GumboStringPiece piece = e.original_tag;
    gumbo_tag_from_original_text(&piece);
    return Lower(std::string_view(piece.data, piece.length));
}

// Works out, bottom up, what each element becomes: its name, its extra style, and
// whether it holds content that needs a flow context (then a phrasing-only element
// turns into a "div").
void TWriter::Plan(const GumboNode* root) {
    struct TFrame {
        const GumboNode* Node;
        unsigned Next;
        std::string ParentName;
    };
    std::vector<TFrame> stack{{root, 0, "body"}};
    PlanElement(root, "html");
    while (!stack.empty()) {
        TFrame& f = stack.back();
        const GumboVector& children = f.Node->v.element.children;
        if (f.Next < children.length) {
            const GumboNode* child = static_cast<const GumboNode*>(children.data[f.Next++]);
            if (child->type != GUMBO_NODE_ELEMENT)
                continue;
            const std::string parentName = FInfo[f.Node].Name.empty() ? f.ParentName : FInfo[f.Node].Name;
            PlanElement(child, parentName);
            if (child->v.element.tag_namespace == GUMBO_NAMESPACE_HTML && !FInfo[child].Drop)
                stack.push_back({child, 0, parentName});
            continue;
        }
        // All children planned: does this element hold flow content?
        TInfo& info = FInfo[f.Node];
        for (unsigned i = 0; i < children.length && !info.Flow; ++i) {
            const GumboNode* child = static_cast<const GumboNode*>(children.data[i]);
            if (child->type != GUMBO_NODE_ELEMENT)
                continue;
            const TInfo& c = FInfo[child];
            if (c.Drop)
                continue;
            if (FlowOnly.count(c.Name) || ((c.Name.empty() || Transparent.count(c.Name)) && c.Flow))
                info.Flow = true;
        }
        if (info.Flow) {
            const auto phrasing = PhrasingOnly.find(info.Name);
            if (phrasing != PhrasingOnly.end()) {
                std::string style = phrasing->second;
                if (!info.Style.empty())
                    style += (style.empty() ? "" : "; ") + info.Style;
                info.Name = "div";
                info.Style = style;
            }
        }
        stack.pop_back();
    }
}

void TWriter::PlanElement(const GumboNode* node, const std::string& parentName) {
    TInfo& info = FInfo[node];
    if (node->v.element.tag_namespace != GUMBO_NAMESPACE_HTML) {
        info.Name = SourceName(node);
        return;
    }
    std::string name = SourceName(node);
    if (const auto r = Renamed.find(name); r != Renamed.end()) {
        info.Style = r->second.Style;
        name = r->second.Name;
    }
    if (name == "html" || name == "body") {
        info.Name = name;
        return;
    }
    if (DroppedElements.count(name)) {
        info.Drop = true;
        return;
    }
    // Style sheets in the body go into the head.
    if (name == "style" || name == "link") {
        info.Name = name;
        info.Drop = true;
        FMovedToHead.push_back(node);
        return;
    }
    if (!HtmlElements.count(name)) {
        info.Name.clear(); // an element the page invented: its content stays
        return;
    }
    // Elements that belong inside a particular parent.
    const auto within = [&](std::initializer_list<const char*> parents) {
        return std::any_of(parents.begin(), parents.end(), [&](const char* p) { return parentName == p; });
    };
    if (name == "li" && !within({"ul", "ol"}))
        name = "div";
    else if ((name == "dt" || name == "dd") && !within({"dl"}))
        name = "div";
    else if (name == "legend" && !within({"fieldset"}))
        name = "div";
    else if (name == "figcaption" && !within({"figure"}))
        name = "div";
    else if (name == "summary" && !within({"details"}))
        name = "div";
    else if ((name == "source" || name == "track") && !within({"video", "audio"}))
        info.Drop = true;
    else if ((name == "option" || name == "optgroup") && !within({"select", "datalist", "optgroup"}))
        name.clear();
    else if ((name == "rt" || name == "rp") && !within({"ruby"}))
        name.clear();
    else if (name == "area" && !within({"map"}))
        info.Drop = true;
    info.Name = name;
}

std::string TWriter::Title(const GumboNode* head) const {
    if (head) {
        const GumboVector& children = head->v.element.children;
        for (unsigned i = 0; i < children.length; ++i) {
            const GumboNode* child = static_cast<const GumboNode*>(children.data[i]);
            if (child->type != GUMBO_NODE_ELEMENT || child->v.element.tag != GUMBO_TAG_TITLE)
                continue;
            std::string text;
            const GumboVector& parts = child->v.element.children;
            for (unsigned k = 0; k < parts.length; ++k) {
                const GumboNode* part = static_cast<const GumboNode*>(parts.data[k]);
                if (part->type == GUMBO_NODE_TEXT || part->type == GUMBO_NODE_WHITESPACE)
                    text += part->v.text.text;
            }
            // Blanks collapsed.
            std::string collapsed;
            for (char c : text) {
                const bool blank = c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
                if (blank) {
                    if (!collapsed.empty() && collapsed.back() != ' ')
                        collapsed += ' ';
                } else {
                    collapsed += c;
                }
            }
            collapsed = Trim(collapsed);
            if (!collapsed.empty())
                return collapsed;
        }
    }
    return S.Title.empty() ? std::string("Untitled") : S.Title;
}

void TWriter::Document(const GumboNode* document) {
    const GumboNode* html = nullptr;
    const GumboVector& top = document->v.document.children;
    for (unsigned i = 0; i < top.length && !html; ++i) {
        const GumboNode* n = static_cast<const GumboNode*>(top.data[i]);
        if (n->type == GUMBO_NODE_ELEMENT && n->v.element.tag == GUMBO_TAG_HTML)
            html = n;
    }
    const GumboNode* head = nullptr;
    const GumboNode* body = nullptr;
    std::string language = S.Language;
    if (html) {
        const GumboVector& parts = html->v.element.children;
        for (unsigned i = 0; i < parts.length; ++i) {
            const GumboNode* n = static_cast<const GumboNode*>(parts.data[i]);
            if (n->type != GUMBO_NODE_ELEMENT)
                continue;
            if (n->v.element.tag == GUMBO_TAG_HEAD && !head)
                head = n;
            else if (n->v.element.tag == GUMBO_TAG_BODY && !body)
                body = n;
        }
        if (const GumboAttribute* lang = gumbo_get_attribute(&html->v.element.attributes, "lang");
            lang && IsLanguageTag(Trim(lang->value)))
            language = Trim(lang->value);
    }
    if (body)
        Plan(body);

    O += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE html>\n";
    O += std::string("<html xmlns=\"") + XhtmlNamespace + "\" xmlns:epub=\"http://www.idpf.org/2007/ops\"";
    if (!language.empty())
        O += " lang=\"" + XmlEscape(language) + "\" xml:lang=\"" + XmlEscape(language) + "\"";
    O += ">\n<head>\n<title>" + XmlEscape(Title(head)) + "</title>\n";
    Head(head);
    O += "</head>\n";
    if (body) {
        Element(body, 0);
    } else {
        O += "<body></body>";
    }
    O += "\n</html>\n";
}

void TWriter::Head(const GumboNode* head) {
    std::vector<const GumboNode*> items;
    if (head) {
        const GumboVector& children = head->v.element.children;
        for (unsigned i = 0; i < children.length; ++i) {
            const GumboNode* n = static_cast<const GumboNode*>(children.data[i]);
            if (n->type == GUMBO_NODE_ELEMENT)
                items.push_back(n);
        }
    }
    items.insert(items.end(), FMovedToHead.begin(), FMovedToHead.end());
    for (const GumboNode* n : items) {
        const GumboElement& e = n->v.element;
        switch (e.tag) {
        case GUMBO_TAG_META: {
            const GumboAttribute* name = gumbo_get_attribute(&e.attributes, "name");
            const GumboAttribute* content = gumbo_get_attribute(&e.attributes, "content");
            if (name && content && !Trim(name->value).empty())
                O += "<meta name=\"" + XmlEscape(Trim(name->value)) + "\" content=\"" + XmlEscape(content->value) +
                     "\"/>\n";
            break;
        }
        case GUMBO_TAG_LINK:
        case GUMBO_TAG_STYLE:
        case GUMBO_TAG_SCRIPT: {
            TInfo& info = FInfo[n];
            const bool moved = info.Drop;
            info.Name = gumbo_normalized_tagname(e.tag);
            info.Drop = false;
            const size_t before = O.size();
            Element(n, 1);
            if (O.size() != before)
                O += "\n";
            // A style sheet moved out of the body is not written there again.
            info.Drop = moved;
            break;
        }
        default:
            break;
        }
    }
}

void TWriter::Children(const GumboNode* node, const std::string& name, int depth) {
    const GumboVector& children = node->v.element.children;
    // Lists and definition lists hold only their items: anything else goes into one.
    const char* wrapper = name == "ul" || name == "ol" ? "li" : name == "dl" ? "dd" : nullptr;
    bool open = false;
    for (unsigned i = 0; i < children.length; ++i) {
        const GumboNode* child = static_cast<const GumboNode*>(children.data[i]);
        if (wrapper) {
            bool item = child->type == GUMBO_NODE_WHITESPACE || child->type == GUMBO_NODE_COMMENT;
            if (child->type == GUMBO_NODE_ELEMENT) {
                const TInfo& c = Info(child);
                item = c.Drop || (name == "dl" ? (c.Name == "dt" || c.Name == "dd") : c.Name == "li") ||
                       c.Name == "script";
            }
            if (!item && !open) {
                O += std::string("<") + wrapper + ">";
                open = true;
            } else if (item && open && child->type == GUMBO_NODE_ELEMENT && !Info(child).Drop) {
                O += std::string("</") + wrapper + ">";
                open = false;
            }
        }
        Node(child, depth + 1);
    }
    if (open)
        O += std::string("</") + wrapper + ">";
}

void TWriter::Node(const GumboNode* node, int depth) {
    switch (node->type) {
    case GUMBO_NODE_TEXT:
    case GUMBO_NODE_WHITESPACE:
    case GUMBO_NODE_CDATA:
        O += XmlEscape(node->v.text.text);
        break;
    case GUMBO_NODE_ELEMENT:
        if (node->v.element.tag_namespace != GUMBO_NAMESPACE_HTML)
            Foreign(node, depth, true);
        else
            Element(node, depth);
        break;
    default: // comments, templates
        break;
    }
}

// Deeper than this, elements give only their text: a page nested so deep is no book
// page, and the writer's own stack stays small.
constexpr int MaxDepth = 400;

void TWriter::TextOnly(const GumboNode* node) {
    std::vector<const GumboNode*> stack{node};
    while (!stack.empty()) {
        const GumboNode* n = stack.back();
        stack.pop_back();
        if (n->type == GUMBO_NODE_TEXT || n->type == GUMBO_NODE_WHITESPACE || n->type == GUMBO_NODE_CDATA) {
            O += XmlEscape(n->v.text.text);
        } else if (n->type == GUMBO_NODE_ELEMENT) {
            const GumboVector& children = n->v.element.children;
            for (unsigned i = children.length; i-- > 0;)
                stack.push_back(static_cast<const GumboNode*>(children.data[i]));
        }
    }
}

void TWriter::Element(const GumboNode* node, int depth) {
    const TInfo& info = Info(node);
    if (info.Drop)
        return;
    if (depth > MaxDepth) {
        TextOnly(node);
        return;
    }
    const std::string name = info.Name;
    if (name.empty()) {
        Children(node, name, depth);
        return;
    }
    std::string style = info.Style;
    std::string attributes, replacement;
    FPendingFragments.clear();
    if (!Attributes(node, name, style, attributes, replacement)) {
        O += replacement;
        return;
    }
    for (TFragmentUse& use : FPendingFragments) {
        const size_t base = O.size() + 1 + name.size();
        use.Begin += base;
        use.End += base;
        P.Fragments.push_back(std::move(use));
    }
    if (name == "script") {
        const GumboAttribute* type = gumbo_get_attribute(&node->v.element.attributes, "type");
        const std::string t = type ? Lower(Trim(type->value)) : std::string();
        if (t.empty() || t.find("javascript") != std::string::npos || t.find("ecmascript") != std::string::npos)
            P.Scripted = true;
    }
    O += "<" + name + attributes;
    if (VoidElements.count(name)) {
        O += "/>";
        return;
    }
    O += ">";
    if (name == "style") {
        std::string css;
        const GumboVector& children = node->v.element.children;
        for (unsigned i = 0; i < children.length; ++i) {
            const GumboNode* c = static_cast<const GumboNode*>(children.data[i]);
            if (c->type == GUMBO_NODE_TEXT || c->type == GUMBO_NODE_WHITESPACE || c->type == GUMBO_NODE_CDATA)
                css += c->v.text.text;
        }
        O += XmlEscape(StyleText(css, TLinkKind::StyleElement));
    } else {
        Children(node, name, depth);
    }
    O += "</" + name + ">";
}

void TWriter::Foreign(const GumboNode* node, int depth, bool root) {
    const GumboElement& e = node->v.element;
    if (depth > MaxDepth) {
        TextOnly(node);
        return;
    }
    std::string name = SourceName(node);
    const bool svg = e.tag_namespace == GUMBO_NAMESPACE_SVG;
    if (svg) {
        GumboStringPiece piece = e.original_tag;
        gumbo_tag_from_original_text(&piece);
        if (const char* camel = gumbo_normalize_svg_tagname(&piece))
            name = camel;
        P.Svg = true;
    } else if (e.tag_namespace == GUMBO_NAMESPACE_MATHML) {
        P.MathML = true;
    }
    if (e.tag_namespace == GUMBO_NAMESPACE_HTML) {
        // HTML inside SVG or MathML (a foreignObject's content).
        O += "<div xmlns=\"" + std::string(XhtmlNamespace) + "\">";
        Element(node, depth);
        O += "</div>";
        return;
    }
    if (!IsXmlAttributeName(name))
        name = svg ? "g" : "mrow";
    O += "<" + name;
    if (root && (name == "svg" || name == "math"))
        O += svg ? " xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\""
                 : " xmlns=\"http://www.w3.org/1998/Math/MathML\"";
    std::unordered_set<std::string> written;
    for (unsigned i = 0; i < e.attributes.length; ++i) {
        const GumboAttribute* a = static_cast<const GumboAttribute*>(e.attributes.data[i]);
        std::string attr = a->name;
        if (a->attr_namespace == GUMBO_ATTR_NAMESPACE_XMLNS || attr == "xmlns" || attr.rfind("xmlns:", 0) == 0)
            continue;
        if (a->attr_namespace == GUMBO_ATTR_NAMESPACE_XLINK && attr.rfind("xlink:", 0) != 0)
            attr = "xlink:" + attr;
        if (a->attr_namespace == GUMBO_ATTR_NAMESPACE_XML && attr.rfind("xml:", 0) != 0)
            attr = "xml:" + attr;
        const size_t colon = attr.find(':');
        const bool known = colon == std::string::npos ? IsXmlAttributeName(attr)
                                                      : ((attr.rfind("xlink:", 0) == 0 || attr.rfind("xml:", 0) == 0) &&
                                                         IsXmlAttributeName(attr.substr(colon + 1)));
        if (!known || !written.insert(attr).second)
            continue;
        // Links of SVG pictures would name files the publication does not hold.
        if (attr == "xlink:href" || attr == "href") {
            const std::string v = Trim(a->value);
            if (v.empty() || v[0] != '#')
                continue;
        }
        std::string value = a->value;
        if (attr == "id") {
            value = XmlNameOf(value);
            if (!FIds.insert(value).second)
                continue;
            P.Ids.push_back(value);
        }
        O += " " + attr + "=\"" + XmlEscape(value) + "\"";
    }
    O += ">";
    const GumboVector& children = e.children;
    for (unsigned i = 0; i < children.length; ++i) {
        const GumboNode* c = static_cast<const GumboNode*>(children.data[i]);
        if (c->type == GUMBO_NODE_ELEMENT) {
            if (c->v.element.tag_namespace == GUMBO_NAMESPACE_HTML) {
                if (!FInfo.count(c))
                    Plan(c);
                O += "<div xmlns=\"" + std::string(XhtmlNamespace) + "\">";
                Element(c, depth + 1);
                O += "</div>";
            } else {
                Foreign(c, depth + 1, false);
            }
        } else if (c->type != GUMBO_NODE_COMMENT) {
            O += XmlEscape(c->v.text.text);
        }
    }
    O += "</" + name + ">";
}

std::string TWriter::StyleText(std::string_view css, TLinkKind kind) {
    const TLinkRefs links = FindCssLinks(css);
    std::vector<TLinkChange> changes;
    for (const TLinkRef& link : links) {
        TMappedLink mapped = S.MapLink ? S.MapLink(kind, link.Value) : TMappedLink{true, link.Value, {}};
        // A file the publication does not hold: the link then names nothing.
        if (!mapped.Keep)
            mapped.Value = "#";
        if (mapped.Value == link.Value)
            continue;
        // Written for the CSS alone: the markup's escaping comes afterwards.
        TLinkRef bare = link;
        bare.HtmlQuote = 0;
        changes.push_back({&link, EncodeLinkValue(bare, mapped.Value)});
    }
    return ReplaceLinkValues(css, changes);
}

void TWriter::LinkAttribute(std::string& out, const char* name, const TMappedLink& link) {
    out += std::string(" ") + name + "=\"";
    const std::string escaped = XmlEscape(link.Value);
    if (!link.FragmentTarget.empty()) {
        const size_t hash = link.Value.find('#');
        if (hash != std::string::npos) {
            // Positions within the attributes, made positions of the text when they are
            // written; the value is escaped before the "#" too.
            const size_t begin = out.size() + XmlEscape(link.Value.substr(0, hash)).size();
            const std::string fragment = link.Value.substr(hash + 1);
            FPendingFragments.push_back({begin, begin + 1 + XmlEscape(fragment).size(), link.FragmentTarget, fragment});
        }
    }
    out += escaped + "\"";
}

std::string TWriter::Srcset(std::string_view value, TLinkKind kind) {
    std::string out;
    for (const TTextSpan& span : SrcsetUrls(value)) {
        const std::string url(value.substr(span.Begin, span.End - span.Begin));
        const TMappedLink mapped = S.MapLink ? S.MapLink(kind, url) : TMappedLink{true, url, {}};
        if (!mapped.Keep || mapped.Value.empty())
            continue;
        // The descriptor runs to the next comma.
        size_t end = value.find(',', span.End);
        if (end == std::string_view::npos)
            end = value.size();
        const std::string descriptor = Trim(value.substr(span.End, end - span.End));
        if (!out.empty())
            out += ", ";
        // A comma or blank inside the URL would split the candidate.
        std::string encoded;
        for (char c : mapped.Value)
            encoded += c == ' ' ? std::string("%20") : c == ',' ? std::string("%2C") : std::string(1, c);
        out += encoded + (descriptor.empty() ? "" : " " + descriptor);
    }
    return out;
}

bool TWriter::Attributes(const GumboNode* node, const std::string& name, std::string& extraStyle,
                         std::string& out, std::string& replacement) {
    const GumboElement& e = node->v.element;
    const auto specific = ElementAttributes.find(name);
    const std::string source = SourceName(node);
    std::string style, ownStyle, nameId;
    bool hasId = false, hasAlt = false;
    const auto attr = [&](const char* n) -> const GumboAttribute* { return gumbo_get_attribute(&e.attributes, n); };
    const auto map = [&](TLinkKind kind, const std::string& value) {
        return S.MapLink ? S.MapLink(kind, value) : TMappedLink{true, value, {}};
    };
    for (unsigned i = 0; i < e.attributes.length; ++i) {
        const GumboAttribute* a = static_cast<const GumboAttribute*>(e.attributes.data[i]);
        const std::string n = Lower(a->name);
        std::string v = a->value;
        const std::string tv = Trim(v);
        // Links.
        if (n == "href" && (name == "a" || name == "area" || name == "link")) {
            if (name == "link" && tv.empty())
                return false;
            if (tv.empty())
                continue;
            const TMappedLink m = map(name == "link" ? TLinkKind::LinkHref : TLinkKind::AnchorHref, tv);
            if (!m.Keep) {
                if (name == "link")
                    return false;
                continue;
            }
            LinkAttribute(out, "href", m);
            continue;
        }
        if (n == "src" && (name == "img" || name == "script" || name == "iframe" || name == "video" ||
                           name == "audio" || name == "source" || name == "track" || name == "input")) {
            static const std::unordered_map<std::string_view, TLinkKind> kinds = {
                {"img", TLinkKind::ImgSrc},     {"script", TLinkKind::ScriptSrc}, {"iframe", TLinkKind::IFrameSrc},
                {"video", TLinkKind::VideoSrc}, {"audio", TLinkKind::AudioSrc},   {"source", TLinkKind::SourceSrc},
                {"track", TLinkKind::TrackSrc}, {"input", TLinkKind::InputImageSrc}};
            const TMappedLink m = tv.empty() ? TMappedLink{} : map(kinds.at(name), tv);
            if (!m.Keep) {
                if (name == "img") {
                    const GumboAttribute* alt = attr("alt");
                    replacement = alt ? XmlEscape(alt->value) : std::string();
                    return false;
                }
                if (name == "script" || name == "source" || name == "track" || name == "input")
                    return false;
                continue;
            }
            LinkAttribute(out, "src", m);
            continue;
        }
        if (n == "srcset" && (name == "img" || name == "source")) {
            const std::string set = Srcset(v, name == "img" ? TLinkKind::ImgSrcset : TLinkKind::SourceSrcset);
            if (!set.empty())
                out += " srcset=\"" + XmlEscape(set) + "\"";
            continue;
        }
        if (n == "poster" && name == "video") {
            const TMappedLink m = tv.empty() ? TMappedLink{} : map(TLinkKind::VideoPoster, tv);
            if (m.Keep)
                LinkAttribute(out, "poster", m);
            continue;
        }
        if (n == "background") {
            if (name == "body" && !tv.empty()) {
                const TMappedLink m = map(TLinkKind::BodyBackground, tv);
                if (m.Keep)
                    AddDeclaration(style, "background-image", "url(\"" + m.Value + "\")");
            }
            continue;
        }
        if (n == "style") {
            ownStyle = StyleText(v, TLinkKind::StyleAttribute);
            continue;
        }
        // Identifiers.
        if (n == "id") {
            const std::string id = XmlNameOf(tv);
            if (!tv.empty() && FIds.insert(id).second) {
                P.Ids.push_back(id);
                out += " id=\"" + XmlEscape(id) + "\"";
                hasId = true;
            }
            continue;
        }
        if (n == "name" && name == "a") {
            nameId = tv;
            continue;
        }
        // Presentational attributes become style declarations.
        if (n == "align") {
            const std::string a2 = Lower(tv);
            if (name == "img" || name == "iframe" || name == "video" || name == "canvas") {
                if (a2 == "left" || a2 == "right")
                    AddDeclaration(style, "float", a2);
                else if (a2 == "top" || a2 == "middle" || a2 == "bottom")
                    AddDeclaration(style, "vertical-align", a2);
            } else if (name == "table") {
                if (a2 == "center")
                    AddDeclaration(style, "margin-left", "auto"), AddDeclaration(style, "margin-right", "auto");
                else if (a2 == "left" || a2 == "right")
                    AddDeclaration(style, "float", a2);
            } else if (a2 == "left" || a2 == "right" || a2 == "center" || a2 == "justify") {
                AddDeclaration(style, "text-align", a2);
            }
            continue;
        }
        if (n == "valign") {
            const std::string a2 = Lower(tv);
            if (a2 == "top" || a2 == "middle" || a2 == "bottom" || a2 == "baseline")
                AddDeclaration(style, "vertical-align", a2);
            continue;
        }
        if (n == "bgcolor") {
            AddDeclaration(style, "background-color", CssColor(v));
            continue;
        }
        if ((n == "color" || n == "text") && (source == "font" || name == "body")) {
            AddDeclaration(style, "color", CssColor(v));
            continue;
        }
        if (n == "face" && source == "font") {
            AddDeclaration(style, "font-family", CssFontFamily(v));
            continue;
        }
        if (n == "size" && source == "font") {
            AddDeclaration(style, "font-size", CssFontSize(v));
            continue;
        }
        if ((n == "width" || n == "height") &&
            !(specific != ElementAttributes.end() && specific->second.count(n) && IsDigits(tv))) {
            AddDeclaration(style, n, CssLength(v));
            continue;
        }
        if (n == "border" && (name == "img" || name == "table" || name == "iframe")) {
            const std::string width = CssLength(v);
            if (!width.empty() && width != "0px")
                AddDeclaration(style, "border", width + (name == "table" ? " outset" : " solid"));
            else if (name == "iframe")
                AddDeclaration(style, "border", "0");
            continue;
        }
        if (n == "frameborder" && name == "iframe") {
            if (tv == "0")
                AddDeclaration(style, "border", "0");
            continue;
        }
        if (n == "cellspacing" && name == "table") {
            const std::string width = CssLength(v);
            if (!width.empty())
                AddDeclaration(style, "border-spacing", width);
            continue;
        }
        if (n == "nowrap" && (name == "td" || name == "th")) {
            AddDeclaration(style, "white-space", "nowrap");
            continue;
        }
        if ((n == "hspace" || n == "vspace") && name == "img") {
            const std::string width = CssLength(v);
            if (!width.empty())
                AddDeclaration(style, n == "hspace" ? "margin-left" : "margin-top", width),
                    AddDeclaration(style, n == "hspace" ? "margin-right" : "margin-bottom", width);
            continue;
        }
        if (n == "clear" && name == "br") {
            const std::string a2 = Lower(tv);
            AddDeclaration(style, "clear", a2 == "all" ? "both" : (a2 == "left" || a2 == "right" || a2 == "both") ? a2 : "");
            continue;
        }
        if (n == "type" && name == "ul") {
            static const std::unordered_map<std::string_view, const char*> types = {
                {"disc", "disc"}, {"circle", "circle"}, {"square", "square"}, {"1", "decimal"},
                {"a", "lower-alpha"}, {"i", "lower-roman"}};
            if (const auto t = types.find(Lower(tv)); t != types.end())
                AddDeclaration(style, "list-style-type", t->second);
            continue;
        }
        // Everything else: the global attributes, the element's own, events, data-*,
        // aria-*; values that cannot stand are left out.
        if (!IsXmlAttributeName(n) && n != "epub:type")
            continue;
        const bool event = n.size() > 2 && n.compare(0, 2, "on") == 0;
        const bool custom = n.compare(0, 5, "data-") == 0 || n.compare(0, 5, "aria-") == 0;
        const bool own = specific != ElementAttributes.end() && specific->second.count(n);
        if (!GlobalAttributes.count(n) && !own && !event && !custom)
            continue;
        if (n == "alt")
            hasAlt = true;
        if (BooleanAttributes.count(n)) {
            v = n;
        } else if (IntegerAttributes.count(n) || (n == "value" && name == "li")) {
            if (!(n == "tabindex" || n == "start" || n == "value" ? IsSignedInteger(tv) : IsDigits(tv)) ||
                ((n == "colspan" || n == "rowspan" || n == "span" || n == "size" || n == "rows" || n == "cols") &&
                 std::all_of(tv.begin(), tv.end(), [](char c) { return c == '0'; })))
                continue;
            v = tv;
        } else if (n == "lang" || n == "hreflang" || n == "srclang") {
            if (!tv.empty() && !IsLanguageTag(tv))
                continue;
            v = tv;
        } else if (n == "dir") {
            const std::string d = Lower(tv);
            if (d != "ltr" && d != "rtl" && d != "auto")
                continue;
            v = d;
        } else if (n == "rel") {
            std::string rels;
            size_t start = 0;
            const std::string lv = Lower(v) + " ";
            for (size_t blank; (blank = lv.find_first_of(" \t\r\n", start)) != std::string::npos; start = blank + 1) {
                const std::string token = lv.substr(start, blank - start);
                if (LinkRelations.count(token))
                    rels += (rels.empty() ? "" : " ") + token;
            }
            if (rels.empty()) {
                if (name == "link")
                    return false;
                continue;
            }
            v = rels;
        } else if (n == "type" && name == "ol") {
            if (tv != "1" && tv != "a" && tv != "A" && tv != "i" && tv != "I")
                continue;
        } else if (n == "type" && name == "input") {
            v = Lower(tv);
        } else if (n == "target" && tv.empty()) {
            continue;
        }
        out += " " + n + "=\"" + XmlEscape(v) + "\"";
    }
    if (name == "link" && !attr("href"))
        return false;
    if (name == "link") {
        const GumboAttribute* rel = attr("rel");
        if (!rel)
            return false;
    }
    if (!nameId.empty() && !hasId) {
        const std::string id = XmlNameOf(nameId);
        if (FIds.insert(id).second) {
            P.Ids.push_back(id);
            out += " id=\"" + XmlEscape(id) + "\"";
        }
    }
    if ((name == "img" || (name == "area" && attr("href"))) && !hasAlt)
        out += " alt=\"\"";
    if (name == "img" && !attr("src"))
        return false;
    // Declarations the element gains go first: the page's own style comes after and wins.
    std::string all = extraStyle;
    if (!style.empty())
        all += (all.empty() ? "" : "; ") + style;
    if (!Trim(ownStyle).empty())
        all += (all.empty() ? "" : "; ") + ownStyle;
    if (!all.empty())
        out += " style=\"" + XmlEscape(all) + "\"";
    return true;
}

} // namespace

std::string XmlNameOf(std::string_view Id) {
    std::string out;
    size_t i = 0;
    while (i < Id.size()) {
        const uint32_t cp = NextCodePoint(Id, i);
        const bool start = (cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z') || cp == '_' || IsXmlNameCodePoint(cp);
        const bool other = (cp >= '0' && cp <= '9') || cp == '-' || cp == '.';
        if (out.empty() && !start)
            out += '_';
        if (start || other)
            AppendCodePoint(out, cp);
        else if (!out.empty() && out != "_")
            out += '_';
    }
    return out.empty() ? std::string("_") : out;
}

std::string XmlEscape(std::string_view Text) {
    std::string out;
    out.reserve(Text.size() + Text.size() / 16);
    size_t i = 0;
    while (i < Text.size()) {
        const unsigned char c = static_cast<unsigned char>(Text[i]);
        if (c < 0x80) {
            ++i;
            switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                if (c >= 0x20 || c == '\t' || c == '\n')
                    out += static_cast<char>(c);
                else if (c == '\r')
                    out += "&#13;";
                break;
            }
            continue;
        }
        const size_t start = i;
        const uint32_t cp = NextCodePoint(Text, i);
        if (cp == 0xFFFE || cp == 0xFFFF || (cp >= 0x7F && cp <= 0x9F) || (cp >= 0xD800 && cp <= 0xDFFF) ||
            cp > 0x10FFFF)
            continue;
        if (cp == 0xFFFD && Text.substr(start, i - start) != "\xEF\xBF\xBD")
            out += "\xEF\xBF\xBD";
        else
            out.append(Text.substr(start, i - start));
    }
    return out;
}

TXhtmlPage HtmlToXhtml(std::string_view Html, const TXhtmlSettings& Settings) {
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0;
    std::unique_ptr<GumboOutput, void (*)(GumboOutput*)> output(
        gumbo_parse_with_options(&options, Html.data(), Html.size()),
        [](GumboOutput* o) { gumbo_destroy_output(&kGumboDefaultOptions, o); });
    TXhtmlPage page;
    page.Text.reserve(Html.size() + Html.size() / 8 + 512);
    TWriter writer(Settings, page);
    writer.Document(output->document);
    return page;
}
