#include "u_ProgramFolder.h"

#include "u_HostPlatform.h"

#include <cstdlib>
#include <filesystem>

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
    THostStatus status;
    return HostStatusOf(path, true, status) == 0 && status.Kind == THostKind::Folder;
}

bool Exists(const std::string& path) {
    THostStatus status;
    return HostStatusOf(path, true, status) == 0;
}
} // namespace

std::string ExecutableFolder() {
    const std::string exe = HostProgramPath();
    const auto slash = exe.find_last_of(HostPathSeparators);
    return slash == std::string::npos ? std::string("./") : exe.substr(0, slash + 1);
}

std::string ProgramFolderFor(const std::string& ExeFolder, const std::string& DataFromBin) {
    if (IsFolder(ExeFolder + "System"))
        return ExeFolder;
    const std::string installed =
        WithSlash(HostFsText(HostFsPath(ExeFolder + DataFromBin).lexically_normal()));
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
    // No HOME in the environment (a service, a stripped-down start): the account's.
    const std::string account = home && home[0] != '\0' ? std::string() : HostAccountHome();
    if (!account.empty())
        home = account.c_str();
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
