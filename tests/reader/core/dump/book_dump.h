// What a reader core reads from books, printed as text: the description, the story,
// the answers to passwords, a digest of every system file and every page (as stored and
// as the reader gives it out), the story walk and search results. The Linux build and
// the Windows build print it for the same books, and the parity test compares them.
#pragma once

#include <string>
#include <vector>

struct TDumpRequest {
    std::string Book;
    // Passwords tried in order, "user:password" (a user name is ignored by books that
    // ask none); the last one that opens the book leaves it open for the dump.
    std::vector<std::string> Tries;
    std::vector<std::string> Searches;
};

// The text for one book; a book that does not open gives its message.
std::string DumpBook(const TDumpRequest& Request);

// Reads requests from command-line arguments: "--book FILE" starts a request,
// "--try USER:PASSWORD" and "--search WORDS" add to it.
std::vector<TDumpRequest> DumpRequests(const std::vector<std::string>& Arguments);
