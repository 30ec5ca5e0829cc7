#include "u_ReaderStory.h"

#include "u_CaseBlind.h"
#include "u_XMLValues.h"
#include "u_ReaderPaths.h"

#include <algorithm>

TReaderStory::TReaderStory(const std::string& StoryXml) {
    TXMLDocument doc(StoryXml);
    ReadLevel(doc.Root(), FTree, 0);
    std::sort(FChapterStarts.begin(), FChapterStarts.end());
    FChapterStarts.erase(std::unique(FChapterStarts.begin(), FChapterStarts.end()), FChapterStarts.end());
}

void TReaderStory::ReadLevel(const TXMLNode* Node, std::vector<TStoryNode>& Level, int Depth) {
    // The XML reader builds its tree without recursion limits; the walk here keeps to
    // a sane depth so that a hostile story cannot exhaust the stack.
    if (Depth > 200)
        return;
    for (const TXMLNode* item : XmlChildren(Node)) {
        TStoryNode node;
        if (XmlHas(item, "page")) {
            TStoryPage page;
            page.Path = NormalizeBookPath(XmlText(item, "page", ""));
            page.Title = XmlText(item, "pagename", "");
            page.Searchable = XmlBool(item, "searchable", false);
            page.RightClick = XmlBool(item, "rightclick", true);
            page.PasswordProtection = XmlBool(item, "passwordprotection", false);
            node.Title = page.Title;
            node.Page = node.FirstPage = Count();
            FIndex.emplace(CaseBlindKey(page.Path), node.Page);
            if (Depth == 0)
                FChapterStarts.push_back(node.Page);
            FPages.push_back(std::move(page));
        } else {
            ReadLevel(item, node.Children, Depth + 1);
            // The chapter begins at the first page found below it. The book carries no
            // chapter names, so a chapter that opens with a page stands for that page.
            int first = -1;
            for (const TStoryNode& child : node.Children)
                if (child.FirstPage >= 0) {
                    first = child.FirstPage;
                    break;
                }
            node.FirstPage = first;
            if (first >= 0) {
                node.Title = FPages[static_cast<size_t>(first)].Title;
                FChapterStarts.push_back(first);
                if (node.Children.front().Page == first && node.Children.front().Children.empty()) {
                    node.Page = first;
                    node.Children.erase(node.Children.begin());
                }
            }
            node.Chapter = true;
        }
        Level.push_back(std::move(node));
    }
}

int TReaderStory::IndexOf(std::string_view Path) const {
    const auto it = FIndex.find(CaseBlindKey(NormalizeBookPath(Path)));
    return it == FIndex.end() ? -1 : it->second;
}

const TStoryPage* TReaderStory::Find(std::string_view Path) const {
    const int index = IndexOf(Path);
    return index < 0 ? nullptr : &FPages[static_cast<size_t>(index)];
}

int TReaderStory::Next(int Index) const {
    if (FPages.empty())
        return -1;
    if (Index < 0)
        return 0;
    return Index + 1 < Count() ? Index + 1 : -1;
}

int TReaderStory::Prior(int Index) const {
    return Index > 0 && Index < Count() ? Index - 1 : -1;
}

int TReaderStory::NextChapter(int Index) const {
    const auto it = std::upper_bound(FChapterStarts.begin(), FChapterStarts.end(), Index);
    return it == FChapterStarts.end() ? -1 : *it;
}

int TReaderStory::PriorChapter(int Index) const {
    if (Index < 0)
        return -1;
    // The start of the chapter holding the page, then the one before it.
    auto it = std::upper_bound(FChapterStarts.begin(), FChapterStarts.end(), Index);
    if (it == FChapterStarts.begin())
        return -1;
    --it; // the current chapter's start
    if (it == FChapterStarts.begin())
        return -1;
    return *(it - 1);
}

void TReaderHistory::Visit(const std::string& Address) {
    if (!FEntries.empty() && FEntries[FCurrent] == Address)
        return;
    if (!FEntries.empty())
        FEntries.resize(FCurrent + 1);
    FEntries.push_back(Address);
    if (FEntries.size() > FLimit)
        FEntries.erase(FEntries.begin());
    FCurrent = FEntries.size() - 1;
}

std::string TReaderHistory::Back() {
    if (!CanBack())
        return std::string();
    return FEntries[--FCurrent];
}

std::string TReaderHistory::Forward() {
    if (!CanForward())
        return std::string();
    return FEntries[++FCurrent];
}
