#include "ProjectFixture.h"

#include "u_CaseBlind.h"
#include "u_Exception.h"

#include <algorithm>

namespace {
TMFSFile* AddStoreFile(TMFS& store, const std::string& path, const std::string& content) {
    auto s = store.NewSession();
    s->ForceFolders(TMFS::ExtractPath(path));
    TMFSFile* f = s->CreateFile(path, 0, true);
    f->Content = content;
    return f;
}
} // namespace

TEST_F(ProjectTest, ProjectFileTextExactly) {
    TBookProject p(&Host);
    p.NewProject();
    p.ClearStory();
    AddStoreFile(p.FilesStore(), "\\a.htm", "a");
    AddStoreFile(p.FilesStore(), "\\pics\\x.png", "x");
    TProjectItemInfo* ch = p.AddChildChapter(nullptr);
    ch->Name = "Part \"One\"";
    TProjectItemInfo* page = p.AddPageItem(ch, "Page A", "\\a.htm");
    page->IncludeInTOC = true;
    page->Searchable = true;
    p.AddReference(page, "\\a.htm");
    p.AddReference(page, "\\pics\\x.png");
    p.AddReference(page, "\\missing.png"); // not in the store: not added
    p.AddReference(page, "");
    p.AddReference(ch, "\\a.htm"); // a chapter has no references
    EXPECT_TRUE(ch->Refs.empty());
    const TProjectOptions& o = p.Options();
    EXPECT_EQ(p.ProjectFileText(),
              "<project " + o.GetAttributes() + ">\r\n" + "  <splash " + o.Splash().GetAttributes() +
                  "/>\r\n" + "  <toolbar " + o.Toolbar().GetAttributes() + "/>\r\n" + "  <story>\r\n" +
                  "    <item name=\"Part \"\"One\"\"\">\r\n"
                  "      <item name=\"Page A\" page=\"\\a.htm\" passwordprotection=False rightclick=False "
                  "includeintoc=True searchable=True RefCount=2\r\n"
                  "        Ref0=\"\\a.htm\"\r\n"
                  "        Ref1=\"\\pics\\x.png\"/>\r\n"
                  "    </item>\r\n"
                  "  </story>\r\n"
                  "</project>\r\n");
}

TEST_F(ProjectTest, SavedReopenedAndSavedAgainIsByteIdentical) {
    TBookProject p(&Host);
    p.NewProject();
    EXPECT_TRUE(p.IsOpen());
    EXPECT_EQ(p.FileName(), "");
    EXPECT_TRUE(p.VariablesScanPending());
    EXPECT_TRUE(p.RecentList().empty()) << "the default project is not remembered";
    ASSERT_EQ(p.Story().Count(), 1);
    EXPECT_EQ(p.Options().ApplicationTitle, "Default");
    p.Options().Splash().PopUpTextE = "Bye\r\n\"now\"";
    AddStoreFile(p.FilesStore(), "\\sub\\deep\\pic.bin", std::string("\0\x01\xff", 3));
    AddStoreFile(p.SystemStore(), "\\Encrypt.xml", BuildEncryptXml("", "", "Simple", {}));
    TProjectItemInfo* ch = p.AddChildChapter(nullptr);
    TProjectItemInfo* sub = p.AddChildChapter(ch);
    TProjectItemInfo* pg = p.AddPageItem(sub, "Deep", "\\sub\\deep\\pic.bin");
    p.AddReference(pg, "\\sub\\deep\\pic.bin");
    p.AddReference(pg, "\\sub\\");
    const std::string file = Dir + "/books/My Book.ebp";
    p.SaveProject(file);
    EXPECT_EQ(p.FileName(), file);
    EXPECT_FALSE(p.Modified());
    auto first = Snapshot(Dir + "/books");
    EXPECT_TRUE(first.count("My Book.files/sub/deep/pic.bin"));
    EXPECT_TRUE(first.count("My Book.system/Encrypt.xml"));
    EXPECT_EQ(first.size(), 1u + 1 + 4 + 1 + 2) << "no scratch folders are left behind";

    TBookProject q(&Host);
    q.OpenProject(file, true);
    EXPECT_EQ(q.Story().Items(1)->Items(0)->Items(0)->Refs.size(), 2u);
    EXPECT_EQ(q.Options().Splash().PopUpTextE, "Bye\r\n\"now\"");
    q.SaveProject(file);
    EXPECT_EQ(Snapshot(Dir + "/books"), first);
}

TEST_F(ProjectTest, ReferencesToRemovedFilesAreDropped) {
    TBookProject p(&Host);
    p.NewProject();
    AddStoreFile(p.FilesStore(), "\\img\\a.png", "a");
    TProjectItemInfo* pg = p.Story().Items(0);
    p.AddReference(pg, "\\img\\a.png");
    ASSERT_EQ(pg->Refs.size(), 2u);
    const std::string file = Dir + "/b.ebp";
    p.SaveProject(file);
    ASSERT_EQ(unlink((Dir + "/b.files/img/a.png").c_str()), 0);
    p.OpenProject(file, false);
    ASSERT_EQ(p.Story().Items(0)->Refs, (std::vector<std::string>{"\\Welcome.htm"}));
    p.SaveProject(file);
    EXPECT_NE(ReadFileText(file).find("RefCount=1\r\n      Ref0=\"\\Welcome.htm\"/>"), std::string::npos);
}

TEST_F(ProjectTest, ReadingItemsFlagsAndMissingElements) {
    const std::string file = Dir + "/r.ebp";
    WriteFileText(
        "<project>\r\n  <toolbar ToolbarBtnW=50/>\r\n  <story>\r\n"
        "    <item name=\"Ch\" rightclick=True>\r\n"
        "      <item name=\"P\" page=\"\\p.htm\" rightclick=True RefCount=3 Ref0=\"\" Ref1=\"\\p.htm\"/>\r\n"
        "    </item>\r\n"
        "    <item name=\"Empty chapter\"/>\r\n"
        "    <page name=\"Empty page\" page=\"\"/>\r\n"
        "  </story>\r\n</project>\r\n",
        file);
    WriteFileText("p", Dir + "/r.files/p.htm");
    TBookProject p(&Host);
    p.OpenProject(file, false);
    ASSERT_EQ(p.Story().Count(), 3);
    TProjectItemInfo* ch = p.Story().Items(0);
    EXPECT_TRUE(ch->IsChapter());
    TProjectItemInfo* pg = ch->Items(0);
    EXPECT_TRUE(pg->RightClick);
    EXPECT_TRUE(pg->Searchable) << "searchable defaults to true";
    EXPECT_FALSE(pg->IncludeInTOC);
    EXPECT_EQ(pg->Refs, (std::vector<std::string>{"\\p.htm"}));
    EXPECT_TRUE(p.Story().Items(1)->IsChapter()) << "no page attribute: a chapter";
    EXPECT_TRUE(p.Story().Items(2)->IsPage()) << "an empty page attribute: a page";
    EXPECT_EQ(p.Options().Toolbar().ToolbarBtnW, 50);

    // Chapter flags are not stored; pages keep theirs.
    p.SaveProject(file);
    p.OpenProject(file, false);
    EXPECT_FALSE(p.Story().Items(0)->RightClick);
    EXPECT_TRUE(p.Story().Items(0)->Items(0)->RightClick);

    // Without toolbar element the loaded toolbar options stay; without story, no items.
    WriteFileText("<project/>", file);
    p.OpenProject(file, false);
    EXPECT_EQ(p.Options().Toolbar().ToolbarBtnW, 50);
    EXPECT_TRUE(p.Story().Empty());
    EXPECT_EQ(p.FilesStore().Root()->ChildCount(), 1) << "the .files folder is still there";
}

TEST_F(ProjectTest, UnreadableProjectLeavesItClosed) {
    TBookProject p(&Host);
    const std::string file = Dir + "/bad.ebp";
    WriteFileText("<project><story>", file);
    EXPECT_THROW(p.OpenProject(file, true), std::exception);
    EXPECT_FALSE(p.IsOpen());
    EXPECT_TRUE(p.RecentList().empty());
    EXPECT_THROW(p.OpenProject(Dir + "/none.ebp", true), std::exception);
    EXPECT_FALSE(p.IsOpen());
    DeleteTree(Dir + "/prog");
    EXPECT_THROW(p.NewProject(), std::exception);
    EXPECT_FALSE(p.IsOpen());
}

TEST_F(ProjectTest, TemplatePagesAreNumberedAndNamed) {
    TBookProject p(&Host);
    p.NewProject();
    WriteFileText("<h1>${NAME}</h1><p>${name}</p>", Dir + "/tpl/Welcome.htm");
    WriteFileText("pic", Dir + "/tpl/Welcome.files/img/p.png");
    TProjectItemInfo* anchor = p.Story().Items(0);
    p.SetModified(false);
    TProjectItemInfo* a = p.AddPageFromFile(Dir + "/tpl/Welcome.htm", "First", anchor);
    TProjectItemInfo* b = p.AddPageFromFile(Dir + "/tpl/Welcome.htm", "Second", anchor);
    EXPECT_TRUE(p.Modified());
    EXPECT_EQ(a->Page, "\\Welcome1.htm") << "\\Welcome.htm is taken by the default project";
    EXPECT_EQ(b->Page, "\\Welcome2.htm");
    auto s = p.FilesStore().NewSession();
    EXPECT_EQ(s->OpenFile("\\Welcome1.htm")->Content, "<h1>Welcome1</h1><p>Welcome1</p>");
    EXPECT_EQ(s->OpenFile("\\Welcome2.htm")->Content, "<h1>Welcome2</h1><p>Welcome2</p>");
    EXPECT_EQ(s->OpenFile("\\Welcome2.files\\img\\p.png")->Content, "pic");
    EXPECT_EQ(b->Refs, (std::vector<std::string>{"\\Welcome2.htm", "\\Welcome2.files"}));
    // Both went directly after the anchor page, the later one first.
    ASSERT_EQ(p.Story().Count(), 3);
    EXPECT_EQ(p.Story().Items(1), b);
    EXPECT_EQ(p.Story().Items(2), a);
    EXPECT_FALSE(a->IncludeInTOC || a->Searchable || a->RightClick || a->PasswordProtection);
    EXPECT_THROW(p.AddPageFromFile(Dir + "/tpl/None.htm", "x", nullptr), std::exception);
}

TEST_F(ProjectTest, ChaptersPositionsAndMoves) {
    TBookProject p(&Host);
    p.NewProject();
    TProjectItemInfo* welcome = p.Story().Items(0);
    EXPECT_EQ(p.AddChildChapter(welcome), nullptr) << "a page cannot be a parent";
    TProjectItemInfo* c1 = p.AddChildChapter(nullptr);
    EXPECT_EQ(Host.Selected, c1);
    EXPECT_EQ(c1->Name, "New Chapter");
    TProjectItemInfo* c0 = p.InsertChapter(welcome);
    EXPECT_EQ(p.Story().Items(0), c0);
    TProjectItemInfo* inner = p.AddChapterItem(c1, "Inner");
    TProjectItemInfo* pa = p.AddPageItem(inner, "A", "\\a.htm");
    TProjectItemInfo* pb = p.AddPageItem(pa, "B", "\\b.htm"); // after a page without next sibling
    TProjectItemInfo* pc = p.AddPageItem(pa, "C", "\\c.htm"); // after a page with a next sibling
    ASSERT_EQ(inner->Count(), 3);
    EXPECT_EQ(inner->Items(1), pc);
    EXPECT_EQ(inner->Items(2), pb);
    EXPECT_EQ(pc->Parent(), inner);
    EXPECT_EQ(c1->Parent(), nullptr);

    // The order is part of the project file: a move that moves marks the project.
    p.SetModified(false);
    p.MoveUp(pa); // first already: nothing
    EXPECT_EQ(inner->Items(0), pa);
    EXPECT_FALSE(p.Modified());
    p.MoveDown(pa);
    EXPECT_EQ(inner->Items(1), pa);
    EXPECT_TRUE(p.Modified());
    p.SetModified(false);
    p.MoveUp(c1);
    EXPECT_EQ(p.Story().Items(1), c1);
    EXPECT_EQ(c1->Items(0), inner) << "children move with their item";
    EXPECT_TRUE(p.Modified());

    p.SetModified(false);
    p.SetItemFlag(c1, ifIncludeInTOC, true);
    EXPECT_TRUE(inner->IncludeInTOC && pa->IncludeInTOC && pb->IncludeInTOC && pc->IncludeInTOC);
    EXPECT_TRUE(welcome->IncludeInTOC) << "the default page is listed";
    EXPECT_TRUE(p.Modified());
    p.SetModified(false);
    p.SetItemFlag(c1, ifIncludeInTOC, true); // every item has it already
    EXPECT_FALSE(p.Modified());
    p.SetItemFlag(pa, ifIncludeInTOC, false);
    EXPECT_FALSE(pa->IncludeInTOC);
    EXPECT_TRUE(pb->IncludeInTOC);
    EXPECT_TRUE(p.Modified());
}

TEST_F(ProjectTest, RenamesAndMovesMarkTheProjectOnlyWhenTheyChangeIt) {
    TBookProject p(&Host);
    p.NewProject();
    TProjectItemInfo* welcome = p.Story().Items(0);
    TProjectItemInfo* ch = p.AddChapterItem(nullptr, "Ch");
    TProjectItemInfo* a = p.AddPageItem(ch, "A", "\\a.htm");
    TProjectItemInfo* b = p.AddPageItem(ch, "B", "\\b.htm");
    p.SetModified(false);

    p.RenameItem(a, "A");
    EXPECT_FALSE(p.Modified());
    p.RenameItem(a, "First page");
    EXPECT_EQ(a->Name, "First page");
    EXPECT_TRUE(p.Modified());
    EXPECT_NE(p.ProjectFileText().find("<item name=\"First page\" page=\"\\a.htm\""), std::string::npos);

    // To the place it has: nothing.
    p.SetModified(false);
    p.MoveItem(b, ch, nullptr); // already the last item of the chapter
    p.MoveItem(a, ch, b);       // already directly before b
    p.MoveItem(a, nullptr, a);  // before itself
    EXPECT_FALSE(p.Modified());
    EXPECT_EQ(ch->Items(0), a);
    EXPECT_EQ(ch->Items(1), b);

    // To the end of the top level, then before the default page.
    p.MoveItem(a, nullptr, nullptr);
    EXPECT_TRUE(p.Modified());
    ASSERT_EQ(p.Story().Count(), 3);
    EXPECT_EQ(p.Story().Items(2), a);
    EXPECT_EQ(a->Parent(), nullptr);
    EXPECT_EQ(ch->Count(), 1);
    p.SetModified(false);
    p.MoveItem(b, nullptr, welcome);
    EXPECT_TRUE(p.Modified());
    EXPECT_EQ(p.Story().Items(0), b);
    EXPECT_EQ(ch->Count(), 0);
}

TEST_F(ProjectTest, SystemFilesAreReadWithoutCreatingThemAndChangedThroughTheProject) {
    TBookProject p(&Host);
    p.NewProject();
    p.SetModified(false);
    auto system = p.SystemStore().NewSession();

    // Reading creates nothing: no security, no icon, no additional pages.
    EXPECT_EQ(p.SystemFile("\\Encrypt.xml"), std::nullopt);
    EXPECT_TRUE(p.Security().Method == TSecurityMethod::smNone);
    EXPECT_EQ(p.Icon(), std::nullopt);
    EXPECT_EQ(p.AdditionalPagesText(), "");
    EXPECT_EQ(p.VariablesText(), ""); // the default project's file is empty
    EXPECT_FALSE(system->Exists("\\Encrypt.xml"));
    EXPECT_FALSE(system->Exists("\\Icon.ico"));
    EXPECT_FALSE(system->Exists("\\AdditionalPages.xml"));
    EXPECT_FALSE(p.Modified());

    // Writing marks the project when the content changed.
    p.SetSecurityText(
        "<Encrypt Method=\"Password\" Password=\"lamp\" PasswordType=\"Selected\">\r\n</Encrypt>\r\n");
    EXPECT_TRUE(p.Modified());
    const TSecuritySettings security = p.Security();
    EXPECT_TRUE(security.Method == TSecurityMethod::smPassword);
    EXPECT_EQ(security.Password, "lamp");
    EXPECT_TRUE(security.PasswordType == TPasswordType::ptSelected);

    p.SetModified(false);
    p.SetIcon(std::string("ICON"));
    EXPECT_TRUE(p.Modified());
    EXPECT_EQ(p.SystemFile("\\icon.ICO"), "ICON") << "names ignore letter case";
    p.SetModified(false);
    p.SetIcon(std::string("ICON"));
    EXPECT_FALSE(p.Modified()) << "the same bytes again change nothing";
    p.SetIcon(std::nullopt);
    EXPECT_TRUE(p.Modified());
    EXPECT_FALSE(system->Exists("\\Icon.ico"));
    p.SetModified(false);
    EXPECT_FALSE(p.DeleteSystemFile("\\Icon.ico"));
    EXPECT_FALSE(p.Modified());

    p.SetVariablesText("<vars/>");
    p.SetAdditionalPagesText("<AdditionalPages/>");
    EXPECT_EQ(p.SystemFile("\\Variables.xml"), "<vars/>");
    EXPECT_EQ(p.SystemFile("\\AdditionalPages.xml"), "<AdditionalPages/>");
    EXPECT_TRUE(p.Modified());
}

TEST_F(ProjectTest, FilesOfTheFilesStoreAreReadAndWrittenThroughTheProject) {
    TBookProject p(&Host);
    p.NewProject();
    p.SetModified(false);
    EXPECT_EQ(p.FileContent("\\Welcome.htm"), "<html>Welcome</html>");
    try {
        p.FileContent("\\Missing.htm");
        FAIL() << "a missing file has no content";
    } catch (const EMFSError& e) {
        EXPECT_EQ(e.Message(), "File \"\\Missing.htm\" not found");
    }
    EXPECT_FALSE(p.FilesStore().NewSession()->Exists("\\Missing.htm"));

    p.WriteFile("\\Welcome.htm", "<html>Welcome</html>");
    EXPECT_FALSE(p.Modified());
    p.WriteFile("\\Pictures\\Lamps\\lamp.png", "PNG");
    EXPECT_TRUE(p.Modified());
    EXPECT_EQ(p.FileContent("\\Pictures\\Lamps\\lamp.png"), "PNG");
    EXPECT_TRUE(p.FilesStore().NewSession()->FolderExists("\\Pictures\\Lamps"));
}

TEST_F(ProjectTest, DeletingItemsDeletesTheirPages) {
    TBookProject p(&Host);
    p.NewProject();
    AddStoreFile(p.FilesStore(), "\\a.htm", "a");
    AddStoreFile(p.FilesStore(), "\\a.files\\x.png", "x");
    AddStoreFile(p.FilesStore(), "\\shared.css", "css");
    AddStoreFile(p.FilesStore(), "\\b.htm", "b");
    TProjectItemInfo* ch = p.AddChapterItem(nullptr, "Ch");
    TProjectItemInfo* sub = p.AddChapterItem(ch, "Sub");
    TProjectItemInfo* a = p.AddPageItem(sub, "A", "\\a.htm");
    p.AddReference(a, "\\shared.css");
    TProjectItemInfo* again = p.AddPageItem(ch, "A again", "\\A.HTM");
    p.AddPageItem(nullptr, "B", "\\b.htm");
    Host.Selected = a;
    p.SetModified(false);

    Host.ConfirmAnswer = false;
    EXPECT_THROW(p.DeleteItems({ch}), EAbort);
    EXPECT_EQ(p.Story().Count(), 3);
    Host.ConfirmAnswer = true;
    p.DeleteItems({sub, ch, again}); // nested and duplicate pages
    EXPECT_EQ(Host.Questions.back(), "Delete selected item from eBook?");
    EXPECT_EQ(Host.Selected, nullptr) << "the host heard of the removal";
    ASSERT_EQ(p.Story().Count(), 2);
    EXPECT_TRUE(p.Modified());
    auto s = p.FilesStore().NewSession();
    EXPECT_FALSE(s->Exists("\\a.htm"));
    EXPECT_FALSE(s->Exists("\\a.files"));
    EXPECT_TRUE(s->Exists("\\shared.css")) << "other references stay";

    // A page whose file is gone: the items are removed, the error is reported.
    s->Delete("\\b.htm");
    p.SetModified(false);
    try {
        p.DeleteItems({p.Story().Items(1)});
        FAIL();
    } catch (const EMFSError& e) {
        EXPECT_EQ(e.Message(), "Path \"\\b.htm\" not found");
    }
    EXPECT_EQ(p.Story().Count(), 1);
    EXPECT_TRUE(p.Modified());

    p.ClearStory();
    EXPECT_EQ(Host.Questions.back(), "Clear story?");
    // Deleting items is a confirmation; clearing the whole story a warning.
    EXPECT_EQ(Host.QuestionKinds, (std::vector<IProjectHost::TQuestionKind>{
                                      IProjectHost::qkConfirmation, IProjectHost::qkConfirmation,
                                      IProjectHost::qkConfirmation, IProjectHost::qkWarning}));
    EXPECT_TRUE(p.Story().Empty());
    EXPECT_FALSE(s->Exists("\\Welcome.htm"));
}

TEST_F(ProjectTest, RecentList) {
    TBookProject p(&Host);
    for (int i = 0; i < 10; ++i)
        p.AddToRecent("/books/b" + std::to_string(i) + ".ebp");
    ASSERT_EQ(p.RecentList().size(), 9u);
    EXPECT_EQ(p.RecentList().front(), "/books/b9.ebp");
    EXPECT_EQ(p.RecentList().back(), "/books/b1.ebp") << "the oldest went out";
    p.AddToRecent("/BOOKS/B5.EBP");
    EXPECT_EQ(p.RecentList().size(), 9u);
    EXPECT_EQ(p.RecentList().front(), "/BOOKS/B5.EBP");
    EXPECT_EQ(std::count_if(p.RecentList().begin(), p.RecentList().end(),
                            [](const std::string& e) { return SameTextCaseBlind(e, "/books/b5.ebp"); }),
              1);

    std::vector<std::string> odd{"/a b/c.ebp", "/x,y.ebp", "/q\"uote.ebp", "/plain.ebp"};
    EXPECT_EQ(CommaTextOf(odd), "\"/a b/c.ebp\",\"/x,y.ebp\",\"/q\"\"uote.ebp\",/plain.ebp");
    EXPECT_EQ(CommaTextToList(CommaTextOf(odd)), odd);
    p.SetRecentCommaText(CommaTextOf(odd));
    EXPECT_EQ(p.RecentList(), odd);
    EXPECT_EQ(p.RecentCommaText(), CommaTextOf(odd));
}

TEST_F(ProjectTest, SavingUnderNamesAndAsDefault) {
    TBookProject p(&Host);
    p.NewProject();
    p.SaveProject(Dir + "/one.ebp");
    p.SetModified();
    Host.SaveDialogAnswer = true;
    Host.SaveDialogFileName = Dir + "/two.book";
    p.SaveAs();
    EXPECT_EQ(p.FileName(), Dir + "/two.ebp") << "the extension becomes .ebp";
    EXPECT_EQ(p.RecentList(), (std::vector<std::string>{Dir + "/two.ebp", Dir + "/one.ebp"}));

    p.Story().Items(0)->Name = "Changed";
    p.SetModified();
    p.SaveAsDefault();
    EXPECT_EQ(p.FileName(), Dir + "/two.ebp");
    EXPECT_TRUE(p.Modified());
    EXPECT_EQ(p.RecentList(), (std::vector<std::string>{Dir + "/two.ebp", Dir + "/one.ebp"}));
    TBookProject d(&Host);
    d.NewProject();
    EXPECT_EQ(d.Story().Items(0)->Name, "Changed");
}

TEST_F(ProjectTest, SaveAsDefaultWritesTheUsersFolderNeverTheProgramFolder) {
    const auto installed = Snapshot(Dir + "/prog");
    MakeReadOnly(Dir + "/prog");
    TBookProject p(&Host);
    p.NewProject();
    p.Story().Items(0)->Name = "Mine";
    p.FilesStore().NewSession()->CreateFile("\\extra.css", 0, true)->Content = "body{}";
    p.SetModified();
    p.SaveAsDefault();
    EXPECT_EQ(Snapshot(Dir + "/prog"), installed);
    const std::string files = Dir + "/user/DefaultProject/DefaultProject.files/";
    EXPECT_EQ(ReadFileText(files + "extra.css"), "body{}");
    EXPECT_EQ(ReadFileText(files + "Welcome.htm"), "<html>Welcome</html>");
    EXPECT_TRUE(Exists(Dir + "/user/DefaultProject/DefaultProject.system/Variables.xml"));
    for (const auto& [name, content] : Snapshot(Dir + "/user"))
        EXPECT_EQ(name.find('~'), std::string::npos) << name << " left over by the save";
    EXPECT_EQ(TBookProject::DefaultProjectFileName(), Dir + "/user/DefaultProject/DefaultProject.ebp");

    // A new project starts from the user's default, untitled.
    TBookProject q(&Host);
    q.NewProject();
    EXPECT_EQ(q.Story().Items(0)->Name, "Mine");
    EXPECT_EQ(q.FileName(), "");
    EXPECT_TRUE(Exists(Dir + "/user/DefaultProject/DefaultProject.files/extra.css"));

    // Saved again, the user's copy is replaced, still beside an untouched program folder.
    q.Story().Items(0)->Name = "Mine again";
    q.SetModified();
    q.SaveAsDefault();
    TBookProject r(&Host);
    r.NewProject();
    EXPECT_EQ(r.Story().Items(0)->Name, "Mine again");
    EXPECT_EQ(Snapshot(Dir + "/prog"), installed);
}

TEST_F(ProjectTest, SaveAsDefaultThatCannotBeWrittenKeepsTheProject) {
    // A file where the user's data folder should be: no write below it succeeds, not
    // even for root.
    WriteFileText("in the way", Dir + "/user");
    const auto installed = Snapshot(Dir + "/prog");
    TBookProject p(&Host);
    p.NewProject();
    p.SaveProject(Dir + "/mine.ebp");
    p.Story().Items(0)->Name = "Unsaved";
    p.SetModified();
    const std::vector<std::string> recent = p.RecentList();
    EXPECT_ANY_THROW(p.SaveAsDefault());
    EXPECT_TRUE(p.IsOpen());
    EXPECT_TRUE(p.Modified());
    EXPECT_EQ(p.FileName(), Dir + "/mine.ebp");
    EXPECT_EQ(p.RecentList(), recent);
    EXPECT_EQ(p.Story().Items(0)->Name, "Unsaved");
    EXPECT_EQ(Snapshot(Dir + "/prog"), installed);
    EXPECT_EQ(ReadFileText(Dir + "/user"), "in the way");
    // The work is still there to be saved where the user wants it.
    p.Save();
    TBookProject q(&Host);
    q.OpenProject(Dir + "/mine.ebp", false);
    EXPECT_EQ(q.Story().Items(0)->Name, "Unsaved");
    // New projects still start from the installed default.
    TBookProject r(&Host);
    r.NewProject();
    EXPECT_EQ(r.Story().Items(0)->Name, "Welcome");
}

TEST_F(ProjectTest, ClosingAsksAboutChanges) {
    TBookProject p(&Host);
    p.NewProject();
    p.SetModified();
    Host.SaveChangesAnswer = IProjectHost::Yes;
    Host.SaveDialogAnswer = false; // the dialog is cancelled
    EXPECT_THROW(p.CloseProject(), EAbort);
    EXPECT_EQ(Host.SaveQuestions, 1);
    EXPECT_EQ(Host.LastProjectName, "") << "untitled";
    EXPECT_EQ(Host.SaveDialogs, 1);
    EXPECT_TRUE(p.IsOpen());

    Host.SaveChangesAnswer = IProjectHost::Cancel;
    EXPECT_THROW(p.OpenProject(Dir + "/x.ebp", false), EAbort);
    EXPECT_TRUE(p.IsOpen());

    Host.SaveChangesAnswer = IProjectHost::Yes;
    Host.SaveDialogAnswer = true;
    Host.SaveDialogFileName = Dir + "/saved.ebp";
    Host.DocumentsClose = false;
    EXPECT_THROW(p.CloseProject(), EAbort) << "a document window stayed open";
    EXPECT_TRUE(Exists(Dir + "/saved.ebp"));
    EXPECT_TRUE(p.IsOpen());
    Host.DocumentsClose = true;
    p.SetModified();
    Host.SaveChangesAnswer = IProjectHost::No;
    p.CloseProject();
    EXPECT_EQ(Host.LastProjectName, "saved");
    EXPECT_FALSE(p.IsOpen());
    EXPECT_EQ(p.FileName(), "");
    EXPECT_TRUE(p.Story().Empty());
    EXPECT_EQ(p.FilesStore().Root()->ChildCount(), 0);
}

TEST_F(ProjectTest, FailedSaveKeepsThePreviousProject) {
    TBookProject p(&Host);
    p.NewProject();
    AddStoreFile(p.FilesStore(), "\\a.htm", "old a");
    const std::string file = Dir + "/keep.ebp";
    p.SaveProject(file);
    auto onlyProject = [&](std::map<std::string, std::string> m) {
        for (auto it = m.begin(); it != m.end();)
            it = it->first.rfind("prog", 0) == 0 ? m.erase(it) : std::next(it);
        return m;
    };
    const auto before = onlyProject(Snapshot(Dir));

    // A name the host refuses (too long) makes the export fail after other files
    // were written.
    AddStoreFile(p.FilesStore(), "\\a.htm", "new a");
    AddStoreFile(p.FilesStore(), "\\" + std::string(300, 'z') + ".htm", "z");
    p.Story().Items(0)->Name = "Renamed";
    p.SetModified();
    EXPECT_THROW(p.SaveProject(file), Exception);
    EXPECT_EQ(onlyProject(Snapshot(Dir)), before);
    EXPECT_TRUE(p.Modified());
    EXPECT_EQ(p.FileName(), file);

    // Saving under a new name that fails leaves FileName as it was.
    EXPECT_THROW(p.SaveProject(Dir + "/other.ebp"), Exception);
    EXPECT_EQ(p.FileName(), file);
    EXPECT_FALSE(Exists(Dir + "/other.ebp"));
    EXPECT_FALSE(Exists(Dir + "/other.files"));

    // The system store failing part-way is no different.
    p.FilesStore().NewSession()->Delete("\\" + std::string(300, 'z') + ".htm");
    AddStoreFile(p.SystemStore(), "\\" + std::string(300, 's'), "s");
    EXPECT_THROW(p.SaveProject(file), Exception);
    EXPECT_EQ(onlyProject(Snapshot(Dir)), before);

    // A read-only file in the old folder does not stop a good save.
    p.SystemStore().NewSession()->Delete("\\" + std::string(300, 's'));
    chmod((Dir + "/keep.files/a.htm").c_str(), 0444);
    p.SaveProject(file);
    EXPECT_EQ(ReadFileText(Dir + "/keep.files/a.htm"), "new a");
    EXPECT_FALSE(p.Modified());
}

TEST_F(ProjectTest, DeeplyNestedStory) {
    // Far deeper than any call stack would take with one frame per level.
    const int depth = 100000;
    std::string text = "<project><story>";
    for (int i = 0; i < depth; ++i)
        text += "<item name=\"c\">\n";
    text += "<item name=\"p\" page=\"\\p.htm\" RefCount=2147483647 Ref0=\"\\p.htm\"/>";
    for (int i = 0; i < depth; ++i)
        text += "</item>\n";
    text += "</story></project>";
    const std::string file = Dir + "/deep.ebp";
    WriteFileText(text, file);
    WriteFileText("p", Dir + "/deep.files/p.htm");
    TBookProject p(&Host);
    p.OpenProject(file, false);
    const TProjectItemInfo* item = p.Story().Items(0);
    int levels = 0;
    while (item->IsChapter() && item->Count() == 1) {
        item = item->Items(0);
        ++levels;
    }
    EXPECT_EQ(levels, depth);
    EXPECT_EQ(item->Refs.size(), 1u) << "RefCount beyond the attributes is harmless";
    EXPECT_EQ(p.Story().AllItems().size(), static_cast<size_t>(depth) + 1);
    p.CloseProject();
}

// A file that is not a project (empty, another XML document, garbage) is an error, not an
// empty project that would compile "successfully".
TEST_F(ProjectTest, FilesThatAreNoProjectAreRefused) {
    TBookProject p(&Host);
    for (const std::string& text : {std::string(), std::string("<html><body>hi</body></html>"),
                                    std::string("<vars>\r\n</vars>\r\n")}) {
        const std::string file = Dir + "/not.ebp";
        WriteFileText(text, file);
        try {
            p.OpenProject(file, true);
            FAIL() << "opened: " << text;
        } catch (const EProjectError& e) {
            EXPECT_EQ(e.Message(), "\"" + file + "\" is not a project file");
        }
        EXPECT_FALSE(p.IsOpen());
    }
    WriteFileText("<PROJECT/>", Dir + "/upper.ebp");
    p.OpenProject(Dir + "/upper.ebp", false);
    EXPECT_TRUE(p.IsOpen());
}

// Opening a project never follows a link out of its store folders; what is left out (and
// a file left out for a letter-case clash) reaches the host as a warning.
TEST_F(ProjectTest, OpeningReportsLinksOutOfTheStoresAndCaseClashes) {
    const std::string file = Dir + "/p.ebp";
    WriteFileText("<project>\r\n  <story>\r\n  </story>\r\n</project>\r\n", file);
    WriteFileText("secret", Dir + "/secret.txt");
    WriteFileText("a", Dir + "/p.files/Page.htm");
    WriteFileText("b", Dir + "/p.files/PAGE.htm");
    WriteFileText("v", Dir + "/p.system/Variables.xml");
    ASSERT_EQ(symlink((Dir + "/secret.txt").c_str(), (Dir + "/p.files/leak.txt").c_str()), 0);
    ASSERT_EQ(symlink("..", (Dir + "/p.system/up").c_str()), 0);
    TBookProject p(&Host);
    p.OpenProject(file, false);
    EXPECT_FALSE(p.FilesStore().Session()->Exists("\\leak.txt"));
    EXPECT_FALSE(p.SystemStore().Session()->Exists("\\up"));
    EXPECT_EQ(p.FilesStore().Session()->OpenFile("\\page.htm")->Content, "b") << "\"PAGE.htm\" sorts first";
    ASSERT_EQ(Host.Warnings.size(), 3u);
    EXPECT_NE(Host.Warnings[0].find("\"" + Dir + "/p.files/PAGE.htm\" and \"" + Dir + "/p.files/Page.htm\""),
              std::string::npos)
        << Host.Warnings[0];
    EXPECT_NE(Host.Warnings[1].find("\"" + Dir + "/p.files/leak.txt\" leads out of"), std::string::npos);
    EXPECT_NE(Host.Warnings[2].find("\"" + Dir + "/p.system/up\" leads out of"), std::string::npos);
}
