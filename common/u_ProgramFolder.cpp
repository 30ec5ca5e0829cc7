#include "u_ProgramFolder.h"

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef QUARVEL_DATA_FROM_BIN
#define QUARVEL_DATA_FROM_BIN "../share/quarvel"
#endif

namespace {
std::string& ProgramOverride() {
    static std::string value;
    return value;
}

std::string& UserOverride() {
    static std::string value;
    return value;
}

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder.push_back('/');
    return folder;
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}
} // namespace

std::string ExecutableFolder() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return "./";
    std::string exe(buf, static_cast<size_t>(n));
    const auto slash = exe.rfind('/');
    return slash == std::string::npos ? std::string("./") : exe.substr(0, slash + 1);
}

std::string ProgramFolderFor(const std::string& ExeFolder, const std::string& DataFromBin) {
    if (IsFolder(ExeFolder + "System"))
        return ExeFolder;
    const std::string installed =
        WithSlash(std::filesystem::path(ExeFolder + DataFromBin).lexically_normal().string());
    if (IsFolder(installed))
        return installed;
    return ExeFolder;
}

std::string ProgramFolder() {
    if (!ProgramOverride().empty())
        return ProgramOverride();
    // The executable does not move while it runs: found once.
    static const std::string found = ProgramFolderFor(ExecutableFolder(), QUARVEL_DATA_FROM_BIN);
    return found;
}

void SetProgramFolder(const std::string& folder) {
    ProgramOverride() = folder.empty() ? std::string() : WithSlash(folder);
}

std::string UserDataFolderFor(const char* XdgDataHome, const char* Home) {
    if (XdgDataHome && XdgDataHome[0] == '/')
        return WithSlash(XdgDataHome) + "quarvel/";
    if (Home && Home[0] != '\0')
        return WithSlash(Home) + ".local/share/quarvel/";
    return std::string();
}

std::string UserDataFolder() {
    if (!UserOverride().empty())
        return UserOverride();
    const char* home = std::getenv("HOME");
    if (!home || home[0] == '\0') {
        // No HOME in the environment (a service, a stripped-down start): the account's.
        if (const passwd* account = getpwuid(getuid()))
            home = account->pw_dir;
    }
    return UserDataFolderFor(std::getenv("XDG_DATA_HOME"), home);
}

void SetUserDataFolder(const std::string& folder) {
    UserOverride() = folder.empty() ? std::string() : WithSlash(folder);
}

std::string DataFolderHolding(const std::string& Relative) {
    const std::string user = UserDataFolder();
    if (!user.empty() && Exists(user + Relative))
        return user;
    return ProgramFolder();
}
