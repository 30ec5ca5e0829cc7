// The reference validator (Debian's epubcheck, a Java program) over the publications of
// the sample book, a project from each shipped template, a generated project of 2,000
// pages and a project of mixed pages (tables, pictures, scripts, entities, broken markup,
// names beyond ASCII): no error and no warning. The validator starts slowly, so one Java
// run checks them all.
#include "u_Epub.h"
#include "u_MFS.h"
#include "u_ProgramFolder.h"
#include "u_Project.h"
#include "u_Templates.h"
#include "../../cli/run_command.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace {

const char* const ValidatorJar = "/usr/share/java/epubcheck.jar";

// A tiny PNG picture (1 x 1 pixel, grey).
const unsigned char GreyPixel[] = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00,
    0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x00, 0x00, 0x00, 0x00, 0x3A, 0x7E, 0x9B, 0x55, 0x00, 0x00, 0x00,
    0x0A, 0x49, 0x44, 0x41, 0x54, 0x08, 0xD7, 0x63, 0x68, 0x00, 0x00, 0x00, 0x82, 0x00, 0x81, 0xDD, 0x43, 0x6A,
    0xF4, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

class EpubCheck : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(ValidatorJar) || std::system("java -version >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "epubcheck or java missing (scripts/packages.txt lists them)";
        std::string pattern = (fs::temp_directory_path() / "quarvel_epubcheck_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        Dir = pattern;
    }
    void TearDown() override {
        if (!Dir.empty())
            fs::remove_all(Dir);
    }

    // Opens a project on disk (copied first, so nothing is written beside the source).
    std::string ExportCopy(const fs::path& projectFile, const std::string& name) {
        const fs::path copy = Dir / name;
        fs::create_directories(copy);
        fs::copy(projectFile.parent_path(), copy, fs::copy_options::recursive);
        TBookProject project;
        project.OpenProject((copy / projectFile.filename()).string(), false);
        return Export(project, name);
    }
    std::string Export(TBookProject& project, const std::string& name) {
        TEpubSettings settings;
        settings.OutputFile = (Dir / (name + ".epub")).string();
        settings.Warning = [this, name](const std::string& text) { Warnings.push_back(name + ": " + text); };
        settings.Notice = [](const std::string&) {};
        return ExportEpub(project, settings);
    }

    fs::path Dir;
    std::vector<std::string> Warnings;
};

void AddFile(TBookProject& project, const std::string& path, const std::string& content) {
    TMFSSession* s = project.FilesStore().Session();
    s->ForceFolders(path.substr(0, path.rfind('\\') + 1));
    s->CreateFile(path, 0, true)->Content = content;
}

} // namespace

TEST_F(EpubCheck, PublicationsPassTheReferenceValidator) {
    std::vector<std::string> publications;
    publications.push_back(
        ExportCopy(fs::path(QUARVEL_SOURCE_DIR) / "samples/Lighthouse/Lighthouse.ebp", "Lighthouse"));
    publications.push_back(
        ExportCopy(fs::path(QUARVEL_TEST_DATA_DIR) / "epub/Mixed/Mixed.ebp", "Mixed"));

    // A project from each shipped template.
    TTemplates templates;
    templates.LoadFromFolder(std::string(QUARVEL_SOURCE_DIR) + "/data/Templates");
    ASSERT_EQ(templates.Count(), 3);
    for (int i = 0; i < templates.Count(); ++i) {
        TBookProject project;
        project.Options().ApplicationTitle = templates.Items(i)->Caption;
        AddTemplate(project, *templates.Items(i), nullptr);
        ASSERT_FALSE(project.Story().Empty());
        publications.push_back(Export(project, "Template" + std::to_string(i)));
    }

    // A generated project of 2,000 pages in 20 chapters, with a stylesheet, pictures
    // and links from page to page.
    {
        TBookProject project;
        project.Options().ApplicationTitle = "Generated";
        AddFile(project, "\\style\\book.css", "body { margin: 1em } img { width: 1em }\n");
        AddFile(project, "\\pictures\\grey.png", std::string(reinterpret_cast<const char*>(GreyPixel), sizeof GreyPixel));
        TProjectItemInfo* chapter = nullptr;
        for (int i = 0; i < 2000; ++i) {
            if (i % 100 == 0)
                chapter = project.Story().AddChild(
                    nullptr, std::make_unique<TProjectItemInfo>(TProjectItemInfo::ikChapter,
                                                                "Chapter " + std::to_string(i / 100 + 1)));
            const std::string name = "p" + std::to_string(i);
            std::string text = "<html><head><title>Page " + std::to_string(i) +
                               "</title><link rel=\"stylesheet\" href=\"../style/book.css\"></head><body>"
                               "<h1>Page ${PAGE}</h1><p><img src=\"../pictures/grey.png\" alt=\"\"> ";
            for (int w = 0; w < 40; ++w)
                text += "keeper lamp lens tower ";
            text += "</p><p><a href=\"p" + std::to_string((i + 1) % 2000) + ".htm\">next</a></p></body></html>";
            AddFile(project, "\\pages\\" + name + ".htm", text);
            auto item = std::make_unique<TProjectItemInfo>(TProjectItemInfo::ikPage, "Page " + std::to_string(i));
            item->Page = "\\pages\\" + name + ".htm";
            item->IncludeInTOC = true;
            project.Story().AddChild(chapter, std::move(item));
        }
        publications.push_back(Export(project, "Generated"));
    }

    std::string command = "java -cp '" + std::string(ValidatorJar) + "' '" + QUARVEL_SOURCE_DIR +
                          "/tests/editor/compiler/EpubCheckAll.java'";
    for (const std::string& file : publications)
        command += " '" + file + "'";
    const TCommandRun run = RunCommand(command + " 2>&1");
    const std::string& report = run.Out;
    EXPECT_EQ(run.Status, 0) << report;
    EXPECT_EQ(report.find("ERROR("), std::string::npos) << report;
    EXPECT_EQ(report.find("WARNING("), std::string::npos) << report;
    EXPECT_EQ(report.find("FATAL("), std::string::npos) << report;
    size_t clean = 0;
    for (size_t at = report.find("No errors or warnings detected."); at != std::string::npos;
         at = report.find("No errors or warnings detected.", at + 1))
        ++clean;
    EXPECT_EQ(clean, publications.size()) << report;

    // The mixed project's warnings are the ones its pages deserve.
    const std::vector<std::string> mixed = {
        "Mixed: Story page \"Notes\" names \"\\notes.txt\", which is not an HTML page: it is left out",
        "Mixed: Story page \"Gone\" names \"\\gone.htm\", which is not among the project's files: it is left out",
        "Mixed: Link \"file:///C:/Windows/win.ini\" of \"\\tables.htm\" leads out of the project: the book cannot "
        "show what it names",
        "Mixed: \"\\pics\\logo.bmp\" is of a kind an EPUB reader need not show (no media type a reader knows): the "
        "publication leaves it out"};
    EXPECT_EQ(Warnings, mixed);
}
