#include "ProjectFixture.h"

#include "u_Exception.h"
#include "u_Templates.h"

#include <functional>

namespace {

class TemplatesTest : public ProjectTest {
protected:
    std::string T(const std::string& rel) const { return Dir + "/tpl/" + rel; }
    void Put(const std::string& rel, const std::string& text) { WriteFileText(text, T(rel)); }

    // A template "Guide" with nested chapters, a default page and a Q&A page; its page
    // files are spelled in another letter case than the description names them.
    void WriteGuide() {
        Put("guide.ebt",
            "<template Caption=\"Guide\" Description=\"about.txt\" Thumbnail=\"thumb.png\" "
            "DefaultPage=\"Pages\\New.htm\">\r\n"
            "  <page path=\"pages\\intro.htm\"/>\r\n"
            "  <chapter>\r\n"
            "    <page path=\"pages\\new.htm\" Caption=\"New Topic\"/>\r\n"
            "    <Chapter Caption=\"Inner\"><PAGE path=\"qa.htm\" Caption=\"Q&A\"/></Chapter>\r\n"
            "    <note path=\"ignored.htm\"/>\r\n"
            "  </chapter>\r\n"
            "  <page path=\"missing.htm\" Caption=\"Gone\"/>\r\n"
            "</template>\r\n");
        Put("guide.files/About.txt", "A guide.\r\nTwo lines.");
        Put("guide.files/Pages/Intro.htm", "<html><title>Intro</title>${NAME}</html>");
        Put("guide.files/Pages/New.htm", "<html>${name}: ${CONTENTS}</html>");
        Put("guide.files/Pages/New.files/pic.gif", "GIF");
        Put("guide.files/qa.htm", "<html>Q and A</html>");
    }

    std::vector<std::string> Names(const TProjectItemInfo* parent, const TBookProject& p) const {
        std::vector<std::string> v;
        const auto& items = parent ? parent->Children() : p.Story().Children();
        for (const auto& i : items)
            v.push_back(i->Name);
        return v;
    }

    static std::string Read(TBookProject& p, const std::string& path) {
        return p.FilesStore().NewSession()->OpenFile(path)->Content;
    }
};

} // namespace

TEST_F(TemplatesTest, LoadedSortedByCaptionAndFoundIgnoringCase) {
    Put("beta.ebt", "<t Caption=\"Zeta\"/>");
    Put("alpha.ebt", "<t Caption=\"Alpha\"/>");
    Put("UPPER.EBT", "<t Caption=\"middle\"/>");
    Put("notes.txt", "<t Caption=\"Not a template\"/>");
    WriteFileText("x", T("folder.ebt/inside.txt")); // a folder is no template
    TTemplates templates;
    templates.LoadFromFolder(Dir + "/tpl");
    ASSERT_EQ(templates.Count(), 3);
    EXPECT_EQ(templates.Items(0)->Caption, "Alpha");
    EXPECT_EQ(templates.Items(1)->Caption, "middle");
    EXPECT_EQ(templates.Items(2)->Caption, "Zeta");
    EXPECT_EQ(templates.Items(3), nullptr);
    EXPECT_EQ(templates.Items(-1), nullptr);
    EXPECT_EQ(templates.FindByCaption("alpha"), templates.Items(0));
    EXPECT_EQ(templates.FindByCaption("ZETA"), templates.Items(2));
    EXPECT_EQ(templates.FindByCaption("Gamma"), nullptr);
    EXPECT_EQ(templates.Items(0)->FileName, T("alpha.ebt"));

    TTemplates none;
    none.LoadFromFolder(Dir + "/no such folder");
    EXPECT_EQ(none.Count(), 0);
}

TEST_F(TemplatesTest, MalformedDescriptionEndsLoadingKeepingTheOnesBefore) {
    Put("a.ebt", "<t Caption=\"B\"/>");
    Put("b.ebt", "<t Caption=\"A\"/>");
    Put("c.ebt", "<t Caption=\"broken\">");
    Put("d.ebt", "<t Caption=\"after\"/>");
    TTemplates templates;
    EXPECT_THROW(templates.LoadFromFolder(Dir + "/tpl"), Exception);
    ASSERT_EQ(templates.Count(), 2);
    EXPECT_EQ(templates.Items(0)->Caption, "A");
    EXPECT_EQ(templates.Items(1)->Caption, "B");
}

TEST_F(TemplatesTest, DescriptionEntriesAndDefaults) {
    WriteGuide();
    TTemplate t(T("guide.ebt"));
    EXPECT_EQ(t.Caption, "Guide");
    EXPECT_EQ(t.Description, "A guide.\r\nTwo lines.");
    EXPECT_EQ(t.Thumbnail, "") << "the thumbnail file does not exist";
    EXPECT_EQ(t.DefaultPage, T("guide.files/Pages/New.htm"));
    ASSERT_EQ(t.Count(), 3);
    EXPECT_EQ(t.Item(3), nullptr);

    const TTemplateItem* intro = t.Item(0);
    EXPECT_EQ(intro->IsChapter, 0);
    EXPECT_EQ(intro->Caption, "pages\\intro") << "the path without its extension";
    EXPECT_EQ(static_cast<const TTemplatePage*>(intro)->FileName, T("guide.files/Pages/Intro.htm"));

    const auto* chapter = static_cast<const TTemplateChapter*>(t.Item(1));
    EXPECT_EQ(chapter->IsChapter, 1);
    EXPECT_EQ(chapter->Caption, "Chapter");
    ASSERT_EQ(chapter->Count(), 2) << "elements other than chapter and page are skipped";
    EXPECT_EQ(chapter->Items[1]->Caption, "Inner");

    const auto* gone = static_cast<const TTemplatePage*>(t.Item(2));
    EXPECT_EQ(gone->Caption, "Gone");
    EXPECT_EQ(gone->FileName, "") << "a missing page file";

    std::vector<std::string> order;
    t.ForEachPage([&](TTemplatePage& p) {
        order.push_back(p.Caption);
        return true;
    });
    EXPECT_EQ(order, (std::vector<std::string>{"pages\\intro", "New Topic", "Q&A", "Gone"}));
    int visited = 0;
    t.ForEachPage([&](TTemplatePage&) { return ++visited < 2; });
    EXPECT_EQ(visited, 2) << "the callback stops the walk";

    ASSERT_NE(t.FindDefaultPage(), nullptr);
    EXPECT_EQ(t.FindDefaultPage()->Caption, "New Topic");
    EXPECT_EQ(t.FindPageByCaption("q&a")->Caption, "Q&A");
    EXPECT_EQ(t.FindPageByCaption("QA"), nullptr);
}

TEST_F(TemplatesTest, PreviewTexts) {
    WriteGuide();
    TTemplate t(T("guide.ebt"));
    EXPECT_EQ(NoTemplateNodePreviewHtml(), "<HTML><H1>Select item for preview</H1></HTML>");
    EXPECT_EQ(TemplateChapterPreviewHtml(),
              "<HTML><H1>Chapter\\Part</H1>It will appear in the table of contents</HTML>");
    EXPECT_EQ(TemplatePreviewHtml(t), "<html>New: <ul><li>Chapter #1</li><li>Chapter #2</li>"
                                      "<li>Chapter #3</li></ul></html>");
    EXPECT_EQ(TemplatePagePreviewHtml(*static_cast<TTemplatePage*>(t.Item(0))),
              "<html><title>Intro</title>Intro</html>");
    try {
        TemplatePagePreviewHtml(*static_cast<TTemplatePage*>(t.Item(2)));
        ADD_FAILURE() << "a missing page file cannot be previewed";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message().rfind("Cannot open file \"\".", 0), 0u) << e.Message();
    }

    // A default page that no page element lists.
    Put("other.ebt", "<t Caption=\"Other\" DefaultPage=\"nowhere.htm\"><page path=\"a.htm\"/></t>");
    Put("other.files/nowhere.htm", "<html>unlisted</html>");
    Put("other.files/a.htm", "<html>a</html>");
    TTemplate other(T("other.ebt"));
    EXPECT_EQ(other.FindDefaultPage(), nullptr);
    EXPECT_EQ(TemplatePreviewHtml(other), "<HTML><H1>Template</H1></HTML>");
}

TEST_F(TemplatesTest, DefaultPageCommands) {
    WriteGuide();
    Put("plain.ebt", "<t Caption=\"Plain\"><page path=\"a.htm\"/></t>");
    Put("plain.files/a.htm", "a");
    Put("unlisted.ebt", "<t Caption=\"Unlisted\" DefaultPage=\"x.htm\"><page path=\"a.htm\"/></t>");
    Put("unlisted.files/a.htm", "a");
    TTemplates templates;
    templates.LoadFromFolder(Dir + "/tpl");
    TBookProject p(&Host);
    p.NewProject();
    TProjectItemInfo* welcome = p.Story().Items(0);

    EXPECT_FALSE(AddDefaultPageEnabled(p)) << "the default template is None";
    p.Options().Template = "guide";
    EXPECT_TRUE(AddDefaultPageEnabled(p));
    TProjectItemInfo* added = AddDefaultPage(p, templates, welcome);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->Name, "New Topic");
    EXPECT_EQ(added->Page, "\\New1.htm");
    EXPECT_EQ(Read(p, "\\New1.htm"), "<html>New1: ${CONTENTS}</html>");
    EXPECT_TRUE(p.FilesStore().NewSession()->Exists("\\New1.files\\pic.gif")) << "the page's own folder";
    EXPECT_EQ(Names(nullptr, p), (std::vector<std::string>{"Welcome", "New Topic"}));
    EXPECT_TRUE(Host.Messages.empty());

    p.Options().Template = "Plain";
    EXPECT_EQ(AddDefaultPage(p, templates, nullptr), nullptr);
    p.Options().Template = "Not installed";
    EXPECT_EQ(AddDefaultPage(p, templates, nullptr), nullptr);
    EXPECT_EQ(Host.Messages, (std::vector<std::string>(2, "This template does not contain a default page.")));
    p.Options().Template = "Unlisted";
    EXPECT_EQ(AddDefaultPage(p, templates, nullptr), nullptr) << "nothing happens, no message";
    EXPECT_EQ(Host.Messages.size(), 2u);

    // The drop-down lists every page; Q&A is found as it stands, also with menu accelerators.
    std::vector<TAddPageMenuEntry> entries{{"old", ""}};
    p.Options().Template = "Not installed";
    EXPECT_FALSE(BuildAddPageMenu(p, templates, entries));
    EXPECT_EQ(entries.size(), 1u) << "the menu keeps its entries";
    p.Options().Template = "Guide";
    ASSERT_TRUE(BuildAddPageMenu(p, templates, entries));
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[2].Caption, "Q&A");
    EXPECT_EQ(entries[2].Hint, T("guide.files/qa.htm"));
    EXPECT_EQ(entries[3].Hint, "");
    TProjectItemInfo* qa = AddPageFromMenuEntry(p, templates, entries[2].Caption, welcome);
    ASSERT_NE(qa, nullptr);
    EXPECT_EQ(qa->Name, "Q&A");
    EXPECT_NE(AddPageFromMenuEntry(p, templates, "&New Topic", nullptr), nullptr);
    EXPECT_EQ(AddPageFromMenuEntry(p, templates, "Nothing", nullptr), nullptr);
    EXPECT_EQ(Names(nullptr, p), (std::vector<std::string>{"Welcome", "Q&A", "New Topic", "New Topic"}));
}

TEST_F(TemplatesTest, AddTemplateToEmptyStoryKeepsOrderAndSetsDefaultTemplate) {
    WriteGuide();
    Put("guide.ebt", "<template Caption=\"Guide\"><page path=\"pages\\intro.htm\" Caption=\"Intro\"/>"
                     "<chapter Caption=\"Part\"><page path=\"pages\\new.htm\" Caption=\"One\"/>"
                     "<chapter Caption=\"Sub\"><page path=\"qa.htm\" Caption=\"Two\"/></chapter>"
                     "<page path=\"pages\\intro.htm\" Caption=\"Three\"/></chapter>"
                     "<page path=\"qa.htm\" Caption=\"Last\"/></template>");
    TTemplate t(T("guide.ebt"));
    TBookProject p(&Host);
    p.NewProject();
    p.ClearStory();
    p.SetModified(false);
    AddTemplate(p, t, nullptr);
    EXPECT_TRUE(Host.Questions.size() == 1 && Host.Questions[0] == "Clear story?") << "no further question";
    EXPECT_TRUE(p.Modified());
    EXPECT_EQ(p.Options().Template, "Guide");
    ASSERT_EQ(Names(nullptr, p), (std::vector<std::string>{"Intro", "Part", "Last"}));
    TProjectItemInfo* part = p.Story().Items(1);
    EXPECT_TRUE(part->IsChapter());
    EXPECT_EQ(Names(part, p), (std::vector<std::string>{"One", "Sub", "Three"}));
    EXPECT_EQ(Names(part->Items(1), p), (std::vector<std::string>{"Two"}));
    EXPECT_EQ(p.Story().Items(0)->Page, "\\Intro1.htm");
    EXPECT_EQ(part->Items(2)->Page, "\\Intro2.htm");
    EXPECT_EQ(Read(p, "\\Intro2.htm"), "<html><title>Intro</title>Intro2</html>");
    EXPECT_EQ(part->Items(0)->Refs, (std::vector<std::string>{"\\New1.htm", "\\New1.files"}));
}

TEST_F(TemplatesTest, AddTemplateToStoryAsksAndPlacesAfterTheAnchor) {
    WriteGuide();
    Put("small.ebt", "<t Caption=\"Small\"><page path=\"a.htm\" Caption=\"A\"/>"
                     "<chapter Caption=\"C\"><page path=\"a.htm\" Caption=\"C1\"/></chapter>"
                     "<page path=\"a.htm\" Caption=\"B\"/></t>");
    Put("small.files/a.htm", "a");
    TTemplate small(T("small.ebt"));
    TBookProject p(&Host);
    p.NewProject();
    TProjectItemInfo* welcome = p.Story().Items(0);
    p.AddPageItem(nullptr, "End", "\\Welcome.htm");
    p.Options().Template = "Guide";

    // Cancel: nothing happens.
    Host.Answers["Clear story before adding whole template?"] = IProjectHost::Cancel;
    EXPECT_THROW(AddTemplate(p, small, welcome), EAbort);
    EXPECT_EQ(p.Story().Count(), 2);

    // No: the template goes right after the anchor, in its own order, and the default
    // template question follows.
    Host.Answers["Clear story before adding whole template?"] = IProjectHost::No;
    Host.Questions.clear();
    AddTemplate(p, small, welcome);
    EXPECT_EQ(Names(nullptr, p), (std::vector<std::string>{"Welcome", "A", "C", "B", "End"}));
    EXPECT_EQ(Names(p.Story().Items(2), p), (std::vector<std::string>{"C1"}));
    ASSERT_EQ(Host.Questions.size(), 2u);
    EXPECT_EQ(Host.Questions[1], "Selected pages does not belong to your default template.\r\n"
                                 "Change the default template from 'Guide' to 'Small'?");
    EXPECT_EQ(p.Options().Template, "Guide") << "answered No";

    // Yes to both: the story is cleared first (its own question), the default changes.
    Host.Answers["Clear story before adding whole template?"] = IProjectHost::Yes;
    Host.AskAnswer = IProjectHost::Yes;
    p.SetVariablesScanPending(false);
    AddTemplate(p, small, p.Story().Items(1));
    EXPECT_EQ(Names(nullptr, p), (std::vector<std::string>{"A", "C", "B"}));
    EXPECT_TRUE(p.VariablesScanPending());
    EXPECT_EQ(p.Options().Template, "Small");

    // An empty template changes nothing.
    Put("empty.ebt", "<t Caption=\"Empty\"/>");
    TTemplate empty(T("empty.ebt"));
    Host.Questions.clear();
    AddTemplate(p, empty, nullptr);
    EXPECT_TRUE(Host.Questions.empty());
    EXPECT_EQ(p.Story().Count(), 3);
}

TEST_F(TemplatesTest, AddTemplateChapterAtAnchors) {
    WriteGuide();
    TTemplate t(T("guide.ebt"));
    const auto& chapter = static_cast<const TTemplateChapter&>(*t.Item(1));
    TBookProject p(&Host);
    p.NewProject();
    TProjectItemInfo* welcome = p.Story().Items(0);
    p.AddPageItem(nullptr, "End", "\\Welcome.htm");
    TProjectItemInfo* added = AddTemplateChapter(p, chapter, welcome);
    EXPECT_EQ(Names(nullptr, p), (std::vector<std::string>{"Welcome", "Chapter", "End"}));
    EXPECT_EQ(Names(added, p), (std::vector<std::string>{"New Topic", "Inner"}));
    EXPECT_EQ(Names(added->Items(1), p), (std::vector<std::string>{"Q&A"}));
    // Into a chapter: its last child.
    AddTemplateChapter(p, static_cast<const TTemplateChapter&>(*chapter.Items[1]), added);
    EXPECT_EQ(Names(added, p), (std::vector<std::string>{"New Topic", "Inner", "Inner"}));
    EXPECT_TRUE(p.Modified());
}

TEST_F(TemplatesTest, ShippedTemplatesAreCompleteAndAddWhole) {
    TTemplates templates;
    templates.LoadFromFolder(std::string(QUARVEL_SOURCE_DIR) + "/data/Templates");
    ASSERT_GE(templates.Count(), 3);
    for (int i = 0; i < templates.Count(); ++i) {
        const TTemplate& t = *templates.Items(i);
        SCOPED_TRACE(t.Caption);
        EXPECT_FALSE(t.Description.empty());
        EXPECT_FALSE(t.Thumbnail.empty());
        ASSERT_NE(t.FindDefaultPage(), nullptr);
        int pages = 0;
        t.ForEachPage([&](TTemplatePage& page) {
            ++pages;
            EXPECT_FALSE(page.FileName.empty()) << page.Caption;
            const std::string text = ReadFileText(page.FileName);
            EXPECT_NE(text.find("<title>"), std::string::npos) << page.Caption;
            return true;
        });
        EXPECT_GE(pages, 5);
        TBookProject p(&Host);
        p.NewProject();
        p.ClearStory();
        AddTemplate(p, t, nullptr);
        EXPECT_GE(p.Story().Count(), 3);
        EXPECT_EQ(p.Options().Template, t.Caption);
        // No page keeps a "${NAME}" of its own once it is in the project.
        for (TProjectItemInfo* item : p.Story().AllItems()) {
            if (item->IsPage()) {
                EXPECT_EQ(Read(p, item->Page).find("${NAME}"), std::string::npos) << item->Page;
            }
        }
    }
}

TEST_F(TemplatesTest, UsersTemplatesComeFirstAndHideInstalledOnesOfTheSameCaption) {
    WriteFileText("<t Caption=\"Novel\"/>", Dir + "/prog/Templates/Novel.ebt");
    WriteFileText("<t Caption=\"Album\"/>", Dir + "/prog/Templates/Album.ebt");
    WriteFileText("<t Caption=\"NOVEL\" Description=\"d.txt\"/>", Dir + "/user/Templates/MyNovel.ebt");
    WriteFileText("My own novel", Dir + "/user/Templates/MyNovel.files/d.txt");
    WriteFileText("<t Caption=\"Diary\"/>", Dir + "/user/Templates/Diary.ebt");
    EXPECT_EQ(TemplatesFolders(),
              (std::vector<std::string>{Dir + "/user/Templates", Dir + "/prog/Templates"}));
    TTemplates templates;
    templates.LoadFromFolders(TemplatesFolders());
    ASSERT_EQ(templates.Count(), 3);
    EXPECT_EQ(templates.Items(0)->Caption, "Album");
    EXPECT_EQ(templates.Items(1)->Caption, "Diary");
    EXPECT_EQ(templates.Items(2)->Caption, "NOVEL");
    EXPECT_EQ(templates.FindByCaption("novel")->Description, "My own novel");
    EXPECT_EQ(templates.FindByCaption("Album")->FileName, Dir + "/prog/Templates/Album.ebt");

    // Without templates of the user's own (no folder) the installed ones are all there.
    TTemplates installed;
    installed.LoadFromFolders({Dir + "/no such folder", Dir + "/prog/Templates"});
    ASSERT_EQ(installed.Count(), 2);
    EXPECT_EQ(installed.Items(1)->FileName, Dir + "/prog/Templates/Novel.ebt");

    // A broken template of the user's ends the loading with its error, as an installed one does.
    WriteFileText("<t Caption=\"Broken\"", Dir + "/user/Templates/Broken.ebt");
    TTemplates broken;
    EXPECT_ANY_THROW(broken.LoadFromFolders(TemplatesFolders()));
}
