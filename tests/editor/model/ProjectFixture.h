// Shared helpers of the project tests: a scratch folder per test (below TMPDIR), a
// program folder with a default project in it, a user's data folder of its own, and
// snapshots of host folders.
#pragma once

#include "u_MFS.h"
#include "u_ProgramFolder.h"
#include "u_Project.h"

#include "temp_folder.h"

#include <memory>

#include <gtest/gtest.h>

#include <dirent.h>
#include <filesystem>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

class ProjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        Temp = std::make_unique<TTempFolder>("quarvel-model");
        Dir = Temp->Path();
        SetProgramFolder(Dir + "/prog/");
        SetUserDataFolder(Dir + "/user/");
        WriteFileText("<project ApplicationTitle=\"Default\">\r\n  <story>\r\n"
                      "    <item name=\"Welcome\" page=\"\\Welcome.htm\" includeintoc=True RefCount=1\r\n"
                      "      Ref0=\"\\Welcome.htm\"/>\r\n  </story>\r\n</project>\r\n",
                      Dir + "/prog/DefaultProject/DefaultProject.ebp");
        WriteFileText("<html>Welcome</html>", Dir + "/prog/DefaultProject/DefaultProject.files/Welcome.htm");
        WriteFileText("", Dir + "/prog/DefaultProject/DefaultProject.system/Variables.xml");
    }
    void TearDown() override {
        SetProgramFolder(std::string());
        SetUserDataFolder(std::string());
        ClearAttributesTree(Dir, faReadOnly);
        DeleteTree(Dir);
    }

    // Every file below a host folder: relative path -> content; folders as "name/".
    static std::map<std::string, std::string> Snapshot(const std::string& dir,
                                                       const std::string& prefix = "") {
        std::map<std::string, std::string> result;
        DIR* d = opendir(dir.c_str());
        if (!d)
            return result;
        while (const dirent* e = readdir(d)) {
            std::string name = e->d_name;
            if (name == "." || name == "..")
                continue;
            std::string path = dir + "/" + name;
            struct stat st;
            lstat(path.c_str(), &st);
            if (S_ISDIR(st.st_mode)) {
                result[prefix + name + "/"] = "";
                auto sub = Snapshot(path, prefix + name + "/");
                result.insert(sub.begin(), sub.end());
            } else {
                result[prefix + name] = ReadFileText(path);
            }
        }
        closedir(d);
        return result;
    }

    // Takes the write permission away from everything below a host folder. Root writes
    // all the same, so a test compares snapshots as well.
    static void MakeReadOnly(const std::string& dir) {
        namespace fs = std::filesystem;
        for (const auto& entry : fs::recursive_directory_iterator(dir))
            fs::permissions(entry.path(),
                            fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                            fs::perm_options::remove);
        fs::permissions(dir, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
    }

    static bool Exists(const std::string& path) {
        struct stat st;
        return lstat(path.c_str(), &st) == 0;
    }

    std::unique_ptr<TTempFolder> Temp; // the folder itself
    std::string Dir;
    TPresetProjectHost Host;
};
