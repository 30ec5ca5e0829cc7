// HTML pages as XHTML documents for a publication: a page is parsed the way a browser
// parses it (the HTML5 parser gumbo, so broken markup ends as a browser shows it) and
// written as a well-formed XHTML5 document that keeps to the HTML5 vocabulary: elements
// of older HTML become their modern equivalents (a "font" a "span" with a style, a
// "center" a "div"), presentational attributes become style declarations, elements the
// page invented lose their tags but keep their content, block content inside a
// paragraph or an inline element turns that element into a "div", identifiers become
// XML names. Every link value passes through the caller, which says what it becomes.
#pragma once

#include "u_Links.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// What a link becomes.
struct TMappedLink {
    bool Keep = false;  // false: the link goes (the element or attribute holding it with it)
    std::string Value;  // the new value
    // Set when Value ends in "#" and a fragment that must name an identifier of the
    // page Target (as the caller names pages); the writer records where it stands.
    std::string FragmentTarget;
};

struct TXhtmlSettings {
    std::string Language = "en"; // written as lang and xml:lang of the root unless the page has its own
    std::string Title;           // the title when the page has none (never empty in the result)
    // Maps each link value (as a browser reads it) of a kind.
    std::function<TMappedLink(TLinkKind Kind, const std::string& Value)> MapLink;
};

// Where a link's fragment stands in the written text: [Begin, End) is "#" and the
// fragment, which names an identifier of Target.
struct TFragmentUse {
    std::size_t Begin = 0;
    std::size_t End = 0;
    std::string Target;
    std::string Fragment;
};

struct TXhtmlPage {
    std::string Text;
    bool Scripted = false; // holds scripts
    bool Svg = false;      // holds SVG markup
    bool MathML = false;   // holds MathML markup
    std::vector<std::string> Ids; // every identifier the page defines
    std::vector<TFragmentUse> Fragments;
};

// Html in UTF-8 (invalid bytes are read as U+FFFD).
TXhtmlPage HtmlToXhtml(std::string_view Html, const TXhtmlSettings& Settings);

// An identifier (or a fragment naming one) as an XML name: characters a name cannot
// hold become "_", and one that cannot start a name gets "_" in front. Empty gives "_".
std::string XmlNameOf(std::string_view Id);

// Text for XML content or attribute values: "&", "<", ">" and '"' as references, and
// the characters XML cannot hold (control characters, U+FFFE, U+FFFF) left out.
std::string XmlEscape(std::string_view Text);
