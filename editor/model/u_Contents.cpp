#include "u_Contents.h"

#include "u_CaseBlind.h"
#include "u_MFS.h"
#include "u_Project.h"
#include "u_eBookCommon.h"

#include <unordered_map>
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

using TItems = std::vector<std::unique_ptr<TProjectItemInfo>>;

// The first page below every chapter of a subtree (none when it holds no page), found
// in one post-order walk with an explicit stack.
std::unordered_map<const TProjectItemInfo*, const TProjectItemInfo*> FirstPages(const TItems& items) {
    std::unordered_map<const TProjectItemInfo*, const TProjectItemInfo*> first;
    struct TFrame {
        const TItems* Items;
        const TProjectItemInfo* Chapter;
        size_t Next;
        const TProjectItemInfo* Found;
    };
    std::vector<TFrame> stack{{&items, nullptr, 0, nullptr}};
    while (!stack.empty()) {
        TFrame& f = stack.back();
        if (f.Next < f.Items->size()) {
            const TProjectItemInfo* item = (*f.Items)[f.Next++].get();
            if (item->IsChapter())
                stack.push_back({&item->Children(), item, 0, nullptr});
            else if (!f.Found)
                f.Found = item;
            continue;
        }
        TFrame done = stack.back();
        stack.pop_back();
        if (done.Chapter)
            first[done.Chapter] = done.Found;
        if (!stack.empty() && !stack.back().Found)
            stack.back().Found = done.Found;
    }
    return first;
}

// The item list of a level, written in one pre-order walk.
void ItemList(const TItems& items, std::string& out) {
    const auto first = FirstPages(items);
    struct TFrame {
        const TItems* Items;
        size_t Next;
        bool Close; // the level was opened with "<ul>"
    };
    std::vector<TFrame> stack{{&items, 0, false}};
    while (!stack.empty()) {
        TFrame& f = stack.back();
        if (f.Next >= f.Items->size()) {
            if (f.Close)
                out += "</ul>\r\n";
            stack.pop_back();
            continue;
        }
        const TProjectItemInfo& item = *(*f.Items)[f.Next++];
        if (item.IsPage()) {
            if (item.IncludeInTOC)
                out += "<li><a href=" + item.Page + ">" + item.Name + "</a></li>\r\n";
            continue;
        }
        const TProjectItemInfo* page = first.at(&item);
        out +=
            "<li><a href=" + QuoteHref(page ? page->Page : std::string()) + ">" + item.Name + "</a></li>\r\n";
        // The children's list is empty unless a chapter or a listed page is among them.
        bool listed = false;
        for (const auto& child : item.Children())
            if (child->IsChapter() || child->IncludeInTOC) {
                listed = true;
                break;
            }
        if (listed) {
            out += "<ul>";
            stack.push_back({&item.Children(), 0, true});
        }
    }
}

// Every file below Folder, subfolders included.
void ExpandFolder(const TStoryNumbering& numbering, TMFSFolder* folder, const std::string& contents) {
    ForEachItemBelow(folder, [&](TMFSItem* item) {
        TMFSFile* file = item->AsFile();
        if (!file)
            return;
        std::string text = ReplaceTextIgnoreCase(file->Content, "${CONTENTS}", contents);
        // Only a file that holds "${PAGE}" needs its number.
        if (text.find('$') != std::string::npos) {
            std::string number = std::to_string(numbering.Number(file->FullPath()));
            text = ReplaceTextIgnoreCase(text, "${PAGE}", number);
        }
        file->Content = std::move(text);
    });
}
} // namespace

std::string BuildContentsHtml(const TStory& Story) {
    std::string out = "<ul>";
    ItemList(Story.Children(), out);
    out += "</ul>\r\n";
    return out;
}

std::string FirstPagePath(const TProjectItemInfo* Chapter) {
    if (!Chapter)
        return std::string();
    // The chapter's first page is the first page of its children taken as one level.
    const TItems& children = Chapter->Children();
    const auto first = FirstPages(children);
    for (const auto& child : children) {
        if (child->IsPage())
            return child->Page;
        if (const TProjectItemInfo* page = first.at(child.get()))
            return page->Page;
    }
    return std::string();
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
