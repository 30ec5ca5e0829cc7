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
