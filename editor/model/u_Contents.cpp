#include "u_Contents.h"

#include "u_CaseBlind.h"
#include "u_MFS.h"
#include "u_Project.h"
#include "u_eBookCommon.h"

#include <vector>

namespace {
const char* const SampleContents = "<ul><li>Chapter #1</li><li>Chapter #2</li><li>Chapter #3</li></ul>";

std::string QuoteHref(const std::string& path) {
    std::string r = "\"";
    for (char c : path) {
        if (c == '"')
            r += "&quot;";
        else
            r += c;
    }
    r += '"';
    return r;
}

// The item list of one level. Returns whether a page lies below (FirstPage then holds
// its path), so every chapter's href comes out of the same single walk.
bool ItemList(const std::vector<std::unique_ptr<TProjectItemInfo>>& items, std::string& out,
              std::string& firstPage) {
    bool found = false;
    for (const auto& item : items) {
        if (item->IsPage()) {
            if (!found) {
                firstPage = item->Page;
                found = true;
            }
            if (item->IncludeInTOC)
                out += "<li><a href=" + item->Page + ">" + item->Name + "</a></li>\r\n";
            continue;
        }
        std::string children, chapterFirst;
        bool hasPage = ItemList(item->Children(), children, chapterFirst);
        if (hasPage && !found) {
            firstPage = chapterFirst;
            found = true;
        }
        out += "<li><a href=" + QuoteHref(hasPage ? chapterFirst : std::string()) + ">" + item->Name +
               "</a></li>\r\n";
        if (!children.empty())
            out += "<ul>" + children + "</ul>\r\n";
    }
    return found;
}

void ExpandFolder(const TStoryNumbering& numbering, TMFSFolder* folder, const std::string& contents) {
    for (TMFSItem* item : folder->Children()) {
        if (item->IsFolder()) {
            ExpandFolder(numbering, item->AsFolder(), contents);
            continue;
        }
        TMFSFile* file = item->AsFile();
        std::string text = ReplaceTextIgnoreCase(file->Content, "${CONTENTS}", contents);
        // Only a file that holds "${PAGE}" needs its number.
        if (text.find('$') != std::string::npos) {
            std::string number = std::to_string(numbering.Number(file->FullPath()));
            text = ReplaceTextIgnoreCase(text, "${PAGE}", number);
        }
        file->Content = std::move(text);
    }
}
} // namespace

std::string BuildContentsHtml(const TStory& Story) {
    std::string list, first;
    ItemList(Story.Children(), list, first);
    return "<ul>" + list + "</ul>\r\n";
}

std::string FirstPagePath(const TProjectItemInfo* Chapter) {
    if (!Chapter)
        return std::string();
    std::string list, first;
    return ItemList(Chapter->Children(), list, first) ? first : std::string();
}

TStoryNumbering::TStoryNumbering(const TStory& Story) {
    int n = 0;
    for (const TProjectItemInfo* item : Story.AllItems())
        if (item->IsPage())
            FNumbers.emplace(CaseBlindKey(item->Page), ++n);
}

int TStoryNumbering::Number(const std::string& Path) const {
    auto it = FNumbers.find(CaseBlindKey(Path));
    return it == FNumbers.end() ? 0 : it->second;
}

int StoryPageNumber(const TStory& Story, const std::string& Path) {
    int n = 0;
    for (const TProjectItemInfo* item : Story.AllItems())
        if (item->IsPage()) {
            ++n;
            if (SameTextCaseBlind(item->Page, Path))
                return n;
        }
    return 0;
}

void ExpandPlaceholders(const TStoryNumbering& Numbering, TMFSFolder* Folder,
                        const std::string& ContentsHtml) {
    ExpandFolder(Numbering, Folder, ContentsHtml);
}

void ExpandPlaceholders(const TStory& Story, TMFSFolder* Folder, const std::string& ContentsHtml) {
    TStoryNumbering numbering(Story);
    ExpandFolder(numbering, Folder, ContentsHtml);
}

std::string ExpandSamplePlaceholders(const std::string& FileName, const std::string& Text) {
    size_t sep = FileName.find_last_of("/\\");
    std::string name = sep == std::string::npos ? FileName : FileName.substr(sep + 1);
    size_t dot = name.find_last_of('.');
    if (dot != std::string::npos)
        name.erase(dot);
    std::string text = ReplaceTextIgnoreCase(Text, "${NAME}", name);
    return ReplaceTextIgnoreCase(text, "${CONTENTS}", SampleContents);
}
