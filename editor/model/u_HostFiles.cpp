#include "u_HostFiles.h"

#include "u_CaseBlind.h"
#include "u_MFS.h"
#include "u_PathSegments.h"

#include <sys/stat.h>

#include <algorithm>
#include <vector>

std::string HostSlashes(std::string Path) {
    std::replace(Path.begin(), Path.end(), '\\', '/');
    return Path;
}

std::string HostJoin(const std::string& Folder, const std::string& Name) {
    if (!Name.empty() && Name[0] == '/')
        return Name;
    return HostPathJoin(Folder, Name);
}

std::string HostAbsolutePath(const std::string& Path, const std::string& BaseDir) {
    const std::string joined = HostJoin(BaseDir.empty() ? std::string("/") : BaseDir, Path);
    TPathSegments segments;
    CollapsePathSegments(joined, "/", true, TDotDotAtTop::Stay, segments);
    return "/" + JoinPathSegments(segments.Parts, '/');
}

std::string HostFolderOf(const std::string& Path) {
    const std::size_t slash = Path.find_last_of('/');
    if (slash == std::string::npos)
        return std::string();
    return slash == 0 ? std::string("/") : Path.substr(0, slash);
}

bool HostFileExists(const std::string& Path) {
    struct stat st {};
    return !Path.empty() && ::stat(Path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool HostDirectoryExists(const std::string& Path) {
    struct stat st {};
    return !Path.empty() && ::stat(Path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

namespace {

bool HostEntryExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// The entry of Folder whose name equals Name ignoring letter case (the first in name
// order when several do), or empty.
std::string FindEntryCaseBlind(const std::string& folder, const std::string& name) {
    std::vector<std::string> entries;
    ListHostFolder(folder, entries);
    std::string best;
    for (const std::string& entryName : entries)
        if (SameTextCaseBlind(entryName, name) && (best.empty() || CompareTextOrdinal(entryName, best) < 0))
            best = entryName;
    return best;
}

std::string FindCaseBlind(const std::string& path) {
    if (path.empty())
        return std::string();
    if (HostEntryExists(path))
        return path;
    // Walk the components; a relative path is taken from the current folder.
    std::string current = path[0] == '/' ? "/" : "";
    std::size_t p = path[0] == '/' ? 1 : 0;
    while (p < path.size()) {
        std::size_t q = path.find('/', p);
        if (q == std::string::npos)
            q = path.size();
        const std::string part = path.substr(p, q - p);
        p = q + 1;
        if (part.empty())
            continue;
        std::string candidate = current.empty() ? part : HostJoin(current, part);
        if (part != "." && part != ".." && !HostEntryExists(candidate)) {
            const std::string found = FindEntryCaseBlind(current, part);
            if (found.empty())
                return std::string();
            candidate = current.empty() ? found : HostJoin(current, found);
        }
        current = candidate;
    }
    return current;
}

} // namespace

std::string FindHostFileCaseBlind(const std::string& Path) {
    const std::string found = FindCaseBlind(Path);
    return HostFileExists(found) ? found : std::string();
}

std::string FindHostFolderCaseBlind(const std::string& Path) {
    std::string path = Path;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const std::string found = FindCaseBlind(path);
    return HostDirectoryExists(found) ? found : std::string();
}
