// A small textual HTML toolkit: splitting a page into literal text and link values,
// finding elements and attribute values, reading a page's title, quoting attribute
// values and converting colours between HTML and colour numbers.
//
// Nothing here is a parser: tags are looked at as character sequences, which keeps
// exactly the markup that the import and the page editor understand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One kind of link to look for: an element name and the attribute that holds the link.
struct TLinkDesc {
    std::string TagName;
    std::string AttrName;
};

// One element found by FindTags.
struct TTagPlacement {
    int32_t Start = 0;  // position of the element's content, counted from 1
    int32_t Length = 0; // length of the content
    std::string AttrValue;
    std::string Content;
};

// One piece of a split page: literal text (Index -1) or a link value (Index of the
// descriptor it matched). Offset is where the piece starts in the split text
// (0-based; for a link value, its first character), so that callers can map
// positions back to the page.
struct THtmlLinkPart {
    std::string Text;
    int32_t Index = -1;
    std::size_t Offset = 0;
};
using THtmlLinkParts = std::vector<THtmlLinkPart>;

// Splits Html into literal text and link values, appended to Parts: the values of the
// attributes that Descs name (element and attribute, letter case ignored; Index is the
// position in Descs of the first that matches), found by FindHtmlLinks. Values keep
// their letter case. Putting every link value back in double quotes between the
// literal pieces gives the page again, without the comments and "<![if !vml]>"/
// "<![endif]>" tags inside the body, and with single-quoted or unquoted link values now
// in double quotes.
void SplitHtmlByLinks(std::string_view Html, const std::vector<TLinkDesc>& Descs, THtmlLinkParts& Parts);

// One attribute of a tag, as positions in the tag text.
struct TTagAttribute {
    std::size_t NameBegin = 0, NameEnd = 0;
    bool HasValue = false;
    char Quote = 0; // '"', '\'' or 0 for an unquoted value
    std::size_t ValueBegin = 0, ValueEnd = 0;
    bool Closed = false; // a quoted value found its closing quote
};
// Reads the attributes of a tag text from Pos on: names, and values in double quotes,
// single quotes or none. A quoted value without its closing quote runs to the tag's ">"
// (or the end of the text); an unquoted value ends at a blank or ">". Stops at an
// unquoted ">" or at the end of the text.
std::vector<TTagAttribute> ScanTagAttributes(std::string_view Tag, std::size_t Pos);
// The position after "<" and the element name of a tag text starting with "<".
std::size_t SkipTagName(std::string_view Tag);

// Every element of SearchText that opens with "<" TagName, holds content and closes
// with "</" TagName ">". Positions and texts are taken from Text (SearchText is
// normally the upper case of Text with an upper-case TagName, for a search that
// ignores letter case; both must have the same length).
std::vector<TTagPlacement> FindTags(std::string_view SearchText, std::string_view Text,
                                    std::string_view TagName, std::string_view AttrName);

// FindTags with the search text made from Text by an upper-case mapping that keeps
// every position (ASCII letters only), for a search that ignores letter case.
std::vector<TTagPlacement> FindTagsIgnoreCase(std::string_view Text, std::string_view TagName,
                                              std::string_view AttrName);

// The value of the attribute AttrName inside the text of one tag: looked up in
// SearchTag, taken from Tag (same length, its own letter case). Empty when absent.
std::string GetAttributeValue(std::string_view SearchTag, std::string_view Tag, std::string_view AttrName);

// The text of the page's title element without surrounding blanks, or Default.
std::string GetHtmlTitle(std::string_view Html, const std::string& Default);

// Value in double quotes, its own double quotes written as "&quot;".
std::string HtmlQuote(std::string_view Value);

// Colour numbers as the platform keeps them: an RGB value with red in the low byte,
// or a system colour (0xFF000000 plus the platform's colour index).
using TColor = int32_t;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor SystemColor(int index) {
    return static_cast<TColor>(0xFF000000u + static_cast<uint32_t>(index));
}

// "#RRGGBB", a system colour name, or a decimal colour number; clNone otherwise.
TColor HtmlColorToColor(std::string_view Text);
// A system colour's name, or "#RRGGBB" (upper-case digits).
std::string ColorToHtml(TColor Color);
// The RGB value of a colour; system colours give the platform's default scheme.
TColor ColorToRGB(TColor Color);
