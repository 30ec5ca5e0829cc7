// Commands that make and look into books: compile, inspect, unpack.
#include "cli.h"

#include "u_Book.h"
#include "u_BookLayout.h"
#include "u_Compile.h"
#include "u_Exception.h"
#include "u_MFS.h"
#include "u_ProgramFolder.h"
#include "u_Project.h"
#include "u_Variables.h"
#include "u_XMLValues.h"

#include <iostream>

namespace cli {
namespace {

// ---- compile ----

// Asks nobody (nothing is saved back into the project); warnings go to standard error.
class TCompileHost : public TPresetProjectHost {
public:
    void Warning(const std::string& Text) override { PrintWarning("compile", Text); }
};

// The threads of --jobs: a whole number from 1 to 256.
unsigned JobsOption(const std::string& text) {
    unsigned jobs = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || jobs > 256)
            throw UsageError{"--jobs expects a number of threads from 1 to 256"};
        jobs = jobs * 10 + unsigned(c - '0');
    }
    if (jobs < 1 || jobs > 256)
        throw UsageError{"--jobs expects a number of threads from 1 to 256"};
    return jobs;
}

int RunCompile(const std::vector<std::string>& args) {
    Arguments a(args, {"--output", "--program-dir", "--jobs"}, {});
    if (a.Positionals().size() != 1)
        throw UsageError{"expects one project file"};
    if (a.Has("--program-dir"))
        SetProgramFolder(AbsolutePath(a.Value("--program-dir")));
    const bool progress = StderrIsTerminal();
    TCompileHost host;
    TBookProject project(&host);
    const std::string projectFile = AbsolutePath(a.Positionals()[0]);
    if (progress)
        std::cerr << "Opening " << a.Positionals()[0] << "\n";
    AboutFile(projectFile, "", [&] { project.OpenProject(projectFile, false); });
    TCompileSettings settings;
    settings.ReleaseFilesStore = true; // the project is not used after this compile
    if (a.Has("--output"))
        settings.OutputFile = AbsolutePath(a.Value("--output"));
    else
        settings.OutputFile = AbsolutePath(OutputFileName(project));
    if (a.Has("--jobs"))
        settings.Jobs = JobsOption(a.Value("--jobs"));
    if (progress) {
        settings.Progress = [](const std::string& step) { std::cerr << step << "...\n"; };
        // The bytes packed, on one line rewritten as the percentage grows.
        settings.PackProgress = [shown = -1](uint64_t packed, uint64_t total) mutable {
            const int percent = PackProgressPercent(packed, total);
            if (percent == shown)
                return;
            shown = percent;
            std::cerr << "\r" << PackProgressText(packed, total) << (packed == total ? "\n" : "") << std::flush;
        };
    }
    // Failures about the output name it already; the others are about the project.
    const std::string book = AboutFile(projectFile, "", [&] { return CompileProject(project, settings); });
    std::cout << book << "\n";
    return 0;
}

// ---- reading books ----

// Opens a book through the book module; a failure names the book.
void LoadBook(const std::string& fileName, TBook& book, unsigned parts) {
    AboutFile(fileName, "", [&] { book.Open(fileName, parts); });
}

// A system file of the book parsed; a failure names the book and the file.
std::unique_ptr<TXMLDocument> SystemDocument(const TBook& book, const std::string& path) {
    return AboutFile(book.FileName(), std::string(SystemResourceName) + " " + path,
                     [&] { return std::make_unique<TXMLDocument>(book.SystemFile(path)); });
}

// The story depth first with an explicit stack: a story may nest as deep as its file.
// Levels deeper than MaxIndent are indented as that level, with their level written out,
// so that the output grows with the story, not with the square of its depth.
void PrintStory(const TXMLNode* root) {
    constexpr size_t MaxIndent = 64;
    struct TFrame {
        std::vector<const TXMLNode*> Items;
        size_t Next;
    };
    std::vector<TFrame> stack{{XmlChildren(root), 0}};
    while (!stack.empty()) {
        TFrame& f = stack.back();
        if (f.Next >= f.Items.size()) {
            stack.pop_back();
            continue;
        }
        const TXMLNode* item = f.Items[f.Next++];
        const size_t level = stack.size();
        std::cout << std::string(2 * std::min(level, MaxIndent), ' ');
        if (level > MaxIndent)
            std::cout << "(level " << level << ") ";
        if (XmlHas(item, "page")) {
            std::cout << XmlText(item, "pagename", "") << "  (" << XmlText(item, "page", "") << ")\n";
        } else {
            std::cout << "[chapter]\n";
            stack.push_back({XmlChildren(item), 0});
        }
    }
}

std::string SecurityDescription(TBookProtection protection) {
    switch (protection) {
    case TBookProtection::Password:
        return "one password for the whole book";
    case TBookProtection::Selected:
        return "one password for the selected pages";
    case TBookProtection::UserPassword:
        return "user names and passwords";
    default:
        return "none";
    }
}

int RunInspect(const std::vector<std::string>& args) {
    Arguments a(args, {}, {});
    if (a.Positionals().size() != 1)
        throw UsageError{"expects one book file"};
    TBook book;
    LoadBook(AbsolutePath(a.Positionals()[0]), book, bpIcon);

    const std::string variablesPath = book.SystemFilePath(SystemXml::Variables);
    const std::string& variablesXml = book.SystemFile(variablesPath);
    const std::string variablesWhat = std::string(SystemResourceName) + " " + variablesPath;
    const TVariables variables =
        AboutFile(book.FileName(), variablesWhat, [&] { return TVariables(variablesXml, true); });
    const TXMLNode* system = book.Description();
    const auto story = SystemDocument(book, book.SystemFilePath(SystemXml::Story));
    const auto varsDoc = SystemDocument(book, variablesPath);
    const auto expand = [&](const std::string& text) {
        return AboutFile(book.FileName(), variablesWhat, [&] { return variables.Expand(text); });
    };
    std::cout << "Book:       " << book.FileName() << "\n";
    std::cout << "Title:      " << expand(XmlText(system, "ApplicationTitle", "")) << "\n";
    std::cout << "Caption:    " << expand(XmlText(system, "MainFormCaption", "")) << "\n";
    std::cout << "Security:   " << SecurityDescription(book.Protection());
    if (book.Protection() == TBookProtection::UserPassword) {
        const size_t users = book.Security().UserRecords.size();
        std::cout << " (" << users << (users == 1 ? " user" : " users") << ")";
    }
    std::cout << "\n\nStory:\n";
    PrintStory(story->Root());

    std::cout << "\nBrandable variables:\n";
    int brandable = 0;
    for (const TXMLNode* var : XmlChildren(varsDoc->Root())) {
        const std::string name = XmlText(var, "name", "");
        const std::string stored = XmlNodeText(var);
        if (name.empty() || (!stored.empty() && stored[0] == '$'))
            continue;
        ++brandable;
        std::cout << "  " << name << " = " << (variables.Exists(name) ? variables.GetValue(name) : stored)
                  << "\n";
    }
    if (brandable == 0)
        std::cout << "  (none)\n";

    std::cout << "\nResources:\n";
    std::cout << "  RCDATA " << FilesResourceName << "   " << book.PagesSize() << " bytes, "
              << (book.PagesEnciphered() ? "enciphered cabinet" : "cabinet") << "\n";
    std::cout << "  RCDATA " << SystemResourceName << "  " << book.SystemSize() << " bytes, cabinet\n";
    const std::string& icon = book.Icon();
    if (icon.size() >= 6)
        std::cout << "  ICON   " << IconResourceName << "    "
                  << (static_cast<unsigned char>(icon[4]) | (static_cast<unsigned char>(icon[5]) << 8))
                  << " images\n";
    else
        std::cout << "  ICON   " << IconResourceName << "    none (the reader's own icon)\n";
    return 0;
}

// ---- unpack ----

constexpr int ExitNoKey = 3;

// Writes a store into DIR/NAME without following a link inside DIR (or only looks,
// with Write false); something in the way is named, with what --force would do about it.
void Export(const TMFS& store, const std::string& folder, bool force, bool write = true) {
    try {
        if (write)
            store.ExportToFolder(folder, force);
        else
            store.CheckExportToFolder(folder, force);
    } catch (EMFSInTheWay& e) {
        if (e.Replaceable && !force)
            e.SetMessage(e.Message() + "; --force replaces it");
        throw;
    }
}

int RunUnpack(const std::vector<std::string>& args) {
    Arguments a(args, {"--password", "--user"}, {"--force"});
    if (a.Positionals().size() != 2)
        throw UsageError{"expects a book file and a folder"};
    const bool force = a.Has("--force");
    TBook book;
    LoadBook(AbsolutePath(a.Positionals()[0]), book, bpPages);
    const std::string dir = AbsolutePath(a.Positionals()[1]);
    const std::string systemDir = HostPathJoin(dir, "system");
    const std::string filesDir = HostPathJoin(dir, "files");

    if (book.Locked()) {
        std::string why;
        const bool users = book.Protection() == TBookProtection::UserPassword;
        if (users && (!a.Has("--user") || !a.Has("--password")))
            why = "the pages are enciphered for user names and passwords: give --user and --password";
        else if (!users && !a.Has("--password"))
            why = "the pages are enciphered with the book's password: give --password";
        else if (!AboutFile(book.FileName(), FilesResourceName,
                            [&] { return book.Unlock(a.Value("--user"), a.Value("--password")); }))
            why = users ? "the user name or the password is not right for this book"
                        : "the password is not right for this book";
        if (book.Locked()) {
            Export(book.System(), systemDir, force);
            std::cerr << "quarvel unpack: " << why << "; wrote " << systemDir << " only\n";
            return ExitNoKey;
        }
    }
    // Both folders are looked at before either is written.
    Export(book.System(), systemDir, force, false);
    Export(book.Pages(), filesDir, force, false);
    Export(book.System(), systemDir, force);
    Export(book.Pages(), filesDir, force);
    std::cout << systemDir << "\n" << filesDir << "\n";
    return 0;
}

const bool registered =
    RegisterCommand({"compile", "compile a project into a book program",
                     "Usage: quarvel compile PROJECT.ebp [--output FILE] [--program-dir DIR] [--jobs N]\n\n"
                     "Compiles the project as the editor's Compile command does, without questions and\n"
                     "without saving anything back into the project. The book goes to the project's output\n"
                     "file (or FILE); its full path is the last line of standard output. DIR is the program\n"
                     "folder holding \"Pagelamp.exe\" and \"System\" (default: the folder of quarvel, or\n"
                     "../share/quarvel from it when the kit is installed). The pages are compressed\n"
                     "on N threads (default: one per core); the book is the same whatever N is.",
                     RunCompile}) &&
    RegisterCommand({"inspect", "show what a book program holds",
                     "Usage: quarvel inspect BOOK\n\n"
                     "Shows the book's title, its story, its security method, the variables\n"
                     "that can be branded and the book's resources.",
                     RunInspect}) &&
    RegisterCommand({"unpack", "export a book's system files and pages into a folder",
                     "Usage: quarvel unpack BOOK DIR [--password P] [--user NAME] [--force]\n\n"
                     "Writes the system image to DIR/system and the pages to DIR/files. Enciphered\n"
                     "pages need the book's password, or a user name and password for books with\n"
                     "user passwords; without the right key only DIR/system is written (exit 3).\n"
                     "No symbolic link inside DIR is followed, and nothing is written when a file\n"
                     "or a link is in the way; --force overwrites such files and replaces such\n"
                     "links themselves (never what they point to).",
                     RunUnpack});

} // namespace
} // namespace cli
