#include "u_ReaderProtocol.h"

#include "u_MFS.h"
#include "u_ReaderPaths.h"
#include "u_ReaderSession.h"
#include "u_TextUtils.h"

#include <cstring>
#include <vector>

namespace {

struct TMimeEntry {
    const char* Extension;
    const char* Type;
};

// The types the desktop's MIME database gives these names, so both readers hand the
// engine the same type for the same file.
const TMimeEntry MimeTable[] = {
    {"htm", "text/html"},
    {"html", "text/html"},
    {"shtml", "text/html"},
    {"xhtml", "application/xhtml+xml"},
    {"xht", "application/xhtml+xml"},
    {"css", "text/css"},
    {"js", "application/javascript"},
    {"mjs", "application/javascript"},
    {"json", "application/json"},
    {"xml", "application/xml"},
    {"xsl", "application/xslt+xml"},
    {"txt", "text/plain"},
    {"csv", "text/csv"},
    {"rtf", "application/rtf"},
    {"png", "image/png"},
    {"gif", "image/gif"},
    {"jpg", "image/jpeg"},
    {"jpeg", "image/jpeg"},
    {"jpe", "image/jpeg"},
    {"bmp", "image/bmp"},
    {"ico", "image/vnd.microsoft.icon"},
    {"svg", "image/svg+xml"},
    {"webp", "image/webp"},
    {"tif", "image/tiff"},
    {"tiff", "image/tiff"},
    {"wav", "audio/x-wav"},
    {"mp3", "audio/mpeg"},
    {"mid", "audio/midi"},
    {"midi", "audio/midi"},
    {"ogg", "audio/ogg"},
    {"mp4", "video/mp4"},
    {"webm", "video/webm"},
    {"avi", "video/x-msvideo"},
    {"swf", "application/vnd.adobe.flash.movie"},
    {"pdf", "application/pdf"},
    {"zip", "application/zip"},
    {"woff", "font/woff"},
    {"woff2", "font/woff2"},
    {"ttf", "font/ttf"},
    {"otf", "font/otf"},
};

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

bool StartsWithAsciiCaseBlind(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && SameTextAscii(text.substr(0, prefix.size()), prefix);
}

// The type the first bytes of a file show, or nullptr.
const char* SniffedType(std::string_view data) {
    if (StartsWith(data, "\x89PNG\r\n\x1a\n"))
        return "image/png";
    if (StartsWith(data, "GIF87a") || StartsWith(data, "GIF89a"))
        return "image/gif";
    if (StartsWith(data, "\xFF\xD8\xFF"))
        return "image/jpeg";
    if (StartsWith(data, "BM") && data.size() >= 14)
        return "image/bmp";
    if (StartsWith(data, std::string_view("\0\0\1\0", 4)))
        return "image/vnd.microsoft.icon";
    if (StartsWith(data, "%PDF-"))
        return "application/pdf";
    if (StartsWith(data, "RIFF") && data.size() >= 12 && data.substr(8, 4) == "WEBP")
        return "image/webp";
    std::string_view text = data;
    if (StartsWith(text, "\xEF\xBB\xBF"))
        text.remove_prefix(3);
    while (!text.empty() &&
           (text.front() == ' ' || text.front() == '\t' || text.front() == '\r' || text.front() == '\n'))
        text.remove_prefix(1);
    for (const char* html : {"<!doctype html", "<html", "<head", "<body", "<!--", "<title", "<script", "<p>",
                             "<div", "<table", "<h1", "<a "})
        if (StartsWithAsciiCaseBlind(text, html))
            return "text/html";
    if (StartsWithAsciiCaseBlind(text, "<svg"))
        return "image/svg+xml";
    if (StartsWith(text, "<?xml"))
        return text.find("<svg") != std::string_view::npos ? "image/svg+xml" : "application/xml";
    return nullptr;
}

// Text is what has no control bytes but white space in its first kilobyte.
bool LooksLikeText(std::string_view data) {
    const std::string_view head = data.substr(0, 1024);
    for (const char ch : head) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 && c != '\t' && c != '\r' && c != '\n' && c != '\f')
            return false;
    }
    return true;
}

// Characters a URL never carries as they are; the engine escapes them too.
bool NeedsEscape(unsigned char c, bool inPath) {
    if (c <= 0x20 || c >= 0x7F)
        return true;
    switch (c) {
    case '"':
    case '<':
    case '>':
    case '`':
        return true;
    case '{':
    case '}':
        return inPath;
    default:
        return false;
    }
}

std::string Escaped(std::string_view text, bool inPath) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
        if (NeedsEscape(static_cast<unsigned char>(text[i]), inPath))
            out += UrlEncode(text.substr(i, 1), false);
        else
            out += text[i];
    return out;
}

// A URL of the book scheme cut into its parts; Path starts with "/" and uses "/".
struct TUrlParts {
    std::string Path;
    std::string Query;    // with its "?", empty when there is none
    std::string Fragment; // with its "#"
};

TUrlParts SplitReference(std::string_view text) {
    TUrlParts parts;
    if (const size_t hash = text.find('#'); hash != std::string_view::npos) {
        parts.Fragment = std::string(text.substr(hash));
        text = text.substr(0, hash);
    }
    if (const size_t question = text.find('?'); question != std::string_view::npos) {
        parts.Query = std::string(text.substr(question));
        text = text.substr(0, question);
    }
    parts.Path = std::string(text);
    for (char& c : parts.Path)
        if (c == '\\')
            c = '/';
    return parts;
}

// Removes "." and ".." segments of an absolute path; ".." above the root stays at it.
// A path ending in "." or ".." names a folder and keeps its final "/".
std::string WithoutDotSegments(std::string_view path) {
    std::vector<std::string_view> segments;
    size_t start = 1;
    bool folder = false;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view segment = path.substr(start, end - start);
        const bool last = end == path.size();
        if (segment == "." || segment == "..") {
            if (segment == ".." && !segments.empty())
                segments.pop_back();
            folder = last;
        } else {
            segments.push_back(segment);
            folder = false;
        }
        start = end + 1;
    }
    std::string out;
    for (const std::string_view segment : segments) {
        out += '/';
        out += segment;
    }
    if (out.empty() || folder)
        out += '/';
    return out;
}

bool IsBookSchemeUrl(std::string_view url) {
    const size_t length = std::strlen(BookScheme);
    return url.size() > length && url[length] == ':' && StartsWithAsciiCaseBlind(url, BookScheme);
}

} // namespace

std::string BookFileMimeType(std::string_view FileName, std::string_view Data) {
    const size_t dot = FileName.rfind('.');
    if (dot != std::string_view::npos) {
        const std::string_view extension = FileName.substr(dot + 1);
        for (const TMimeEntry& entry : MimeTable)
            if (SameTextAscii(extension, entry.Extension))
                return entry.Type;
    }
    if (const char* sniffed = SniffedType(Data))
        return sniffed;
    return LooksLikeText(Data) ? "text/plain" : "application/octet-stream";
}

TProtocolAnswer AnswerBookRequest(const TReaderSession& Session, std::string_view Url) {
    TProtocolAnswer answer;
    const TLinkTarget target = ClassifyLink(Url, "\\");
    if (target.Kind != TLinkKind::Book || !IsBookSchemeUrl(TrimControls(Url)))
        return answer;
    TServedPage served = Session.Serve(target.Address);
    switch (served.Status) {
    case TPageStatus::NotFound:
        return answer;
    case TPageStatus::Protected:
        answer.Status = TProtocolStatus::Refused;
        break;
    case TPageStatus::Ok:
        answer.Status = TProtocolStatus::Ok;
        break;
    }
    answer.MimeType = served.Generated
                          ? "text/html"
                          : BookFileMimeType(TMFS::ExtractName(target.Address.Path), served.Data);
    answer.Data = std::move(served.Data);
    return answer;
}

std::string CombineBookUrl(std::string_view Base, std::string_view Relative) {
    Relative = TrimControls(Relative);
    const std::string scheme = std::string(BookScheme) + ":";
    const std::string root = scheme + "/";
    if (IsBookSchemeUrl(Relative)) {
        // A book URL of its own: only made canonical ("book:a.htm" is from the root).
        Base = root;
        Relative.remove_prefix(scheme.size());
    } else if (ClassifyLink(Relative, "\\").Kind != TLinkKind::Book) {
        return std::string(Relative); // another scheme: not ours to combine
    }
    Base = TrimControls(Base);
    if (IsBookSchemeUrl(Base))
        Base.remove_prefix(scheme.size());
    TUrlParts base = SplitReference(Base);
    if (base.Path.empty() || base.Path[0] != '/')
        base.Path.insert(0, "/");
    const TUrlParts relative = SplitReference(Relative);

    TUrlParts target;
    if (!relative.Path.empty()) {
        if (relative.Path[0] == '/')
            target.Path = relative.Path;
        else
            target.Path = base.Path.substr(0, base.Path.rfind('/') + 1) + relative.Path;
        target.Query = relative.Query;
    } else {
        target.Path = base.Path;
        target.Query = relative.Query.empty() ? base.Query : relative.Query;
    }
    target.Fragment = relative.Fragment;
    return scheme + Escaped(WithoutDotSegments(target.Path), true) + Escaped(target.Query, false) +
           Escaped(target.Fragment, false);
}

std::string WithStandardsMode(std::string_view Html) {
    static const char meta[] = "<meta http-equiv=\"X-UA-Compatible\" content=\"IE=edge\">";
    const std::string_view head = Html.substr(0, 4096);
    if (FindTextAscii(head, "x-ua-compatible") != std::string_view::npos)
        return std::string(Html);
    // Right after the opening tag of the head, else of the document, else after the
    // document type declaration, else first: nothing but a title or another meta may
    // come before it.
    size_t at = std::string_view::npos;
    for (const std::string_view tag : {"<head", "<html"}) {
        for (size_t found = FindTextAscii(head, tag); found != std::string_view::npos;
             found = FindTextAscii(head, tag, found + tag.size())) {
            const size_t after = found + tag.size();
            const char next = after < head.size() ? head[after] : '\0';
            if (next == '>' || next == ' ' || next == '\t' || next == '\r' || next == '\n') {
                if (const size_t close = head.find('>', after); close != std::string_view::npos)
                    at = close + 1;
                break;
            }
        }
        if (at != std::string_view::npos)
            break;
    }
    if (at == std::string_view::npos) {
        at = StartsWith(head, "\xEF\xBB\xBF") ? 3 : 0;
        if (StartsWithAsciiCaseBlind(head.substr(at), "<!doctype"))
            if (const size_t close = head.find('>', at); close != std::string_view::npos)
                at = close + 1;
    }
    std::string out(Html.substr(0, at));
    out += meta;
    out += Html.substr(at);
    return out;
}

TEngineUrlKind EngineUrlKind(std::string_view Url) {
    Url = TrimControls(Url);
    const size_t colon = Url.find(':');
    if (colon == std::string_view::npos || colon < 2)
        return TEngineUrlKind::Refused; // no scheme, or a drive letter
    const std::string_view scheme = Url.substr(0, colon);
    const auto is = [scheme](const char* name) { return SameTextAscii(scheme, name); };
    if (is(BookScheme))
        return TEngineUrlKind::Book;
    if (is("http") || is("https"))
        return TEngineUrlKind::Web;
    if (is("about") || is("javascript") || is("res") || is("data"))
        return TEngineUrlKind::Engine;
    return TEngineUrlKind::Refused;
}
