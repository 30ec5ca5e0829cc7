// Searching a book: the visible text of its pages, the story pages marked searchable
// that hold every word of a query, and the results page, either the book's own
// "Search Results" page with the list put into its element of id "results", or a
// page of the reader's own.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class TReaderBook;

// The words of a query (split at white space), in lower case, each once.
std::vector<std::string> SearchTerms(std::string_view Query);

// The visible text of an HTML page: tags, comments, scripts and style sheets dropped,
// the common character references decoded, runs of white space made one blank.
std::string HtmlToText(std::string_view Html);

struct TSearchHit {
    int Page = -1; // index in the story
    std::string Path;
    std::string Title;
    std::string Excerpt; // text around the first word found
};

// The story pages marked searchable that hold every word of Query (letter case
// ignored), in story order, each page once. Pages still guarded by a password are
// left out. An empty query finds nothing.
std::vector<TSearchHit> SearchBook(const TReaderBook& Book, std::string_view Query);

// A whole page in the reader's own plain style: Title as heading, Body as HTML.
std::string ReaderPageHtml(std::string_view Title, std::string_view Body);

// The results page. Template is the book's "Search Results" page (variables already
// expanded), or empty for the reader's own page. Each result links to its page with
// the query attached, so that the page shows the words found.
std::string SearchResultsHtml(const std::string& Template, std::string_view Query,
                              const std::vector<TSearchHit>& Hits);
