// The quarvel program making new projects from the default project, the shipped
// templates and imported pages.
#include "run_command.h"

#include "temp_folder.h"

#include <memory>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

using TNewResult = TCommandRun;

std::string ReadText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteText(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
}

class CliNew : public ::testing::Test {
protected:
    void SetUp() override {
        Temp = std::make_unique<TTempFolder>("quarvel-cli-new");
        Dir = Temp->Path();
        // A program folder of its own: a small default project and the shipped templates.
        WriteText(Dir / "prog/DefaultProject/DefaultProject.ebp",
                  "<project ApplicationTitle=\"Default\" Template=\"None\">\r\n  <story>\r\n"
                  "    <item name=\"Welcome\" page=\"\\Welcome.htm\" RefCount=1\r\n"
                  "      Ref0=\"\\Welcome.htm\"/>\r\n  </story>\r\n</project>\r\n");
        WriteText(Dir / "prog/DefaultProject/DefaultProject.files/Welcome.htm", "<html>Welcome</html>");
        fs::copy(fs::path(QUARVEL_SOURCE_DIR) / "data" / "Templates", Dir / "prog" / "Templates",
                 fs::copy_options::recursive);
    }
    void TearDown() override { fs::remove_all(Dir); }

    TNewResult Run(const std::string& args) {
        const fs::path err = Dir / "stderr.txt";
        const std::string command = std::string(QUARVEL_BIN_DIR) + "/quarvel new " + args +
                                    " --program-dir '" + (Dir / "prog").string() + "' 2>'" + err.string() +
                                    "'";
        TNewResult result = RunCommand(command);
        result.Err = ReadText(err);
        return result;
    }

    std::unique_ptr<TTempFolder> Temp; // the folder itself
    fs::path Dir;
};

} // namespace

TEST_F(CliNew, TemplateFolderAndPagesMakeOneProject) {
    WriteText(Dir / "site/index.htm", "<title>Site Home</title><img src=\"a.gif\">");
    WriteText(Dir / "site/a.gif", "A");
    WriteText(Dir / "pages/Extra.htm", "<title>Extra Page</title><img src=\"Pics/Dot.png\">");
    WriteText(Dir / "pages/pics/dot.png", "PNG");
    const fs::path project = Dir / "out" / "My Book.ebp";
    const TNewResult r =
        Run("'" + project.string() + "' --template 'user manual' --import-folder '" +
            (Dir / "site").string() + "' --import-page '" + (Dir / "pages/Extra.htm").string() + "'");
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, project.string() + "\n");
    const std::string text = ReadText(project);
    EXPECT_NE(text.find("Template=\"User Manual\""), std::string::npos) << text;
    // The default project's page first, then the template, the folder's page, the page.
    const size_t welcome = text.find("name=\"Welcome\"");
    const size_t cover = text.find("name=\"Cover\"");
    const size_t qa = text.find("name=\"Q&A\"");
    const size_t home = text.find("name=\"Site Home\"");
    const size_t extra = text.find("name=\"Extra Page\"");
    ASSERT_NE(extra, std::string::npos) << text;
    EXPECT_TRUE(welcome < cover && cover < qa && qa < home && home < extra) << text;
    EXPECT_EQ(ReadText(Dir / "out/My Book.files/Extra0.files/Dot.png"), "PNG") << "the spelling of the link";
    EXPECT_EQ(ReadText(Dir / "out/My Book.files/site0/a.gif"), "A");
    EXPECT_TRUE(fs::exists(Dir / "out/My Book.files/cover1.htm"));

    // An existing project is not overwritten.
    const TNewResult again = Run("'" + project.string() + "'");
    EXPECT_EQ(again.Status, 1);
    EXPECT_NE(again.Err.find("already exists"), std::string::npos) << again.Err;
}

TEST_F(CliNew, UnknownTemplateAndWrongUse) {
    const TNewResult r = Run("'" + (Dir / "x.ebp").string() + "' --template Nothing");
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("Template \"Nothing\" not found"), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("\"Novel\""), std::string::npos) << r.Err;
    EXPECT_FALSE(fs::exists(Dir / "x.ebp"));
    EXPECT_EQ(Run("").Status, 2);
    EXPECT_EQ(Run("a.ebp b.ebp").Status, 2);
}

// A page of a modern manual: its script, its stylesheets with the fonts and pictures
// they name, its picture sets come along; an embedded picture stays byte for byte; a
// link out of the page's folder by absolute path is left out with a warning.
TEST_F(CliNew, ImportPageBringsScriptsStylesheetsAndWhatTheyName) {
    WriteText(Dir / "secret.txt", "SECRET");
    WriteText(Dir / "manual/assets/api.js", "JS");
    WriteText(Dir / "manual/assets/css/main.css",
              "@import \"fonts.css\";\nbody{background:url(../img/Paper.png)}\n.x{background:url(" +
                  (Dir / "secret.txt").string() + ")}");
    WriteText(Dir / "manual/assets/css/fonts.css", "@font-face{font-family:M;src:url(../fonts/m.woff2)}");
    WriteText(Dir / "manual/assets/fonts/m.woff2", "WOFF2");
    WriteText(Dir / "manual/assets/img/paper.png", "PAPER");
    WriteText(Dir / "manual/assets/img/shot.png", "SHOT");
    WriteText(Dir / "manual/assets/img/shot@2x.png", "SHOT2");
    const std::string embedded = "<img src=\"data:image/png;base64,iVBORw0KGgo=\" alt=\"Dot\">";
    WriteText(Dir / "manual/Guide.html",
              "<html><head><title>Guide</title><link rel=\"stylesheet\" href=\"assets/css/Main.css\">"
              "<script src=\"assets/api.js\"></script></head><body>" +
                  embedded + "<img src=\"assets/img/Shot.png\" srcset=\"assets/img/Shot@2x.png 2x\"></body></html>");
    const fs::path project = Dir / "out" / "Manual.ebp";
    const TNewResult r =
        Run("'" + project.string() + "' --import-page '" + (Dir / "manual/Guide.html").string() + "'");
    ASSERT_EQ(r.Status, 0) << r.Err;
    const fs::path files = Dir / "out/Manual.files";
    EXPECT_EQ(ReadText(files / "Guide0.html"),
              "<html><head><title>Guide</title><link rel=\"stylesheet\" href=\"Guide0.files\\Main.css\">"
              "<script src=\"Guide0.files\\api.js\"></script></head><body>" +
                  embedded +
                  "<img src=\"Guide0.files\\Shot.png\" srcset=\"Guide0.files\\Shot@2x.png 2x\"></body></html>");
    EXPECT_EQ(ReadText(files / "Guide0.files/api.js"), "JS");
    EXPECT_EQ(ReadText(files / "Guide0.files/Main.css"),
              "@import \"fonts.css\";\nbody{background:url(Paper.png)}\n.x{background:url(" +
                  (Dir / "secret.txt").string() + ")}");
    EXPECT_EQ(ReadText(files / "Guide0.files/fonts.css"), "@font-face{font-family:M;src:url(m.woff2)}");
    EXPECT_EQ(ReadText(files / "Guide0.files/m.woff2"), "WOFF2");
    EXPECT_EQ(ReadText(files / "Guide0.files/Paper.png"), "PAPER");
    EXPECT_EQ(ReadText(files / "Guide0.files/Shot@2x.png"), "SHOT2");
    EXPECT_FALSE(fs::exists(files / "Guide0.files/secret.txt"));
    EXPECT_NE(r.Err.find("quarvel new: warning: Link \"" + (Dir / "secret.txt").string() + "\" of \"" +
                         (Dir / "manual/assets/css/main.css").string() + "\" names a file outside"),
              std::string::npos)
        << r.Err;
    EXPECT_NE(ReadText(project).find("name=\"Guide\""), std::string::npos);
}
