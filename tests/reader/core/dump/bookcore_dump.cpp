// bookcore_dump: prints what the reader core reads from the books named on the command
// line (see book_dump.h), one section a book, and "end of dump" when it is through, so
// that a caller can tell a run that did nothing from one that read every book.
#include "book_dump.h"

#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const std::vector<TDumpRequest> requests = DumpRequests(arguments);
    std::string out;
    for (size_t i = 0; i < requests.size(); ++i)
        out += "== book " + std::to_string(i) + "\n" + DumpBook(requests[i]);
    out += "end of dump\n";
#ifdef _WIN32
    // The same bytes as on Linux: no CR before each LF.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}
