// "quarvel epub" on a copy of the bundled sample book: where the publication goes, the
// identifier the project keeps, the same bytes twice, protected pages, wrong use.
#include "run_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class CliEpub : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "quarvel_cli_epub_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        Dir = pattern;
        fs::copy(fs::path(QUARVEL_SOURCE_DIR) / "samples" / "Lighthouse", Dir / "Lighthouse",
                 fs::copy_options::recursive);
        Project = Dir / "Lighthouse" / "Lighthouse.ebp";
    }
    void TearDown() override { fs::remove_all(Dir); }
    // Runs quarvel with standard error in Err.
    TCommandRun Epub(const std::string& args, const std::string& env = std::string()) {
        TCommandRun run = RunCommand(env + " " + std::string(QUARVEL_BIN_DIR) + "/quarvel epub " + args + " 2>'" +
                                     (Dir / "err.txt").string() + "'");
        run.Err = Read(Dir / "err.txt");
        return run;
    }
    fs::path Dir, Project;
};

} // namespace

TEST_F(CliEpub, WritesThePublicationAndKeepsTheIdentifier) {
    ASSERT_EQ(Read(Project).find("<epub"), std::string::npos) << "the sample has no identifier yet";
    const TCommandRun first = Epub("'" + Project.string() + "'", "SOURCE_DATE_EPOCH=1700000000");
    ASSERT_EQ(first.Status, 0) << first.Err;
    const fs::path book = Dir / "Lighthouse" / "Lighthouse.epub";
    EXPECT_EQ(first.Out, book.string() + "\n");
    EXPECT_EQ(Read(book).substr(30, 28), "mimetypeapplication/epub+zip");
    // The new identifier went into the project file, and nothing else changed there.
    const std::string ebp = Read(Project);
    const size_t at = ebp.find("<epub Language=\"en\" Cover=\"\" Identifier=\"urn:uuid:");
    ASSERT_NE(at, std::string::npos) << ebp;
    const std::string identifier = ebp.substr(at + 41, 45);
    EXPECT_NE(first.Err.find("note: the project keeps the publication identifier " + identifier), std::string::npos)
        << first.Err;
    EXPECT_FALSE(fs::exists(Dir / "Lighthouse" / "Lighthouse.ebp~new"));

    // Exported again, elsewhere: the same bytes, and the project file stays as it is.
    const fs::path second = Dir / "out" / "again.epub";
    const TCommandRun again =
        Epub("'" + Project.string() + "' --output '" + second.string() + "'", "SOURCE_DATE_EPOCH=1700000000");
    ASSERT_EQ(again.Status, 0) << again.Err;
    EXPECT_EQ(again.Out, second.string() + "\n");
    EXPECT_EQ(Read(second), Read(book));
    EXPECT_EQ(Read(Project), ebp);
    EXPECT_EQ(again.Err.find("note: the project keeps"), std::string::npos);
}

TEST_F(CliEpub, ProtectedPagesNeedLeave) {
    std::ofstream(Dir / "Lighthouse" / "Lighthouse.system" / "Encrypt.xml", std::ios::binary)
        << "<Encrypt Method=\"Password\" Password=\"gull\" PasswordType=\"Simple\">\r\n</Encrypt>\r\n";
    const TCommandRun refused = Epub("'" + Project.string() + "'");
    EXPECT_EQ(refused.Status, 1);
    EXPECT_NE(refused.Err.find("The book protects these pages with a password"), std::string::npos) << refused.Err;
    EXPECT_NE(refused.Err.find("Title page (\\Index.htm)"), std::string::npos) << refused.Err;
    EXPECT_FALSE(fs::exists(Dir / "Lighthouse" / "Lighthouse.epub"));

    const TCommandRun included = Epub("--include-protected '" + Project.string() + "'");
    EXPECT_EQ(included.Status, 0) << included.Err;
    EXPECT_NE(included.Err.find("quarvel epub: warning: The publication holds pages the book protects"),
              std::string::npos);
    EXPECT_TRUE(fs::exists(Dir / "Lighthouse" / "Lighthouse.epub"));
}

TEST_F(CliEpub, WrongUseAndBadOutputs) {
    EXPECT_EQ(Epub("").Status, 2);
    EXPECT_EQ(Epub("'" + Project.string() + "' --bogus").Status, 2);
    // The publication cannot go into the project's own folders or over the project.
    const TCommandRun inside =
        Epub("'" + Project.string() + "' --output '" + (Dir / "Lighthouse" / "Lighthouse.files" / "x.epub").string() + "'");
    EXPECT_EQ(inside.Status, 1);
    EXPECT_NE(inside.Err.find("lies inside the project's folder"), std::string::npos) << inside.Err;
    const TCommandRun over = Epub("'" + Project.string() + "' --output '" + Project.string() + "'");
    EXPECT_EQ(over.Status, 1);
    EXPECT_NE(over.Err.find("it is the project file"), std::string::npos) << over.Err;
    // A project file that is not there.
    EXPECT_EQ(Epub("'" + (Dir / "none.ebp").string() + "'").Status, 1);
}
