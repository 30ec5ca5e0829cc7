// The export of a project as an EPUB 3 publication, for e-readers, phones and library
// systems. The story's pages in story order form the spine, the chapters and the
// "Include in TOC" flags the navigation document (and an NCX for older readers); the
// additional pages and every page a link reaches join as non-linear items. Pages are
// parsed as a browser parses them and written as XHTML, with the variables and the
// placeholders expanded; every file a page or stylesheet reaches is in the manifest
// with its media type, and the files no page reaches are left out.
#pragma once

#include "u_Exception.h"

#include <functional>
#include <string>
#include <vector>

class TBookProject;
class TMFS;

// An export that cannot be done: no pages to publish, protected pages without leave to
// publish them.
class EEpubError : public Exception {
public:
    using Exception::Exception;
};

// The export was refused because the book protects pages with a password.
class EEpubProtectedPages : public EEpubError {
public:
    EEpubProtectedPages(std::string Message, std::vector<std::string> Pages)
        : EEpubError(std::move(Message)), FPages(std::move(Pages)) {}
    const std::vector<std::string>& Pages() const { return FPages; }

private:
    std::vector<std::string> FPages;
};

struct TEpubSettings {
    std::string OutputFile; // empty: EpubFileName
    // Pages the book protects with a password go into the publication (with a warning)
    // instead of refusing the export.
    bool IncludeProtected = false;
    // A one-shot export (the command line): each page's text leaves the files store as
    // soon as it is written, so the project's pages are not held twice.
    bool ReleaseFilesStore = false;
    // Called with a short description as each step begins.
    std::function<void(const std::string&)> Progress;
    // Problems that did not stop the export (a story page missing, a link out of the
    // project); when empty, they go to the project host's Warning.
    std::function<void(const std::string&)> Warning;
    // What the author may want to know (the files no page reaches); when empty, they go
    // to Warning.
    std::function<void(const std::string&)> Notice;
};

// The project file with the extension ".epub" (an untitled project gives ".epub").
std::string EpubFileName(const TBookProject& Project);

// The story pages the book protects with a password, as "TITLE (PATH)": every page
// when one password protects the whole book or user names and passwords do, the pages
// flagged for protection with a password for selected pages, none otherwise.
std::vector<std::string> ProtectedStoryPages(const TBookProject& Project);

// The pages as one text: the first 20 joined by commas, then how many more there are.
std::string ProtectedPagesList(const std::vector<std::string>& Pages);
// The refusal's message for these pages.
std::string ProtectedPagesMessage(const std::vector<std::string>& Pages);

// Writes the publication and returns its file name. It is written beside the target
// and renamed over it only when complete. The project gets a publication identifier
// when it has none (and is marked modified then). With SOURCE_DATE_EPOCH set, the
// modification time and every time stamp of the archive are that time, so two exports
// of an unchanged project are the same bytes. Raises EEpubProtectedPages (unless
// IncludeProtected), EEpubError for a project without pages, ECompileError for an
// output that would land in the project.
std::string ExportEpub(TBookProject& Project, const TEpubSettings& Settings = {});

// The name a file of the files store gets in the publication (a path below the package
// folder, "/" between folders): characters other than ASCII letters, digits, "-", "_"
// and "." become "_"; HTML pages end in ".xhtml".
std::string EpubNameOf(const std::string& StorePath);

// The pictures of a files store a publication can show as its cover (JPEG, PNG, GIF,
// SVG), as store paths in the store's listing order.
std::vector<std::string> EpubCoverCandidates(const TMFS& Store);

// The name the publication of a project goes to by default: the project file with
// ".epub"; for an untitled project, the book's title (or "Untitled") with ".epub" in
// Folder.
std::string DefaultEpubFileName(const TBookProject& Project, const std::string& Folder);

// The media type of a file by its name, or empty for a kind a publication does not
// hold without a fallback.
std::string EpubMediaType(const std::string& FileName);
