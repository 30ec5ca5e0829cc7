#include "u_PathSegments.h"

bool CollapsePathSegments(std::string_view Path, std::string_view Separators, bool DropEmpty, TDotDotAtTop AtTop,
                          TPathSegments& Result) {
    Result.Parts.clear();
    Result.EndsInFolder = false;
    if (Path.empty())
        return true;
    size_t start = 0;
    for (;;) {
        size_t end = Path.find_first_of(Separators, start);
        const bool last = end == std::string_view::npos;
        if (last)
            end = Path.size();
        const std::string_view part = Path.substr(start, end - start);
        if (part == ".") {
            Result.EndsInFolder = last;
        } else if (part == "..") {
            if (!Result.Parts.empty())
                Result.Parts.pop_back();
            else if (AtTop == TDotDotAtTop::Fail)
                return false;
            Result.EndsInFolder = last;
        } else if (!part.empty() || !DropEmpty) {
            Result.Parts.push_back(part);
            Result.EndsInFolder = false;
        }
        if (last)
            return true;
        start = end + 1;
    }
}

std::string JoinPathSegments(const std::vector<std::string_view>& Parts, char Separator) {
    std::string text;
    for (size_t i = 0; i < Parts.size(); ++i) {
        if (i > 0)
            text += Separator;
        text += Parts[i];
    }
    return text;
}

std::string NormalizeBookPath(std::string_view Path, std::string_view BasePath) {
    const bool absolute = !Path.empty() && (Path[0] == '\\' || Path[0] == '/');
    std::string joined;
    if (!absolute) {
        // The folder of the base page: everything up to its last separator.
        const size_t slash = BasePath.find_last_of("\\/");
        if (slash != std::string_view::npos)
            joined = std::string(BasePath.substr(0, slash)) + "\\";
    }
    joined += Path;
    TPathSegments segments;
    CollapsePathSegments(joined, "\\/", true, TDotDotAtTop::Stay, segments);
    return "\\" + JoinPathSegments(segments.Parts, '\\');
}
