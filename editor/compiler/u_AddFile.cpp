#include "u_AddFile.h"

#include "u_CaseBlind.h"
#include "u_Exception.h"
#include "u_HostPlatform.h"
#include "u_HTML.h"
#include "u_HostFiles.h"
#include "u_MFS.h"
#include "u_Project.h"
#include "u_eBookCommon.h"

#include "u_TextUtils.h"
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <set>
#include <unordered_map>
#include <sys/stat.h>

const char* const SClearStoryBeforeImport = "Clear story before adding whole template?";

namespace {

const char* const SCannotOpenFolder = "Cannot open file \"%s\". %s";
const char* const SNotAFolder = "\"%s\" is not a folder";
const char* const SLinkLeftOut =
    "Link \"%s\" of \"%s\" names a file outside the folder being imported: it was left out";
const char* const SNameTemplate = "${NAME}";

// Pages may name themselves or each other (frames, "<link>" elements); a chain of
// linked pages deeper than this is not followed further. Stylesheets do not count:
// they go beside each other, so each is imported once whatever the depth.
constexpr int MaxImportDepth = 32;

// The pages on the way down from the first page of an import to the file at hand.
struct TPageChain {
    std::string Source;
    std::shared_ptr<const TPageChain> Up;
    int Depth = 1;
};
using TPageChainPtr = std::shared_ptr<const TPageChain>;

bool InChain(const TPageChainPtr& chain, const std::string& source) {
    for (const TPageChain* c = chain.get(); c; c = c->Up.get())
        if (c->Source == source)
            return true;
    return false;
}

// One file waiting to be imported into a folder of the store.
struct TImportJob {
    TFileImportInfo* Info;
    std::string Folder;
    TPageChainPtr Chain;
};

// The state of one import: every source already written to a store path (importing it
// there again would give the same file) and the links reported as left out.
struct TImportRun {
    std::set<std::string> Done;
    std::set<std::string> Reported; // links left out, once per page
    std::vector<TImportJob> Pending; // depth first: the last is next
    std::unordered_map<std::string, std::string> Canonical; // source -> its canonical path

    const std::string& CanonicalOf(const std::string& source) {
        auto it = Canonical.find(source);
        if (it == Canonical.end())
            it = Canonical.emplace(source, CanonicalHostPath(source)).first;
        return it->second;
    }
};

// Name and extension of the last component of a host path.
void SplitHostName(std::string path, std::string& base, std::string& ext) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    base = dot == std::string::npos ? name : name.substr(0, dot);
    ext = dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string StoreNameWithoutExt(const std::string& name) {
    const std::string ext = TMFS::ExtractExt(name);
    return name.substr(0, name.size() - ext.size());
}

// "%XX" becomes the byte XX, "+" a blank; a "%" without two hexadecimal digits stays.
std::string DecodeLink(const std::string& value) {
    std::string result;
    result.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '%' && i + 2 < value.size()) {
            const int hi = HexDigitValue(value[i + 1]);
            const int lo = HexDigitValue(value[i + 2]);
            if (hi >= 0 && lo >= 0) {
                result += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        result += c == '+' ? ' ' : c;
    }
    return result;
}

std::string WithoutFileScheme(const std::string& value) {
    if (value.size() >= 5 && SameTextCaseBlind(std::string_view(value).substr(0, 5), "file:"))
        return value.substr(5);
    return value;
}

// A link by "file:" URL or by absolute path (as written or once decoded).
bool IsAbsoluteLink(const std::string& value) {
    const std::string path = WithoutFileScheme(value);
    if (path.size() != value.size())
        return true;
    const std::string decoded = DecodeLink(path);
    auto absolute = [](const std::string& p) { return !p.empty() && (p[0] == '/' || p[0] == '\\'); };
    return absolute(path) || absolute(decoded);
}

std::string ReplaceName(const std::string& destination, const std::string& name) {
    std::string result;
    std::size_t p = 0;
    for (;;) {
        const std::size_t q = destination.find(SNameTemplate, p);
        if (q == std::string::npos)
            break;
        result.append(destination, p, q - p);
        result += name;
        p = q + std::char_traits<char>::length(SNameTemplate);
    }
    result.append(destination, p, std::string::npos);
    return result;
}

TProjectItemInfo* AddPageItemAt(TBookProject& project, const TStoryPlace& place, const std::string& title,
                                const std::string& page) {
    TProjectItemInfo* item = project.AddPageItem(place.Parent, title, page);
    MoveToPlace(project, item, place);
    project.SetModified();
    return item;
}

// The text a link gets in the imported copy: the imported file's name, the page an
// anchor leads to, or (for everything else) the value as it was written.
std::string RewrittenLink(const THTMLPart& part, const std::string& name) {
    TFileImportInfo& sub = *part.SubInfo;
    std::string target;
    if (!sub.IsExternal) {
        sub.Link = ReplaceName(sub.Destination, name);
        target = sub.Link;
    } else if (sub.LeftOut || sub.FileName == sub.LinkText) {
        return part.Text;
    } else {
        target = sub.FileName;
    }
    target += LinkSuffix(sub.LinkText);
    if (part.Ref.CssQuote) // in CSS a backslash escapes
        std::replace(target.begin(), target.end(), '\\', '/');
    return EncodeLinkValue(part.Ref, target);
}

// Imports the file of Job and queues what it links. Returns its story item when it
// made one.
TProjectItemInfo* ImportOne(TBookProject& project, const TImportJob& job, TImportRun& run) {
    TFileImportInfo& info = *job.Info;
    auto session = project.FilesStore().NewSession();
    session->ChangeFolder(job.Folder);
    project.SetModified();

    const std::string link = TMFS::NormalizeSlashes(info.Link);
    const std::string linkFolder = TMFS::ExtractPath(link);
    if (!linkFolder.empty())
        session->ChangeFolder(session->ForceFolders(linkFolder)->FullPath());
    info.Link = TMFS::ExtractName(link);
    const std::string name = StoreNameWithoutExt(info.Link);
    const std::string source = run.CanonicalOf(info.FileName);
    if (!run.Done.insert(source + '\n' + CaseBlindKey(session->ExpandPath(info.Link))).second)
        return nullptr;

    const auto& parts = info.Parts();
    for (const auto& part : parts)
        if (part->SubInfo && part->SubInfo->LeftOut &&
            run.Reported.insert(source + '\n' + part->SubInfo->LinkText).second)
            project.Host().Warning(Format(SLinkLeftOut, part->SubInfo->LinkText, info.FileName));
    // A link to a page already being imported on this chain (or a chain that is too
    // deep) keeps its text instead of being imported again and again.
    TPageChainPtr chain = job.Chain;
    if (IsHtmlFileName(info.FileName))
        chain = std::make_shared<const TPageChain>(TPageChain{source, chain, chain ? chain->Depth + 1 : 1});
    for (const auto& part : parts) {
        if (!part->SubInfo || part->SubInfo->IsExternal)
            continue;
        const bool tooDeep = chain && chain->Depth >= MaxImportDepth;
        const std::string& target = part->SubInfo->FileName;
        if (tooDeep || (IsHtmlFileName(target) && InChain(chain, CanonicalHostPath(target)))) {
            part->SubInfo->IsExternal = 1;
            part->SubInfo->FileName = part->SubInfo->LinkText;
        }
    }

    std::string text;
    for (const auto& part : parts)
        text += part->SubInfo ? RewrittenLink(*part, name) : part->Text;
    TMFSFile* file = session->CreateFile(info.Link, 0, true);
    file->Content = text;

    TProjectItemInfo* item = nullptr;
    if (info.AddToStory)
        item = AddPageItemAt(project, NextStoryPosition(project), GetHtmlTitle(text, name), file->FullPath());

    // The linked files next, in their order.
    const std::string current = session->CurrentFolder()->FullPath();
    for (auto it = parts.rbegin(); it != parts.rend(); ++it)
        if ((*it)->SubInfo && !(*it)->SubInfo->IsExternal)
            run.Pending.push_back({(*it)->SubInfo.get(), current, chain});
    return item;
}

TProjectItemInfo* Import(TBookProject& project, TFileImportInfo& info, const std::string& folder) {
    TImportRun run;
    run.Pending.push_back({&info, folder, nullptr});
    TProjectItemInfo* item = nullptr;
    while (!run.Pending.empty()) {
        const TImportJob job = std::move(run.Pending.back());
        run.Pending.pop_back();
        if (TProjectItemInfo* made = ImportOne(project, job, run); made && !item)
            item = made;
    }
    // The references are added once the linked files exist, so that the page's
    // companion folder is among them.
    if (item) {
        project.AddReference(item, info.Destination);
        project.AddReference(item, TMFS::ChangeExt(TMFS::NormalizeSlashes(info.Destination), ".files"));
    }
    return item;
}

TProjectItemInfo* ImportAs(TBookProject& project, const std::string& fileName, const std::string& destination,
                           bool addToStory) {
    TFileImportInfo info;
    info.FileName = fileName;
    info.Destination = destination;
    info.Link = destination;
    info.AddToStory = addToStory ? 1 : 0;
    info.AllowedFolder = HostFolderOf(HostAbsolutePath(fileName, HostFolderOf(fileName)));
    return Import(project, info, "\\");
}

// A free path "\BASE<N>EXT" of the files store, N counting from 0.
std::string NumberedStorePath(TBookProject& project, const std::string& base, const std::string& ext) {
    auto session = project.FilesStore().NewSession();
    for (unsigned n = 0;; ++n) {
        const std::string path = "\\" + base + std::to_string(n) + ext;
        if (!session->Exists(path))
            return path;
    }
}

// A page item for every HTML file below Folder, in listing order, subfolders depth first.
void AddFolderPages(TBookProject& project, TMFSFolder* folder, const TStoryPlace& place,
                    const std::string& reference) {
    ForEachItemBelow(folder, [&](TMFSItem* item) {
        if (item->IsFolder() || !IsHtmlFileName(item->Name))
            return;
        const std::string title = GetHtmlTitle(item->AsFile()->Content, StoreNameWithoutExt(item->Name));
        TProjectItemInfo* page = AddPageItemAt(project, place, title, item->FullPath());
        project.AddReference(page, reference);
    });
}

} // namespace

const std::vector<TLinkDesc>& ImportLinkDescs() {
    static const std::vector<TLinkDesc> descs = {{"img", "src"},   {"link", "href"},  {"body", "background"},
                                                 {"frame", "src"}, {"iframe", "src"}, {"a", "href"}};
    return descs;
}

TFileImportInfo::TFileImportInfo() = default;
TFileImportInfo::~TFileImportInfo() = default;

const std::vector<std::unique_ptr<THTMLPart>>& TFileImportInfo::Parts() {
    if (FPartsRead)
        return FParts;
    const std::string content = ReadFileText(FileName);
    FPartsRead = true;
    const bool html = IsHtmlFileName(FileName);
    if (!html && !StyleSheet && !IsCssFileName(FileName)) {
        auto part = std::make_unique<THTMLPart>();
        part->Text = content;
        FParts.push_back(std::move(part));
        return FParts;
    }
    const std::string pageFolder = HostFolderOf(HostAbsolutePath(FileName, HostFolderOf(FileName)));
    THtmlLinks found;
    if (html)
        found = FindHtmlLinks(content);
    else
        found.Links = FindCssLinks(content);
    std::size_t at = 0; // start of the literal text not yet taken
    auto literal = [&](std::size_t to) {
        if (to > at) {
            auto part = std::make_unique<THTMLPart>();
            part->Text = content.substr(at, to - at);
            FParts.push_back(std::move(part));
        }
    };
    // Comments and markers inside the body are left out of the copy.
    auto drop = found.BodyDropped.begin();
    auto dropBefore = [&](std::size_t pos) {
        for (; drop != found.BodyDropped.end() && drop->Begin < pos; ++drop) {
            literal(drop->Begin);
            at = drop->End;
        }
    };
    static constexpr uint8_t kKindOfRole[] = {THTMLPart::pkResource, THTMLPart::pkFrame, THTMLPart::pkAnchor};
    // A page may name one file thousands of times: each value is looked up once.
    std::unordered_map<std::string, const TFileImportInfo*> known;
    for (TLinkRef& link : found.Links) {
        dropBefore(link.Begin);
        literal(link.Begin);
        auto part = std::make_unique<THTMLPart>();
        part->Text = content.substr(link.Begin, link.End - link.Begin);
        part->Kind = kKindOfRole[static_cast<int>(LinkRole(link.Kind))];
        part->Index = static_cast<int32_t>(link.Kind);
        const std::string key = std::to_string(part->Kind) + '\n' + link.Value;
        if (const auto it = known.find(key); it != known.end()) {
            part->SubInfo = std::make_unique<TFileImportInfo>();
            part->SubInfo->FileName = it->second->FileName;
            part->SubInfo->LinkText = it->second->LinkText;
            part->SubInfo->Destination = it->second->Destination;
            part->SubInfo->IsExternal = it->second->IsExternal;
            part->SubInfo->LeftOut = it->second->LeftOut;
        } else {
            part->SubInfo = LinkImportInfo(part->Kind, link.Value, pageFolder, AllowedFolder, !html && Beside);
            known.emplace(key, part->SubInfo.get());
        }
        part->SubInfo->AllowedFolder = AllowedFolder.empty() ? pageFolder : AllowedFolder;
        part->SubInfo->StyleSheet = link.StyleSheet ? 1 : 0;
        part->SubInfo->Beside = 1;
        at = link.End;
        part->Ref = std::move(link);
        FParts.push_back(std::move(part));
    }
    dropBefore(content.size() + 1);
    literal(content.size());
    return FParts;
}

std::string LinkToHostPath(const std::string& Value, const std::string& PageFolder) {
    const std::string decoded = DecodeLink(WithoutFileScheme(Value));
    if (decoded.find('\0') != std::string::npos)
        return std::string(); // no file of the host has such a name
    return HostAbsolutePath(HostSlashes(decoded), PageFolder);
}

std::unique_ptr<TFileImportInfo> LinkImportInfo(uint8_t Kind, const std::string& Value,
                                                const std::string& PageFolder, const std::string& AllowedFolder,
                                                bool Beside) {
    auto info = std::make_unique<TFileImportInfo>();
    info->LinkText = Value;
    info->IsExternal = 1;
    info->FileName = Value;
    if (!IsLocalLinkValue(Value))
        return info; // a web address, "data:", a fragment...: nothing to look up
    const std::string value(LinkPath(Value));
    const std::string path = WithoutFileScheme(value);
    const std::size_t sep = path.find_last_of("/\\");
    info->Destination = (Beside ? std::string() : std::string(SNameTemplate) + ".files\\") +
                        (sep == std::string::npos ? path : path.substr(sep + 1));
    const std::string decoded = LinkToHostPath(value, PageFolder);
    std::string local = FindHostFileCaseBlind(decoded);
    const std::string literal = HostAbsolutePath(HostSlashes(path), PageFolder);
    if (local.empty() && literal != decoded) // a name that only looks encoded ("c++.gif", "100%.png")
        local = FindHostFileCaseBlind(literal);
    if (local.empty())
        return info;
    // A page names its own files relatively; an absolute path or a "file:" URL may name
    // anything on the host ("/etc/hostname", "file:///etc/passwd"), so such a file is
    // imported only from the folder being imported or the page's own folder.
    if (Kind != THTMLPart::pkAnchor && IsAbsoluteLink(value)) {
        const std::string canonical = CanonicalHostPath(local);
        const bool inside = IsWithinHostFolder(canonical, CanonicalHostPath(PageFolder)) ||
                            (!AllowedFolder.empty() && IsWithinHostFolder(canonical, CanonicalHostPath(AllowedFolder)));
        if (!inside) {
            info->LeftOut = 1;
            return info;
        }
    }
    info->FileName = local;
    info->IsExternal = Kind == THTMLPart::pkAnchor ? 1 : 0;
    return info;
}

std::string THostLinkFiles::Resolve(const std::string& File, const TLinkRef& Link) {
    const uint8_t kind = LinkRole(Link.Kind) == TLinkRole::Anchor ? THTMLPart::pkAnchor : THTMLPart::pkResource;
    const std::string folder = HostFolderOf(HostAbsolutePath(File, HostFolderOf(File)));
    const auto info = LinkImportInfo(kind, Link.Value, folder, FAllowedFolder);
    return info->IsExternal ? std::string() : info->FileName;
}

std::string THostLinkFiles::Read(const std::string& File) {
    return ReadFileText(File);
}

std::string THostLinkFiles::Identity(const std::string& File) {
    return CanonicalHostPath(File);
}

void DoImport(TBookProject& Project, TFileImportInfo& Info, const std::string& Folder) {
    Import(Project, Info, Folder);
}

TStoryPlace NextStoryPosition(TBookProject& Project) {
    return PlaceAfterAnchor(Project.Host().SelectedItem());
}

TProjectItemInfo* ImportFileAsPage(TBookProject& Project, const std::string& FileName) {
    std::string base, ext;
    SplitHostName(FileName, base, ext);
    return ImportAs(Project, FileName, NumberedStorePath(Project, base, ext), true);
}

TProjectItemInfo* ImportFile(TBookProject& Project, const std::string& FileName,
                             const std::string& Destination, bool AddToStory) {
    return ImportAs(Project, FileName, Destination, AddToStory);
}

void ImportFolder(TBookProject& Project, const std::string& FolderName) {
    if (!HostDirectoryExists(FolderName)) {
        struct stat st {};
        if (::stat(FolderName.c_str(), &st) == 0)
            throw EMFSError(Format(SNotAFolder, FolderName));
        throw EMFSError(Format(SCannotOpenFolder, FolderName, SysErrorMessage(errno)));
    }
    std::string base, ext;
    SplitHostName(FolderName, base, ext);
    if (!Project.Story().Empty()) {
        switch (Project.Host().Ask(SClearStoryBeforeImport, true)) {
        case IProjectHost::Yes:
            Project.SetModified();
            Project.SetVariablesScanPending(true);
            Project.RemoveAllItems();
            break;
        case IProjectHost::No:
            break;
        case IProjectHost::Cancel:
            throw EAbort();
        }
    }
    Project.SetModified();
    const std::string destination = NumberedStorePath(Project, base, ext);
    TMFSSession* session = Project.FilesStore().Session();
    TMFSFolder* folder = session->ForceFolders(destination);
    session->ChangeFolder(destination);
    TMFS imported;
    std::vector<std::string> warnings;
    imported.LoadFromFolder(FolderName, &warnings);
    for (const std::string& warning : warnings)
        Project.Host().Warning(warning);
    MergeTreeInto(imported.Root(), folder);
    AddFolderPages(Project, folder, NextStoryPosition(Project), destination);
}
