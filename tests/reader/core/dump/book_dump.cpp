#include "book_dump.h"

#include "u_Book.h"
#include "u_ReaderBook.h"
#include "u_ReaderSearch.h"

#include <cstdint>
#include <cstdio>

namespace {

// FNV-1a, 64 bits: a digest of a file's bytes, the same on every platform.
std::string Digest(const std::string& bytes) {
    uint64_t hash = 0xCBF29CE484222325ull;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001B3ull;
    }
    char text[40];
    std::snprintf(text, sizeof text, "%016llx/%zu", static_cast<unsigned long long>(hash), bytes.size());
    return text;
}

void Files(const TMFS& store, const char* what, const TReaderBook* expand, std::string& out) {
    ForEachItemBelow(store.Root(), [&](const TMFSItem* item) {
        out += std::string(what) + " " + item->FullPath();
        if (!item->IsFolder()) {
            const TMFSFile* file = static_cast<const TMFSFile*>(item);
            out += " " + Digest(file->Content);
            if (expand) {
                std::string shown;
                const TPageStatus status = expand->ReadPage(item->FullPath(), shown);
                out += status == TPageStatus::Ok ? " shown " + Digest(shown)
                       : status == TPageStatus::Protected ? " protected"
                                                          : " not found";
            }
        }
        out += "\n";
    });
}

const char* ProtectionName(TBookProtection protection) {
    switch (protection) {
    case TBookProtection::Password:
        return "password";
    case TBookProtection::Selected:
        return "selected pages";
    case TBookProtection::UserPassword:
        return "users";
    default:
        return "none";
    }
}

} // namespace

std::string DumpBook(const TDumpRequest& Request) {
    std::string out;
    try {
        TReaderBook book(Request.Book);
        out += "title " + book.Title() + "\n";
        out += "caption " + book.Caption() + "\n";
        out += std::string("protection ") + ProtectionName(book.Protection()) + "\n";
        out += "window " + std::to_string(book.Options().Width) + "x" + std::to_string(book.Options().Height) + "\n";
        out += "toolbar buttons " + std::to_string(book.ToolButtons().size()) + ", forms " +
               std::to_string(book.Forms().size()) + ", icon " + Digest(book.Icon()) + "\n";
        const TReaderStory& story = book.Story();
        for (int i = 0; i < story.Count(); ++i) {
            const TStoryPage& page = story.Pages()[static_cast<size_t>(i)];
            out += "page " + std::to_string(i) + " " + page.Path + " \"" + page.Title + "\"" +
                   (page.Searchable ? " searchable" : "") + (page.RightClick ? " rightclick" : "") +
                   (page.PasswordProtection ? " protected" : "") + " next " + std::to_string(story.Next(i)) +
                   " next chapter " + std::to_string(story.NextChapter(i)) + "\n";
        }
        for (const std::string& attempt : Request.Tries) {
            const size_t colon = attempt.find(':');
            const std::string user = colon == std::string::npos ? std::string() : attempt.substr(0, colon);
            const std::string password = colon == std::string::npos ? attempt : attempt.substr(colon + 1);
            const bool right = book.Protection() == TBookProtection::Selected ? book.UnlockSelected(password)
                                                                                : book.Unlock(user, password);
            out += "try " + attempt + " " + (right ? "right" : "wrong") + "\n";
        }
        Files(book.Book().System(), "system", nullptr, out);
        if (book.Locked()) {
            out += "pages locked\n";
        } else {
            Files(book.Book().Pages(), "file", &book, out);
            for (const std::string& query : Request.Searches) {
                out += "search " + query + "\n";
                for (const TSearchHit& hit : SearchBook(book, query))
                    out += "  hit " + std::to_string(hit.Page) + " " + hit.Path + " \"" + hit.Title + "\" \"" +
                           hit.Excerpt + "\"\n";
            }
        }
    } catch (const std::exception& e) {
        // The message names the book by its path, which differs between the hosts.
        std::string message = e.what();
        const size_t at = message.find(Request.Book);
        if (at != std::string::npos)
            message.replace(at, Request.Book.size(), "BOOK");
        out += "error " + message + "\n";
    }
    return out;
}

std::vector<TDumpRequest> DumpRequests(const std::vector<std::string>& Arguments) {
    std::vector<TDumpRequest> requests;
    for (size_t i = 0; i + 1 < Arguments.size(); i += 2) {
        const std::string& option = Arguments[i];
        const std::string& value = Arguments[i + 1];
        if (option == "--book")
            requests.push_back({value, {}, {}});
        else if (option == "--try" && !requests.empty())
            requests.back().Tries.push_back(value);
        else if (option == "--search" && !requests.empty())
            requests.back().Searches.push_back(value);
    }
    return requests;
}
