// Stand-ins for the HTML engine's host and the book protocol until they are built in.
#include "w_BookProtocol.h"
#include "w_BookView.h"

#include "u_ReaderProtocol.h"

std::unique_ptr<TBookView> CreateBrowserView(HWND, TBookViewEvents&, std::string& Error) {
    Error = "the HTML engine is not built in";
    return nullptr;
}

bool RegisterBookProtocol(TBookRequestHandler, std::string&) {
    return true;
}

void UnregisterBookProtocol() {}

TProtocolAnswer AnswerBookRequest(const TReaderSession&, std::string_view) {
    return TProtocolAnswer();
}
