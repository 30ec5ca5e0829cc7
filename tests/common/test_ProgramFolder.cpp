// Where the programs look for their shipped data and where the user's own copies go.
#include "u_ProgramFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdlib.h>

namespace fs = std::filesystem;

namespace {

// A scratch folder below TMPDIR, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (fs::temp_directory_path() / "quarvel_folders_XXXXXX").string();
        if (mkdtemp(pattern.data()))
            Path = pattern;
    }
    ~ScratchFolder() {
        std::error_code ec;
        fs::remove_all(Path, ec);
    }
    std::string Path;
};

void Touch(const fs::path& file) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "x";
}

} // namespace

TEST(ProgramFolder, BuildTreeAndInstalledLayouts) {
    ScratchFolder scratch;
    ASSERT_FALSE(scratch.Path.empty());
    const std::string root = scratch.Path;

    // A build tree: the executables' folder holds the data.
    fs::create_directories(root + "/build/bin/System");
    EXPECT_EQ(ProgramFolderFor(root + "/build/bin/", "../share/quarvel"), root + "/build/bin/");

    // An installed kit: bin beside share/quarvel.
    fs::create_directories(root + "/usr/bin");
    fs::create_directories(root + "/usr/share/quarvel/System");
    EXPECT_EQ(ProgramFolderFor(root + "/usr/bin/", "../share/quarvel"), root + "/usr/share/quarvel/");
    // Another relative layout chosen at configuration time.
    fs::create_directories(root + "/opt/q/libexec/data");
    fs::create_directories(root + "/opt/q/programs");
    EXPECT_EQ(ProgramFolderFor(root + "/opt/q/programs/", "../libexec/data"), root + "/opt/q/libexec/data/");

    // Data beside the executables wins over an installed folder.
    fs::create_directories(root + "/usr/bin/System");
    EXPECT_EQ(ProgramFolderFor(root + "/usr/bin/", "../share/quarvel"), root + "/usr/bin/");

    // Neither: the executables' folder, where missing files are then reported.
    fs::create_directories(root + "/bare/bin");
    EXPECT_EQ(ProgramFolderFor(root + "/bare/bin/", "../share/quarvel"), root + "/bare/bin/");
    // A file named like the data folder is no data folder.
    Touch(root + "/file/share/quarvel");
    fs::create_directories(root + "/file/bin");
    EXPECT_EQ(ProgramFolderFor(root + "/file/bin/", "../share/quarvel"), root + "/file/bin/");
}

TEST(ProgramFolder, UsersDataFolderFollowsTheBaseDirectoryRules) {
    EXPECT_EQ(UserDataFolderFor("/data/home", "/home/ann"), "/data/home/quarvel/");
    EXPECT_EQ(UserDataFolderFor("/data/home/", "/home/ann"), "/data/home/quarvel/");
    EXPECT_EQ(UserDataFolderFor(nullptr, "/home/ann"), "/home/ann/.local/share/quarvel/");
    EXPECT_EQ(UserDataFolderFor("", "/home/ann/"), "/home/ann/.local/share/quarvel/");
    // A relative XDG_DATA_HOME is invalid and ignored.
    EXPECT_EQ(UserDataFolderFor("relative/data", "/home/ann"), "/home/ann/.local/share/quarvel/");
    EXPECT_EQ(UserDataFolderFor(nullptr, nullptr), "");
    EXPECT_EQ(UserDataFolderFor("relative", ""), "");
}

TEST(ProgramFolder, UsersCopyIsReadBeforeTheProgramFolders) {
    ScratchFolder scratch;
    ASSERT_FALSE(scratch.Path.empty());
    SetProgramFolder(scratch.Path + "/prog");
    SetUserDataFolder(scratch.Path + "/user");
    EXPECT_EQ(ProgramFolder(), scratch.Path + "/prog/");
    EXPECT_EQ(UserDataFolder(), scratch.Path + "/user/");

    Touch(scratch.Path + "/prog/DefaultProject/DefaultProject.ebp");
    EXPECT_EQ(DataFolderHolding("DefaultProject/DefaultProject.ebp"), scratch.Path + "/prog/");
    Touch(scratch.Path + "/user/DefaultProject/DefaultProject.ebp");
    EXPECT_EQ(DataFolderHolding("DefaultProject/DefaultProject.ebp"), scratch.Path + "/user/");
    // What the user has not got comes from the program folder.
    EXPECT_EQ(DataFolderHolding("Templates"), scratch.Path + "/prog/");

    // Without an override the environment decides.
    SetUserDataFolder(std::string());
    const char* saved = getenv("XDG_DATA_HOME");
    const std::string before = saved ? saved : "";
    setenv("XDG_DATA_HOME", (scratch.Path + "/xdg").c_str(), 1);
    EXPECT_EQ(UserDataFolder(), scratch.Path + "/xdg/quarvel/");
    if (saved)
        setenv("XDG_DATA_HOME", before.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
    SetProgramFolder(std::string());
}
