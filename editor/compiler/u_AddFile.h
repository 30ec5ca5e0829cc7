// Importing files from the disk into the open project's files store: one HTML page
// with the local files it uses (pictures, stylesheets with what they name in turn,
// scripts, media, frames), its links rewritten to the imported copies; any other file
// unchanged; a whole folder as it is, with a story item for every page in it.
//
// Pages name their files in any letter case while this host's file names are
// case-sensitive: a linked file is found by a case-blind look-up of each component of
// its path, relative to the folder of the page (or stylesheet) that names it. A
// rewritten link keeps the author's spelling; a link that is not rewritten stays byte
// for byte as it was.
#pragma once

#include "u_HTML.h"
#include "u_Links.h"
#include "u_Templates.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TBookProject;
class TProjectItemInfo;
class THTMLPart;

extern const char* const SClearStoryBeforeImport; // "Clear story before adding whole template?"

// The six kinds of link imports have always followed, as descriptors of
// SplitHtmlByLinks, in this order (the order gives the kind): img/src, link/href,
// body/background (resources), frame/src, iframe/src (frames), a/href (anchors). They
// are the first six TLinkKinds; the import follows every TLinkKind.
const std::vector<TLinkDesc>& ImportLinkDescs();

// One file to import.
class TFileImportInfo {
public:
    TFileImportInfo();
    ~TFileImportInfo();
    TFileImportInfo(const TFileImportInfo&) = delete;
    TFileImportInfo& operator=(const TFileImportInfo&) = delete;

    std::string FileName;    // the source file, or, for a link not imported, the text the link gets
    std::string LinkText;    // the link value as found in the referring page
    std::string Destination; // where the file goes in the files store (may hold "${NAME}")
    std::string Link;        // the destination after expansion; during the import, the file's name
    uint8_t IsExternal = 0;  // 1: the link is not imported
    uint8_t AddToStory = 0;  // a story item is made for the imported file
    // 1: a link by absolute path or "file:" URL to a file outside the folder being
    // imported; it keeps its text and is reported, never copied into the project.
    uint8_t LeftOut = 0;
    // The folder being imported (of the first page of an import): files linked by
    // absolute path or "file:" URL are imported only from inside it or from inside the
    // linking page's own folder. Empty: the page's own folder only.
    std::string AllowedFolder;
    // 1: the file is read as a stylesheet whatever its name (linked by @import or by
    // <link rel=stylesheet>); a file named ".css" always is.
    uint8_t StyleSheet = 0;
    // 1: the files a stylesheet names go beside its copy (it sits in the ".files" folder
    // of the page that uses it), not into a ".files" folder of its own.
    uint8_t Beside = 0;

    // The pieces of the file, read on first use: the literal text and links of a page
    // or a stylesheet, one literal for any other file. Raises the file-open error when
    // the source cannot be read.
    const std::vector<std::unique_ptr<THTMLPart>>& Parts();

private:
    bool FPartsRead = false;
    std::vector<std::unique_ptr<THTMLPart>> FParts;
};

// One piece of a page.
class THTMLPart {
public:
    static constexpr uint8_t pkLiteral = 0;
    static constexpr uint8_t pkResource = 1;
    static constexpr uint8_t pkFrame = 2;
    static constexpr uint8_t pkAnchor = 3;

    uint8_t Kind = pkLiteral;
    std::string Text;                         // the literal text, or the link value as written
    std::unique_ptr<TFileImportInfo> SubInfo; // for links
    int32_t Index = -1;                       // for links: the TLinkKind
    TLinkRef Ref;                             // for links: where and how the value is written
};

// The host path a link value names, relative to the folder of the page: without a
// leading "file:", "%XX" and "+" decoded, made absolute against PageFolder.
std::string LinkToHostPath(const std::string& Value, const std::string& PageFolder);

// The import information of a link of a page (or stylesheet) in PageFolder: a resource
// or frame that exists on disk as a regular file is imported into "${NAME}.files\" (or
// beside the file that names it, with Beside); anything else keeps its text, but an
// anchor to an existing page points to that page's disk path. Values that name no
// local file (web addresses, "data:", "blob:", fragments, other schemes) are not looked
// up. A query or fragment is no part of the file's name. A resource or frame named by
// absolute path or "file:" URL is imported only when it lies inside PageFolder or
// AllowedFolder; otherwise it keeps its text and is marked LeftOut. Relative links
// (with ".." too) are imported wherever they lead.
std::unique_ptr<TFileImportInfo> LinkImportInfo(uint8_t Kind, const std::string& Value,
                                                const std::string& PageFolder,
                                                const std::string& AllowedFolder = std::string(),
                                                bool Beside = false);

// The files of the disk as an import sees them: links resolve by the import's rules
// (LinkImportInfo, the first page's folder as AllowedFolder), so that FilesReachedFrom
// lists what importing the page would bring.
class THostLinkFiles : public ILinkFiles {
public:
    explicit THostLinkFiles(std::string AllowedFolder) : FAllowedFolder(std::move(AllowedFolder)) {}
    std::string Resolve(const std::string& File, const TLinkRef& Link) override;
    std::string Read(const std::string& File) override;
    std::string Identity(const std::string& File) override;

private:
    std::string FAllowedFolder;
};

// Imports Info into Folder of the files store (a folder path of the store): writes the
// rebuilt text to Info.Link, makes its story item when asked, then imports what it
// links, depth first, each source once per store path. Links left out (LeftOut) are
// reported to the project host's Warning.
void DoImport(TBookProject& Project, TFileImportInfo& Info, const std::string& Folder);

// Where the next new page item goes: after the selected page, as the last child of the
// selected chapter, or as the last top-level item.
TStoryPlace NextStoryPosition(TBookProject& Project);

// Imports one file as a new page "\NAME<N>.ext" (N from 0, the first free) at the next
// story position, with the files it uses. Returns the new item.
TProjectItemInfo* ImportFileAsPage(TBookProject& Project, const std::string& FileName);
// Imports one file to a given path of the files store (an existing file is
// overwritten); returns the new item when AddToStory is set.
TProjectItemInfo* ImportFile(TBookProject& Project, const std::string& FileName,
                             const std::string& Destination, bool AddToStory);
// Imports a whole disk folder unchanged into "\NAME<N>" and makes a page item for every
// HTML file in it. When the story is not empty, asks whether to clear it first
// (Cancel ends silently before anything is copied). A FolderName that is no folder is
// refused ("\"%s\" is not a folder"); links leading out of the folder and names that
// differ only in letter case are reported to the project host's Warning.
void ImportFolder(TBookProject& Project, const std::string& FolderName);
