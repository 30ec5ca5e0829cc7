// What the readers' windows do with a book address once the session has decided on it:
// the URL their HTML engine is given for it, and the window of its own a page opens in
// when a link or bookmark asks for a new window.
#pragma once

#include "u_ReaderBook.h"

#include <string>
#include <string_view>

// The engine's URL of a book address: "\a b\c.htm?x=1#f" gives "book:/a%20b/c.htm?x=1#f".
std::string EngineUrl(std::string_view Address);
// The window of a page opened in a new window from a window OwnerWidth x OwnerHeight:
// four fifths of it, placed near the owner, sizeable, with scroll bars.
TReaderForm PageWindowForm(std::string_view Address, int OwnerWidth, int OwnerHeight);
