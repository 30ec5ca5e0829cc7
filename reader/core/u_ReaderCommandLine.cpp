#include "u_ReaderCommandLine.h"

const char* const ReaderUsage =
    "Usage: pagelamp [OPTIONS] [BOOK]\n"
    "\n"
    "Opens a book compiled by the Quarvel authoring kit and shows it. Without BOOK a\n"
    "file dialog asks for one.\n"
    "\n"
    "Options:\n"
    "  --batch     report a book that cannot be opened on standard error only\n"
    "  --timing    report on standard error when the first page is shown\n"
    "  --version   show the program's version\n"
    "  --help      show this text\n"
    "\n"
    "Exit status: 0 when the book was read and closed, 1 when it could not be opened\n"
    "(not a book, damaged, or the password was not given), 2 for a wrong command line.\n";

TReaderArguments ParseReaderArguments(const std::vector<std::string>& Args) {
    TReaderArguments result;
    bool options = true;
    for (const std::string& arg : Args) {
        if (options && arg == "--") {
            options = false;
        } else if (options && (arg == "--help" || arg == "-h" || arg == "--version")) {
            continue;
        } else if (options && arg == "--batch") {
            result.Batch = true;
        } else if (options && arg == "--timing") {
            result.Timing = true;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            result.Error = "unknown option \"" + arg + "\"";
        } else if (result.Book.empty()) {
            result.Book = arg;
        } else {
            result.Error = "only one book can be opened";
        }
    }
    return result;
}
