// The reader's logic on compiled books: opening, the story walk, links, the reader's
// own pages, search, protection and damaged files.
#include "reader_books.h"
#include "u_MFSCab.h"
#include "u_ReaderBook.h"
#include "u_ReaderPaths.h"
#include "u_ReaderSearch.h"
#include "u_ReaderSession.h"
#include "u_Resources.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

std::vector<std::string> Titles(const TReaderStory& story) {
    std::vector<std::string> titles;
    for (const TStoryPage& page : story.Pages())
        titles.push_back(page.Title);
    return titles;
}

std::string Served(const TReaderSession& session, const std::string& address) {
    return session.Serve(ParseBookAddress(address)).Data;
}

class SampleBook : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Folder = new TTempFolder();
        FileName = new std::string(books::CompileSample(*Folder));
    }
    static void TearDownTestSuite() {
        delete FileName;
        delete Folder;
    }
    static TTempFolder* Folder;
    static std::string* FileName;
};
TTempFolder* SampleBook::Folder = nullptr;
std::string* SampleBook::FileName = nullptr;

TEST_F(SampleBook, DescriptionStoryAndVariables) {
    TReaderBook book(*FileName);
    EXPECT_EQ(book.Protection(), TBookProtection::None);
    EXPECT_FALSE(book.Locked());
    EXPECT_EQ(book.Title(), "The Lamp on Gull Rock");
    EXPECT_EQ(book.Caption(), "The Lamp on Gull Rock - a short book about lighthouses");
    EXPECT_EQ(book.Options().Width, 900);
    EXPECT_EQ(book.Options().Height, 640);
    EXPECT_TRUE(book.Options().ResizableWindow);
    EXPECT_EQ(book.Options().Splash().SplashTypeS, vsSplash);
    EXPECT_EQ(book.Options().Splash().SplashTypeE, vsPopUp);
    EXPECT_EQ(book.Options().Splash().Interval, 4);
    EXPECT_TRUE(book.HasSystemFile("\\SplashS.bmp"));
    EXPECT_FALSE(book.Icon().empty());

    EXPECT_EQ(Titles(book.Story()),
              (std::vector<std::string>{"Title page", "How a lighthouse works", "Lenses and lamps", "A day on the rock",
                                        "From the logbook", "The winter storm", "About the author"}));
    // The contents tree: a chapter stands for the page it opens with.
    const std::vector<TStoryNode>& tree = book.Story().Tree();
    ASSERT_EQ(tree.size(), 4u);
    EXPECT_FALSE(tree[0].Chapter);
    EXPECT_TRUE(tree[1].Chapter);
    EXPECT_EQ(tree[1].Title, "How a lighthouse works");
    EXPECT_EQ(tree[1].Page, 1);
    ASSERT_EQ(tree[1].Children.size(), 1u);
    EXPECT_EQ(tree[1].Children[0].Title, "Lenses and lamps");
    ASSERT_EQ(tree[2].Children.size(), 2u);
    EXPECT_TRUE(tree[2].Children[1].Chapter);
    EXPECT_EQ(tree[2].Children[1].Page, 5);
    EXPECT_TRUE(tree[2].Children[1].Children.empty());

    std::string page;
    ASSERT_EQ(book.ReadPage("\\INDEX.HTM", page), TPageStatus::Ok);
    EXPECT_NE(page.find("<h1>The Lamp on Gull Rock</h1>"), std::string::npos);
    EXPECT_NE(page.find("by Marit Ellison"), std::string::npos);
    EXPECT_EQ(page.find("%{"), std::string::npos);
    EXPECT_EQ(book.ReadPage("\\..\\..\\etc\\passwd", page), TPageStatus::NotFound);
    EXPECT_EQ(book.ReadPage("\\Light", page), TPageStatus::NotFound); // a folder

    const TToolbarOptions& toolbar = book.Options().Toolbar();
    EXPECT_EQ(toolbar.ToolbarBtnW, 64);
    EXPECT_EQ(toolbar.ToolbarBtnH, 44);
    EXPECT_TRUE(toolbar.ToolbarFlat);
    EXPECT_TRUE(toolbar.ToolbarShowCaption);
    const std::vector<TToolbarButton>& buttons = book.ToolButtons();
    ASSERT_EQ(buttons.size(), 14u);
    EXPECT_EQ(buttons[0].Kind, tbkFirst);
    EXPECT_EQ(buttons[0].Image, "\\Toolbar.buttons\\0.bmp");
    EXPECT_TRUE(book.HasSystemFile(buttons[0].Image));
    EXPECT_EQ(buttons[4].Kind, tbkSeparator);
    const TToolbarButton& marks = buttons[10];
    ASSERT_EQ(marks.Kind, tbkFavourites);
    ASSERT_EQ(marks.Bookmarks.size(), 2u);
    EXPECT_EQ(marks.Bookmarks[0].Caption, "The winter storm");
    EXPECT_EQ(marks.Bookmarks[0].URL, "\\Keepers\\Storm.htm");
    EXPECT_TRUE(marks.Bookmarks[1].NewWindow);
    TColorNumber back = DecodeColor(toolbar.ToolbarBackColor);
    EXPECT_FALSE(back.IsSystem);
    EXPECT_EQ(back.Red, 0xF6);
    EXPECT_EQ(back.Blue, 0xF0);
    EXPECT_TRUE(DecodeColor(static_cast<int32_t>(0xFF00000F)).IsSystem);
    EXPECT_EQ(DecodeColor(static_cast<int32_t>(0xFF00000F)).SystemIndex, ColorIndexBtnFace);

    const TReaderForm* about = book.FormNamed("about");
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->IsForm);
    EXPECT_EQ(about->Caption, "About this book");
    EXPECT_EQ(about->Width, 420);
    EXPECT_FALSE(about->ScrollBars);
    EXPECT_FALSE(about->Maximize);
}

TEST_F(SampleBook, StoryWalkChaptersAndHistory) {
    TReaderBook book(*FileName);
    TReaderSession session(book);
    const std::string start = session.StartAddress("");
    EXPECT_EQ(start, "\\Index.htm");
    session.Shown(start);
    EXPECT_EQ(session.StoryTarget(TStoryCommand::Prior), "");
    std::vector<std::string> walked{session.CurrentPath()};
    for (std::string next = session.StoryTarget(TStoryCommand::Next); !next.empty();
         next = session.StoryTarget(TStoryCommand::Next)) {
        ASSERT_EQ(session.Decide(next).Kind, TNavKind::Show);
        session.Shown(session.Decide(next).Address);
        walked.push_back(session.CurrentPath());
    }
    ASSERT_EQ(walked.size(), 7u);
    for (size_t i = 0; i < walked.size(); ++i)
        EXPECT_EQ(walked[i], book.Story().Pages()[i].Path);
    EXPECT_EQ(session.StoryTarget(TStoryCommand::Last), "\\Colophon.htm");
    for (size_t i = walked.size() - 1; i > 0; --i) {
        const std::string prior = session.StoryTarget(TStoryCommand::Prior);
        EXPECT_EQ(prior, walked[i - 1]);
        session.Shown(prior);
    }
    EXPECT_EQ(session.StoryTarget(TStoryCommand::Prior), "");

    // Chapters: title page -> The light -> The keepers -> Stories -> colophon, and back.
    EXPECT_EQ(session.StoryTarget(TStoryCommand::NextChapter), "\\Light\\HowItWorks.htm");
    session.Shown("\\Light\\Lenses.htm");
    EXPECT_EQ(session.StoryTarget(TStoryCommand::NextChapter), "\\Keepers\\ADay.htm");
    EXPECT_EQ(session.StoryTarget(TStoryCommand::PriorChapter), "\\Index.htm");
    session.Shown("\\Keepers\\Logbook.htm");
    EXPECT_EQ(session.StoryTarget(TStoryCommand::NextChapter), "\\Keepers\\Storm.htm");
    EXPECT_EQ(session.StoryTarget(TStoryCommand::PriorChapter), "\\Light\\HowItWorks.htm");
    session.Shown("\\Colophon.htm");
    EXPECT_EQ(session.StoryTarget(TStoryCommand::NextChapter), "");
    EXPECT_EQ(session.StoryTarget(TStoryCommand::Home), "\\Index.htm");

    // Back and Forward over what was shown; a page outside the story keeps the position.
    EXPECT_EQ(session.Back(), "\\Keepers\\Logbook.htm");
    session.Shown("\\Keepers\\Logbook.htm", false);
    EXPECT_TRUE(session.CanForward());
    EXPECT_EQ(session.Forward(), "\\Colophon.htm");
    session.Shown("\\Colophon.htm", false);
    session.Shown("\\AdditionalPages\\NotFound.htm");
    EXPECT_EQ(session.Position(), 6);
    EXPECT_FALSE(session.CanForward());

    // Right click: the logbook refuses it; pages outside the story follow the book's option (custom).
    session.Shown("\\Keepers\\Logbook.htm");
    EXPECT_FALSE(session.RightClickAllowed());
    session.Shown("\\Keepers\\Storm.htm");
    EXPECT_TRUE(session.RightClickAllowed());

    // Reopening at the page last read, unless the book no longer has it.
    EXPECT_EQ(session.StartAddress("\\Keepers\\Storm.htm"), "\\Keepers\\Storm.htm");
    EXPECT_EQ(session.StartAddress("\\Gone.htm"), "\\Index.htm");
    EXPECT_EQ(session.StartAddress("\\AdditionalPages\\About.htm"), "\\Index.htm"); // a form
}

TEST_F(SampleBook, LinksFormsAndTheReaderPages) {
    TReaderBook book(*FileName);
    TReaderSession session(book);
    session.Shown("\\Light\\HowItWorks.htm");
    TNavDecision d = session.Decide("book:/Light/Lenses.htm");
    EXPECT_EQ(d.Kind, TNavKind::Show);
    EXPECT_EQ(d.Address, "\\Light\\Lenses.htm");
    d = session.Decide("../Pictures/Tower.png");
    EXPECT_EQ(d.Address, "\\Pictures\\Tower.png");
    d = session.Decide("https://www.harbourlane.example/lights");
    EXPECT_EQ(d.Kind, TNavKind::External);
    EXPECT_EQ(d.Url, "https://www.harbourlane.example/lights");
    EXPECT_EQ(session.Decide("file:///etc/passwd").Kind, TNavKind::Refused);
    d = session.Decide("\\AdditionalPages\\About.htm");
    ASSERT_EQ(d.Kind, TNavKind::Form);
    EXPECT_EQ(d.Form->Name, "About");
    // A missing page shows the book's own "Page Not Found" page.
    d = session.Decide("Nowhere.htm");
    EXPECT_EQ(d.Kind, TNavKind::Show);
    EXPECT_EQ(d.Address, "\\AdditionalPages\\NotFound.htm");

    // The results page is the book's "Search Results" page with the list in its element.
    const std::string results = session.SearchAddress("lamp");
    EXPECT_EQ(results, "\\AdditionalPages\\SearchResults.htm?pagelamp=search&q=lamp");
    EXPECT_EQ(session.Decide(results).Kind, TNavKind::Show);
    const std::string html = Served(session, results);
    const size_t list = html.find("<div id=\"results\"><style>");
    ASSERT_NE(list, std::string::npos) << html;
    EXPECT_NE(html.find("The pages of The Lamp on Gull Rock"), std::string::npos); // variables expanded
    EXPECT_NE(html.find("<a href=\"/Light/Lenses.htm?pagelamp=hits&amp;q=lamp\">Lenses and lamps</a>"),
              std::string::npos);
    // A page opened from the results knows the words to mark; others do not.
    session.Shown("\\Light\\Lenses.htm?pagelamp=hits&q=Lamp%20LENSES");
    EXPECT_EQ(session.HighlightTerms(), (std::vector<std::string>{"lamp", "lenses"}));
    EXPECT_EQ(session.Position(), 2);
    session.Shown("\\Light\\Lenses.htm");
    EXPECT_TRUE(session.HighlightTerms().empty());
}

TEST_F(SampleBook, SearchFindsWordsOnSearchablePagesOnly) {
    TReaderBook book(*FileName);
    auto paths = [&](const char* query) {
        std::vector<std::string> found;
        for (const TSearchHit& hit : SearchBook(book, query))
            found.push_back(hit.Path);
        return found;
    };
    // "harbour town" is only on the colophon, which is not searchable.
    EXPECT_TRUE(paths("harbour town").empty());
    // Variables count with their values: the author's name is on the title page.
    EXPECT_EQ(paths("ellison"), std::vector<std::string>{"\\Index.htm"});
    const std::vector<TSearchHit> hits = SearchBook(book, "MERCURY");
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].Path, "\\Light\\Lenses.htm");
    EXPECT_EQ(hits[0].Title, "Lenses and lamps");
    EXPECT_NE(hits[0].Excerpt.find("bath of mercury"), std::string::npos);
    // Every word must be on the page; words in markup or scripts do not count.
    EXPECT_TRUE(paths("mercury zzzunknown").empty());
    EXPECT_TRUE(paths("stylesheet").empty());
    EXPECT_TRUE(paths("").empty());
}

TEST(ReaderSearch, TextOfPagesAndTheReaderOwnResultsPage) {
    EXPECT_EQ(HtmlToText("<p>One&nbsp;two</p><script>var three;</script><STYLE>p{}</STYLE><!-- four -->"
                         "five &amp; six&#33; &#x263A;<br>seven"),
              "One two five & six! \xE2\x98\xBA seven");
    EXPECT_EQ(SearchTerms("  Gull  rock gull\tROCK "), (std::vector<std::string>{"gull", "rock"}));

    const std::string own = SearchResultsHtml("", "<b>", {{0, "\\a b.htm", "A & B", "x < y \xC2\xB7 z"}});
    EXPECT_NE(own.find("&quot;&lt;b&gt;&quot;"), std::string::npos);
    EXPECT_NE(own.find("<a href=\"/a%20b.htm?pagelamp=hits&amp;q=%3Cb%3E\">A &amp; B</a>"), std::string::npos);
    EXPECT_NE(own.find("x &lt; y &#183; z"), std::string::npos); // readable in a page of any character set
    EXPECT_EQ(own.find("<b>"), std::string::npos);
    // A template without the element gets the list before the end of its body.
    const std::string templ = SearchResultsHtml("<html><body><h2>Found</h2></BODY></html>", "x", {});
    EXPECT_NE(templ.find("</style>\n<p class=\"pagelamp-summary\">No page"), std::string::npos);
    EXPECT_LT(templ.find("<h2>Found</h2>"), templ.find("<p class=\"pagelamp-summary\">"));
    EXPECT_LT(templ.find("<p class=\"pagelamp-summary\">"), templ.find("</BODY>"));
}

class SmallBooks : public ::testing::Test {
protected:
    TTempFolder Folder;
};

TEST_F(SmallBooks, VariablesMissingPagesAndRightClick) {
    books::TProjectText text = books::SmallBook();
    text.RightClickMode = 1;
    const std::string file = books::CompileText(text, Folder, "small.exe");
    TReaderBook book(file);
    EXPECT_EQ(book.Caption(), "Tide Tables - reader test");
    std::string data;
    ASSERT_EQ(book.ReadPage("\\pics\\dot.png", data), TPageStatus::Ok);
    EXPECT_EQ(data, std::string("\x89PNG%{Title}", 12)); // pictures are never rewritten

    TReaderSession session(book);
    session.Shown(session.StartAddress(""));
    // Without a "Page Not Found" page the reader shows its own, naming the page.
    TNavDecision d = session.Decide("missing.htm");
    ASSERT_EQ(d.Kind, TNavKind::Show);
    EXPECT_EQ(d.Address, "\\?pagelamp=notfound&page=%5Cmissing.htm");
    EXPECT_NE(Served(session, d.Address).find("The page &quot;\\missing.htm&quot; is not part of this book."),
              std::string::npos);
    // No search results page: the reader's own.
    EXPECT_EQ(session.SearchAddress("dawn"), "\\?pagelamp=search&q=dawn");
    EXPECT_NE(Served(session, "\\?pagelamp=search&q=dawn").find(">Tides</a>"), std::string::npos);
    // Right click refused for every page by the book's option.
    EXPECT_FALSE(session.RightClickAllowed());
    session.Shown("\\about.htm");
    EXPECT_FALSE(session.RightClickAllowed());
    // The About form with its settings.
    d = session.Decide("/about.htm");
    ASSERT_EQ(d.Kind, TNavKind::Form);
    EXPECT_EQ(d.Form->Width, 333);
    EXPECT_TRUE(d.Form->ScrollBars);
}

TEST_F(SmallBooks, WholeBookPassword) {
    const std::string file = books::CompileText(books::SmallBook(books::EncryptPassword("tide", "Simple")), Folder,
                                                "locked.exe");
    TReaderBook book(file);
    EXPECT_EQ(book.Protection(), TBookProtection::Password);
    ASSERT_TRUE(book.Locked());
    std::string data;
    EXPECT_EQ(book.ReadPage("\\index.htm", data), TPageStatus::NotFound);
    EXPECT_TRUE(SearchBook(book, "dawn").empty());
    EXPECT_FALSE(book.Unlock("", "Tide"));
    EXPECT_FALSE(book.Unlock("", ""));
    EXPECT_TRUE(book.Locked());
    EXPECT_TRUE(book.Unlock("anyone", "tide"));
    EXPECT_FALSE(book.Locked());
    EXPECT_EQ(book.ReadPage("\\index.htm", data), TPageStatus::Ok);
    EXPECT_NE(data.find("Port Ellis"), std::string::npos);

    // An empty password leaves the pages as they are: nothing to ask.
    TReaderBook open(books::CompileText(books::SmallBook(books::EncryptPassword("", "Simple")), Folder, "open.exe"));
    EXPECT_EQ(open.Protection(), TBookProtection::Password);
    EXPECT_FALSE(open.Locked());
}

TEST_F(SmallBooks, SelectedPages) {
    const std::string file = books::CompileText(books::SmallBook(books::EncryptPassword("anchor", "Selected")),
                                                Folder, "selected.exe");
    TReaderBook book(file);
    ASSERT_EQ(book.Protection(), TBookProtection::Selected);
    EXPECT_FALSE(book.Locked());
    TReaderSession session(book);
    // Unguarded pages open without asking.
    EXPECT_EQ(session.Decide(session.StartAddress("")).Kind, TNavKind::Show);
    session.Shown("\\index.htm");
    EXPECT_EQ(session.Decide("ch/one.htm").Kind, TNavKind::Show);
    // The guarded page asks, and is not given out meanwhile (an inline frame could ask for it).
    EXPECT_EQ(session.Decide("ch/two.htm").Kind, TNavKind::AskPassword);
    EXPECT_EQ(session.StartAddress("\\ch\\two.htm"), "\\index.htm");
    const TServedPage guarded = session.Serve(ParseBookAddress("\\ch\\two.htm"));
    EXPECT_EQ(guarded.Status, TPageStatus::Protected);
    EXPECT_EQ(guarded.Data.find("anchorage"), std::string::npos);
    EXPECT_FALSE(book.UnlockSelected("Anchor"));
    EXPECT_TRUE(book.IsGuarded("\\CH\\TWO.HTM"));
    EXPECT_TRUE(book.UnlockSelected("anchor"));
    EXPECT_EQ(session.Decide("ch/two.htm").Kind, TNavKind::Show);
    EXPECT_NE(Served(session, "\\ch\\two.htm").find("anchorage"), std::string::npos);
}

TEST_F(SmallBooks, UserNamesAndPasswords) {
    const std::string file = books::CompileText(
        books::SmallBook(books::EncryptUsers({{"ann", "gull"}, {"bob", "rock"}})), Folder, "users.exe");
    TReaderBook book(file);
    ASSERT_EQ(book.Protection(), TBookProtection::UserPassword);
    EXPECT_TRUE(book.AsksUserName());
    ASSERT_TRUE(book.Locked());
    EXPECT_FALSE(book.Unlock("ann", "rock"));
    EXPECT_FALSE(book.Unlock("carl", "gull"));
    EXPECT_FALSE(book.Unlock("", ""));
    EXPECT_TRUE(book.Unlock("bob", "rock"));
    std::string data;
    EXPECT_EQ(book.ReadPage("\\ch\\one.htm", data), TPageStatus::Ok);
}

TEST_F(SmallBooks, FilesThatAreNoBooksOrDamaged) {
    auto message = [](const std::string& file) {
        try {
            TReaderBook book(file);
        } catch (const EBookError& e) {
            return std::string(e.what());
        }
        return std::string("opened");
    };
    const std::string plain = Folder.File("plain.exe");
    WriteFileText(fixture::SyntheticProgram(), plain);
    EXPECT_EQ(message(plain), "\"" + plain + "\" is not a book.");
    const std::string text = Folder.File("notes.txt");
    WriteFileText("just some text", text);
    EXPECT_EQ(message(text), "\"" + text + "\" is not a book.");
    EXPECT_EQ(message(Folder.Path()), "\"" + Folder.Path() + "\" is not a book: it is not a regular file.");
    EXPECT_EQ(message(Folder.File("none.exe")),
              "Cannot open \"" + Folder.File("none.exe") + "\". The file does not exist.");

    // A book whose pages cabinet is cut short, and one whose system cabinet is not one.
    const std::string good = books::CompileText(books::SmallBook(), Folder, "good.exe");
    const std::string cut = Folder.File("cut.exe");
    WriteFileText(ReadFileText(good), cut);
    const std::string pages = ReadResource(good, "RCDATA", FilesResourceName);
    WriteRCDataResource(cut, "FILES_MFS", pages.substr(0, pages.size() / 2));
    EXPECT_EQ(message(cut).rfind("The book \"" + cut + "\" is damaged and cannot be read.\npages: ", 0), 0u)
        << message(cut);
    const std::string bad = Folder.File("bad.exe");
    WriteFileText(ReadFileText(good), bad);
    WriteRCDataResource(bad, "SYSTEM_MFS", "MSCF and then nothing sound");
    EXPECT_EQ(message(bad).rfind("The book \"" + bad + "\" is damaged", 0), 0u) << message(bad);
    // A whole-book password over pages damaged behind the right key.
    const std::string locked =
        books::CompileText(books::SmallBook(books::EncryptPassword("k", "Simple")), Folder, "locked.exe");
    WriteRCDataResource(locked, "FILES_MFS", EncryptData("not a cabinet", "k", true));
    TReaderBook book(locked);
    EXPECT_THROW(book.Unlock("", "k"), EBookError);
}

} // namespace
