// The reader's command line: "pagelamp [OPTIONS] [BOOK]".
#pragma once

#include <string>
#include <vector>

struct TReaderArguments {
    std::string Book;
    bool Batch = false;  // failures on standard error only, no windows for them
    bool Timing = false; // report on standard error when the first page is shown
    bool Help = false;
    bool Version = false;
    std::string Error; // not empty when the command line cannot be used
};

extern const char* const ReaderUsage;

// Args without the program's name; Qt's own options are already taken out.
TReaderArguments ParseReaderArguments(const std::vector<std::string>& Args);
