// Shared helpers of the project tests: a scratch folder per test, a program folder with
// a default project in it, and snapshots of host folders.
#pragma once

#include "u_MFS.h"
#include "u_ProgramFolder.h"
#include "u_Project.h"

#include "temp_folder.h"

#include <memory>

#include <gtest/gtest.h>

#include <dirent.h>
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
        WriteFileText("<project ApplicationTitle=\"Default\">\r\n  <story>\r\n"
                      "    <item name=\"Welcome\" page=\"\\Welcome.htm\" includeintoc=True RefCount=1\r\n"
                      "      Ref0=\"\\Welcome.htm\"/>\r\n  </story>\r\n</project>\r\n",
                      Dir + "/prog/DefaultProject/DefaultProject.ebp");
        WriteFileText("<html>Welcome</html>", Dir + "/prog/DefaultProject/DefaultProject.files/Welcome.htm");
        WriteFileText("", Dir + "/prog/DefaultProject/DefaultProject.system/Variables.xml");
    }
    void TearDown() override {
        SetProgramFolder(std::string());
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

    static bool Exists(const std::string& path) {
        struct stat st;
        return lstat(path.c_str(), &st) == 0;
    }

    std::unique_ptr<TTempFolder> Temp; // the folder itself
    std::string Dir;
    TPresetProjectHost Host;
};
