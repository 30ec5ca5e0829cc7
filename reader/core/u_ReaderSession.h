// One reading session of a book: what following a link means (a page, a form, the
// desktop's opener, a password, nothing), the page shown now with the reading
// history and the position in the story, the targets of the story commands, and what
// the HTML engine is given for each address, the reader's own pages included
// (search results, page not found, guarded page).
#pragma once

#include "u_ReaderBook.h"
#include "u_ReaderPaths.h"
#include "u_ReaderStory.h"

#include <string>
#include <string_view>
#include <vector>

// The query key of the reader's own addresses ("?pagelamp=search&q=lamp").
extern const char* const ReaderQueryKey; // "pagelamp"

enum class TNavKind {
    Show,        // load Address in the view
    Form,        // open Form in a window of its own
    External,    // hand Url to the desktop's opener
    AskPassword, // Address is guarded: ask the book's password, then decide again
    Refused,     // a link the reader does not follow (Url)
};

struct TNavDecision {
    TNavKind Kind = TNavKind::Refused;
    std::string Address;
    std::string Url;
    const TReaderForm* Form = nullptr;
};

enum class TStoryCommand { First, Prior, Next, Last, PriorChapter, NextChapter, Home };

struct TServedPage {
    TPageStatus Status = TPageStatus::NotFound;
    std::string Data;
    bool Generated = false; // an HTML page made by the reader
};

class TReaderSession {
public:
    explicit TReaderSession(TReaderBook& Book) : FBook(Book) {}

    TReaderBook& Book() const noexcept { return FBook; }

    // What following Link from the page shown now means. Links are the engine's
    // ("book:/a.htm", "https://..."), the book's ("\a.htm", "pics\b.htm") or reader
    // addresses.
    TNavDecision Decide(std::string_view Link) const;

    // Address is shown now: it joins the history (unless Back or Forward brought it
    // back) and, for a story page, becomes the position in the story.
    void Shown(const std::string& Address, bool AddToHistory = true);
    const std::string& Current() const noexcept { return FCurrent; }
    std::string CurrentPath() const;
    // Index in the story of the last story page shown, -1 before the first.
    int Position() const noexcept { return FPosition; }

    // The address a story command leads to, or empty when it leads nowhere.
    std::string StoryTarget(TStoryCommand Command) const;
    bool CanBack() const noexcept { return FHistory.CanBack(); }
    bool CanForward() const noexcept { return FHistory.CanForward(); }
    // Steps through the history; the address to show, empty when there is none.
    std::string Back() { return FHistory.Back(); }
    std::string Forward() { return FHistory.Forward(); }

    // The right-click menu is allowed on the page shown now: the story page's own
    // value, else the book's option (allowed unless it refuses for every page).
    bool RightClickAllowed() const;

    // Where reading starts: the page last read when the book still has it unguarded,
    // else the first page of the story (a page of the reader's own when the story is
    // empty).
    std::string StartAddress(const std::string& LastRead) const;
    // The page to start from next time, never one the reader made: the page shown now
    // when its address has no query (or is one opened from the search results), else
    // the last story page shown (empty when there is none).
    std::string LastReadPage() const;

    // The address of the results page for a query, and the words to mark on the page
    // shown now (those of the search that led to it).
    std::string SearchAddress(std::string_view Query) const;
    std::vector<std::string> HighlightTerms() const;

    // What the engine is given for an address.
    TServedPage Serve(const TBookAddress& Address) const;

private:
    std::string PageAddress(int Index) const;

    TReaderBook& FBook;
    std::string FCurrent;
    int FPosition = -1;
    TReaderHistory FHistory;
};
