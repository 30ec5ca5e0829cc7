// Addresses inside a book and the links that lead to them. A book address is a page
// path in the book's own form (absolute, backslash separators, "\Light\Lenses.htm"),
// optionally followed by "?" and a query and by "#" and a fragment. Links found in
// pages, bookmarks and the logo are classified as book addresses, external addresses
// for the desktop's opener (http, https, mailto only), or refused (every other scheme:
// a book never makes the reader open a local file or run a program).
#pragma once

#include "u_PathSegments.h"

#include <string>
#include <string_view>

// The scheme under which the reader's HTML engine sees the book ("book:/Index.htm").
extern const char* const BookScheme; // "book"

struct TBookAddress {
    std::string Path;     // normalised: absolute, backslashes, "\" for the root
    std::string Query;    // without "?", percent-encoded as written
    std::string Fragment; // without "#"
    // Path, then "?" Query and "#" Fragment when they are not empty.
    std::string Text() const;
};

// Splits "\a\b.htm?x=1#top" (the path is normalised against the root).
TBookAddress ParseBookAddress(std::string_view Text);

enum class TLinkKind { Book, External, Refused };

struct TLinkTarget {
    TLinkKind Kind = TLinkKind::Refused;
    TBookAddress Address; // Book
    std::string Url;      // External and Refused: the link as given
};

// What a link means when followed from the page at CurrentPath. A link may name the
// book scheme ("book:/a.htm"), a page relative to the current one ("pics/a.htm",
// "..\b.htm"), a page from the root ("\a.htm", "/a.htm"), or another scheme.
TLinkTarget ClassifyLink(std::string_view Link, std::string_view CurrentPath);

// Percent-encoding of every byte outside the unreserved characters (and "/" when
// KeepSlashes); decoding turns "%XX" back into bytes and, in queries, "+" into a blank.
std::string UrlEncode(std::string_view Text, bool KeepSlashes);
std::string UrlDecode(std::string_view Text, bool PlusIsBlank);
// The decoded value of Key in a query "a=1&b=2"; empty when it is missing.
std::string QueryValue(std::string_view Query, std::string_view Key);

// The path part of the engine's URL for a book path: "\a b\c.htm" gives "/a%20b/c.htm".
std::string EnginePath(std::string_view BookPath);

// Text for HTML: "&", "<", ">" and double quotes as entities.
std::string HtmlEscape(std::string_view Text);
