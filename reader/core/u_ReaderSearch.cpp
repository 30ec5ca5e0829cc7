#include "u_ReaderSearch.h"

#include "u_CaseBlind.h"
#include "u_ReaderBook.h"
#include "u_ReaderPaths.h"
#include "u_ReaderSession.h"
#include "u_TextUtils.h"

#include <algorithm>
#include <cstdint>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// ASCII letters only, so that a folded text keeps every position of the original.
char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithIgnoreCase(std::string_view text, size_t at, std::string_view prefix) {
    if (text.size() - at < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (AsciiLower(text[at + i]) != prefix[i])
            return false;
    return true;
}

// Position after the closing "</tag>" (letter case ignored), or the end of the text.
size_t SkipElement(std::string_view html, size_t from, std::string_view closing) {
    for (size_t at = html.find("</", from); at != std::string_view::npos; at = html.find("</", at + 2))
        if (StartsWithIgnoreCase(html, at + 2, closing)) {
            const size_t end = html.find('>', at);
            return end == std::string_view::npos ? html.size() : end + 1;
        }
    return html.size();
}

// Decodes the character reference at html[at] ("&...;"); returns the length used,
// 0 when it is none that the reader knows.
size_t DecodeReference(std::string_view html, size_t at, std::string& out) {
    const size_t semi = html.find(';', at);
    if (semi == std::string_view::npos || semi - at > 10)
        return 0;
    const std::string_view name = html.substr(at + 1, semi - at - 1);
    if (name.size() >= 2 && name[0] == '#') {
        uint32_t code = 0;
        const bool hex = name[1] == 'x' || name[1] == 'X';
        for (size_t i = hex ? 2 : 1; i < name.size(); ++i) {
            const char c = name[i];
            const int digit = hex ? HexDigitValue(c) : c >= '0' && c <= '9' ? c - '0' : -1;
            if (digit < 0 || code > 0x10FFFF)
                return 0;
            code = code * (hex ? 16 : 10) + static_cast<uint32_t>(digit);
        }
        AppendCodePoint(out, code);
        return semi - at + 1;
    }
    static const struct {
        const char* name;
        uint32_t code;
    } named[] = {{"amp", '&'},    {"lt", '<'},       {"gt", '>'},      {"quot", '"'},     {"apos", '\''},
                 {"nbsp", ' '},   {"middot", 0xB7},  {"copy", 0xA9},   {"reg", 0xAE},     {"mdash", 0x2014},
                 {"ndash", 0x2013}, {"hellip", 0x2026}, {"laquo", 0xAB}, {"raquo", 0xBB}, {"lsquo", 0x2018},
                 {"rsquo", 0x2019}, {"ldquo", 0x201C}, {"rdquo", 0x201D}};
    for (const auto& entry : named)
        if (name == entry.name) {
            AppendCodePoint(out, entry.code);
            return semi - at + 1;
        }
    return 0;
}

// Cuts a text at the nearest character boundary at or before Pos (UTF-8).
size_t CharBoundary(std::string_view text, size_t pos) {
    while (pos > 0 && pos < text.size() && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80)
        --pos;
    return pos;
}

std::string Excerpt(const std::string& text, const std::string& folded, const std::string& term) {
    constexpr size_t reach = 90;
    size_t hit = folded.find(term);
    // Folding keeps positions for almost every text; where it does not, the excerpt
    // is the page's beginning.
    if (hit == std::string::npos || folded.size() != text.size())
        hit = 0;
    size_t start = hit > reach ? CharBoundary(text, hit - reach) : 0;
    size_t end = std::min(text.size(), hit + term.size() + reach);
    end = CharBoundary(text, end);
    if (start > 0) {
        const size_t blank = text.find(' ', start);
        if (blank != std::string::npos && blank < hit)
            start = blank + 1;
    }
    if (end < text.size()) {
        const size_t blank = text.rfind(' ', end);
        if (blank != std::string::npos && blank > hit + term.size())
            end = blank;
    }
    std::string excerpt = text.substr(start, end - start);
    if (start > 0)
        excerpt.insert(0, "... ");
    if (end < text.size())
        excerpt += " ...";
    return excerpt;
}

// HTML text in ASCII: the escapes of HtmlEscape, and every UTF-8 character as a
// numeric reference, so that the results read right whatever the character set of the
// page they are put into. Bytes that are no UTF-8 stay as they are.
std::string HtmlText(std::string_view text) {
    std::string out;
    const std::string escaped = HtmlEscape(text);
    for (size_t i = 0; i < escaped.size();) {
        const auto c = static_cast<unsigned char>(escaped[i]);
        const size_t length = c >= 0xF0 && c < 0xF8 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 1;
        uint32_t code = length == 4 ? c & 0x07 : length == 3 ? c & 0x0F : c & 0x1F;
        bool valid = length > 1 && i + length <= escaped.size();
        for (size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(escaped[i + k]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        if (valid) {
            out += "&#" + std::to_string(code) + ";";
            i += length;
        } else {
            out += escaped[i++];
        }
    }
    return out;
}

// Keeps the excerpt under its title wherever the list goes.
const char* const ResultsStyle =
    "<style>ol.pagelamp-results{padding-left:1.4em}ol.pagelamp-results li{margin:0 0 .8em}"
    ".pagelamp-excerpt{display:block;font-size:.92em;opacity:.8}</style>\n";

} // namespace

std::vector<std::string> SearchTerms(std::string_view Query) {
    std::vector<std::string> terms;
    size_t at = 0;
    while (at < Query.size()) {
        while (at < Query.size() && IsBlank(Query[at]))
            ++at;
        size_t end = at;
        while (end < Query.size() && !IsBlank(Query[end]))
            ++end;
        if (end > at) {
            std::string term = LowerCaseText(Query.substr(at, end - at));
            if (std::find(terms.begin(), terms.end(), term) == terms.end())
                terms.push_back(std::move(term));
        }
        at = end;
    }
    return terms;
}

std::string HtmlToText(std::string_view Html) {
    std::string out;
    out.reserve(Html.size() / 2);
    bool blank = true; // no blank at the start
    auto space = [&] {
        if (!blank) {
            out += ' ';
            blank = true;
        }
    };
    size_t at = 0;
    while (at < Html.size()) {
        const char c = Html[at];
        if (c == '<') {
            if (Html.compare(at, 4, "<!--") == 0) {
                const size_t end = Html.find("-->", at + 4);
                at = end == std::string_view::npos ? Html.size() : end + 3;
            } else if (StartsWithIgnoreCase(Html, at + 1, "script")) {
                at = SkipElement(Html, at + 7, "script");
            } else if (StartsWithIgnoreCase(Html, at + 1, "style")) {
                at = SkipElement(Html, at + 6, "style");
            } else if (StartsWithIgnoreCase(Html, at + 1, "title")) {
                // The title is the result's link; the excerpt is the page's own text.
                at = SkipElement(Html, at + 6, "title");
            } else {
                const size_t end = Html.find('>', at);
                at = end == std::string_view::npos ? Html.size() : end + 1;
            }
            space();
            continue;
        }
        if (c == '&') {
            std::string decoded;
            if (const size_t used = DecodeReference(Html, at, decoded)) {
                if (decoded == " ") {
                    space();
                } else {
                    out += decoded;
                    blank = false;
                }
                at += used;
                continue;
            }
        }
        if (IsBlank(c)) {
            space();
        } else {
            out += c;
            blank = false;
        }
        ++at;
    }
    if (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

std::vector<TSearchHit> SearchBook(const TReaderBook& Book, std::string_view Query) {
    std::vector<TSearchHit> hits;
    const std::vector<std::string> terms = SearchTerms(Query);
    if (terms.empty())
        return hits;
    const std::vector<TStoryPage>& pages = Book.Story().Pages();
    for (size_t i = 0; i < pages.size(); ++i) {
        const TStoryPage& page = pages[i];
        // A page listed more than once is searched at its first listing.
        if (!page.Searchable || Book.Story().IndexOf(page.Path) != static_cast<int>(i))
            continue;
        std::string html;
        if (Book.ReadPage(page.Path, html) != TPageStatus::Ok)
            continue;
        const std::string text = HtmlToText(html);
        const std::string folded = LowerCaseText(text);
        const bool all = std::all_of(terms.begin(), terms.end(),
                                     [&](const std::string& term) { return folded.find(term) != std::string::npos; });
        if (all)
            hits.push_back({static_cast<int>(i), page.Path, page.Title, Excerpt(text, folded, terms.front())});
    }
    return hits;
}

std::string ReaderPageHtml(std::string_view Title, std::string_view Body) {
    std::string html =
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + HtmlEscape(Title) +
        "</title>\n<style>body{font-family:sans-serif;margin:2em;line-height:1.45;color:#222;background:#fff}"
        "h1{font-size:1.4em;font-weight:600;margin:0 0 .8em}</style></head>\n<body><h1>" +
        HtmlEscape(Title) + "</h1>\n";
    html += Body;
    html += "\n</body></html>\n";
    return html;
}

std::string SearchResultsHtml(const std::string& Template, std::string_view Query,
                              const std::vector<TSearchHit>& Hits) {
    std::string list = ResultsStyle;
    const std::string query = HtmlText(Query);
    if (Hits.empty()) {
        list += "<p class=\"pagelamp-summary\">No page holds every word of &quot;" + query + "&quot;.</p>\n";
    } else {
        list += "<p class=\"pagelamp-summary\">" + std::to_string(Hits.size()) +
               (Hits.size() == 1 ? " page holds" : " pages hold") + " &quot;" + query + "&quot;:</p>\n" +
               "<ol class=\"pagelamp-results\">\n";
        for (const TSearchHit& hit : Hits) {
            const std::string href =
                EnginePath(hit.Path) + "?" + ReaderQueryKey + "=hits&amp;q=" + UrlEncode(Query, false);
            const std::string title = hit.Title.empty() ? hit.Path : hit.Title;
            list += "<li><a href=\"" + href + "\">" + HtmlText(title) + "</a>";
            if (!hit.Excerpt.empty())
                list += "<span class=\"pagelamp-excerpt\">" + HtmlText(hit.Excerpt) + "</span>";
            list += "</li>\n";
        }
        list += "</ol>\n";
    }
    if (Template.empty())
        return ReaderPageHtml("Search results", list);

    // Into the element of id "results", else before the end of the body, else at the end.
    std::string folded = Template;
    std::transform(folded.begin(), folded.end(), folded.begin(), AsciiLower);
    size_t insert = std::string::npos;
    for (const char* id : {"id=\"results\"", "id='results'", "id=results"}) {
        const size_t at = folded.find(id);
        if (at != std::string::npos) {
            const size_t close = folded.find('>', at);
            if (close != std::string::npos)
                insert = close + 1;
            break;
        }
    }
    if (insert == std::string::npos)
        insert = folded.rfind("</body");
    if (insert == std::string::npos)
        insert = Template.size();
    std::string html = Template;
    html.insert(insert, list);
    return html;
}
