#include "u_AddFile.h"

#include "u_CaseBlind.h"
#include "u_Exception.h"
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
#include <sys/stat.h>

const char* const SClearStoryBeforeImport = "Clear story before adding whole template?";

namespace {

const char* const SCannotOpenFolder = "Cannot open file \"%s\". %s";
const char* const SNotAFolder = "\"%s\" is not a folder";
const char* const SLinkLeftOut =
    "Link \"%s\" of \"%s\" names a file outside the folder being imported: it was left out";
const char* const SNameTemplate = "${NAME}";

// Pages may name themselves or each other (frames, "<link>" elements); a chain of
// linked pages deeper than this is not followed further.
constexpr int MaxImportDepth = 32;

// The state of one import: the source files on the way down from the first page, and
// every source already written to a store path (importing it there again would give
// the same file).
struct TImportRun {
    std::vector<std::string> Chain;
    std::set<std::string> Done;
    std::set<std::string> Reported; // links left out, once per page
};

bool IsHtmlFileName(const std::string& name) {
    const std::size_t dot = name.find_last_of('.');
    const std::size_t slash = name.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return false;
    const std::string_view ext = std::string_view(name).substr(dot);
    return SameTextCaseBlind(ext, ".htm") || SameTextCaseBlind(ext, ".html");
}

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

TProjectItemInfo* Import(TBookProject& project, TFileImportInfo& info, const std::string& folder,
                         TImportRun& run) {
    auto session = project.FilesStore().NewSession();
    session->ChangeFolder(folder);
    project.SetModified();

    const std::string link = TMFS::NormalizeSlashes(info.Link);
    const std::string linkFolder = TMFS::ExtractPath(link);
    if (!linkFolder.empty())
        session->ChangeFolder(session->ForceFolders(linkFolder)->FullPath());
    info.Link = TMFS::ExtractName(link);
    const std::string name = StoreNameWithoutExt(info.Link);
    const std::string source = CanonicalHostPath(info.FileName);
    if (!run.Done.insert(source + '\n' + CaseBlindKey(session->ExpandPath(info.Link))).second)
        return nullptr;

    const auto& parts = info.Parts();
    for (const auto& part : parts)
        if (part->SubInfo && part->SubInfo->LeftOut &&
            run.Reported.insert(source + '\n' + part->SubInfo->LinkText).second)
            project.Host().Warning(Format(SLinkLeftOut, part->SubInfo->LinkText, info.FileName));
    // A link to a page already being imported on this chain (or a chain that is too
    // deep) keeps its text instead of being imported again and again.
    run.Chain.push_back(source);
    for (const auto& part : parts) {
        if (!part->SubInfo || part->SubInfo->IsExternal)
            continue;
        const std::string target = CanonicalHostPath(part->SubInfo->FileName);
        const bool loop = std::find(run.Chain.begin(), run.Chain.end(), target) != run.Chain.end();
        if (loop || static_cast<int>(run.Chain.size()) >= MaxImportDepth) {
            part->SubInfo->IsExternal = 1;
            part->SubInfo->FileName = part->SubInfo->LinkText;
        }
    }

    std::string text;
    for (const auto& part : parts) {
        if (part->Kind == THTMLPart::pkLiteral || !part->SubInfo) {
            text += part->Text;
        } else if (part->SubInfo->IsExternal) {
            text += HtmlQuote(part->SubInfo->FileName);
        } else {
            part->SubInfo->Link = ReplaceName(part->SubInfo->Destination, name);
            text += HtmlQuote(part->SubInfo->Link);
        }
    }
    TMFSFile* file = session->CreateFile(info.Link, 0, true);
    file->Content = text;

    TProjectItemInfo* item = nullptr;
    if (info.AddToStory)
        item = AddPageItemAt(project, NextStoryPosition(project), GetHtmlTitle(text, name), file->FullPath());

    const std::string current = session->CurrentFolder()->FullPath();
    for (const auto& part : parts)
        if (part->SubInfo && !part->SubInfo->IsExternal)
            Import(project, *part->SubInfo, current, run);
    run.Chain.pop_back();

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
    TImportRun run;
    return Import(project, info, "\\", run);
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
    if (!IsHtmlFileName(FileName)) {
        auto part = std::make_unique<THTMLPart>();
        part->Text = content;
        FParts.push_back(std::move(part));
        return FParts;
    }
    const std::string pageFolder = HostFolderOf(HostAbsolutePath(FileName, HostFolderOf(FileName)));
    THtmlLinkParts pieces;
    SplitHtmlByLinks(content, ImportLinkDescs(), pieces);
    for (const THtmlLinkPart& piece : pieces) {
        auto part = std::make_unique<THTMLPart>();
        part->Text = piece.Text;
        if (piece.Index >= 0) {
            part->Kind = piece.Index <= 2 ? THTMLPart::pkResource
                                          : (piece.Index <= 4 ? THTMLPart::pkFrame : THTMLPart::pkAnchor);
            part->SubInfo = LinkImportInfo(part->Kind, piece.Text, pageFolder, AllowedFolder);
            part->SubInfo->AllowedFolder = AllowedFolder.empty() ? pageFolder : AllowedFolder;
        }
        FParts.push_back(std::move(part));
    }
    return FParts;
}

std::string LinkToHostPath(const std::string& Value, const std::string& PageFolder) {
    const std::string decoded = DecodeLink(WithoutFileScheme(Value));
    if (decoded.find('\0') != std::string::npos)
        return std::string(); // no file of the host has such a name
    return HostAbsolutePath(HostSlashes(decoded), PageFolder);
}

std::unique_ptr<TFileImportInfo> LinkImportInfo(uint8_t Kind, const std::string& Value,
                                                const std::string& PageFolder, const std::string& AllowedFolder) {
    auto info = std::make_unique<TFileImportInfo>();
    info->LinkText = Value;
    const std::string path = WithoutFileScheme(Value);
    const std::size_t sep = path.find_last_of("/\\");
    info->Destination =
        std::string(SNameTemplate) + ".files\\" + (sep == std::string::npos ? path : path.substr(sep + 1));
    std::string local = FindHostFileCaseBlind(LinkToHostPath(Value, PageFolder));
    if (local.empty()) // a name that only looks encoded ("c++.gif", "100%.png")
        local = FindHostFileCaseBlind(HostAbsolutePath(HostSlashes(WithoutFileScheme(Value)), PageFolder));
    // A page names its own files relatively; an absolute path or a "file:" URL may name
    // anything on the host ("/etc/hostname", "file:///etc/passwd"), so such a file is
    // imported only from the folder being imported or the page's own folder.
    if (Kind != THTMLPart::pkAnchor && !local.empty() && IsAbsoluteLink(Value)) {
        const std::string canonical = CanonicalHostPath(local);
        const bool inside = IsWithinHostFolder(canonical, CanonicalHostPath(PageFolder)) ||
                            (!AllowedFolder.empty() && IsWithinHostFolder(canonical, CanonicalHostPath(AllowedFolder)));
        if (!inside) {
            info->IsExternal = 1;
            info->LeftOut = 1;
            info->FileName = Value;
            return info;
        }
    }
    if (Kind == THTMLPart::pkAnchor) {
        info->IsExternal = 1;
        info->FileName = local.empty() ? Value : local;
    } else if (!local.empty()) {
        info->IsExternal = 0;
        info->FileName = local;
    } else {
        info->IsExternal = 1;
        info->FileName = Value;
    }
    return info;
}

void DoImport(TBookProject& Project, TFileImportInfo& Info, const std::string& Folder) {
    TImportRun run;
    Import(Project, Info, Folder, run);
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
