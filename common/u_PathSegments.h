// Taking paths apart: the one collapsing of "." and ".." that the in-memory file
// system, the host paths, the book paths and the page protocol's URLs all use, each
// with its own separators and its own answer to a ".." above the top.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// What a ".." with nothing before it does.
enum class TDotDotAtTop {
    Stay, // it is dropped: the path stays at its top
    Fail, // the path is refused
};

struct TPathSegments {
    std::vector<std::string_view> Parts;
    // The last part given was "." or "..": the path names a folder.
    bool EndsInFolder = false;
};

// Splits Path at every character of Separators into parts (an empty path has no parts),
// drops the parts "." (and, with DropEmpty, the empty ones) and lets each ".." take
// away the part before it. False when a ".." has nothing before it and AtTop is Fail.
// The parts are views into Path.
bool CollapsePathSegments(std::string_view Path, std::string_view Separators, bool DropEmpty, TDotDotAtTop AtTop,
                          TPathSegments& Result);

// The parts joined with Separator between them.
std::string JoinPathSegments(const std::vector<std::string_view>& Parts, char Separator);

// An absolute path inside a book's image: Path taken relative to the folder of BasePath
// unless it starts with a separator; "/" becomes "\"; "." and empty parts dropped;
// ".." goes up one folder and never above the root; "\" for the root itself.
std::string NormalizeBookPath(std::string_view Path, std::string_view BasePath = "\\");
