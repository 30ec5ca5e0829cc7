#include "u_ProgramFolder.h"

#include "u_HostPlatform.h"

namespace {
std::string& Override() {
    static std::string value;
    return value;
}

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder.push_back('/');
    return folder;
}
} // namespace

std::string ProgramFolder() {
    if (!Override().empty())
        return Override();
    const std::string exe = HostProgramPath();
    const auto slash = exe.find_last_of(HostPathSeparators);
    return slash == std::string::npos ? std::string("./") : exe.substr(0, slash + 1);
}

void SetProgramFolder(const std::string& folder) {
    Override() = folder.empty() ? std::string() : WithSlash(folder);
}
