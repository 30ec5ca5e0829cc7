// What the reader's HTML engine is given for a "book:" address: the mapping of an
// engine request to a response, shared by the Linux reader's scheme handler and the
// Windows reader's pluggable protocol, and the combination of relative addresses the
// Windows engine asks its protocol for.
#pragma once

#include <string>
#include <string_view>

class TReaderSession;

enum class TProtocolStatus { Ok, NotFound, Refused };

struct TProtocolAnswer {
    TProtocolStatus Status = TProtocolStatus::NotFound;
    std::string MimeType; // "text/html", "image/png", ...
    std::string Data;
};

// What the book protocol answers for an engine URL ("book:/a%20b/c.htm?x=1#f") in a
// reading session: the page's bytes, a page the reader makes (search results, guarded
// page), nothing for a name outside the book, a refusal for a guarded page before its
// password.
TProtocolAnswer AnswerBookRequest(const TReaderSession& Session, std::string_view Url);

// A relative address combined with a book URL ("book:/dir/one.htm" + "../two.htm"):
// relative links, "..", queries, fragments and root-relative links, with the same
// results as the Linux reader's.
std::string CombineBookUrl(std::string_view Base, std::string_view Relative);

// The MIME type of a file of the book, judged from its name (without folders) and, when
// the name says nothing, from its first bytes: "text/plain" for other text and
// "application/octet-stream" for other data. The reader's own pages are "text/html".
std::string BookFileMimeType(std::string_view FileName, std::string_view Data);

// An HTML page with the declaration that asks the Windows engine for its newest
// document mode (a page of the book may be written for any engine); a page that
// already declares a mode keeps it.
std::string WithStandardsMode(std::string_view Html);

// What the reader's HTML engine may load or run: the book's own pages, the web (its
// own policy applies), the engine's own addresses ("about:blank", "javascript:",
// "res:", "data:"), and everything else (local files, other programs' schemes), which
// is refused.
enum class TEngineUrlKind { Book, Web, Engine, Refused };
TEngineUrlKind EngineUrlKind(std::string_view Url);
