// The rules of the story tree and the main window, called directly.
#include "u_MainRules.h"
#include "u_StoryTreeRules.h"
#include "u_Templates.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A story: A (chapter: a1, a2, a3 pages; sub chapter S with s1), P (page), B (chapter: b1).
struct TSample {
    TStory Story;
    TProjectItemInfo *A, *a1, *a2, *a3, *S, *s1, *P, *B, *b1;
    TSample() {
        A = Chapter(nullptr, "A");
        a1 = Page(A, "a1");
        a2 = Page(A, "a2");
        a3 = Page(A, "a3");
        S = Chapter(A, "S");
        s1 = Page(S, "s1");
        P = Page(nullptr, "P");
        B = Chapter(nullptr, "B");
        b1 = Page(B, "b1");
    }
    TProjectItemInfo* Chapter(TProjectItemInfo* Parent, const std::string& Name) {
        return Story.AddChild(Parent, std::make_unique<TProjectItemInfo>(TProjectItemInfo::ikChapter, Name));
    }
    TProjectItemInfo* Page(TProjectItemInfo* Parent, const std::string& Name) {
        auto item = std::make_unique<TProjectItemInfo>(TProjectItemInfo::ikPage, Name);
        item->Page = "\\" + Name + ".htm";
        return Story.AddChild(Parent, std::move(item));
    }
};

TEST(StoryTreeRules, DropPlacement) {
    TSample s;
    // No item under the mouse: the last top-level item.
    TDropPlacement d = DropPlacement(s.a2, nullptr, false);
    EXPECT_FALSE(d.Refused);
    EXPECT_EQ(d.Place.Parent, nullptr);
    EXPECT_EQ(d.Place.Before, nullptr);
    // On a chapter: its last child.
    d = DropPlacement(s.P, s.A, false);
    EXPECT_EQ(d.Place.Parent, s.A);
    EXPECT_EQ(d.Place.Before, nullptr);
    // On a later page of the same chapter: directly after it, the target collapsed.
    d = DropPlacement(s.a1, s.a3, false);
    EXPECT_EQ(d.Place.Parent, s.A);
    EXPECT_EQ(d.Place.Before, s.S);
    EXPECT_EQ(d.Collapse, s.a3);
    // On an earlier page: directly before it.
    d = DropPlacement(s.a3, s.a1, false);
    EXPECT_EQ(d.Place.Parent, s.A);
    EXPECT_EQ(d.Place.Before, s.a1);
    EXPECT_EQ(d.Collapse, nullptr);
    // With Ctrl onto a chapter: beside it as for a page (B comes after P: before P? no,
    // P comes first, so after B, the last top-level item).
    d = DropPlacement(s.P, s.B, true);
    EXPECT_EQ(d.Place.Parent, nullptr);
    EXPECT_EQ(d.Place.Before, nullptr);
    EXPECT_EQ(d.Collapse, s.B);
    d = DropPlacement(s.b1, s.A, true);
    EXPECT_EQ(d.Place.Parent, nullptr);
    EXPECT_EQ(d.Place.Before, s.A); // b1's branch (B) comes after A: before A
    // Common level: the deep page s1 onto the top-level page P; S's branch (A) comes
    // first, so s1 goes after P.
    d = DropPlacement(s.s1, s.P, false);
    EXPECT_EQ(d.Place.Parent, nullptr);
    EXPECT_EQ(d.Place.Before, s.B);
    // The top-level page P onto the deep page s1: P comes after A, so before s1.
    d = DropPlacement(s.P, s.s1, false);
    EXPECT_EQ(d.Place.Parent, s.S);
    EXPECT_EQ(d.Place.Before, s.s1);
    // Onto itself or into its own branch: refused (also a chapter onto its own page).
    EXPECT_TRUE(DropPlacement(s.A, s.a2, false).Refused);
    EXPECT_TRUE(DropPlacement(s.A, s.s1, true).Refused);
    EXPECT_TRUE(DropPlacement(s.a2, s.a2, false).Refused);
    EXPECT_TRUE(DropPlacement(nullptr, s.a2, false).Refused);
    // Ctrl onto its own chapter: beside the chapter, before it.
    d = DropPlacement(s.a2, s.A, true);
    EXPECT_EQ(d.Place.Parent, nullptr);
    EXPECT_EQ(d.Place.Before, s.A);
}

TEST(StoryTreeRules, DragPositionsAndHover) {
    TSample s;
    EXPECT_TRUE(DragPositionAccepted(s.A, nullptr, false)); // no item: always
    EXPECT_TRUE(DragPositionAccepted(s.a1, s.B, true));
    EXPECT_FALSE(DragPositionAccepted(s.a1, s.B, false)); // not from the tree
    EXPECT_FALSE(DragPositionAccepted(nullptr, s.B, true));
    EXPECT_FALSE(DragPositionAccepted(s.A, s.A, true));
    EXPECT_FALSE(DragPositionAccepted(s.A, s.s1, true));
    EXPECT_TRUE(HoverExpands(s.a1, s.B));
    EXPECT_FALSE(HoverExpands(s.a1, s.P)); // a page
    EXPECT_FALSE(HoverExpands(s.A, s.S));  // below the dragged item
}

TEST(StoryTreeRules, FlagStatesOverPagesOfTheSelection) {
    TSample s;
    s.a2->PasswordProtection = true;
    s.a1->IncludeInTOC = s.a2->IncludeInTOC = s.a3->IncludeInTOC = s.s1->IncludeInTOC = true;
    std::array<TTriState, 4> st = PageFlagStates({s.A});
    EXPECT_EQ(st[ifPasswordProtection], TTriState::Grayed);
    EXPECT_EQ(st[ifIncludeInTOC], TTriState::Checked); // the sub chapter's page too
    EXPECT_EQ(st[ifRightClick], TTriState::Unchecked);
    // A page selected with its own chapter counts once; a chapter without pages shows
    // unchecked.
    st = PageFlagStates({s.a2, s.A});
    EXPECT_EQ(st[ifPasswordProtection], TTriState::Grayed);
    EXPECT_EQ(PageFlagStates({s.a2})[ifPasswordProtection], TTriState::Checked);
    TStory empty;
    auto* lone =
        empty.AddChild(nullptr, std::make_unique<TProjectItemInfo>(TProjectItemInfo::ikChapter, "C"));
    lone->IncludeInTOC = true; // a chapter's own flag is not a page's
    EXPECT_EQ(PageFlagStates({lone})[ifIncludeInTOC], TTriState::Unchecked);
    EXPECT_EQ(PageFlagStates({})[ifSearchable], TTriState::Unchecked);
    // The pages deleting a selection removes, each once.
    EXPECT_EQ(PagesOfItems({s.a2, s.A, s.b1}),
              (std::vector<std::string>{"\\a2.htm", "\\a1.htm", "\\a3.htm", "\\s1.htm", "\\b1.htm"}));
}

TEST(StoryTreeRules, MoveEnablingInTreeOrderAndTheMenuEntries) {
    TSample s;
    EXPECT_FALSE(MoveUpEnabled(s.Story, nullptr));
    EXPECT_FALSE(MoveUpEnabled(s.Story, s.A)); // first item of the tree
    EXPECT_TRUE(MoveUpEnabled(s.Story, s.a1)); // first child: enabled (does nothing)
    EXPECT_EQ(LastInTreeOrder(s.Story), s.b1);
    EXPECT_TRUE(MoveDownEnabled(s.Story, s.B)); // last top-level item, but not last in tree order
    EXPECT_FALSE(MoveDownEnabled(s.Story, s.b1));
    EXPECT_EQ(LastInTreeOrder(TStory()), nullptr);

    EXPECT_EQ(InsertChapterCase(nullptr), TInsertChapterCase::AddTopLevel);
    EXPECT_EQ(InsertChapterCase(s.a1), TInsertChapterCase::InsertBeforePage);
    EXPECT_EQ(InsertChapterCase(s.A), TInsertChapterCase::ChooseForChapter);

    s.a1->RightClick = true;
    EXPECT_EQ(RightClickEntryState(0, s.P).Enabled, false);
    EXPECT_EQ(RightClickEntryState(0, s.P).Checked, true);
    EXPECT_EQ(RightClickEntryState(1, s.a1).Checked, false);
    EXPECT_EQ(RightClickEntryState(1, s.a1).Enabled, false);
    EXPECT_TRUE(RightClickEntryState(2, s.a1).Enabled);
    EXPECT_TRUE(RightClickEntryState(2, s.a1).Checked);
    EXPECT_FALSE(RightClickEntryState(2, nullptr).Enabled);
    EXPECT_FALSE(FlagEntryState(nullptr, ifSearchable).Enabled);
}

TEST(MainRules, MenusAddressesAndStartup) {
    const auto entries = RecentMenuEntries({"/b/One.ebp", "/b/R&D.ebp"});
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].MenuCaption, "&1 /b/One.ebp");
    EXPECT_EQ(entries[1].MenuCaption, "&2 /b/R&&D.ebp");
    EXPECT_EQ(entries[1].ButtonCaption, "/b/R&&D.ebp");
    EXPECT_EQ(entries[1].FileName, "/b/R&D.ebp");

    const auto links = HelpMenuLinks({{"First", "a", 1}, {"Second", "b", 2}});
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0].Name, "Second");

    EXPECT_EQ(InternetUpdateURL("https://x.org/u", "1.2.3.4"), "https://x.org/u?curversion=1.2.3.4");
    EXPECT_FALSE(InternetUpdateURL("", "1.2.3.4"));
    EXPECT_EQ(MainWindowCaption("1.0.0.561"), "Quarvel 1.0.0.561");

    EXPECT_TRUE(ShowTipsAtStartup(0, true));
    EXPECT_FALSE(ShowTipsAtStartup(1, true));
    EXPECT_TRUE(ShowTipsAtStartup(1, false));
    EXPECT_FALSE(ShowTipsAtStartup(2, false));
    EXPECT_FALSE(ShowTipsAtStartup(-1, false));

    EXPECT_EQ(PanelWidthFromExtInfo("240"), 240);
    EXPECT_FALSE(PanelWidthFromExtInfo("24 0"));
    EXPECT_FALSE(PanelWidthFromExtInfo("wide"));
    EXPECT_FALSE(PanelWidthFromExtInfo(""));

    QTemporaryDir dir;
    const std::string project = dir.filePath("Book.ebp").toStdString();
    QFile file(QString::fromStdString(project));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_EQ(CommandLineProject({"tomewright", project, "more"}), project);
    EXPECT_FALSE(CommandLineProject({"tomewright", project + "x"}));
    EXPECT_FALSE(CommandLineProject({"tomewright", dir.path().toStdString()})); // a folder
    EXPECT_FALSE(CommandLineProject({"tomewright"}));

    // The native reader of the program folder when it is there, else the book itself.
    const std::string folder = dir.path().toStdString() + "/";
    TBookStart start = BookStartFor("/b/Book.exe", folder);
    EXPECT_FALSE(start.WithReader);
    EXPECT_EQ(start.Program, "/b/Book.exe");
    QFile reader(dir.filePath("pagelamp"));
    ASSERT_TRUE(reader.open(QIODevice::WriteOnly));
    reader.close();
    start = BookStartFor("/b/Book.exe", folder);
    EXPECT_TRUE(start.WithReader);
    EXPECT_EQ(start.Program, folder + "pagelamp");
    EXPECT_EQ(start.Arguments, std::vector<std::string>{"/b/Book.exe"});
}

TEST(MainRules, WarningsOfACommandAreCutAfterFifteenLines) {
    EXPECT_EQ(WarningsText({"one"}), "one");
    EXPECT_EQ(WarningsText({"one", "two"}), "one\r\ntwo");
    std::vector<std::string> many;
    for (int i = 1; i <= 18; ++i)
        many.push_back("w" + std::to_string(i));
    const std::string text = WarningsText(many);
    EXPECT_EQ(text.rfind("w15\r\n(and 3 more)"), text.size() - std::string("w15\r\n(and 3 more)").size());
    EXPECT_EQ(text.find("w16"), std::string::npos);
    EXPECT_EQ(WarningsText(std::vector<std::string>(many.begin(), many.begin() + 15)).find("more"),
              std::string::npos);
}

} // namespace
