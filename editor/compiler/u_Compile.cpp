#include "u_Compile.h"

#include "u_Book.h"
#include "u_CaseBlind.h"
#include "u_HostPlatform.h"
#include "u_XMLValues.h"
#include "u_Contents.h"
#include "u_Exception.h"
#include "u_Links.h"
#include "u_MFS.h"
#include "u_MFSCab.h"
#include "u_ProgramFolder.h"
#include "u_Project.h"
#include "u_Resources.h"
#include "u_SpaceXMLParser.h"
#include "u_Stream.h"
#include "u_ToolButtons.h"
#include "u_eBookCommon.h"
#include "u_Zip.h"

#include "u_TextUtils.h"
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

const char* const SCompileSaveQuestion =
    "Project has changed and should be saved.\r\nSave project and continue?";
const char* const SRunSaveQuestion =
    "Project has changed and should be saved and compiled.\r\nSave project and continue?";
const char* const SCompileSuccessQuestion = "Project successfully compiled. Would you like to run it?";

namespace {
const char* const SOutputNotRegular = "The book cannot be written to \"%s\": it is not a regular file";
const char* const SOutputIsProject = "The book cannot be written to \"%s\": it is the project file";
const char* const SOutputInProject =
    "The book cannot be written to \"%s\": it lies inside the project's folder \"%s\"";
const char* const SOutputIsReader = "The book cannot be written to \"%s\": it is the reader program";
const char* const SNameWithBackslash = "File \"%s\" cannot go into a book: its name holds a backslash";
const char* const SMissingStoryPage = "Story page \"%s\" names \"%s\", which is not among the project's files";
} // namespace

namespace {

// ---- times ----

// The packed date-time of SOURCE_DATE_EPOCH, or 0 when the variable is not set.
uint32_t SourceDateStamp() {
    const std::optional<int64_t> seconds = SourceDateEpoch();
    return seconds ? DosDateTime(*seconds) : 0;
}

// With a fixed stamp: stamps Item and clamps everything below it that is later.
void ApplyStamp(TMFSItem* item, uint32_t stamp, bool force) {
    if (stamp == 0)
        return;
    if (force || item->Time > stamp)
        item->Time = stamp;
    if (item->IsFolder())
        ForEachItemBelow(item->AsFolder(), [stamp](TMFSItem* child) {
            if (child->Time > stamp)
                child->Time = stamp;
        });
}

// Every name in a tree that goes into a book is one name there: a backslash in it would
// make a path of it (and the book's own unpacking refuses it). HostFolder names the
// folder the tree came from, for the message.
void CheckBookNames(const TMFS& tree, const std::string& hostFolder) {
    ForEachItemBelow(tree.Root(), [&](const TMFSItem* item) {
        if (item->Name.find('\\') == std::string::npos)
            return;
        std::string path = item->FullPath();
        if (!hostFolder.empty()) {
            // The host file: the names from the root down, below the folder.
            path = item->Name;
            for (const TMFSItem* up = item->Parent(); up && up->Parent(); up = up->Parent())
                path = up->Name + "/" + path;
            path = HostPathJoin(hostFolder, path);
        }
        throw ECompileError(Format(SNameWithBackslash, path));
    });
}

// ---- cabinets ----

// Packs Image as the cabinet of the store convention on Jobs threads, the member stamped
// with Stamp (when set); the image goes into the cabinet as it is written, never whole.
// Progress, when set, follows the bytes packed.
std::string PackImage(const TMFS& image, uint32_t stamp, unsigned jobs,
                      const std::function<void(uint64_t, uint64_t)>& progress = {}) {
    TStorePackOptions options;
    if (stamp != 0)
        options.MemberTime = stamp;
    options.Pack.Jobs = jobs;
    options.Pack.Progress = progress;
    return PackStore(image, options);
}

// ---- host files ----

std::string HostFolderOf(const std::string& fileName) {
    const size_t slash = fileName.rfind('/');
    return slash == std::string::npos ? std::string(".") : fileName.substr(0, slash == 0 ? 1 : slash);
}

bool HostFolderExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

const char* YesNoCustom(uint8_t mode) {
    switch (mode) {
    case 0:
        return "Yes";
    case 1:
        return "No";
    default:
        return "Custom";
    }
}

const char* PlacementText(TToolbarPlacement placement) {
    switch (placement) {
    case tpTop:
        return "Top";
    case tpBottom:
        return "Bottom";
    default:
        return "No Toolbar";
    }
}

const char* SplashText(TSplashType type) {
    switch (type) {
    case vsNone:
        return "No Splash";
    case vsPopUp:
        return "PopUp Message";
    default:
        return "Splash";
    }
}

void Report(const TCompileSettings& settings, const char* step) {
    if (settings.Progress)
        settings.Progress(step);
}

} // namespace

std::string HostChangeExt(const std::string& fileName, const std::string& ext) {
    const size_t slash = fileName.find_last_of("/\\");
    const size_t dot = fileName.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        return fileName.substr(0, dot) + ext;
    return fileName + ext;
}

TOutputTempFile::TOutputTempFile(const std::string& Target) {
    const std::string folder = HostFolderOf(Target);
    ForceHostFolders(folder);
    std::string pattern = Target + ".tmp-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        throw EFCreateError(Format(SFCreateError, Target, SysErrorMessage(errno)));
    ::close(fd);
    FName = pattern;
}

TOutputTempFile::~TOutputTempFile() {
    if (!FName.empty())
        ::unlink(FName.c_str());
}

void TOutputTempFile::MoveTo(const std::string& Target, unsigned Mode) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(FName.c_str(), static_cast<mode_t>(Mode) & ~mask);
    if (std::rename(FName.c_str(), Target.c_str()) != 0)
        throw EFCreateError(Format(SFCreateError, Target, SysErrorMessage(errno)));
    FName.clear();
}

std::optional<int64_t> SourceDateEpoch() {
    const char* value = std::getenv("SOURCE_DATE_EPOCH");
    if (value == nullptr || *value == '\0')
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long long seconds = std::strtoll(value, &end, 10);
    if (errno != 0 || *end != '\0' || seconds < 0)
        throw Exception(Format("SOURCE_DATE_EPOCH \"%s\" is not a number of seconds", std::string(value)));
    return static_cast<int64_t>(seconds);
}

TBookSecurity BuildBookSecurity(const std::string& EncryptXmlText) {
    using namespace DecryptXml;
    TBookSecurity security;
    TSecurityDescription description;
    TXMLDocument doc(EncryptXmlText);
    const TXMLNode* root = doc.Root();
    const std::string method = XmlText(root, Method, "");
    const std::string password = XmlText(root, "Password", "");
    const std::string passwordType = XmlText(root, PasswordType, TypeSimple);
    if (SameTextCaseBlind(method, MethodPassword)) {
        if (SameTextCaseBlind(passwordType, TypeSimple)) {
            description.Protection = TBookProtection::Password;
            security.BookKey = password; // an empty password leaves the pages as they are
        } else if (SameTextCaseBlind(passwordType, TypeSelected)) {
            description.Protection = TBookProtection::Selected;
            description.PasswordHash = static_cast<int32_t>(MFSChecksum(password));
        }
    } else if (SameTextCaseBlind(method, MethodUserPassword)) {
        description.Protection = TBookProtection::UserPassword;
        security.BookKey = NewGuidText();
        for (const TXMLNode* info : XmlChildren(root))
            description.UserRecords.push_back(
                UserKeyRecord(XmlText(info, "User", ""), XmlText(info, "Password", ""), security.BookKey));
    }
    security.DecryptXml = BuildDecryptXml(description);
    return security;
}

std::string BuildSystemXml(const TProjectOptions& Options) {
    const auto file = [](const char* attribute, const char* path) {
        // The system files are named without the root's backslash.
        return std::string("  ") + attribute + "=" + QuotedAttr(path + 1) + "\r\n";
    };
    return std::string("<") + SystemXml::Root + "\r\n" + file(SystemXml::Story, StoryXmlFile) +
           file(SystemXml::ToolButtons, ToolButtonsXmlFile) + file(SystemXml::Variables, VariablesXmlFile) + "  " +
           SystemXml::Icon + "=" + QuotedAttr(SystemXml::IconValue) + "\r\n  " + Options.GetAttributes() + "\r\n" +
           file(SystemXml::Forms, AdditionalPagesXmlFile) + file(SystemXml::Decrypt, DecryptXmlFile) + ">" + "  <" +
           SystemXml::Splash + " " + Options.Splash().GetAttributes() + "\r\n" + "/>" + "  <" + SystemXml::Toolbar +
           " " + Options.Toolbar().GetAttributes() + "\r\n" + "/>" + "</" + SystemXml::Root + ">\r\n";
}

std::string BuildStoryXml(const TStory& Story, uint8_t RightClickMode) {
    using namespace StoryXml;
    std::string text = std::string("<") + Root + ">\r\n";
    const auto page = [RightClickMode](std::string& out, const TProjectItemInfo& item, const std::string& pad) {
        bool rightClick = item.RightClick;
        if (RightClickMode == 0)
            rightClick = true;
        else if (RightClickMode == 1)
            rightClick = false;
        out += pad + "<" + Item + " " + Page + "=" + QuotedAttr(item.Page) + " " + PageName + "=" +
               QuotedAttr(item.Name) + " " + Searchable + "=" + BoolAttr(item.Searchable) + " " + RightClick + "=" +
               BoolAttr(rightClick) + " " + PasswordProtection + "=" + BoolAttr(item.PasswordProtection) + "/>\r\n";
    };
    // A chapter's title is not written.
    WriteStoryTree(text, Story.Children(), 4, page,
                   [](const TProjectItemInfo&) { return std::string("<") + Item + ">"; });
    text += std::string("</") + Root + ">";
    return text;
}

std::string OutputFileName(const std::string& ProjectFileName, const TProjectOptions& Options) {
    return HostChangeExt(Options.DefaultOutput ? ProjectFileName : Options.OutputPath, ".exe");
}

std::string OutputFileName(const TBookProject& Project) {
    return OutputFileName(Project.FileName(), Project.Options());
}

std::string CompileSecurityLine(const TBookProject& Project) {
    TXMLDocument doc(Project.SystemFile(EncryptXmlFile).value_or(std::string()));
    const std::string method = XmlText(doc.Root(), "Method", "");
    const std::string passwordType = XmlText(doc.Root(), "PasswordType", "Simple");
    if (method.empty())
        return "No Security";
    if (SameTextCaseBlind(method, "UserPassword"))
        return "Username and Password";
    if (SameTextCaseBlind(method, "Password")) {
        if (SameTextCaseBlind(passwordType, "Simple"))
            return "Simple Password (All Book)";
        if (SameTextCaseBlind(passwordType, "Selected"))
            return "Password (Selected Pages)";
    }
    return std::string();
}

std::string CompileSummaryText(const TProjectOptions& Options, const std::string& SecurityLine) {
    const TSplashOptions& splash = Options.Splash();
    const TToolbarOptions& toolbar = Options.Toolbar();
    std::string text = "Project options:\r\n\r\n";
    text += "eBook Task Bar: " + Options.ApplicationTitle + "\r\n";
    text += "eBook Title Bar: " + Options.MainFormCaption + "\r\n";
    text += "Output Path: " +
            (Options.DefaultOutput ? std::string("the same as the project.") : Options.OutputPath) + "\r\n";
    text += "\r\nSizes:\r\n";
    text += "Window Width: " + std::to_string(Options.Width) + "\r\n";
    text += "Window Height: " + std::to_string(Options.Height) + "\r\n";
    text += std::string("Resizable Window: ") + BoolAttr(Options.ResizableWindow) + "\r\n";
    text += std::string("Run Maximized: ") + BoolAttr(Options.RunMaximized) + "\r\n";
    text += std::string("Allow Right Click: ") + YesNoCustom(Options.AllowRightClickContextMenu) + "\r\n";
    text += std::string("Toolbar Placement: ") + PlacementText(toolbar.ToolbarPlacement) + "\r\n";
    if (toolbar.LogoDisplay) {
        text += "Logo On Toolbar\r\n";
        text += "Logo Link: " + toolbar.LogoLink + "\r\n";
        text += "Logo Hint: " + toolbar.LogoText + "\r\n";
    }
    text += "\r\nSplash:\r\n";
    text += "Close After " + std::to_string(splash.Interval) + " seconds\r\n";
    text += std::string("Close on Mouse Click: ") + BoolAttr(splash.CloseOnClick) + "\r\n";
    text += std::string("At the Start: ") + SplashText(splash.SplashTypeS) + "\r\n";
    text += std::string("At the End: ") + SplashText(splash.SplashTypeE) + "\r\n";
    if (!SecurityLine.empty())
        text += "\r\nSecurity:\r\n" + SecurityLine + "\r\n";
    text += "\r\nCompile Project?";
    return text;
}

void CheckCompileOutput(const TBookProject& Project, const std::string& OutputFile,
                        const std::string& ProgramFolder) {
    // A FIFO or a device (also behind a link) is no place for a book; neither is a folder.
    struct stat target {};
    const bool exists = ::stat(OutputFile.c_str(), &target) == 0;
    if (exists && !S_ISREG(target.st_mode))
        throw ECompileError(Format(SOutputNotRegular, OutputFile));
    auto sameFile = [&](const std::string& other) {
        struct stat st {};
        return exists && ::stat(other.c_str(), &st) == 0 && st.st_dev == target.st_dev && st.st_ino == target.st_ino;
    };
    const std::string output = CanonicalHostPath(OutputFile);
    if (!Project.FileName().empty()) {
        const std::string& project = Project.FileName();
        if (output == CanonicalHostPath(project) || sameFile(project))
            throw ECompileError(Format(SOutputIsProject, OutputFile));
        // A book inside the stores would be packed into the next book, and so on.
        for (const char* ext : {".files", ".system"}) {
            const std::string folder = HostChangeExt(project, ext);
            if (IsWithinHostFolder(output, CanonicalHostPath(folder)))
                throw ECompileError(Format(SOutputInProject, OutputFile, folder));
        }
    }
    if (!ProgramFolder.empty()) {
        const std::string reader = HostPathJoin(ProgramFolder, ReaderProgramName);
        if (output == CanonicalHostPath(reader) || sameFile(reader))
            throw ECompileError(Format(SOutputIsReader, OutputFile));
    }
}

int PackProgressPercent(uint64_t Packed, uint64_t Total) {
    if (Total == 0 || Packed >= Total)
        return 100;
    return static_cast<int>(Packed * 100 / Total);
}

std::string PackProgressText(uint64_t Packed, uint64_t Total) {
    const double mb = 1024.0 * 1024.0;
    char text[96];
    std::snprintf(text, sizeof text, "Packing the pages: %.1f of %.1f MB (%d%%)", double(std::min(Packed, Total)) / mb,
                  double(Total) / mb, PackProgressPercent(Packed, Total));
    return text;
}

std::string CompileProject(TBookProject& Project, const TCompileSettings& Settings) {
    const uint32_t stamp = SourceDateStamp();
    std::string programFolder = Settings.ProgramFolder.empty() ? ProgramFolder() : Settings.ProgramFolder;
    if (!programFolder.empty() && programFolder.back() != '/')
        programFolder += '/';
    TProjectOptions& options = Project.Options();
    TMFS& systemStore = Project.SystemStore();
    const std::string output = Settings.OutputFile.empty() ? OutputFileName(Project) : Settings.OutputFile;
    CheckCompileOutput(Project, output, programFolder);
    const auto warn = [&](const std::string& text) {
        if (Settings.Warning)
            Settings.Warning(text);
        else
            Project.Host().Warning(text);
    };
    // Every name goes into the book as one name; a story page that is not in the files
    // store would leave the book's story pointing at nothing.
    CheckBookNames(Project.FilesStore(),
                   Project.FileName().empty() ? std::string() : HostChangeExt(Project.FileName(), ".files"));
    {
        auto files = Project.FilesStore().NewSession();
        for (const TProjectItemInfo* item : Project.Story().AllItems()) {
            if (!item->IsPage())
                continue;
            const bool present = !item->Page.empty() && files->Exists(item->Page) && !files->FolderExists(item->Page);
            if (!present)
                warn(Format(SMissingStoryPage, item->Name, item->Page));
        }
    }
    // A link that leads out of the files store names nothing the book holds.
    for (const TLinkOut& link : LinksOutOfStore(Project.FilesStore()))
        warn(LinkOutWarning(link));

    // Pages: a copy of the files store with the placeholders expanded, packed as "\Files.cab".
    Report(Settings, "Building the pages");
    const std::string contents = BuildContentsHtml(Project.Story());
    std::string pagesCabinet;
    if (Settings.ReleaseFilesStore) {
        // The project's store is not used again: expand in place, pack it, empty it.
        TMFS& store = Project.FilesStore();
        ExpandPlaceholders(Project.Story(), store.Root(), contents);
        ApplyStamp(store.Root(), stamp, true);
        Report(Settings, "Packing the pages");
        pagesCabinet = PackImage(store, stamp, Settings.Jobs, Settings.PackProgress);
        store.Clear();
    } else {
        // A copy through the image keeps the project's own files untouched; the image
        // goes as soon as the copy is built, and the copy goes into the cabinet piece by
        // piece.
        TMFS pages;
        pages.LoadFromString(Project.FilesStore().SaveToString());
        ExpandPlaceholders(Project.Story(), pages.Root(), contents);
        ApplyStamp(pages.Root(), stamp, true);
        Report(Settings, "Packing the pages");
        pagesCabinet = PackImage(pages, stamp, Settings.Jobs, Settings.PackProgress);
    }

    // Security.
    Report(Settings, "Working out the security");
    TBookSecurity security;
    if (systemStore.Session()->Exists(EncryptXmlFile))
        security = BuildBookSecurity(systemStore.Session()->OpenFile(EncryptXmlFile)->Content);
    if (!security.BookKey.empty())
        pagesCabinet = EncryptData(pagesCabinet, security.BookKey, true);

    // System image: the program folder's "System" folder and the generated files.
    Report(Settings, "Building the system files");
    std::string systemCabinet;
    {
        TMFS image;
        const std::string systemFolder = programFolder + "System";
        if (HostFolderExists(systemFolder))
            image.LoadFromFolder(systemFolder);
        TMFSSession* s = image.Session();
        auto write = [&](const std::string& path, const std::string& text) {
            TMFSFile* file = s->CreateFile(path, 0, true);
            file->Content = text;
            if (stamp != 0)
                file->Time = stamp;
        };
        write(SystemXmlFile, BuildSystemXml(options));
        write(ToolButtonsXmlFile, BuildToolButtonsXml(systemStore, options.Toolbar(), image));
        write(DecryptXmlFile, security.DecryptXml);
        write(VariablesXmlFile, Project.VariablesText());
        write(StoryXmlFile, BuildStoryXml(Project.Story(), options.AllowRightClickContextMenu));
        write(AdditionalPagesXmlFile, Project.AdditionalPagesText());
        for (const char* picture : {SplashStartFile, SplashEndFile})
            if (systemStore.Session()->Exists(picture))
                write(picture, systemStore.Session()->OpenFile(picture)->Content);
        if (options.Toolbar().LogoDisplay && systemStore.Session()->Exists(LogoFile))
            write(LogoFile, systemStore.Session()->OpenFile(LogoFile)->Content);
        ApplyStamp(image.Root(), stamp, true);
        CheckBookNames(image, std::string());
        Report(Settings, "Packing the system files");
        systemCabinet = PackImage(image, stamp, Settings.Jobs);
    }

    // The book: the reader program with the cabinets and the icon in its resources,
    // assembled beside the output file and moved into place when complete.
    Report(Settings, "Writing the book");
    const std::string reader = ReadFileText(programFolder + ReaderProgramName);
    TOutputTempFile book(output);
    WriteFileText(reader, book.Name());
    {
        // The resources go in with one update of the copy (one rewrite of it, not three).
        TResourceWriter writer(book.Name());
        writer.WriteRCData(FilesResourceName, pagesCabinet);
        writer.WriteRCData(SystemResourceName, systemCabinet);
        if (systemStore.Session()->Exists(IconFile))
            writer.WriteIconGroup(IconResourceName, 1, systemStore.Session()->OpenFile(IconFile)->Content);
        writer.Commit();
    }
    // The usual permissions of a program.
    book.MoveTo(output, 0777);
    return output;
}
