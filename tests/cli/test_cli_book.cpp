// The quarvel program compiling, inspecting and unpacking the bundled sample book.
#include "run_command.h"

#include "temp_folder.h"

#include <memory>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

using TResult = TCommandRun;

// Runs quarvel with the arguments (already quoted); standard error goes to Err when given.
TResult Quarvel(const std::string& args, const fs::path& err = {}) {
    return RunCommand(std::string(QUARVEL_BIN_DIR) + "/quarvel " + args + " 2>" +
                      (err.empty() ? std::string("/dev/null") : "'" + err.string() + "'"));
}

std::string ReadHost(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string LastLine(const std::string& text) {
    std::string t = text;
    while (!t.empty() && t.back() == '\n')
        t.pop_back();
    const size_t nl = t.rfind('\n');
    return nl == std::string::npos ? t : t.substr(nl + 1);
}

class CliBook : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(fs::path(QUARVEL_BIN_DIR) / "Pagelamp.exe"))
            GTEST_SKIP() << "no reader program in the program folder";
        Temp = std::make_unique<TTempFolder>("quarvel-cli");
        Dir = Temp->Path();
        // A copy of the sample, so that nothing is written beside the sources.
        fs::copy(fs::path(QUARVEL_SOURCE_DIR) / "samples" / "Lighthouse", Dir / "Lighthouse",
                 fs::copy_options::recursive);
        Project = Dir / "Lighthouse" / "Lighthouse.ebp";
    }
    void TearDown() override {
        if (!Dir.empty())
            fs::remove_all(Dir);
    }
    std::unique_ptr<TTempFolder> Temp; // the folder itself
    fs::path Dir, Project;
};

TEST_F(CliBook, CompileWritesTheBookAndPrintsItsPath) {
    const std::string ebpBefore = ReadHost(Project);
    TResult r = Quarvel("compile '" + Project.string() + "'");
    ASSERT_EQ(r.Status, 0) << r.Out;
    const fs::path book = Dir / "Lighthouse" / "Lighthouse.exe";
    EXPECT_EQ(LastLine(r.Out), book.string());
    EXPECT_TRUE(fs::exists(book));
    // Nothing is saved back into the project.
    EXPECT_EQ(ReadHost(Project), ebpBefore);
    EXPECT_FALSE(fs::exists(Dir / "Lighthouse" / "Lighthouse.system" / "Encrypt.xml"));

    r = Quarvel("compile '" + Project.string() + "' --output '" + (Dir / "o" / "x.exe").string() + "'");
    ASSERT_EQ(r.Status, 0);
    EXPECT_EQ(LastLine(r.Out), (Dir / "o" / "x.exe").string());

    r = Quarvel("inspect '" + book.string() + "'");
    ASSERT_EQ(r.Status, 0);
    EXPECT_NE(r.Out.find("Title:      The Lamp on Gull Rock\n"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("Security:   none"), std::string::npos);
    EXPECT_NE(r.Out.find("The winter storm  (\\Keepers\\Storm.htm)"), std::string::npos);
    EXPECT_NE(r.Out.find("  Publisher = Harbour Lane Press\n"), std::string::npos);
    EXPECT_EQ(r.Out.find("  Author ="), std::string::npos);
    EXPECT_NE(r.Out.find("3 images"), std::string::npos);

    r = Quarvel("unpack '" + book.string() + "' '" + (Dir / "u").string() + "'");
    ASSERT_EQ(r.Status, 0);
    EXPECT_TRUE(fs::exists(Dir / "u" / "system" / "Story.xml"));
    EXPECT_TRUE(fs::exists(Dir / "u" / "system" / "Reader.css"));
    const std::string storm = ReadHost(Dir / "u" / "files" / "Keepers" / "Storm.htm");
    EXPECT_NE(storm.find("page 6<"), std::string::npos);
    EXPECT_NE(storm.find("%{BookTitle}"), std::string::npos);
}

TEST_F(CliBook, UnpackNeedsTheRightPassword) {
    std::ofstream(Dir / "Lighthouse" / "Lighthouse.system" / "Encrypt.xml", std::ios::binary)
        << "<Encrypt Method=\"Password\" Password=\"gull\" PasswordType=\"Simple\">\r\n</Encrypt>\r\n";
    const fs::path book = Dir / "b.exe";
    ASSERT_EQ(Quarvel("compile '" + Project.string() + "' --output '" + book.string() + "'").Status, 0);
    const fs::path err = Dir / "err.txt";
    TResult r = Quarvel("unpack '" + book.string() + "' '" + (Dir / "a").string() + "'", err);
    EXPECT_EQ(r.Status, 3);
    EXPECT_NE(ReadHost(err).find("--password"), std::string::npos);
    EXPECT_TRUE(fs::exists(Dir / "a" / "system" / "Decrypt.xml"));
    EXPECT_FALSE(fs::exists(Dir / "a" / "files"));
    EXPECT_EQ(Quarvel("unpack '" + book.string() + "' '" + (Dir / "b").string() + "' --password Gull").Status,
              3);
    EXPECT_EQ(Quarvel("unpack '" + book.string() + "' '" + (Dir / "c").string() + "' --password gull").Status,
              0);
    EXPECT_TRUE(fs::exists(Dir / "c" / "files" / "Index.htm"));
}

TEST_F(CliBook, UserPasswordBooksUnpackForTheirUsers) {
    std::ofstream(Dir / "Lighthouse" / "Lighthouse.system" / "Encrypt.xml", std::ios::binary)
        << "<Encrypt Method=\"UserPassword\" Password=\"\" PasswordType=\"Simple\">\r\n"
           "\t<Info User=\"ann\" Password=\"one\"/>\r\n\t<Info User=\"bo\" "
           "Password=\"two\"/>\r\n</Encrypt>\r\n";
    const fs::path book = Dir / "b.exe";
    ASSERT_EQ(Quarvel("compile '" + Project.string() + "' --output '" + book.string() + "'").Status, 0);
    EXPECT_NE(Quarvel("inspect '" + book.string() + "'").Out.find("user names and passwords (2 users)"),
              std::string::npos);
    EXPECT_EQ(Quarvel("unpack '" + book.string() + "' '" + (Dir / "a").string() + "' --password two").Status,
              3);
    EXPECT_EQ(
        Quarvel("unpack '" + book.string() + "' '" + (Dir / "b").string() + "' --user ann --password two")
            .Status,
        3);
    EXPECT_EQ(
        Quarvel("unpack '" + book.string() + "' '" + (Dir / "c").string() + "' --user bo --password two")
            .Status,
        0);
    EXPECT_TRUE(fs::exists(Dir / "c" / "files" / "Light" / "Lenses.htm"));
}

TEST_F(CliBook, ShippedDefaultProjectCompiles) {
    fs::copy(fs::path(QUARVEL_BIN_DIR) / "DefaultProject", Dir / "Default", fs::copy_options::recursive);
    TResult r = Quarvel("compile '" + (Dir / "Default" / "DefaultProject.ebp").string() + "'");
    ASSERT_EQ(r.Status, 0);
    const std::string book = LastLine(r.Out);
    r = Quarvel("inspect '" + book + "'");
    EXPECT_NE(r.Out.find("Title:      My Book\n"), std::string::npos) << r.Out;
    ASSERT_EQ(Quarvel("unpack '" + book + "' '" + (Dir / "u").string() + "'").Status, 0);
    // The program folder's "System" files and the default toolbar pictures are in the book.
    EXPECT_TRUE(fs::exists(Dir / "u" / "system" / "ReaderHelp.htm"));
    EXPECT_TRUE(fs::exists(Dir / "u" / "system" / "ToolBar.buttons" / "13.bmp"));
    EXPECT_TRUE(fs::exists(Dir / "u" / "files" / "AdditionalPages" / "About.htm"));
    const std::string welcome = ReadHost(Dir / "u" / "files" / "Welcome.htm");
    EXPECT_EQ(welcome.find("${CONTENTS}"), std::string::npos);
    EXPECT_NE(welcome.find("<li><a href=\\Welcome.htm>Welcome</a></li>"), std::string::npos) << welcome;
}

TEST_F(CliBook, FailuresAndWrongUse) {
    const fs::path err = Dir / "err.txt";
    TResult r = Quarvel("compile '" + (Dir / "missing.ebp").string() + "'", err);
    EXPECT_EQ(r.Status, 1);
    EXPECT_FALSE(ReadHost(err).empty());
    r = Quarvel("compile '" + Project.string() + "' --program-dir '" + Dir.string() + "'", err);
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(ReadHost(err).find("Pagelamp.exe"), std::string::npos);
    EXPECT_EQ(Quarvel("compile").Status, 2);
    EXPECT_EQ(Quarvel("compile a b").Status, 2);
    EXPECT_EQ(Quarvel("unpack x").Status, 2);
    EXPECT_EQ(Quarvel("inspect '" + Project.string() + "'").Status, 1);
    // The reader program itself holds no book.
    r = Quarvel("inspect '" + std::string(QUARVEL_BIN_DIR) + "/Pagelamp.exe'", err);
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(ReadHost(err).find("is not a book"), std::string::npos);
}

} // namespace

TEST_F(CliBook, JobsGiveTheSameBookAndATerminalSeesTheBytesPacked) {
    setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
    const fs::path one = Dir / "one.exe", two = Dir / "two.exe";
    ASSERT_EQ(Quarvel("compile '" + Project.string() + "' --jobs 1 --output '" + one.string() + "'").Status, 0);
    ASSERT_EQ(Quarvel("compile '" + Project.string() + "' --jobs=3 --output '" + two.string() + "'").Status, 0);
    EXPECT_TRUE(ReadHost(one) == ReadHost(two));
    for (const char* bad : {"0", "257", "two", "", "-1"})
        EXPECT_EQ(Quarvel("compile '" + Project.string() + "' --jobs '" + bad + "'").Status, 2) << bad;
    unsetenv("SOURCE_DATE_EPOCH");
    // On a terminal (script gives the command one) the packing shows its bytes.
    if (RunCommand("command -v script >/dev/null").Status != 0)
        GTEST_SKIP() << "script missing";
    const std::string command = std::string(QUARVEL_BIN_DIR) + "/quarvel compile '" + Project.string() +
                                "' --output '" + (Dir / "t.exe").string() + "'";
    const TResult r = RunCommand("script -qec \"" + command + "\" /dev/null");
    ASSERT_EQ(r.Status, 0) << r.Out;
    EXPECT_NE(r.Out.find("Packing the pages...\r\n"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("\rPacking the pages: "), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("MB (100%)\r\n"), std::string::npos) << r.Out;
}
