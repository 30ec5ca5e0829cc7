#include "u_Epub.h"

#include "u_AdditionalPages.h"
#include "u_CaseBlind.h"
#include "u_Compile.h"
#include "u_Contents.h"
#include "u_Links.h"
#include "u_MFS.h"
#include "u_Project.h"
#include "u_TextUtils.h"
#include "u_Variables.h"
#include "u_Xhtml.h"
#include "u_Zip.h"
#include "u_eBookCommon.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <deque>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>

namespace {
// Translatable texts.
const char* const SNoPages = "The project has no pages to publish: its story names no HTML page of its files";
const char* const SProtectedPages =
    "The book protects these pages with a password, which an EPUB publication cannot do: %s. "
    "Publish them without protection only when you mean to (the command line's --include-protected)";
const char* const SProtectedIncluded =
    "The publication holds pages the book protects with a password, without protection: %s";
const char* const SMissingPage = "Story page \"%s\" names \"%s\", which is not among the project's files: it is left out";
const char* const SNotHtmlPage = "Story page \"%s\" names \"%s\", which is not an HTML page: it is left out";
const char* const SMissingAdditional = "Additional page \"%s\" names \"%s\", which is not among the project's files";
const char* const SForeignFile =
    "\"%s\" is of a kind an EPUB reader need not show (%s): the publication leaves it out";
const char* const SNoCover = "The cover picture \"%s\" is not a picture among the project's files: the publication has no cover";
const char* const SBadLanguage = "The language \"%s\" is not a language tag: the publication says \"en\"";
const char* const SUnreached = "%d %s of the project no page reaches, left out of the publication: %s";
const char* const SContents = "Contents";
const char* const SUntitled = "Untitled";

// The ${CONTENTS} link names the navigation document through a scheme of its own until
// each page knows where that document lies from it.
const char* const ContentsLink = "quarvel-contents:";

const char* const PackageFolder = "EPUB/";
const char* const NavName = "nav.xhtml";
const char* const NcxName = "toc.ncx";
const char* const PackageName = "package.opf";

std::string AttrEscape(const std::string& text) {
    return XmlEscape(text);
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The href from the file From to the file To, both paths below the package folder.
std::string RelativeHref(const std::string& from, const std::string& to) {
    const std::string folder = FolderOf(from);
    size_t common = 0;
    for (size_t i = 0; i < folder.size() && i < to.size() && folder[i] == to[i]; ++i)
        if (folder[i] == '/')
            common = i + 1;
    std::string href;
    for (size_t i = common; i < folder.size(); ++i)
        if (folder[i] == '/')
            href += "../";
    return href + to.substr(common);
}

bool HasNul(const std::string& text) {
    return text.find('\0') != std::string::npos;
}

// One-line text for the metadata and the navigation: blanks collapsed.
std::string OneLine(const std::string& text) {
    std::string out;
    for (char c : text) {
        const bool blank = c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
        if (blank) {
            if (!out.empty() && out.back() != ' ')
                out += ' ';
        } else {
            out += c;
        }
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

std::string ListText(const std::vector<std::string>& items, size_t most) {
    std::string text;
    for (size_t i = 0; i < items.size() && i < most; ++i)
        text += (i ? ", " : "") + items[i];
    if (items.size() > most)
        text += Format(" and %d more", static_cast<int>(items.size() - most));
    return text;
}

std::string W3CDateTime(int64_t seconds) {
    const time_t t = static_cast<time_t>(seconds);
    struct tm tm {};
    gmtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

// The story's chapters and listed pages as nested lists; a chapter's link is its first
// published page, a chapter without one is a heading of its items.
struct TNavItem {
    std::string Title;
    std::string Href; // below the package folder; empty for none
    std::vector<TNavItem> Children;
};

class TExport;

// The project's files as a page of the publication reads them: pages and stylesheets
// with the variables and the placeholders expanded.
class TEpubLinkFiles : public TStoreLinkFiles {
public:
    TEpubLinkFiles(TMFS& store, TExport& owner) : TStoreLinkFiles(store), FOwner(owner) {}
    std::string Read(const std::string& File) override;

private:
    TExport& FOwner;
    // The last file read: a page is read for its resources and then for its links.
    std::string FLastFile, FLastText;
};

struct TPageEntry {
    std::string Path;  // in the files store
    bool Linear = false;
    std::string Title; // for a page off the reading order: how the navigation names it
};

class TExport {
public:
    TExport(TBookProject& project, const TEpubSettings& settings)
        : P(project), S(settings), Store(project.FilesStore()), Files(Store, *this),
          Numbering(project.Story()) {}
    std::string Run();
    std::string Expanded(const std::string& path, const std::string& text) const;

private:
    void Warn(const std::string& text) const;
    void Step(const char* text) const {
        if (S.Progress)
            S.Progress(text);
    }
    void CheckProtection();
    void Metadata();
    // The project's publication identifier, made (and kept in the project) when it has
    // none yet; only once the project has pages to publish.
    void Identify();
    void CollectPages();
    void AddPage(const std::string& path, bool linear, const std::string& title = std::string());
    void CollectReached();
    void AssignNames();
    TMappedLink MapLink(const std::string& fromStore, const std::string& fromEpub, TLinkKind kind,
                        const std::string& value);
    void WritePages();
    std::string StyleSheet(const std::string& path);
    void PatchFragments();
    std::vector<TNavItem> StoryNavigation() const;
    std::string NavDocument() const;
    std::string Ncx() const;
    std::string PackageDocument() const;
    void Notices() const;
    void WriteArchive(const std::string& file, uint32_t stamp) const;

    TBookProject& P;
    const TEpubSettings& S;
    TMFS& Store;
    TEpubLinkFiles Files;
    TStoryNumbering Numbering;
    std::unique_ptr<TVariables> Variables;

    std::string Title, Language, Creator, Identifier, Modified;
    std::vector<TPageEntry> Pages;                           // spine order
    std::unordered_map<std::string, size_t> PageIndex;       // case-blind store path -> Pages index
    std::vector<std::string> Resources;                      // store paths, first reached first
    std::unordered_set<std::string> ResourceSet;             // case-blind
    std::unordered_map<std::string, std::string> EpubName;   // case-blind store path -> name in the package
    std::string CoverPath;                                   // store path
    bool NavLinked = false; // a page links the navigation document, which joins the spine then
    struct TWritten {
        std::string Name;
        std::string Text;
        bool Scripted = false, Svg = false, MathML = false;
        std::vector<TFragmentUse> Fragments;
    };
    std::vector<TWritten> PageTexts;                         // by Pages index
    std::unordered_map<std::string, std::unordered_set<std::string>> PageIds; // epub name -> ids
    std::unordered_map<std::string, std::string> StyleTexts; // case-blind store path -> rewritten text
};

std::string TEpubLinkFiles::Read(const std::string& File) {
    if (File != FLastFile) {
        FLastText = FOwner.Expanded(File, TStoreLinkFiles::Read(File));
        FLastFile = File;
    }
    return FLastText;
}

void TExport::Warn(const std::string& text) const {
    if (S.Warning)
        S.Warning(text);
    else
        P.Host().Warning(text);
}

std::string TExport::Expanded(const std::string& path, const std::string& text) const {
    if (!IsHtmlFileName(path) && !IsCssFileName(path))
        return text;
    std::string result = Variables->Expand(text);
    const std::string contents = std::string("<a href=\"") + ContentsLink + "\">" + SContents + "</a>";
    result = ReplaceTextIgnoreCase(result, "${CONTENTS}", contents);
    result = ReplaceTextIgnoreCase(result, "${PAGE}", std::to_string(Numbering.Number(path)));
    return result;
}

void TExport::CheckProtection() {
    const std::vector<std::string> pages = ProtectedStoryPages(P);
    if (pages.empty())
        return;
    if (!S.IncludeProtected)
        throw EEpubProtectedPages(ProtectedPagesMessage(pages), pages);
    Warn(Format(SProtectedIncluded, ProtectedPagesList(pages)));
}

void TExport::Metadata() {
    Variables = std::make_unique<TVariables>(P.VariablesText(), true);
    Title = OneLine(Variables->Expand(P.Options().ApplicationTitle));
    if (Title.empty() && !P.FileName().empty())
        Title = ExtractFileNameOnly(P.FileName());
    if (Title.empty())
        Title = SUntitled;
    Creator = Variables->Exists("Author") ? OneLine(Variables->GetValue("Author")) : std::string();
    Language = P.EpubOptions().Language;
    if (!IsLanguageTag(Language)) {
        Warn(Format(SBadLanguage, Language));
        Language = "en";
    }
}

void TExport::Identify() {
    if (P.EpubOptions().Identifier.empty()) {
        TEpubOptions epub = P.EpubOptions();
        epub.Identifier = NewPublicationIdentifier();
        P.SetEpubOptions(epub);
    }
    Identifier = P.EpubOptions().Identifier;
}

void TExport::AddPage(const std::string& path, bool linear, const std::string& title) {
    const std::string key = CaseBlindKey(path);
    if (PageIndex.count(key))
        return;
    PageIndex.emplace(key, Pages.size());
    std::string name = OneLine(title);
    if (name.empty()) {
        const size_t slash = path.find_last_of("\\/");
        name = HostChangeExt(slash == std::string::npos ? path : path.substr(slash + 1), "");
    }
    Pages.push_back({path, linear, name});
}

void TExport::CollectPages() {
    auto session = Store.NewSession();
    const auto storeFile = [&](const std::string& path) -> TMFSFile* {
        if (path.empty() || !session->Exists(path) || session->FolderExists(path))
            return nullptr;
        return session->OpenFile(path);
    };
    for (const TProjectItemInfo* item : P.Story().AllItems()) {
        if (!item->IsPage())
            continue;
        TMFSFile* file = storeFile(item->Page);
        if (!file) {
            Warn(Format(SMissingPage, item->Name, item->Page));
            continue;
        }
        if (!IsHtmlFileName(file->Name) || HasNul(file->Content)) {
            Warn(Format(SNotHtmlPage, item->Name, item->Page));
            continue;
        }
        AddPage(file->FullPath(), true);
    }
    if (Pages.empty())
        throw EEpubError(SNoPages);
    // The additional pages (About and the others) come after the story, off the reading order.
    if (const std::string additional = P.AdditionalPagesText(); !additional.empty()) {
        std::vector<TExtFormInfo> entries;
        ReadExtForms(additional, entries);
        for (const TExtFormInfo& entry : entries) {
            TMFSFile* file = storeFile(entry.Path);
            if (!file)
                Warn(Format(SMissingAdditional, entry.Name, entry.Path));
            else if (IsHtmlFileName(file->Name) && !HasNul(file->Content))
                AddPage(file->FullPath(), false, entry.Name);
        }
    }
    const std::string& cover = P.EpubOptions().Cover;
    if (!cover.empty()) {
        TMFSFile* file = storeFile(cover);
        if (file && EpubMediaType(file->Name).rfind("image/", 0) == 0)
            CoverPath = file->FullPath();
        else
            Warn(Format(SNoCover, cover));
    }
}

// Every file the pages reach: pictures, stylesheets (and what they name), scripts,
// media, frames; pages reached by a link or a frame join as non-linear items and are
// followed in turn.
void TExport::CollectReached() {
    const auto addResource = [&](const std::string& path) {
        const std::string key = CaseBlindKey(path);
        if (PageIndex.count(key) || !ResourceSet.insert(key).second)
            return;
        const std::string type = EpubMediaType(path);
        if (type.empty()) {
            Warn(Format(SForeignFile, path, std::string("no media type a reader knows")));
            ResourceSet.erase(key);
            return;
        }
        Resources.push_back(path);
    };
    if (!CoverPath.empty())
        addResource(CoverPath);
    for (size_t i = 0; i < Pages.size(); ++i) {
        const std::string page = Pages[i].Path;
        // Pages reached through links are part of the publication too.
        const std::string text = Files.Read(page);
        for (const TReachedFile& reached : FilesReachedFrom(page, Files)) {
            if (IsHtmlFileName(reached.File) && !reached.StyleSheet)
                AddPage(reached.File, false);
            else
                addResource(reached.File);
        }
        for (const TLinkRef& link : FindHtmlLinks(text).Links) {
            if (LinkRole(link.Kind) != TLinkRole::Anchor || !IsLocalLinkValue(link.Value))
                continue;
            const std::string target = Files.Resolve(page, link);
            if (!target.empty() && IsHtmlFileName(target)) {
                auto session = Store.NewSession();
                if (!HasNul(session->OpenFile(target)->Content))
                    AddPage(target, false);
            }
        }
    }
}

void TExport::AssignNames() {
    std::set<std::string> used; // case-blind keys of the names given
    for (const char* reserved : {NavName, NcxName, PackageName})
        used.insert(CaseBlindKey(reserved));
    const auto assign = [&](const std::string& path) {
        std::string name = EpubNameOf(path);
        const std::string base = HostChangeExt(name, "");
        const std::string ext = name.substr(base.size());
        for (int n = 2; !used.insert(CaseBlindKey(name)).second; ++n)
            name = base + "-" + std::to_string(n) + ext;
        EpubName[CaseBlindKey(path)] = name;
    };
    for (const TPageEntry& page : Pages)
        assign(page.Path);
    for (const std::string& path : Resources)
        assign(path);
}

TMappedLink TExport::MapLink(const std::string& fromStore, const std::string& fromEpub, TLinkKind kind,
                             const std::string& value) {
    const bool anchor = LinkRole(kind) == TLinkRole::Anchor;
    if (value == ContentsLink) {
        NavLinked = true;
        return {true, RelativeHref(fromEpub, NavName), {}};
    }
    if (!value.empty() && value[0] == '#') {
        if (!anchor)
            return {true, value, {}};
        return {true, "#" + XmlNameOf(value.substr(1)), fromEpub};
    }
    if (!IsLocalLinkValue(value)) {
        // Web addresses and other schemes stay for hyperlinks; a publication holds its
        // own pictures, stylesheets, scripts and media.
        const bool web = value.rfind("data:", 0) != 0;
        return {anchor && web, value, {}};
    }
    TLinkRef ref;
    ref.Kind = kind;
    ref.Value = value;
    const std::string target = Files.Resolve(fromStore, ref);
    if (target.empty())
        return {};
    const auto name = EpubName.find(CaseBlindKey(target));
    if (name == EpubName.end())
        return {};
    const bool page = PageIndex.count(CaseBlindKey(target)) != 0;
    if (anchor && !page)
        return {}; // a hyperlink leads to pages only
    std::string href = RelativeHref(fromEpub, name->second);
    const std::string_view suffix = LinkSuffix(value);
    const size_t hash = suffix.find('#');
    if (page && hash != std::string_view::npos) {
        return {true, href + "#" + XmlNameOf(suffix.substr(hash + 1)), name->second};
    }
    return {true, href, {}};
}

std::string TExport::StyleSheet(const std::string& path) {
    const std::string text = Files.Read(path);
    const std::string self = EpubName.at(CaseBlindKey(path));
    std::vector<TLinkChange> changes;
    const TLinkRefs links = FindCssLinks(text);
    for (const TLinkRef& link : links) {
        TMappedLink mapped = MapLink(path, self, link.Kind, link.Value);
        if (!mapped.Keep)
            mapped.Value = "#";
        if (mapped.Value != link.Value)
            changes.push_back({&link, EncodeLinkValue(link, mapped.Value)});
    }
    return ReplaceLinkValues(text, changes);
}

void TExport::WritePages() {
    auto session = Store.NewSession();
    PageTexts.resize(Pages.size());
    for (size_t i = 0; i < Pages.size(); ++i) {
        const std::string& path = Pages[i].Path;
        const std::string name = EpubName.at(CaseBlindKey(path));
        TMFSFile* file = session->OpenFile(path);
        TXhtmlSettings settings;
        settings.Language = Language;
        settings.Title = Title;
        settings.MapLink = [&](TLinkKind kind, const std::string& value) { return MapLink(path, name, kind, value); };
        TXhtmlPage page = HtmlToXhtml(Expanded(path, file->Content), settings);
        if (S.ReleaseFilesStore)
            std::string().swap(file->Content);
        PageIds[name].insert(page.Ids.begin(), page.Ids.end());
        PageTexts[i] = {name, std::move(page.Text), page.Scripted, page.Svg, page.MathML, std::move(page.Fragments)};
    }
    for (const std::string& path : Resources)
        if (IsCssFileName(path))
            StyleTexts[CaseBlindKey(path)] = StyleSheet(path);
}

// A fragment naming no identifier of its page is left out: the link leads to the page.
void TExport::PatchFragments() {
    for (TWritten& page : PageTexts) {
        for (auto it = page.Fragments.rbegin(); it != page.Fragments.rend(); ++it) {
            const auto ids = PageIds.find(it->Target);
            if (ids != PageIds.end() && ids->second.count(it->Fragment))
                continue;
            page.Text.erase(it->Begin, it->End - it->Begin);
        }
        page.Fragments.clear();
    }
}


// PageOf gives a story page's published name and its place in the spine (-1 when it is
// not published). Links follow the spine: an entry leading back (a page listed twice) is
// left out, and a chapter leads to its first page at or after the last link.
using TPageOf = std::function<std::pair<std::string, int>(const std::string&)>;

std::vector<TNavItem> NavItems(const std::vector<std::unique_ptr<TProjectItemInfo>>& items, const TPageOf& pageOf,
                               int& last) {
    std::vector<TNavItem> result;
    for (const auto& item : items) {
        TNavItem nav;
        nav.Title = OneLine(item->Name);
        if (item->IsPage()) {
            const auto [name, index] = pageOf(item->Page);
            if (!item->IncludeInTOC || index < 0 || index < last)
                continue;
            nav.Href = name;
            last = index;
        } else {
            std::vector<const TProjectItemInfo*> pending{item.get()};
            for (size_t i = 0; i < pending.size() && nav.Href.empty(); ++i) {
                const TProjectItemInfo* p = pending[i];
                if (p->IsPage()) {
                    const auto [name, index] = pageOf(p->Page);
                    if (index >= 0 && index >= last) {
                        nav.Href = name;
                        last = index;
                    }
                } else {
                    for (size_t k = p->Children().size(); k-- > 0;)
                        pending.insert(pending.begin() + static_cast<long>(i) + 1, p->Children()[k].get());
                }
            }
            nav.Children = NavItems(item->Children(), pageOf, last);
            if (nav.Href.empty() && nav.Children.empty())
                continue;
        }
        if (nav.Title.empty())
            nav.Title = nav.Href.empty() ? std::string(SContents) : nav.Href;
        result.push_back(std::move(nav));
    }
    return result;
}

void WriteNavList(std::string& out, const std::vector<TNavItem>& items, int depth) {
    const std::string pad(static_cast<size_t>(depth) * 2, ' ');
    out += pad + "<ol>\n";
    for (const TNavItem& item : items) {
        out += pad + "  <li>";
        if (item.Href.empty())
            out += "<span>" + XmlEscape(item.Title) + "</span>";
        else
            out += "<a href=\"" + AttrEscape(item.Href) + "\">" + XmlEscape(item.Title) + "</a>";
        if (!item.Children.empty()) {
            out += "\n";
            WriteNavList(out, item.Children, depth + 2);
            out += pad + "  ";
        }
        out += "</li>\n";
    }
    out += pad + "</ol>\n";
}

int NavDepth(const std::vector<TNavItem>& items) {
    int depth = 0;
    for (const TNavItem& item : items)
        depth = std::max(depth, 1 + NavDepth(item.Children));
    return depth;
}

// The NCX numbers its targets in reading order; two points of one target share a number.
void WriteNavPoints(std::string& out, const std::vector<TNavItem>& items, int depth, int& order,
                    std::map<std::string, int>& orders, int& id) {
    const std::string pad(static_cast<size_t>(depth) * 2, ' ');
    for (const TNavItem& item : items) {
        if (item.Href.empty()) {
            // The NCX has no headings: a chapter without a page of its own gives its items.
            WriteNavPoints(out, item.Children, depth, order, orders, id);
            continue;
        }
        const auto known = orders.emplace(item.Href, order + 1);
        if (known.second)
            ++order;
        out += pad + "<navPoint id=\"nav-" + std::to_string(++id) + "\" playOrder=\"" + std::to_string(known.first->second) +
               "\">\n" + pad + "  <navLabel><text>" + XmlEscape(item.Title) + "</text></navLabel>\n" + pad +
               "  <content src=\"" + AttrEscape(item.Href) + "\"/>\n";
        WriteNavPoints(out, item.Children, depth + 1, order, orders, id);
        out += pad + "</navPoint>\n";
    }
}

std::vector<TNavItem> TExport::StoryNavigation() const {
    const TPageOf pageOf = [this](const std::string& storePath) -> std::pair<std::string, int> {
        const auto it = PageIndex.find(CaseBlindKey(TMFS::NormalizeSlashes(storePath)));
        if (it == PageIndex.end())
            return {std::string(), -1};
        return {EpubName.at(CaseBlindKey(Pages[it->second].Path)), static_cast<int>(it->second)};
    };
    int last = -1;
    std::vector<TNavItem> items = NavItems(P.Story().Children(), pageOf, last);
    if (items.empty())
        items.push_back({Title, EpubName.at(CaseBlindKey(Pages.front().Path)), {}});
    return items;
}

std::string TExport::NavDocument() const {
    const std::vector<TNavItem> items = StoryNavigation();
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE html>\n"
                      "<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\" lang=\"" +
                      AttrEscape(Language) + "\" xml:lang=\"" + AttrEscape(Language) + "\">\n<head>\n<title>" +
                      XmlEscape(Title) + "</title>\n</head>\n<body>\n<nav epub:type=\"toc\" id=\"toc\">\n<h1>" +
                      XmlEscape(SContents) + "</h1>\n";
    WriteNavList(out, items, 0);
    out += "</nav>\n";
    // The pages off the reading order, so that a reader can reach every one of them.
    std::vector<TNavItem> more;
    for (const TPageEntry& page : Pages)
        if (!page.Linear)
            more.push_back({page.Title, EpubName.at(CaseBlindKey(page.Path)), {}});
    if (!more.empty()) {
        out += "<nav epub:type=\"landmarks\" id=\"more\" hidden=\"hidden\">\n<h2>More</h2>\n<ol>\n";
        for (const TNavItem& item : more)
            out += "  <li><a epub:type=\"appendix\" href=\"" + AttrEscape(item.Href) + "\">" + XmlEscape(item.Title) +
                   "</a></li>\n";
        out += "</ol>\n</nav>\n";
    }
    out += "</body>\n</html>\n";
    return out;
}

std::string TExport::Ncx() const {
    const std::vector<TNavItem> items = StoryNavigation();
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" version=\"2005-1\" xml:lang=\"" +
                      AttrEscape(Language) + "\">\n<head>\n<meta name=\"dtb:uid\" content=\"" + AttrEscape(Identifier) +
                      "\"/>\n<meta name=\"dtb:depth\" content=\"" + std::to_string(std::max(1, NavDepth(items))) +
                      "\"/>\n<meta name=\"dtb:totalPageCount\" content=\"0\"/>\n"
                      "<meta name=\"dtb:maxPageNumber\" content=\"0\"/>\n</head>\n<docTitle><text>" +
                      XmlEscape(Title) + "</text></docTitle>\n<navMap>\n";
    int order = 0, id = 0;
    std::map<std::string, int> orders;
    WriteNavPoints(out, items, 1, order, orders, id);
    out += "</navMap>\n</ncx>\n";
    return out;
}

std::string TExport::PackageDocument() const {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\" unique-identifier=\"pub-id\" "
                      "xml:lang=\"" +
                      AttrEscape(Language) + "\">\n<metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n";
    out += "<dc:identifier id=\"pub-id\">" + XmlEscape(Identifier) + "</dc:identifier>\n";
    out += "<dc:title>" + XmlEscape(Title) + "</dc:title>\n";
    out += "<dc:language>" + XmlEscape(Language) + "</dc:language>\n";
    if (!Creator.empty())
        out += "<dc:creator>" + XmlEscape(Creator) + "</dc:creator>\n";
    out += "<meta property=\"dcterms:modified\">" + Modified + "</meta>\n";
    if (!CoverPath.empty())
        out += "<meta name=\"cover\" content=\"item-cover\"/>\n";
    out += "</metadata>\n<manifest>\n";
    out += std::string("<item id=\"nav\" href=\"") + NavName +
           "\" media-type=\"application/xhtml+xml\" properties=\"nav\"/>\n";
    out += std::string("<item id=\"ncx\" href=\"") + NcxName + "\" media-type=\"application/x-dtbncx+xml\"/>\n";
    for (size_t i = 0; i < Pages.size(); ++i) {
        const TWritten& page = PageTexts[i];
        std::string properties;
        for (const auto& [on, name] : {std::pair{page.Scripted, "scripted"}, std::pair{page.Svg, "svg"},
                                       std::pair{page.MathML, "mathml"}})
            if (on)
                properties += (properties.empty() ? "" : " ") + std::string(name);
        out += "<item id=\"page-" + std::to_string(i + 1) + "\" href=\"" + AttrEscape(page.Name) +
               "\" media-type=\"application/xhtml+xml\"" +
               (properties.empty() ? std::string() : " properties=\"" + properties + "\"") + "/>\n";
    }
    for (size_t i = 0; i < Resources.size(); ++i) {
        const std::string& path = Resources[i];
        const bool cover = SameTextCaseBlind(path, CoverPath);
        out += "<item id=\"" + (cover ? std::string("item-cover") : "item-" + std::to_string(i + 1)) + "\" href=\"" +
               AttrEscape(EpubName.at(CaseBlindKey(path))) + "\" media-type=\"" + EpubMediaType(path) + "\"" +
               (cover ? " properties=\"cover-image\"" : "") + "/>\n";
    }
    out += "</manifest>\n<spine toc=\"ncx\">\n";
    for (size_t i = 0; i < Pages.size(); ++i)
        out += "<itemref idref=\"page-" + std::to_string(i + 1) + "\"" + (Pages[i].Linear ? "" : " linear=\"no\"") +
               "/>\n";
    if (NavLinked)
        out += "<itemref idref=\"nav\" linear=\"no\"/>\n";
    out += "</spine>\n</package>\n";
    return out;
}

void TExport::Notices() const {
    std::vector<std::string> left;
    ForEachItemBelow(Store.Root(), [&](TMFSItem* item) {
        if (item->IsFolder())
            return;
        const std::string key = CaseBlindKey(item->FullPath());
        if (!PageIndex.count(key) && !ResourceSet.count(key))
            left.push_back(item->FullPath());
    });
    if (left.empty())
        return;
    const std::string text = Format(SUnreached, static_cast<int>(left.size()),
                                    std::string(left.size() == 1 ? "file" : "files"), ListText(left, 20));
    if (S.Notice)
        S.Notice(text);
    else
        Warn(text);
}

void TExport::WriteArchive(const std::string& file, uint32_t stamp) const {
    TZipWriter zip(file, stamp);
    zip.Add("mimetype", "application/epub+zip", true);
    zip.Add("META-INF/container.xml",
            std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                        "<container version=\"1.0\" xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">\n"
                        "<rootfiles>\n<rootfile full-path=\"") +
                PackageFolder + PackageName +
                "\" media-type=\"application/oebps-package+xml\"/>\n</rootfiles>\n</container>\n");
    zip.Add(std::string(PackageFolder) + PackageName, PackageDocument());
    zip.Add(std::string(PackageFolder) + NavName, NavDocument());
    zip.Add(std::string(PackageFolder) + NcxName, Ncx());
    for (const TWritten& page : PageTexts)
        zip.Add(PackageFolder + page.Name, page.Text);
    auto session = Store.NewSession();
    for (const std::string& path : Resources) {
        const std::string name = PackageFolder + EpubName.at(CaseBlindKey(path));
        const auto style = StyleTexts.find(CaseBlindKey(path));
        if (style != StyleTexts.end()) {
            zip.Add(name, style->second);
        } else {
            const std::string type = EpubMediaType(path);
            // Compressed pictures, sound and video gain nothing from another round.
            const bool packed = type == "image/jpeg" || type == "image/png" || type == "image/gif" ||
                                type.rfind("audio/", 0) == 0 || type.rfind("video/", 0) == 0 || type == "font/woff" ||
                                type == "font/woff2";
            zip.Add(name, session->OpenFile(path)->Content, packed);
        }
    }
    zip.Finish();
}

std::string TExport::Run() {
    const std::string output = S.OutputFile.empty() ? EpubFileName(P) : S.OutputFile;
    CheckCompileOutput(P, output);
    const std::optional<int64_t> epoch = SourceDateEpoch();
    const int64_t now = epoch ? *epoch : static_cast<int64_t>(std::time(nullptr));
    Modified = W3CDateTime(now);

    Step("Reading the project");
    CheckProtection();
    Metadata();
    CollectPages();
    Identify();
    Step("Finding the files the pages use");
    for (const TLinkOut& link : LinksOutOfStore(Store))
        if (PageIndex.count(CaseBlindKey(link.File)))
            Warn(LinkOutWarning(link));
    CollectReached();
    AssignNames();
    Step("Writing the pages");
    WritePages();
    PatchFragments();
    Notices();
    Step("Writing the publication");
    TOutputTempFile temp(output);
    WriteArchive(temp.Name(), DosDateTime(now));
    Step("Putting the publication in place");
    temp.MoveTo(output, 0666);
    return output;
}

} // namespace

std::string EpubFileName(const TBookProject& Project) {
    return HostChangeExt(Project.FileName(), ".epub");
}

std::vector<std::string> ProtectedStoryPages(const TBookProject& Project) {
    const TSecuritySettings security = Project.Security();
    // The book's own rules: one password for the whole book (an empty one protects
    // nothing), user names and passwords, or one password for the flagged pages.
    bool all = false, flagged = false;
    if (security.Method == TSecurityMethod::smUserPassword)
        all = true;
    else if (security.Method == TSecurityMethod::smPassword && security.PasswordType == TPasswordType::ptSimple)
        all = !security.Password.empty();
    else if (security.Method == TSecurityMethod::smPassword)
        flagged = true;
    std::vector<std::string> pages;
    if (!all && !flagged)
        return pages;
    for (const TProjectItemInfo* item : Project.Story().AllItems())
        if (item->IsPage() && (all || item->PasswordProtection))
            pages.push_back(item->Name + " (" + item->Page + ")");
    return pages;
}

std::string ProtectedPagesList(const std::vector<std::string>& Pages) {
    return ListText(Pages, 20);
}

std::string ProtectedPagesMessage(const std::vector<std::string>& Pages) {
    return Format(SProtectedPages, ProtectedPagesList(Pages));
}

std::string ExportEpub(TBookProject& Project, const TEpubSettings& Settings) {
    TExport work(Project, Settings);
    return work.Run();
}

std::vector<std::string> EpubCoverCandidates(const TMFS& Store) {
    std::vector<std::string> pictures;
    ForEachItemBelow(Store.Root(), [&](const TMFSItem* item) {
        if (!item->IsFolder() && EpubMediaType(item->Name).rfind("image/", 0) == 0)
            pictures.push_back(item->FullPath());
    });
    return pictures;
}

std::string DefaultEpubFileName(const TBookProject& Project, const std::string& Folder) {
    if (!Project.FileName().empty())
        return EpubFileName(Project);
    std::string name;
    for (char c : OneLine(Project.Options().ApplicationTitle))
        if (c != '/' && c != '\\' && c != '%' && c != '{' && c != '}' && static_cast<unsigned char>(c) >= 0x20)
            name += c;
    if (name.empty() || name == "." || name == "..")
        name = SUntitled;
    return (Folder.empty() || Folder.back() == '/' ? Folder : Folder + "/") + name + ".epub";
}

std::string EpubNameOf(const std::string& StorePath) {
    std::string path = TMFS::NormalizeSlashes(StorePath);
    std::string out;
    for (size_t i = 0; i < path.size(); ++i) {
        const char c = path[i];
        // One "_" for a character of several bytes.
        if ((static_cast<unsigned char>(c) & 0xC0) == 0x80 && i > 0 && static_cast<unsigned char>(path[i - 1]) >= 0x80)
            continue;
        if (c == '\\') {
            if (!out.empty() && out.back() != '/')
                out += '/';
            continue;
        }
        const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                          c == '_' || c == '.';
        out += safe ? c : '_';
    }
    // Names of dots alone, or ending in one, are no file names in the container.
    std::string cleaned;
    size_t start = 0;
    while (start <= out.size()) {
        size_t end = out.find('/', start);
        if (end == std::string::npos)
            end = out.size();
        std::string segment = out.substr(start, end - start);
        while (!segment.empty() && segment.back() == '.')
            segment.back() = '_';
        if (segment.empty())
            segment = "_";
        cleaned += (cleaned.empty() ? "" : "/") + segment;
        start = end + 1;
    }
    if (IsHtmlFileName(cleaned))
        cleaned = HostChangeExt(cleaned, ".xhtml");
    return cleaned;
}

std::string EpubMediaType(const std::string& FileName) {
    static const std::map<std::string, const char*> types = {
        {".xhtml", "application/xhtml+xml"}, {".htm", "application/xhtml+xml"}, {".html", "application/xhtml+xml"},
        {".css", "text/css"},                {".js", "application/javascript"}, {".png", "image/png"},
        {".jpg", "image/jpeg"},              {".jpeg", "image/jpeg"},           {".jpe", "image/jpeg"},
        {".gif", "image/gif"},               {".svg", "image/svg+xml"},         {".mp3", "audio/mpeg"},
        {".m4a", "audio/mp4"},               {".mp4", "video/mp4"},             {".m4v", "video/mp4"},
        {".webm", "video/webm"},             {".ttf", "font/ttf"},              {".otf", "font/otf"},
        {".woff", "font/woff"},              {".woff2", "font/woff2"},          {".vtt", "text/vtt"},
        {".smil", "application/smil+xml"},   {".pls", "application/pls+xml"}};
    const size_t slash = FileName.find_last_of("/\\");
    const size_t dot = FileName.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::string();
    std::string ext = FileName.substr(dot);
    for (char& c : ext)
        c = AsciiLowerChar(c);
    const auto it = types.find(ext);
    return it == types.end() ? std::string() : it->second;
}
