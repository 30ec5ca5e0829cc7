// The story of a book as the reader walks it: the pages of "Story.xml" in story order
// (depth first), the chapter tree for the contents panel, the targets of the story
// commands (First, Prior, Next, Last, Prior Chapter, Next Chapter), and the reading
// history behind Back and Forward.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class TXMLNode;

struct TStoryPage {
    std::string Path;  // normalised book path
    std::string Title; // the "pagename" written by the compiler
    bool Searchable = false;
    bool RightClick = true;
    bool PasswordProtection = false;
};

// One node of the contents tree: a page, or a chapter with its items. The book does
// not carry chapter names: a chapter that opens with a page stands for that page (its
// Page and Title, the page not repeated among its items); one that opens with another
// chapter takes the title of the first page below it.
struct TStoryNode {
    std::string Title;
    int Page = -1;      // index into Pages, -1 for a chapter that does not open with a page
    int FirstPage = -1; // the first page at or below the node, -1 for a chapter without pages
    bool Chapter = false;
    std::vector<TStoryNode> Children;
};

class TReaderStory {
public:
    TReaderStory() = default;
    // Reads "Story.xml": every child of the root with a "page" attribute is a page,
    // any other child a chapter. XML errors pass through.
    explicit TReaderStory(const std::string& StoryXml);

    const std::vector<TStoryPage>& Pages() const noexcept { return FPages; }
    const std::vector<TStoryNode>& Tree() const noexcept { return FTree; }
    int Count() const noexcept { return static_cast<int>(FPages.size()); }
    // The first listing of a page (letter case ignored), or -1.
    int IndexOf(std::string_view Path) const;
    const TStoryPage* Find(std::string_view Path) const;

    // Targets of the story commands from the page at Index (-1 before any story page
    // was shown); -1 where the command leads nowhere. A chapter begins at its first
    // page; a page at the top level, outside every chapter, counts as a chapter of
    // its own, so Next Chapter also reaches a closing page such as a colophon.
    int First() const { return FPages.empty() ? -1 : 0; }
    int Last() const { return Count() - 1; }
    int Next(int Index) const;
    int Prior(int Index) const;
    int NextChapter(int Index) const;
    int PriorChapter(int Index) const;

private:
    void ReadLevel(const TXMLNode* Node, std::vector<TStoryNode>& Level, int Depth);
    std::vector<TStoryPage> FPages;
    std::vector<TStoryNode> FTree;
    std::vector<int> FChapterStarts; // ascending
    std::unordered_map<std::string, int> FIndex; // case-blind key -> first index
};

// Back and Forward: the addresses shown, oldest first, and the position of the one
// shown now. Visiting an address drops the entries after the current one.
class TReaderHistory {
public:
    explicit TReaderHistory(size_t Limit = 1000) : FLimit(Limit < 2 ? 2 : Limit) {}

    // Records Address as shown; the same address as the current one adds nothing.
    void Visit(const std::string& Address);
    bool CanBack() const noexcept { return FCurrent > 0; }
    bool CanForward() const noexcept { return FCurrent + 1 < FEntries.size(); }
    // Moves one step and returns the address to show (empty when it cannot move).
    std::string Back();
    std::string Forward();
    size_t Count() const noexcept { return FEntries.size(); }

private:
    size_t FLimit;
    std::vector<std::string> FEntries;
    size_t FCurrent = 0;
};
