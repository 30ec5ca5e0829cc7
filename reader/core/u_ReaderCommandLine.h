// The reader's command line: "pagelamp [OPTIONS] [BOOK]".
#pragma once

#include <string>
#include <vector>

struct TReaderArguments {
    std::string Book;
    bool Batch = false;  // failures on standard error only, no windows for them
    bool Timing = false; // report on standard error when the first page is shown
    std::string Error; // not empty when the command line cannot be used
};

extern const char* const ReaderUsage;

// Args without the program's name; Qt's own options are already taken out. "--help",
// "-h" and "--version" are answered by the program before Qt starts, and passed over here.
TReaderArguments ParseReaderArguments(const std::vector<std::string>& Args);
