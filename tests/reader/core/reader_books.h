// Books for the reader's tests, compiled by the compiler itself: the bundled sample
// and small projects built in memory, each compiled into a book in a temporary
// folder whose program folder holds a minimal reader program "Pagelamp.exe".
#pragma once

#include "../../branding/book_fixture.h"
#include "u_Compile.h"
#include "u_MFS.h"
#include "u_Project.h"
#include "u_eBookCommon.h"

#include "temp_folder.h"

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace books {

namespace fs = std::filesystem;

// Compiles Project into Folder/Name with a minimal reader program.
inline std::string Compile(TBookProject& project, const TTempFolder& folder, const std::string& name) {
    const std::string program = folder.File("program");
    fs::create_directories(program);
    WriteFileText(fixture::SyntheticProgram(), program + "/Pagelamp.exe");
    TCompileSettings settings;
    settings.ProgramFolder = program + "/";
    settings.OutputFile = folder.File(name);
    return CompileProject(project, settings);
}

// The bundled sample "The Lamp on Gull Rock", compiled.
inline std::string CompileSample(const TTempFolder& folder, const std::string& encryptXml = std::string()) {
    TBookProject project;
    project.OpenProject(std::string(QUARVEL_SOURCE_DIR) + "/samples/Lighthouse/Lighthouse.ebp", false);
    if (!encryptXml.empty())
        project.SystemStore().Session()->CreateFile("\\Encrypt.xml", 0, true)->Content = encryptXml;
    return Compile(project, folder, "Lighthouse.exe");
}

// A small project: pages given as (story title, path, text, flags), top level or in
// one chapter; variables; additional pages; a toolbar.
struct TPage {
    std::string Title;
    std::string Path;
    std::string Text;
    bool Searchable = true;
    bool Protected = false;
    bool RightClick = true;
    int Chapter = -1; // index of the chapter holding it, -1 for the top level
};

struct TProjectText {
    std::vector<TPage> Pages;
    int Chapters = 0;
    std::string Variables;
    std::string AdditionalPages;
    std::string Toolbar;
    std::string Encrypt;
    std::vector<std::pair<std::string, std::string>> OtherFiles;  // path, content
    std::vector<std::pair<std::string, std::string>> SystemFiles; // path, content (pictures)
    TToolbarOptions ToolbarOptions;
    std::string Caption = "%{Title} - reader test";
    std::string Title = "%{Title}";
    uint8_t RightClickMode = 2;
};

// Writes a file into a store, making its folders first.
inline void PutFile(TMFSSession* store, const std::string& path, const std::string& content) {
    if (const std::string folderPart = TMFS::ExtractPath(path); folderPart.size() > 1)
        store->ForceFolders(folderPart);
    store->CreateFile(path, 0, true)->Content = content;
}

inline std::string CompileText(const TProjectText& text, const TTempFolder& folder, const std::string& name) {
    TBookProject project;
    TStory& story = project.Story();
    // Chapters join the story where their first page comes.
    std::vector<TProjectItemInfo*> chapters(static_cast<size_t>(text.Chapters), nullptr);
    TMFSSession* files = project.FilesStore().Session();
    for (const TPage& page : text.Pages) {
        auto item = std::make_unique<TProjectItemInfo>(TProjectItemInfo::ikPage, page.Title);
        item->Page = page.Path;
        item->IncludeInTOC = true;
        item->Searchable = page.Searchable;
        item->PasswordProtection = page.Protected;
        item->RightClick = page.RightClick;
        TProjectItemInfo* parent = nullptr;
        if (page.Chapter >= 0) {
            TProjectItemInfo*& chapter = chapters.at(static_cast<size_t>(page.Chapter));
            if (!chapter)
                chapter = story.AddChild(nullptr, std::make_unique<TProjectItemInfo>(
                                                      TProjectItemInfo::ikChapter, "Chapter " + std::to_string(page.Chapter)));
            parent = chapter;
        }
        story.AddChild(parent, std::move(item));
        PutFile(files, page.Path, page.Text);
    }
    for (const auto& [path, content] : text.OtherFiles)
        PutFile(files, path, content);
    TMFSSession* sys = project.SystemStore().Session();
    sys->CreateFile("\\Variables.xml", 0, true)->Content = text.Variables;
    sys->CreateFile("\\AdditionalPages.xml", 0, true)->Content = text.AdditionalPages;
    sys->CreateFile("\\Toolbar.xml", 0, true)->Content = text.Toolbar;
    if (!text.Encrypt.empty())
        sys->CreateFile("\\Encrypt.xml", 0, true)->Content = text.Encrypt;
    for (const auto& [path, content] : text.SystemFiles)
        PutFile(sys, path, content);
    project.Options().Toolbar() = text.ToolbarOptions;
    project.Options().MainFormCaption = text.Caption;
    project.Options().ApplicationTitle = text.Title;
    project.Options().AllowRightClickContextMenu = text.RightClickMode;
    return Compile(project, folder, name);
}

inline std::string EncryptPassword(const std::string& password, const std::string& type) {
    return BuildEncryptXml("Password", password, type, {});
}

inline std::string EncryptUsers(const std::vector<TSecurityUser>& users) {
    return BuildEncryptXml("UserPassword", "", "Simple", users);
}

// A small book of three pages (two in a chapter), variables, a form and a guarded
// page when Encrypt asks for selected pages.
inline TProjectText SmallBook(const std::string& encrypt = std::string()) {
    TProjectText text;
    text.Chapters = 1;
    text.Variables = "<vars>\r\n<var name=\"Title\">$Tide Tables</var>\r\n<var name=\"Harbour\">Port Ellis</var>\r\n</vars>\r\n";
    text.Pages = {
        {"Cover", "\\index.htm", "<html><body><h1>%{Title}</h1><p>Welcome to %{Harbour}.</p>"
                                 "<a href=\"ch/one.htm\">One</a> <a href=\"missing.htm\">Gone</a> "
                                 "<a href=\"mailto:keeper@example.org\">Write</a></body></html>"},
        {"Tides", "\\ch\\one.htm", "<html><body><p>High water at dawn; the lighthouse keeper writes it down.</p>"
                                   "<img src=\"../pics/dot.png\"></body></html>",
         true, false, false, 0},
        {"Secret", "\\ch\\two.htm", "<html><body><p>The keeper's secret anchorage.</p></body></html>", false,
         true, true, 0},
    };
    text.OtherFiles = {{"\\pics\\dot.png", std::string("\x89PNG%{Title}", 12)}};
    text.AdditionalPages = "<AdditionalPages>\r\n<Form Path=\"\\about.htm\" Name=\"About\" Caption=\"About %{Title}\" "
                           "Center=True HideScrollBar=False Width=333 Height=222 Sizeable=False SystemMenu=True "
                           "Maximize=False Minimize=False/></AdditionalPages>";
    text.OtherFiles.push_back({"\\about.htm", "<html><body><p>About %{Title}</p></body></html>"});
    text.Encrypt = encrypt;
    return text;
}

} // namespace books
