#include "u_Contents.h"
#include "u_MFS.h"
#include "u_Project.h"

#include <gtest/gtest.h>

namespace {
TProjectItemInfo* Page(TStory& story, TProjectItemInfo* parent, const std::string& title,
                       const std::string& path, bool toc = true) {
    auto item = std::make_unique<TProjectItemInfo>(TProjectItemInfo::ikPage, title);
    item->Page = path;
    item->IncludeInTOC = toc;
    return story.AddChild(parent, std::move(item));
}

TProjectItemInfo* Chapter(TStory& story, TProjectItemInfo* parent, const std::string& title) {
    return story.AddChild(parent, std::make_unique<TProjectItemInfo>(TProjectItemInfo::ikChapter, title));
}
} // namespace

TEST(Contents, ChaptersQuotedPagesBare) {
    TStory story;
    TProjectItemInfo* part = Chapter(story, nullptr, "Part A");
    Page(story, part, "Page A", "\\a.htm");
    Page(story, part, "Page B", "\\b.htm", false);
    Page(story, nullptr, "Page C", "\\c.htm");
    EXPECT_EQ(BuildContentsHtml(story), "<ul><li><a href=\"\\a.htm\">Part A</a></li>\r\n"
                                        "<ul><li><a href=\\a.htm>Page A</a></li>\r\n"
                                        "</ul>\r\n"
                                        "<li><a href=\\c.htm>Page C</a></li>\r\n"
                                        "</ul>\r\n");
    EXPECT_EQ(FirstPagePath(part), "\\a.htm");
}

TEST(Contents, FirstPagesEmptyChaptersAndRawTitles) {
    TStory story;
    TProjectItemInfo* outer = Chapter(story, nullptr, "Outer <&>");
    TProjectItemInfo* empty = Chapter(story, outer, "Empty");
    TProjectItemInfo* inner = Chapter(story, outer, "Inner");
    Page(story, inner, "Hidden", "\\my \"page\".htm", false);
    Page(story, outer, "Later", "\\later.htm");
    EXPECT_EQ(FirstPagePath(outer), "\\my \"page\".htm") << "depth first through child chapters";
    EXPECT_EQ(FirstPagePath(empty), "");
    EXPECT_EQ(BuildContentsHtml(story), "<ul><li><a href=\"\\my &quot;page&quot;.htm\">Outer <&></a></li>\r\n"
                                        "<ul><li><a href=\"\">Empty</a></li>\r\n"
                                        "<li><a href=\"\\my &quot;page&quot;.htm\">Inner</a></li>\r\n"
                                        "<li><a href=\\later.htm>Later</a></li>\r\n"
                                        "</ul>\r\n"
                                        "</ul>\r\n");
    TStory none;
    EXPECT_EQ(BuildContentsHtml(none), "<ul></ul>\r\n");
}

TEST(Contents, StoryNumbers) {
    TStory story;
    Page(story, nullptr, "1", "\\one.htm");
    TProjectItemInfo* ch = Chapter(story, nullptr, "ch");
    Page(story, ch, "2", "\\Two.htm");
    Page(story, ch, "3", "\\three.htm");
    Page(story, nullptr, "again", "\\ONE.HTM");
    EXPECT_EQ(StoryPageNumber(story, "\\three.htm"), 3);
    EXPECT_EQ(StoryPageNumber(story, "\\two.HTM"), 2);
    EXPECT_EQ(StoryPageNumber(story, "\\one.htm"), 1) << "the first listing counts";
    EXPECT_EQ(StoryPageNumber(story, "\\none.htm"), 0);
    TStoryNumbering numbering(story);
    EXPECT_EQ(numbering.Number("\\THREE.htm"), 3);
    EXPECT_EQ(numbering.Number("\\one.htm"), 1);
    EXPECT_EQ(numbering.Number("\\none.htm"), 0);
}

TEST(Contents, ExpandPlaceholdersInEveryFile) {
    TStory story;
    Page(story, nullptr, "1", "\\a.htm");
    Page(story, nullptr, "2", "\\sub\\b.htm");
    Page(story, nullptr, "3", "\\sub\\c.htm");
    TMFS fs;
    auto s = fs.NewSession();
    s->ForceFolders("\\sub");
    s->CreateFile("\\sub\\c.htm", 0, false)->Content = "page ${page} of ${Contents}";
    s->CreateFile("\\a.htm", 0, false)->Content = "${PAGE}${PAGE";
    s->CreateFile("\\pic.png", 0, false)->Content = std::string("\x89PNG\0${PAGE}\0", 13);
    s->CreateFile("\\sub\\plain.css", 0, false)->Content = "body{}";
    ExpandPlaceholders(story, fs.Root(), "[${PAGE}]");
    EXPECT_EQ(s->OpenFile("\\sub\\c.htm")->Content, "page 3 of [3]") << "contents first, then the number";
    EXPECT_EQ(s->OpenFile("\\a.htm")->Content, "1${PAGE");
    EXPECT_EQ(s->OpenFile("\\pic.png")->Content, std::string("\x89PNG\0"
                                                             "0\0",
                                                             7))
        << "binary files too";
    EXPECT_EQ(s->OpenFile("\\sub\\plain.css")->Content, "body{}");
}

TEST(Contents, SamplePlaceholders) {
    EXPECT_EQ(
        ExpandSamplePlaceholders("/usr/share/Templates/Classic/Welcome.htm", "<h1>${name}</h1>${CONTENTS}"),
        "<h1>Welcome</h1><ul><li>Chapter #1</li><li>Chapter #2</li><li>Chapter #3</li></ul>");
    EXPECT_EQ(ExpandSamplePlaceholders("page", "${NAME}${PAGE}"), "page${PAGE}");
}

TEST(Contents, DeepStoriesInLinearTime) {
    // 100,000 nested chapters: no recursion, and the text grows with the story only.
    TStory story;
    TProjectItemInfo* parent = nullptr;
    const int depth = 100000;
    for (int i = 0; i < depth; ++i)
        parent = Chapter(story, parent, "c");
    Page(story, parent, "p", "\\p.htm");
    const std::string text = BuildContentsHtml(story);
    const std::string line = "<li><a href=\"\\p.htm\">c</a></li>\r\n<ul>";
    EXPECT_EQ(text.size(), 4 + depth * (line.size() + 7) + 31 + 7);
    EXPECT_EQ(text.substr(4, line.size()), line);
    EXPECT_EQ(FirstPagePath(story.Items(0)), "\\p.htm");
}
