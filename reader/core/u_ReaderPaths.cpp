#include "u_ReaderPaths.h"

#include "u_CaseBlind.h"
#include "u_TextUtils.h"

const char* const BookScheme = "book";

std::string TBookAddress::Text() const {
    std::string text = Path;
    if (!Query.empty())
        text += "?" + Query;
    if (!Fragment.empty())
        text += "#" + Fragment;
    return text;
}

namespace {

// Takes the fragment and the query off a link into Address; returns the path part.
std::string_view SplitLink(std::string_view link, TBookAddress& address) {
    const size_t hash = link.find('#');
    if (hash != std::string_view::npos) {
        address.Fragment = std::string(link.substr(hash + 1));
        link = link.substr(0, hash);
    }
    const size_t question = link.find('?');
    if (question != std::string_view::npos) {
        address.Query = std::string(link.substr(question + 1));
        link = link.substr(0, question);
    }
    return link;
}

} // namespace

TBookAddress ParseBookAddress(std::string_view Text) {
    TBookAddress address;
    address.Path = NormalizeBookPath(SplitLink(Text, address));
    return address;
}

namespace {

// The scheme of a link ("http" for "http://x"), or empty when the link has none. A
// single letter before ":" is a drive letter, not a scheme.
std::string_view SchemeOf(std::string_view link) {
    const size_t colon = link.find(':');
    if (colon == std::string_view::npos || colon < 2)
        return {};
    for (size_t i = 0; i < colon; ++i) {
        const char c = link[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const bool other = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
        if (!letter && !(i > 0 && other))
            return {};
    }
    return link.substr(0, colon);
}

} // namespace

TLinkTarget ClassifyLink(std::string_view Link, std::string_view CurrentPath) {
    TLinkTarget target;
    Link = TrimControls(Link);
    target.Url = std::string(Link);
    const std::string_view scheme = SchemeOf(Link);
    if (!scheme.empty()) {
        if (SameTextCaseBlind(scheme, BookScheme)) {
            // "book:/a.htm" and "book:\a.htm" are from the root, "book:a.htm" too.
            std::string rest(Link.substr(scheme.size() + 1));
            if (rest.empty() || (rest[0] != '/' && rest[0] != '\\'))
                rest.insert(0, "\\");
            target.Kind = TLinkKind::Book;
            target.Address = ParseBookAddress(rest);
            target.Address.Path = NormalizeBookPath(UrlDecode(target.Address.Path, false));
            return target;
        }
        const bool external = SameTextCaseBlind(scheme, "http") || SameTextCaseBlind(scheme, "https") ||
                              SameTextCaseBlind(scheme, "mailto");
        target.Kind = external ? TLinkKind::External : TLinkKind::Refused;
        return target;
    }
    target.Kind = TLinkKind::Book;
    TBookAddress address;
    const std::string_view path = SplitLink(Link, address);
    // A link to a fragment or a query alone stays on the current page.
    address.Path = path.empty() ? NormalizeBookPath(CurrentPath) : NormalizeBookPath(path, CurrentPath);
    target.Address = std::move(address);
    return target;
}

std::string UrlEncode(std::string_view Text, bool KeepSlashes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(Text.size());
    for (const char ch : Text) {
        const auto c = static_cast<unsigned char>(ch);
        const bool unreserved = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                                c == '-' || c == '_' || c == '.' || c == '~';
        if (unreserved || (KeepSlashes && c == '/')) {
            out += ch;
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

std::string UrlDecode(std::string_view Text, bool PlusIsBlank) {
    std::string out;
    out.reserve(Text.size());
    for (size_t i = 0; i < Text.size(); ++i) {
        const char c = Text[i];
        if (c == '%' && i + 2 < Text.size() && HexDigitValue(Text[i + 1]) >= 0 &&
            HexDigitValue(Text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigitValue(Text[i + 1]) * 16 + HexDigitValue(Text[i + 2]));
            i += 2;
        } else if (c == '+' && PlusIsBlank) {
            out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

std::string QueryValue(std::string_view Query, std::string_view Key) {
    size_t start = 0;
    while (start <= Query.size()) {
        size_t end = Query.find('&', start);
        if (end == std::string_view::npos)
            end = Query.size();
        const std::string_view pair = Query.substr(start, end - start);
        const size_t equals = pair.find('=');
        const std::string_view name = pair.substr(0, equals);
        if (UrlDecode(name, true) == Key)
            return equals == std::string_view::npos ? std::string()
                                                    : UrlDecode(pair.substr(equals + 1), true);
        start = end + 1;
    }
    return std::string();
}

std::string EnginePath(std::string_view BookPath) {
    std::string path = NormalizeBookPath(BookPath);
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return UrlEncode(path, true);
}

std::string HtmlEscape(std::string_view Text) {
    std::string out;
    out.reserve(Text.size());
    for (const char c : Text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}
