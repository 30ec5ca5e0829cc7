// The page editor's model without the engine: finding parts (also through frames),
// putting them back, the request forms, the table markup and the engine's readings.
#include "frm_TableAttributes.h"
#include "u_PageParts.h"
#include "u_ProgramFolder.h"
#include "u_Project.h"
#include "u_Registry.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>

namespace {

std::size_t Count(const std::string& Text, const std::string& What) {
    std::size_t n = 0;
    for (std::size_t p = Text.find(What); p != std::string::npos; p = Text.find(What, p + 1))
        ++n;
    return n;
}

void Put(TMFS& Store, const std::string& Path, const std::string& Text) {
    Store.Session()->ForceFolders(TMFS::ExtractPath(Path));
    Store.Session()->CreateFile(Path, 0, true)->Content = Text;
}

const std::string TwoParts = "<html><body>\r\n<h1><PAGE NAME=\"Top\">The <B>title</B></PAGE></h1>\r\n"
                             "<div><page name=\"Body\">First text.</Page></div>\r\n</body></html>\r\n";

} // namespace

TEST(PageParts, PartsOfAPageWithTheirNamesPositionsAndText) {
    TMFS store;
    Put(store, "\\Welcome1.htm", TwoParts);
    TPageDescriptions parts;
    std::vector<std::string> trace;
    CollectParts("\\Welcome1.htm", *store.Session(), parts, [&](int Index, std::string_view Segment) {
        trace.push_back(std::to_string(Index) + ":" + std::string(Segment));
    });
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].PartName, "Top");
    EXPECT_EQ(parts[1].PartName, "Body");
    for (const TPageDescription& p : parts) {
        EXPECT_EQ(p.FilePath, "\\Welcome1.htm");
        EXPECT_FALSE(p.Changed);
        EXPECT_EQ(TwoParts.substr(p.StartPos - 1, p.EndPos - p.StartPos), p.Html);
        EXPECT_EQ(TwoParts.substr(p.EndPos - 1, 2), "</");
    }
    EXPECT_EQ(parts[0].Html, "The <B>title</B>");
    EXPECT_EQ(parts[1].Html, "First text.");
    EXPECT_EQ(trace, std::vector<std::string>{"0:" + TwoParts});

    // An empty part is still a part (the author may have emptied it); a tag without
    // NAME gives an empty name; a folder or a missing file gives nothing.
    Put(store, "\\Other.htm", "<PAGE NAME=\"A\"></PAGE><PAGE>x</PAGE>");
    store.Session()->ForceFolders("\\Folder");
    TPageDescriptions more;
    CollectParts("\\Other.htm", *store.Session(), more);
    CollectParts("\\Folder", *store.Session(), more);
    CollectParts("\\Missing.htm", *store.Session(), more);
    ASSERT_EQ(more.size(), 2u);
    EXPECT_EQ(more[0].Html, "");
    EXPECT_EQ(more[1].PartName, "");
}

TEST(PageParts, FramesAreFollowedRelativeToTheFileThatNamesThem) {
    TBookProject project;
    TMFS& store = project.FilesStore();
    // The page names two frames in a subfolder; the second frame file names a picture
    // page in its own folder, an inline frame back to the page (a cycle) and the
    // first frame again (listed once).
    Put(store, "\\Book\\Frames.htm",
        "<html><PAGE NAME=\"Head\">H</PAGE><frameset><frame src=\"parts/top.htm\">"
        "<frame src=\"Parts/Body.htm\"></frameset><PAGE NAME=\"Tail\">T</PAGE></html>");
    Put(store, "\\Book\\Parts\\Top.htm", "<body><PAGE NAME=\"Top\">top text</PAGE></body>");
    Put(store, "\\Book\\Parts\\Body.htm",
        "<body><PAGE NAME=\"Body\">body</PAGE><iframe src=\"inner.htm\"></iframe><iframe "
        "src=\"../frames.htm\">"
        "</iframe><iframe src=\"top.htm\"></iframe></body>");
    Put(store, "\\Book\\Parts\\Inner.htm", "<PAGE NAME=\"Inner\">i</PAGE>");
    TPageDescriptions parts;
    store.Session()->ChangeFolder("\\");
    CollectParts("\\Book\\Frames.htm", *store.Session(), parts);
    std::vector<std::string> names;
    for (const TPageDescription& p : parts)
        names.push_back(p.PartName + "@" + p.FilePath);
    EXPECT_EQ(names, (std::vector<std::string>{"Head@\\Book\\Frames.htm", "Tail@\\Book\\Frames.htm",
                                               "Top@\\Book\\Parts\\Top.htm", "Body@\\Book\\Parts\\Body.htm",
                                               "Inner@\\Book\\Parts\\Inner.htm"}));
    // Positions count in each file's whole text.
    const std::string& frames = store.Session()->OpenFile("\\Book\\Frames.htm")->Content;
    EXPECT_EQ(frames.substr(parts[1].StartPos - 1, 1), "T");

    // A part cannot reach across a frame source.
    Put(store, "\\Across.htm", "<PAGE NAME=\"X\">a<frame src=\"y.htm\">b</PAGE>");
    TPageDescriptions across;
    CollectParts("\\Across.htm", *store.Session(), across);
    EXPECT_TRUE(across.empty());

    // Saving writes each changed part into its own file.
    parts[0].Html = "HEAD";
    parts[0].Changed = true;
    parts[2].Html = "TOP";
    parts[2].Changed = true;
    WriteChangedParts(project, parts);
    EXPECT_EQ(store.Session()->OpenFile("\\Book\\Frames.htm")->Content.substr(0, 30),
              "<html><PAGE NAME=\"Head\">HEAD</");
    EXPECT_EQ(store.Session()->OpenFile("\\Book\\Parts\\Top.htm")->Content,
              "<body><PAGE NAME=\"Top\">TOP</PAGE></body>");
    EXPECT_EQ(store.Session()->OpenFile("\\Book\\Parts\\Inner.htm")->Content,
              "<PAGE NAME=\"Inner\">i</PAGE>");
}

TEST(PageParts, ChangedPartsAreWrittenBackLeavingTheRestByteForByte) {
    TBookProject project;
    TMFS& store = project.FilesStore();
    Put(store, "\\Welcome1.htm", TwoParts);
    TPageDescriptions parts;
    CollectParts("\\Welcome1.htm", *store.Session(), parts);

    // Only Body changed: only the text between its tags changes.
    parts[1].Html = "<p>New body, longer than before.</p>";
    parts[1].Changed = true;
    EXPECT_FALSE(project.Modified());
    WriteChangedParts(project, parts);
    EXPECT_TRUE(project.Modified()) << "a page file that changed is a change of the project";
    std::string expected = TwoParts;
    expected.replace(parts[1].StartPos - 1, parts[1].EndPos - parts[1].StartPos, parts[1].Html);
    EXPECT_EQ(store.Session()->OpenFile("\\Welcome1.htm")->Content, expected);

    // Both parts changed: written from the last to the first, both land right.
    TPageDescriptions again;
    CollectParts("\\Welcome1.htm", *store.Session(), again);
    again[0].Html = "T";
    again[0].Changed = true;
    again[1].Html = "B";
    again[1].Changed = true;
    WriteChangedParts(project, again);
    EXPECT_EQ(
        store.Session()->OpenFile("\\Welcome1.htm")->Content,
        "<html><body>\r\n<h1><PAGE NAME=\"Top\">T</PAGE></h1>\r\n<div><page name=\"Body\">B</Page></div>\r\n"
        "</body></html>\r\n");

    // The preview puts every part in, changed or not.
    EXPECT_EQ(PutPartsIntoText(TwoParts, "\\WELCOME1.HTM", again, false),
              store.Session()->OpenFile("\\Welcome1.htm")->Content);
}

TEST(PageParts, PartsOfAFileChangedElsewhereAreFoundAgainOrReported) {
    TBookProject project;
    TMFS& store = project.FilesStore();
    Put(store, "\\P.htm", TwoParts);
    TPageDescriptions parts;
    CollectParts("\\P.htm", *store.Session(), parts);
    // Another window wrote the page meanwhile: the positions are stale.
    Put(store, "\\P.htm", "<!-- new head -->" + TwoParts);
    parts[1].Html = "edited";
    parts[1].Changed = true;
    WriteChangedParts(project, parts);
    EXPECT_NE(store.Session()->OpenFile("\\P.htm")->Content.find("<page name=\"Body\">edited</Page>"),
              std::string::npos);
    EXPECT_NE(store.Session()->OpenFile("\\P.htm")->Content.find("The <B>title</B>"), std::string::npos);

    // A part that is gone is reported after the others were written.
    TPageDescriptions stale;
    CollectParts("\\P.htm", *store.Session(), stale);
    Put(store, "\\P.htm", "<PAGE NAME=\"Top\">The <B>title</B></PAGE>");
    stale[0].Html = "top";
    stale[0].Changed = true;
    stale[1].Html = "body";
    stale[1].Changed = true;
    try {
        WriteChangedParts(project, stale);
        FAIL() << "a lost part must be reported";
    } catch (const EPageEditorError& e) {
        EXPECT_STREQ(e.what(),
                     "The part \"Body\" of \"\\P.htm\" was changed elsewhere and could not be saved");
    }
    EXPECT_EQ(store.Session()->OpenFile("\\P.htm")->Content, "<PAGE NAME=\"Top\">top</PAGE>");
}

TEST(PageParts, RequestsBelongToExactlyOneWindow) {
    EXPECT_EQ(EditingSurfaceURL("\\Welcome1.htm", 3, 7), "mfs:\\Welcome1.htm?!PAGE=3?EDITING_FORM=7");
    EXPECT_EQ(EditorPreviewURL("\\Welcome1.htm", 7), "mfs:\\Welcome1.htm?PREVIEW?EDITING_FORM=7");
    EXPECT_EQ(
        EditingSurfaceDocument("x<b>y</b>"),
        "<HTML><BODY><DIV ID=\"EDITABLE_9CEEAD96_708E_4EAD_BE28_FD7BC3111090\" CONTENTEDITABLE=\"TRUE\">"
        "x<b>y</b></DIV></BODY></HTML>");

    // Window 1 never takes the requests of window 12, nor 12 those of 1.
    EXPECT_FALSE(ParseEditorRequest("\\a.htm?!PAGE=0?EDITING_FORM=12", 1).Belongs);
    EXPECT_FALSE(ParseEditorRequest("\\a.htm?!PAGE=0?EDITING_FORM=1", 12).Belongs);
    EXPECT_FALSE(ParseEditorRequest("\\a.htm", 1).Belongs);
    const TEditorRequest part = ParseEditorRequest("\\a.htm?!page=4?editing_form=12", 12);
    EXPECT_TRUE(part.Belongs);
    EXPECT_EQ(part.Kind, TEditorRequest::Part);
    EXPECT_EQ(part.PartIndex, 4);
    EXPECT_EQ(part.Path, "\\a.htm");
    const TEditorRequest preview = ParseEditorRequest("\\sub\\a.htm?PREVIEW?EDITING_FORM=2", 2);
    EXPECT_EQ(preview.Kind, TEditorRequest::Preview);
    EXPECT_EQ(preview.Path, "\\sub\\a.htm");
    EXPECT_EQ(ParseEditorRequest("\\a.htm?x=1?EDITING_FORM=2", 2).Kind, TEditorRequest::None);
    EXPECT_THROW(ParseEditorRequest("\\a.htm?!PAGE=zwei?EDITING_FORM=2", 2), EConvertError);
}

TEST(PageParts, TableMarkupAndItsRefusals) {
    TTableAttributes a;
    a.Rows = 3;
    a.Cols = 2;
    a.Width = 80;
    a.Height = 40;
    a.TextColor = 0x0000FF;
    const std::string html = BuildTableHtml(a);
    const std::string start =
        "<table width = 80% height = 40% style=\"color: #FF0000; background-color: #FFFFFF; "
        "border-color: #808080; border-width: 1px; border-style: solid\">\r\n";
    EXPECT_EQ(html.substr(0, start.size()), start);
    EXPECT_EQ(Count(html, "<th>Place head text here</th>\r\n"), 2u);
    EXPECT_EQ(Count(html, "<td>Place cell text here</td>\r\n"), 6u);
    EXPECT_EQ(Count(html, "<tr>\r\n"), 3u);
    EXPECT_EQ(html.substr(html.size() - 18), "</tbody>\r\n</table>");

    a.WithHead = false;
    a.Border = TTableAttributes::bsGrayed;
    const std::string plain = BuildTableHtml(a);
    EXPECT_EQ(plain.find("<thead>"), std::string::npos);
    EXPECT_EQ(plain.find("border-style"), std::string::npos);
    EXPECT_NE(plain.find("border-color: #808080\">"), std::string::npos);

    a.Rows = 0;
    EXPECT_THROW(
        {
            try {
                CheckTableAttributes(a);
            } catch (const EPageEditorError& e) {
                EXPECT_STREQ(e.what(), "Rows count must exceed 0");
                throw;
            }
        },
        EPageEditorError);
    a.Rows = 1;
    a.Cols = 0;
    try {
        CheckTableAttributes(a);
        FAIL();
    } catch (const EPageEditorError& e) {
        EXPECT_STREQ(e.what(), "Columns count must exceed 0");
    }
}

TEST(PageParts, TableSettingsAreKeptInTheRegistry) {
    DeleteRegKey(TableAttributesKey);
    const TTableAttributes defaults = LoadTableAttributes();
    EXPECT_EQ(defaults.Rows, 2);
    EXPECT_EQ(defaults.Cols, 2);
    EXPECT_EQ(defaults.Width, 100);
    EXPECT_EQ(defaults.Height, 50);
    EXPECT_TRUE(defaults.WithHead);
    EXPECT_EQ(defaults.Border, TTableAttributes::bsChecked);
    EXPECT_EQ(defaults.BorderWidth, 1);
    EXPECT_EQ(defaults.TextColor, 0x000000);
    EXPECT_EQ(defaults.BGColor, 0xFFFFFF);
    EXPECT_EQ(defaults.BorderColor, 0x808080);

    TTableAttributes a = defaults;
    a.Rows = 7;
    a.WithHead = false;
    a.Border = TTableAttributes::bsGrayed;
    a.BGColor = 0x123456;
    SaveTableAttributes(a);
    EXPECT_EQ(ReadRegString(TableAttributesKey, "WithHead"), "0");
    EXPECT_TRUE(RegValueExists(TableAttributesKey, "WithBorder"));
    EXPECT_EQ(ReadRegString(TableAttributesKey, "WithBorder"), "");
    EXPECT_EQ(ReadRegInteger(TableAttributesKey, "BGColor", 0), 0x123456);
    const TTableAttributes back = LoadTableAttributes();
    EXPECT_EQ(back.Rows, 7);
    EXPECT_FALSE(back.WithHead);
    EXPECT_EQ(back.Border, TTableAttributes::bsChecked); // an empty value reads as checked
    a.Border = TTableAttributes::bsUnchecked;
    SaveTableAttributes(a);
    EXPECT_EQ(LoadTableAttributes().Border, TTableAttributes::bsUnchecked);
    DeleteRegKey(TableAttributesKey);
}

TEST(PageParts, EngineValuesAsTheFontControlsShowThem) {
    EXPECT_EQ(EngineColorToColor("rgb(255, 0, 0)"), 0x0000FF);
    EXPECT_EQ(EngineColorToColor("rgb(1,2,3)"), 0x030201);
    EXPECT_EQ(EngineColorToColor("rgba(0, 0, 255, 0.5)"), 0xFF0000);
    EXPECT_EQ(EngineColorToColor("#00FF00"), 0x00FF00);
    EXPECT_EQ(EngineColorToColor("16711680"), 16711680);
    EXPECT_EQ(EngineColorToColor("windowtext"), SystemColor(8));
    EXPECT_EQ(EngineColorToColor("rgb(300, 0, 0)"), clNone);
    EXPECT_EQ(EngineColorToColor("rgb(1, 2)"), clNone);
    EXPECT_EQ(EngineColorToColor("transparent"), clNone);

    EXPECT_EQ(EngineFontName("Arial"), "Arial");
    EXPECT_EQ(EngineFontName("\"DejaVu Serif\""), "DejaVu Serif");
    EXPECT_EQ(EngineFontName("\"Courier New\", monospace"), "Courier New");
    EXPECT_EQ(EngineFontName(""), "");

    EXPECT_EQ(EngineFontSize("3"), 3);
    EXPECT_EQ(EngineFontSize("7"), 7);
    EXPECT_EQ(EngineFontSize("8"), 0);
    EXPECT_EQ(EngineFontSize(""), 0);
    EXPECT_EQ(EngineFontSize("12px"), 0);
}

TEST(PageParts, PicturesGoIntoThePagesCompanionFolder) {
    TBookProject project;
    TMFS& store = project.FilesStore();
    Put(store, "\\Welcome1.htm", TwoParts);
    EXPECT_EQ(StorePagePicture(project, "\\Welcome1.htm", "photo.jpg", "JPEG"), "Welcome1.files\\photo.jpg");
    EXPECT_TRUE(project.Modified());
    EXPECT_EQ(store.Session()->OpenFile("\\Welcome1.files\\photo.jpg")->Content, "JPEG");
    // Again: the file is reused, the folder stays.
    EXPECT_EQ(StorePagePicture(project, "\\Welcome1.htm", "photo.jpg", "NEW"), "Welcome1.files\\photo.jpg");
    EXPECT_EQ(store.Session()->OpenFile("\\Welcome1.files\\photo.jpg")->Content, "NEW");
    // A page in a folder: the relative path starts in that folder.
    EXPECT_EQ(StorePagePicture(project, "\\Ch\\Page.html", "a.png", "PNG"), "Page.files\\a.png");
    EXPECT_TRUE(store.Session()->Exists("\\Ch\\Page.files\\a.png"));
}

TEST(PageParts, SpecialsOfTheProgramFolder) {
    const std::vector<TSpecialItem> specials = ReadSpecials(ProgramFolder());
    ASSERT_FALSE(specials.empty());
    for (const TSpecialItem& s : specials) {
        EXPECT_FALSE(s.Name.empty());
        EXPECT_FALSE(ReadSpecialText(ProgramFolder(), s.Source).empty()) << s.Source;
    }
    QTemporaryDir empty;
    EXPECT_ANY_THROW(ReadSpecials(empty.path().toStdString() + "/"));
    QDir(empty.path()).mkdir("Special");
    std::ofstream(empty.filePath("Special/Special.xml").toStdString()) << "<specials><special name=\"A\"";
    EXPECT_ANY_THROW(ReadSpecials(empty.path().toStdString() + "/"));
}

// After a snippet, every kind of link naming an "mfs:" path is made relative to the page;
// everything else stays byte for byte.
TEST(PageParts, SnippetLinksLoseTheirSchemeOfEveryKind) {
    const std::string html =
        "<img src=\"MFS:\\pics\\a.png\" srcset=\"mfs:\\pics\\a2.png 2x, b.png 3x\">"
        "<p style=\"background:url('mfs:\\\\pics\\\\bg.png')\">x</p><a href=\"mfs:\\page.htm\">p</a>"
        "<video poster=\"mfs:\">v</video><img src=\"http://mfs:x/a.png\"><img src=\"data:image/png;base64,AbC=\">";
    EXPECT_EQ(StripLinkPrefix(html, SpecialPicturePrefix, SpecialPicturePrefixLength),
              "<img src=\"pics\\a.png\" srcset=\"pics\\a2.png 2x, b.png 3x\">"
              "<p style=\"background:url('pics\\\\bg.png')\">x</p><a href=\"page.htm\">p</a>"
              "<video poster=\"\">v</video><img src=\"http://mfs:x/a.png\"><img src=\"data:image/png;base64,AbC=\">");
    EXPECT_EQ(StripLinkPrefix("<p>no links</p>", "mfs:", 5), "<p>no links</p>");
}
