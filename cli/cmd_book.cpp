// Commands that make and look into books: compile, inspect, unpack.
#include "cli.h"

#include "u_CaseBlind.h"
#include "u_Compile.h"
#include "u_CompileXML.h"
#include "u_Exception.h"
#include "u_MFS.h"
#include "u_MFSCab.h"
#include "u_ProgramFolder.h"
#include "u_Project.h"
#include "u_Resources.h"
#include "u_Variables.h"

#include <filesystem>
#include <iostream>

namespace cli {
namespace {

std::string Absolute(const std::string& path) {
    return std::filesystem::absolute(std::filesystem::path(path)).lexically_normal().string();
}

// ---- compile ----

int RunCompile(const std::vector<std::string>& args) {
    Arguments a(args, {"--output", "--program-dir"}, {});
    if (a.Positionals().size() != 1)
        throw UsageError{"expects one project file"};
    if (a.Has("--program-dir"))
        SetProgramFolder(Absolute(a.Value("--program-dir")));
    const bool progress = StderrIsTerminal();
    TPresetProjectHost host; // asks nobody: nothing is saved back into the project
    TBookProject project(&host);
    if (progress)
        std::cerr << "Opening " << a.Positionals()[0] << "\n";
    project.OpenProject(Absolute(a.Positionals()[0]), false);
    TCompileSettings settings;
    settings.ReleaseFilesStore = true; // the project is not used after this compile
    if (a.Has("--output"))
        settings.OutputFile = Absolute(a.Value("--output"));
    else
        settings.OutputFile = Absolute(OutputFileName(project));
    if (progress)
        settings.Progress = [](const std::string& step) { std::cerr << step << "...\n"; };
    const std::string book = CompileProject(project, settings);
    std::cout << book << "\n";
    return 0;
}

// ---- reading books ----

struct TBook {
    std::string FileName;
    TMFS System;
    std::string Pages; // the FILES_MFS resource as stored
};

void LoadBook(const std::string& fileName, TBook& book) {
    book.FileName = fileName;
    const std::string system = ReadResource(fileName, "RCDATA", SystemResourceName);
    if (system.empty())
        throw Exception(Format("\"%s\" is not a book: it has no %s resource", fileName, SystemResourceName));
    UnpackStore(book.System, system);
    book.Pages = ReadResource(fileName, "RCDATA", FilesResourceName);
    if (book.Pages.empty())
        throw Exception(Format("\"%s\" is not a book: it has no %s resource", fileName, FilesResourceName));
}

std::string SystemText(TBook& book, const char* path) {
    TMFSSession* s = book.System.Session();
    return s->Exists(path) ? s->OpenFile(path)->Content : std::string();
}

bool IsCabinet(const std::string& data) {
    return data.compare(0, 4, "MSCF") == 0;
}

void PrintStory(const TXMLNode* node, int depth) {
    const std::string pad(2 * depth + 2, ' ');
    for (const TXMLNode* item : XmlChildren(node)) {
        if (XmlHas(item, "page")) {
            std::cout << pad << XmlText(item, "pagename", "") << "  (" << XmlText(item, "page", "") << ")\n";
        } else {
            std::cout << pad << "[chapter]\n";
            PrintStory(item, depth + 1);
        }
    }
}

std::string SecurityDescription(const std::string& decryptXml, size_t* users) {
    TXMLDocument doc(decryptXml);
    const std::string method = XmlText(doc.Root(), "Method", "");
    *users = XmlChildren(doc.Root()).size();
    if (SameTextCaseBlind(method, "Password")) {
        if (SameTextCaseBlind(XmlText(doc.Root(), "PasswordType", ""), "Selected"))
            return "one password for the selected pages";
        return "one password for the whole book";
    }
    if (SameTextCaseBlind(method, "UserPassword"))
        return "user names and passwords";
    return "none";
}

int RunInspect(const std::vector<std::string>& args) {
    Arguments a(args, {}, {});
    if (a.Positionals().size() != 1)
        throw UsageError{"expects one book file"};
    TBook book;
    LoadBook(Absolute(a.Positionals()[0]), book);

    const std::string variablesXml = SystemText(book, "\\Variables.xml");
    TVariables variables(variablesXml, true);
    TXMLDocument system(SystemText(book, "\\System.xml"));
    std::cout << "Book:       " << book.FileName << "\n";
    std::cout << "Title:      " << variables.Expand(XmlText(system.Root(), "ApplicationTitle", "")) << "\n";
    std::cout << "Caption:    " << variables.Expand(XmlText(system.Root(), "MainFormCaption", "")) << "\n";
    size_t users = 0;
    const std::string security = SecurityDescription(SystemText(book, "\\Decrypt.xml"), &users);
    std::cout << "Security:   " << security;
    if (security == "user names and passwords")
        std::cout << " (" << users << (users == 1 ? " user" : " users") << ")";
    std::cout << "\n\nStory:\n";
    TXMLDocument story(SystemText(book, "\\Story.xml"));
    PrintStory(story.Root(), 0);

    std::cout << "\nBrandable variables:\n";
    TXMLDocument varsDoc(variablesXml);
    int brandable = 0;
    for (const TXMLNode* var : XmlChildren(varsDoc.Root())) {
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
    std::cout << "  RCDATA " << FilesResourceName << "   " << book.Pages.size() << " bytes, "
              << (IsCabinet(book.Pages) ? "cabinet" : "enciphered cabinet") << "\n";
    std::cout << "  RCDATA " << SystemResourceName << "  "
              << ReadResource(book.FileName, "RCDATA", SystemResourceName).size() << " bytes, cabinet\n";
    const std::string icon = ReadIconGroupResource(book.FileName, IconResourceName);
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

int RunUnpack(const std::vector<std::string>& args) {
    Arguments a(args, {"--password", "--user"}, {});
    if (a.Positionals().size() != 2)
        throw UsageError{"expects a book file and a folder"};
    TBook book;
    LoadBook(Absolute(a.Positionals()[0]), book);
    const std::string dir = Absolute(a.Positionals()[1]);
    book.System.SaveToFolder(HostPathJoin(dir, "system"));

    std::string cabinet = book.Pages;
    if (!IsCabinet(cabinet)) {
        TXMLDocument decrypt(SystemText(book, "\\Decrypt.xml"));
        const std::string method = XmlText(decrypt.Root(), "Method", "");
        std::string plain;
        bool ok = false;
        std::string why;
        if (SameTextCaseBlind(method, "UserPassword")) {
            if (!a.Has("--user") || !a.Has("--password"))
                why = "the pages are enciphered for user names and passwords: give --user and --password";
            else {
                std::string key;
                for (const TXMLNode* info : XmlChildren(decrypt.Root()))
                    if (BookKeyFromUserRecord(XmlText(info, "KeyInfo", ""), a.Value("--user"),
                                              a.Value("--password"), key)) {
                        ok = DecryptData(cabinet, key, true, plain);
                        break;
                    }
                if (!ok)
                    why = "the user name or the password is not right for this book";
            }
        } else if (!a.Has("--password")) {
            why = "the pages are enciphered with the book's password: give --password";
        } else {
            ok = DecryptData(cabinet, a.Value("--password"), true, plain);
            if (!ok)
                why = "the password is not right for this book";
        }
        if (!ok) {
            std::cerr << "quarvel unpack: " << why << "; wrote " << HostPathJoin(dir, "system") << " only\n";
            return ExitNoKey;
        }
        cabinet = std::move(plain);
    }
    TMFS pages;
    UnpackStore(pages, cabinet);
    pages.SaveToFolder(HostPathJoin(dir, "files"));
    std::cout << HostPathJoin(dir, "system") << "\n" << HostPathJoin(dir, "files") << "\n";
    return 0;
}

const bool registered =
    RegisterCommand({"compile", "compile a project into a book program",
                     "Usage: quarvel compile PROJECT.ebp [--output FILE] [--program-dir DIR]\n\n"
                     "Compiles the project as the editor's Compile command does, without questions and\n"
                     "without saving anything back into the project. The book goes to the project's output\n"
                     "file (or FILE); its full path is the last line of standard output. DIR is the program\n"
                     "folder holding \"Pagelamp.exe\" and \"System\" (default: the folder of quarvel).",
                     RunCompile}) &&
    RegisterCommand({"inspect", "show what a book program holds",
                     "Usage: quarvel inspect BOOK\n\n"
                     "Shows the book's title, its story, its security method, the variables\n"
                     "that can be branded and the book's resources.",
                     RunInspect}) &&
    RegisterCommand({"unpack", "export a book's system files and pages into a folder",
                     "Usage: quarvel unpack BOOK DIR [--password P] [--user NAME]\n\n"
                     "Writes the system image to DIR/system and the pages to DIR/files. Enciphered\n"
                     "pages need the book's password, or a user name and password for books with\n"
                     "user passwords; without the right key only DIR/system is written (exit 3).",
                     RunUnpack});

} // namespace
} // namespace cli
