// Contents and page generation: the table of contents built from the story, the story
// number of a page, and the expansion of the generation placeholders "${CONTENTS}",
// "${PAGE}" and "${NAME}" (letter case of a placeholder ignored, every occurrence
// replaced in one left-to-right pass).
//
// The unit lives with the model because the template browser (model) and the preview
// use it as well as the compiler.
#pragma once

#include <string>
#include <unordered_map>

class TMFSFolder;
class TProjectItemInfo;
class TStory;

// "<ul>", the top level's item list, "</ul>" and CR LF. A chapter is always listed,
// its href the quoted path of its first page (double quotes as "&quot;"); a page is
// listed when IncludeInTOC is set, its href bare. Titles are written as they stand.
std::string BuildContentsHtml(const TStory& Story);

// The Page of the first page under a chapter (depth first), or the empty text.
std::string FirstPagePath(const TProjectItemInfo* Chapter);

// The story numbers of the pages, counted once: page items only, in story order, from
// 1; a page listed twice keeps its first number. Look-up ignores letter case.
class TStoryNumbering {
public:
    explicit TStoryNumbering(const TStory& Story);
    int Number(const std::string& Path) const; // 0 when no page item has that path

private:
    std::unordered_map<std::string, int> FNumbers; // case-blind key -> number
};

// The story number of the page at Path (0 when no page item has it).
int StoryPageNumber(const TStory& Story, const std::string& Path);

// Replaces "${CONTENTS}" by ContentsHtml, then "${PAGE}" by the file's story number,
// in every file below Folder, whatever its kind.
void ExpandPlaceholders(const TStory& Story, TMFSFolder* Folder, const std::string& ContentsHtml);
void ExpandPlaceholders(const TStoryNumbering& Numbering, TMFSFolder* Folder,
                        const std::string& ContentsHtml);

// Template previews: "${NAME}" becomes the file's name without folder and extension,
// "${CONTENTS}" a fixed sample list of three chapters.
std::string ExpandSamplePlaceholders(const std::string& FileName, const std::string& Text);
