// The large generated book of the benchmarks: 2,000 pages of about 6 KB of text in 40
// chapters, each with a picture of 28 KB of incompressible bytes, so that the book file
// (about 60 MB) is about as large as its pages. Made once in a folder and kept there.
#pragma once

#include "../tests/branding/book_fixture.h"
#include "u_Compile.h"
#include "u_MFS.h"
#include "u_Project.h"

#include <filesystem>
#include <memory>
#include <random>
#include <string>

// The book's file in Folder, made first when it is not there.
inline std::string MakeBigBook(const std::string& BenchFolder) {
    namespace fs = std::filesystem;
    constexpr int PageCount = 2000;
    constexpr int ChapterCount = 40;
    constexpr size_t PictureSize = 28 * 1024;
    const std::string BookFile = BenchFolder + "/Big-v2.exe";
    if (fs::exists(BookFile))
        return BookFile;
    fs::create_directories(BenchFolder + "/program");
    WriteFileText(fixture::SyntheticProgram(), BenchFolder + "/program/Pagelamp.exe");
    std::mt19937 random(20240611);
    static const char* const words[] = {"light",  "keeper", "rock",  "harbour", "storm", "lamp",   "lens",
                                        "tower",  "night",  "sea",   "ship",    "wind",  "oil",    "flame",
                                        "granite", "island", "relief", "boat",   "log",   "beacon", "tide"};
    TBookProject project;
    TStory& story = project.Story();
    TMFSSession* files = project.FilesStore().Session();
    files->ForceFolders("\\pics");
    TProjectItemInfo* chapter = nullptr;
    for (int i = 0; i < PageCount; ++i) {
        if (i % (PageCount / ChapterCount) == 0)
            chapter = story.AddChild(nullptr, std::make_unique<TProjectItemInfo>(TProjectItemInfo::ikChapter,
                                                                                 "Part " + std::to_string(i)));
        const std::string name = "p" + std::to_string(i);
        std::string text = "<html><head><title>Page " + std::to_string(i) +
                           "</title></head><body><h2>%{Title}, page ${PAGE}</h2>\n<p>";
        while (text.size() < 6000) {
            text += words[random() % (sizeof words / sizeof *words)];
            text += (random() % 12 == 0) ? ".</p>\n<p>" : " ";
        }
        text += "</p><img src=\"pics/" + name + ".bin\"></body></html>\n";
        files->CreateFile("\\" + name + ".htm", 0, false)->Content = text;
        std::string picture(PictureSize, '\0');
        for (char& c : picture)
            c = static_cast<char>(random());
        files->CreateFile("\\pics\\" + name + ".bin", 0, false)->Content = picture;
        auto item = std::make_unique<TProjectItemInfo>(TProjectItemInfo::ikPage, "Page " + std::to_string(i));
        item->Page = "\\" + name + ".htm";
        item->Searchable = true;
        story.AddChild(chapter, std::move(item));
    }
    project.SystemStore().Session()->CreateFile("\\Variables.xml", 0, false)->Content =
        "<vars>\r\n<var name=\"Title\">$Big Book</var>\r\n</vars>\r\n";
    TCompileSettings settings;
    settings.ProgramFolder = BenchFolder + "/program/";
    settings.OutputFile = BenchFolder + "/making.exe";
    settings.ReleaseFilesStore = true;
    CompileProject(project, settings);
    fs::rename(settings.OutputFile, BookFile);
    return BookFile;
}
