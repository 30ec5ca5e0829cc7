// The links of pages and stylesheets: every value an HTML page or a stylesheet uses to
// name another file, with its kind and the exact bytes it occupies in the text, so that
// a rewrite replaces just those bytes and leaves everything else as the author wrote it.
//
// One scan serves everyone who looks at links: the import (which copies what a page
// uses and rewrites the links), the compile (which warns of links leading out of the
// project), the page editor (which turns "mfs:" links of a snippet into relative ones)
// and whatever needs every file a page reaches.
//
// The scan is textual like the rest of the HTML toolkit (a tag runs from "<" to the next
// ">"), but it knows comments, the raw text of scripts and style blocks, the grammar of
// "srcset" lists and, for CSS, a tokenizer with strings, escapes and comments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TMFS;

// What names a link. The order is fixed: the first six are the kinds imports have always
// followed, the rest come after them.
enum class TLinkKind : uint8_t {
    ImgSrc,         // <img src>
    LinkHref,       // <link href>, every rel
    BodyBackground, // <body background>
    FrameSrc,       // <frame src>
    IFrameSrc,      // <iframe src>
    AnchorHref,     // <a href>
    ScriptSrc,      // <script src>
    ImgSrcset,      // each candidate of <img srcset>
    SourceSrcset,   // each candidate of <source srcset>
    SourceSrc,      // <source src>
    VideoSrc,       // <video src>
    VideoPoster,    // <video poster>
    AudioSrc,       // <audio src>
    TrackSrc,       // <track src>
    ObjectData,     // <object data>
    EmbedSrc,       // <embed src>
    InputImageSrc,  // <input type=image src>
    StyleAttribute, // url(...) or @import inside a style attribute
    StyleElement,   // url(...) or @import inside a <style> block
    CssUrl,         // url(...) (and the strings of image-set()) inside a stylesheet
    CssImport,      // @import inside a stylesheet
};
constexpr int LinkKindCount = static_cast<int>(TLinkKind::CssImport) + 1;

// What the link is to the page that holds it: a file it uses, a page shown inside it,
// or a page it leads to.
enum class TLinkRole : uint8_t { Resource, Frame, Anchor };
TLinkRole LinkRole(TLinkKind Kind);

// The element and attribute of an attribute kind ("img", "src"); empty texts for the
// CSS kinds (StyleAttribute gives "", "style"; StyleElement "style", "").
const char* LinkKindTag(TLinkKind Kind);
const char* LinkKindAttribute(TLinkKind Kind);
// Whether the value of a link of this kind is a whole attribute value (not a candidate
// of a "srcset" list or a piece of CSS).
bool IsWholeAttributeKind(TLinkKind Kind);

// One link found in a text.
struct TLinkRef {
    TLinkKind Kind = TLinkKind::ImgSrc;
    std::size_t Begin = 0; // the value's bytes in the text: [Begin, End)
    std::size_t End = 0;
    // The value as a browser reads it: character references (in HTML) and escapes (in
    // CSS) resolved, blanks around it dropped.
    std::string Value;
    // How the value is written, which is how a new value must be written in its place:
    // HtmlQuote is the quote of the HTML attribute ('"' or '\''), ' ' for an unquoted
    // attribute value, 0 outside an attribute; CssQuote is the quote of the CSS string,
    // ')' for an unquoted url(...), 0 outside CSS.
    char HtmlQuote = 0;
    char CssQuote = 0;
    // The link names a stylesheet (@import, or <link> with "stylesheet" among its rel).
    bool StyleSheet = false;
};
using TLinkRefs = std::vector<TLinkRef>;

struct TTextSpan {
    std::size_t Begin = 0;
    std::size_t End = 0;
};

// The links of a page, in text order, and what an import leaves out of it: the comments
// and the "<![if !vml]>"/"<![endif]>" markers inside the body.
struct THtmlLinks {
    TLinkRefs Links;
    std::vector<TTextSpan> BodyDropped;
};

// Every link of an HTML page. Links inside comments and scripts are none; a comment
// that is never closed ends the scan. Empty values are no links.
THtmlLinks FindHtmlLinks(std::string_view Html);

// Every url(...), src("..."), @import and image-set() string of a stylesheet (kinds
// CssUrl and CssImport), in text order. "@namespace" names no file. Malformed text
// (strings or url(...) broken by a line end, comments never closed) ends as a browser
// would read it; the links before it stay.
TLinkRefs FindCssLinks(std::string_view Css);

// The URLs of a "srcset" list by its grammar: one span per candidate, relative to List.
std::vector<TTextSpan> SrcsetUrls(std::string_view List);

// Whether a link value names a local file that can be followed: a relative or absolute
// path, or a "file:" URL. Empty values, fragments ("#top"), "data:", "blob:", web
// addresses ("http:", "//host/...") and every other scheme ("mailto:") are left alone.
bool IsLocalLinkValue(std::string_view Value);

// A local link value without its query or fragment, and that query or fragment (from
// the first "?" or "#"), which stays after a new name.
std::string_view LinkPath(std::string_view Value);
std::string_view LinkSuffix(std::string_view Value);

// Value written for the place of Link: escaped for the CSS string or url(...) it sits
// in, then for the HTML attribute (an unquoted attribute gets double quotes when the
// value could not stand without them).
std::string EncodeLinkValue(const TLinkRef& Link, std::string_view Value);

// Text with the value of each link replaced: (link, new value) pairs in text order,
// spans not overlapping. Everything outside the spans stays byte for byte.
struct TLinkChange {
    const TLinkRef* Link;
    std::string Value;
};
std::string ReplaceLinkValues(std::string_view Text, const std::vector<TLinkChange>& Changes);

// File names that are read as pages or as stylesheets.
bool IsHtmlFileName(std::string_view Name);
bool IsCssFileName(std::string_view Name);

// ---- every file a page reaches ----

// Where the files of a page live (the disk, a files store): resolves links and reads
// files. Implementations decide which links may be followed.
class ILinkFiles {
public:
    virtual ~ILinkFiles() = default;
    // The file a local link of File names (a path of this source), or empty when it is
    // not followed (missing, not a regular file, out of bounds).
    virtual std::string Resolve(const std::string& File, const TLinkRef& Link) = 0;
    // The content of a file (the first page, or one Resolve gave).
    virtual std::string Read(const std::string& File) = 0;
    // The same text for two names of one file (letter case, "..", links).
    virtual std::string Identity(const std::string& File) { return File; }
};

struct TReachedFile {
    std::string File; // as Resolve gave it
    std::string From; // the file whose link reached it first
    TLinkKind Kind;   // that link's kind
    bool StyleSheet;  // read as a stylesheet
};

// Every file Page reaches through its links (anchors excepted), in the order first
// reached: stylesheets are read for their own links, to any depth, frames for theirs.
// Each file once; loops end. Page itself is not listed.
std::vector<TReachedFile> FilesReachedFrom(const std::string& Page, ILinkFiles& Files);

// The files of a files store: links resolve against the folder of the file that holds
// them; an absolute path ("\" or "/") is a path of the store. Only files of the store
// are followed; a name not found as written is tried with its "%XX" decoded.
class TStoreLinkFiles : public ILinkFiles {
public:
    explicit TStoreLinkFiles(TMFS& Store) : FStore(Store) {}
    std::string Resolve(const std::string& File, const TLinkRef& Link) override;
    std::string Read(const std::string& File) override;
    std::string Identity(const std::string& File) override;

private:
    TMFS& FStore;
};

// ---- links out of a store ----

// A link of a page or stylesheet of a files store that leads out of it: a "file:" URL,
// a drive or network path, a relative path that climbs above the store's root, or an
// absolute path naming nothing in the store (such as the disk path an import gives an
// anchor to a page it did not bring).
struct TLinkOut {
    std::string File;  // the store path of the page or stylesheet
    std::string Value; // the link as written (its value)
};
std::vector<TLinkOut> LinksOutOfStore(TMFS& Store);
// "Link \"%s\" of \"%s\" leads out of the project: the book cannot show what it names"
std::string LinkOutWarning(const TLinkOut& Link);
