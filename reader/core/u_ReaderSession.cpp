#include "u_ReaderSession.h"

#include "u_CaseBlind.h"
#include "u_ReaderSearch.h"

const char* const ReaderQueryKey = "pagelamp";

namespace {

// The kind of a reader address ("search", "notfound", "hits"...), empty for a book page.
std::string ReaderKind(const TBookAddress& address) {
    return QueryValue(address.Query, ReaderQueryKey);
}

// A page of the book: one without a reader kind, or one opened from the search results.
bool IsBookPage(std::string_view kind) {
    return kind.empty() || kind == "hits";
}

std::string ReaderAddress(std::string_view kind, std::string_view page = {}) {
    std::string address = std::string("\\?") + ReaderQueryKey + "=" + std::string(kind);
    if (!page.empty())
        address += "&page=" + UrlEncode(page, false);
    return address;
}

} // namespace

TNavDecision TReaderSession::Decide(std::string_view Link) const {
    TNavDecision decision;
    const TLinkTarget target = ClassifyLink(Link, FCurrent.empty() ? std::string("\\") : CurrentPath());
    decision.Url = target.Url;
    if (target.Kind == TLinkKind::External) {
        decision.Kind = TNavKind::External;
        return decision;
    }
    if (target.Kind == TLinkKind::Refused) {
        decision.Kind = TNavKind::Refused;
        return decision;
    }
    const TBookAddress& address = target.Address;
    // The reader's own pages (results, messages) are shown as they are; a page opened
    // from the results is a book page like any other.
    if (!IsBookPage(ReaderKind(address))) {
        decision.Kind = TNavKind::Show;
        decision.Address = address.Text();
        return decision;
    }
    if (const TReaderForm* form = FBook.FormAt(address.Path); form && form->IsForm) {
        decision.Kind = TNavKind::Form;
        decision.Form = form;
        decision.Address = address.Path;
        return decision;
    }
    decision.Kind = TNavKind::Show;
    if (!FBook.PageExists(address.Path)) {
        const TReaderForm* notFound = FBook.FormNamed(PageNotFoundPageName);
        if (notFound && FBook.PageExists(notFound->Path))
            decision.Address = notFound->Path;
        else
            decision.Address = ReaderAddress("notfound", address.Path);
        return decision;
    }
    decision.Address = address.Text();
    if (FBook.IsGuarded(address.Path))
        decision.Kind = TNavKind::AskPassword;
    return decision;
}

void TReaderSession::Shown(const std::string& Address, bool AddToHistory) {
    FCurrent = Address;
    if (AddToHistory)
        FHistory.Visit(Address);
    const TBookAddress address = ParseBookAddress(Address);
    if (IsBookPage(ReaderKind(address))) {
        const int index = FBook.Story().IndexOf(address.Path);
        if (index >= 0)
            FPosition = index;
    }
}

std::string TReaderSession::CurrentPath() const {
    return ParseBookAddress(FCurrent).Path;
}

std::string TReaderSession::PageAddress(int Index) const {
    if (Index < 0 || Index >= FBook.Story().Count())
        return std::string();
    return FBook.Story().Pages()[static_cast<size_t>(Index)].Path;
}

std::string TReaderSession::StoryTarget(TStoryCommand Command) const {
    const TReaderStory& story = FBook.Story();
    switch (Command) {
    case TStoryCommand::First:
    case TStoryCommand::Home:
        return PageAddress(story.First());
    case TStoryCommand::Last:
        return PageAddress(story.Last());
    case TStoryCommand::Next:
        return PageAddress(story.Next(FPosition));
    case TStoryCommand::Prior:
        return PageAddress(story.Prior(FPosition));
    case TStoryCommand::NextChapter:
        return PageAddress(story.NextChapter(FPosition));
    case TStoryCommand::PriorChapter:
        return PageAddress(story.PriorChapter(FPosition));
    }
    return std::string();
}

bool TReaderSession::RightClickAllowed() const {
    if (const TStoryPage* page = FBook.Story().Find(CurrentPath()))
        return page->RightClick;
    return FBook.Options().AllowRightClickContextMenu != 1;
}

std::string TReaderSession::StartAddress(const std::string& LastRead) const {
    if (!LastRead.empty()) {
        const TBookAddress address = ParseBookAddress(LastRead);
        if (address.Query.empty() && FBook.PageExists(address.Path) && !FBook.IsGuarded(address.Path) &&
            !FBook.FormAt(address.Path))
            return address.Path;
    }
    const std::string first = PageAddress(FBook.Story().First());
    return first.empty() ? ReaderAddress("empty") : first;
}

std::string TReaderSession::LastReadPage() const {
    const TBookAddress current = ParseBookAddress(FCurrent);
    if (current.Query.empty() || ReaderKind(current) == "hits")
        return current.Path;
    return PageAddress(FPosition);
}

std::string TReaderSession::SearchAddress(std::string_view Query) const {
    const TReaderForm* results = FBook.FormNamed(SearchResultsPageName);
    const std::string path = results && FBook.PageExists(results->Path) ? results->Path : std::string("\\");
    return path + "?" + ReaderQueryKey + "=search&q=" + UrlEncode(Query, false);
}

std::vector<std::string> TReaderSession::HighlightTerms() const {
    const TBookAddress address = ParseBookAddress(FCurrent);
    if (ReaderKind(address) != "hits")
        return {};
    return SearchTerms(QueryValue(address.Query, "q"));
}

TServedPage TReaderSession::Serve(const TBookAddress& Address) const {
    TServedPage served;
    const std::string kind = ReaderKind(Address);
    if (kind == "search") {
        const std::string query = QueryValue(Address.Query, "q");
        std::string page;
        const TReaderForm* results = FBook.FormNamed(SearchResultsPageName);
        if (!(results && SameTextCaseBlind(results->Path, Address.Path) &&
              FBook.ReadPage(results->Path, page) == TPageStatus::Ok))
            page.clear();
        served.Status = TPageStatus::Ok;
        served.Generated = true;
        served.Data = SearchResultsHtml(page, query, SearchBook(FBook, query));
        return served;
    }
    if (kind == "notfound" || kind == "empty") {
        served.Status = TPageStatus::Ok;
        served.Generated = true;
        served.Data = kind == "empty"
                          ? ReaderPageHtml(FBook.Title(), "<p>This book has no pages.</p>")
                          : ReaderPageHtml("Page not found",
                                           "<p>The page &quot;" + HtmlEscape(QueryValue(Address.Query, "page")) +
                                               "&quot; is not part of this book.</p>");
        return served;
    }
    served.Status = FBook.ReadPage(Address.Path, served.Data);
    if (served.Status == TPageStatus::Protected) {
        served.Generated = true;
        served.Data = ReaderPageHtml("Protected page", "<p>This page is protected by a password.</p>");
    }
    return served;
}
