#include "u_ProgramFolder.h"

#include <climits>
#include <unistd.h>

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
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return "./";
    std::string exe(buf, static_cast<size_t>(n));
    const auto slash = exe.rfind('/');
    return slash == std::string::npos ? std::string("./") : exe.substr(0, slash + 1);
}

void SetProgramFolder(const std::string& folder) {
    Override() = folder.empty() ? std::string() : WithSlash(folder);
}
