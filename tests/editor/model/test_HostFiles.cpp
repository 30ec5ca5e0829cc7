#include "u_HostFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class HostFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        Root = fs::temp_directory_path() / ("quarvel_hostfiles_" + std::to_string(::getpid()));
        fs::remove_all(Root);
        fs::create_directories(Root / "Pics" / "Old Ones");
        Write(Root / "Pics" / "Logo.GIF");
        Write(Root / "Pics" / "Old Ones" / "My Pic.gif");
        Write(Root / "index.htm");
    }
    void TearDown() override { fs::remove_all(Root); }
    static void Write(const fs::path& p) { std::ofstream(p) << "x"; }
    std::string R(const std::string& rel) const { return (Root / rel).string(); }
    fs::path Root;
};

} // namespace

TEST(HostPaths, AbsoluteFormAndFolders) {
    EXPECT_EQ(HostAbsolutePath("pics/a.gif", "/home/u/site"), "/home/u/site/pics/a.gif");
    EXPECT_EQ(HostAbsolutePath("./pics/../b.gif", "/home/u/site/"), "/home/u/site/b.gif");
    EXPECT_EQ(HostAbsolutePath("../../../../x", "/a/b"), "/x"); // never above the root
    EXPECT_EQ(HostAbsolutePath("/etc//hosts", "/a"), "/etc/hosts");
    EXPECT_EQ(HostAbsolutePath("", "/a/b"), "/a/b");
    EXPECT_EQ(HostSlashes("pics\\a.gif"), "pics/a.gif");
    EXPECT_EQ(HostFolderOf("/a/b/c.htm"), "/a/b");
    EXPECT_EQ(HostFolderOf("/c.htm"), "/");
    EXPECT_EQ(HostFolderOf("c.htm"), "");
    EXPECT_EQ(HostJoin("/a/", "b"), "/a/b");
    EXPECT_EQ(HostJoin("/a", "/b"), "/b");
}

TEST_F(HostFilesTest, LooksUpEveryComponentIgnoringCase) {
    EXPECT_EQ(FindHostFileCaseBlind(R("pics/logo.gif")), R("Pics/Logo.GIF"));
    EXPECT_EQ(FindHostFileCaseBlind(R("PICS/old ones/my pic.GIF")), R("Pics/Old Ones/My Pic.gif"));
    EXPECT_EQ(FindHostFileCaseBlind(R("Pics/Logo.GIF")), R("Pics/Logo.GIF"));
    EXPECT_EQ(FindHostFileCaseBlind(R("pics/missing.gif")), "");
    EXPECT_EQ(FindHostFileCaseBlind(R("pics")), ""); // a folder is not a file
    EXPECT_EQ(FindHostFolderCaseBlind(R("pics/")), R("Pics"));
    EXPECT_EQ(FindHostFolderCaseBlind(R("index.htm")), "");
    EXPECT_EQ(FindHostFileCaseBlind(""), "");
}

TEST_F(HostFilesTest, PrefersTheExactNameAndOtherwiseTheFirstInNameOrder) {
    Write(Root / "pics.txt");
    Write(Root / "A.txt");
    Write(Root / "a.TXT");
    EXPECT_EQ(FindHostFileCaseBlind(R("a.TXT")), R("a.TXT"));
    EXPECT_EQ(FindHostFileCaseBlind(R("a.txt")), R("A.txt"));
}
