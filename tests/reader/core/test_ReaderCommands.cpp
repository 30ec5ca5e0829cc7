// The rules both readers' windows only draw: the command table (captions, keys, menus)
// with the enabling rule of each command over a reading session, the toolbar of a book
// laid out from its toolbar description and options, and the key of a book's settings.
#include "reader_books.h"
#include "u_ReaderBook.h"
#include "u_ReaderCommands.h"
#include "u_ReaderNavigation.h"
#include "u_ReaderSession.h"
#include "u_ReaderSettingsKey.h"
#include "u_ReaderToolbar.h"
#include "u_ToolButtons.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

using C = TReaderCommand;

std::string Keys(C command) {
    std::string text;
    for (const TReaderShortcut& key : CommandInfo(command).Shortcuts)
        text += (text.empty() ? "" : " ") + ShortcutText(key);
    return text;
}

class CommandRules : public ::testing::Test {
protected:
    TTempFolder Folder;
};

} // namespace

TEST(ReaderCommandTable, EveryCommandOnceWithItsKeysAndMenu) {
    const std::vector<TReaderCommandInfo>& table = ReaderCommands();
    ASSERT_EQ(table.size(), size_t(ReaderCommandCount));
    std::set<int> commands;
    std::set<std::string> names;
    std::map<std::pair<unsigned, unsigned>, std::string> shortcuts;
    int lastMenu = 0;
    for (const TReaderCommandInfo& info : table) {
        EXPECT_TRUE(commands.insert(int(info.Command)).second) << info.Name;
        EXPECT_TRUE(names.insert(info.Name).second) << info.Name;
        EXPECT_EQ(&CommandInfo(info.Command), &info);
        // Menus come one after the other (the font sizes are a submenu of View).
        const int menu = std::min(int(info.Menu), int(TReaderMenu::View));
        EXPECT_GE(menu, lastMenu) << info.Name;
        lastMenu = menu;
        // No key runs two commands.
        for (const TReaderShortcut& key : info.Shortcuts) {
            const auto [at, fresh] = shortcuts.emplace(std::make_pair(key.Key, key.Modifiers), info.Name);
            EXPECT_TRUE(fresh) << info.Name << " and " << at->second << " share " << ShortcutText(key);
        }
    }
    // The keys of the Linux reader's menus.
    EXPECT_EQ(Keys(C::Back), "Alt+Left");
    EXPECT_EQ(Keys(C::Forward), "Alt+Right");
    EXPECT_EQ(Keys(C::Home), "Alt+Home");
    EXPECT_EQ(Keys(C::First), "Ctrl+Home");
    EXPECT_EQ(Keys(C::Prior), "Ctrl+Left Ctrl+PgUp");
    EXPECT_EQ(Keys(C::Next), "Ctrl+Right Ctrl+PgDown");
    EXPECT_EQ(Keys(C::Last), "Ctrl+End");
    EXPECT_EQ(Keys(C::PriorChapter), "Ctrl+Up");
    EXPECT_EQ(Keys(C::NextChapter), "Ctrl+Down");
    EXPECT_EQ(Keys(C::Search), "Ctrl+F");
    EXPECT_EQ(Keys(C::PrintPdf), "Ctrl+Shift+P");
    EXPECT_EQ(Keys(C::Refresh), "F5");
    EXPECT_EQ(Keys(C::About), "F1");
    EXPECT_EQ(Keys(C::Contents), "F9");
    EXPECT_EQ(Keys(C::FontSize2), "Ctrl+0");
    EXPECT_EQ(Keys(C::Larger), "Ctrl++ Ctrl++");
    EXPECT_EQ(Keys(C::Exit), "Ctrl+Q");
    EXPECT_EQ(CommandInfo(C::First).Caption, std::string("F&irst Page"));
    EXPECT_EQ(CommandInfo(C::FontSize4).Caption, std::string("Largest"));
    EXPECT_EQ(FontSizeOf(C::FontSize0), 0);
    EXPECT_EQ(FontSizeOf(C::FontSize4), 4);
    EXPECT_EQ(FontSizeOf(C::Larger), -1);
    EXPECT_EQ(PlainCaption("F&irst Page"), "First Page");
    EXPECT_EQ(PlainCaption("Tides && Harbours"), "Tides & Harbours");
    EXPECT_EQ(PlainCaption("Trailing&"), "Trailing&");
}

TEST_F(CommandRules, EnablingFollowsTheSessionAndTheView) {
    TReaderBook book(books::CompileText(books::SmallBook(), Folder, "small.exe"));
    TReaderSession session(book);
    TReaderViewState view;
    auto on = [&](C command) { return CommandEnabled(command, session, view); };

    // Nothing shown yet: the story can be entered, the page commands wait.
    EXPECT_TRUE(on(C::First));
    EXPECT_FALSE(on(C::Print));
    EXPECT_FALSE(on(C::Refresh));
    EXPECT_FALSE(on(C::Back));
    EXPECT_TRUE(on(C::About));
    EXPECT_TRUE(on(C::Search));

    session.Shown(session.StartAddress(""));
    EXPECT_FALSE(on(C::First)) << "the first page is shown";
    EXPECT_FALSE(on(C::Prior));
    EXPECT_FALSE(on(C::Home));
    EXPECT_TRUE(on(C::Next));
    EXPECT_TRUE(on(C::Last));
    EXPECT_TRUE(on(C::NextChapter));
    EXPECT_TRUE(on(C::Print));
    EXPECT_FALSE(on(C::Back));

    session.Shown("\\ch\\two.htm");
    EXPECT_TRUE(on(C::Back));
    EXPECT_FALSE(on(C::Forward));
    EXPECT_FALSE(on(C::Last)) << "the last page is shown";
    EXPECT_FALSE(on(C::Next));
    EXPECT_TRUE(on(C::Prior));
    EXPECT_TRUE(on(C::First));
    session.Back();
    EXPECT_TRUE(on(C::Forward));

    // The view's part: selection, printing, the font size and the contents.
    EXPECT_FALSE(on(C::Copy));
    view.HasSelection = true;
    EXPECT_TRUE(on(C::Copy));
    view.Printing = true;
    EXPECT_FALSE(on(C::Print));
    EXPECT_FALSE(on(C::PrintPdf));
    view.FontSize = 4;
    EXPECT_FALSE(on(C::Larger));
    EXPECT_TRUE(on(C::Smaller));
    EXPECT_TRUE(CommandChecked(C::FontSize4, view));
    EXPECT_FALSE(CommandChecked(C::FontSize2, view));
    view.FontSize = 0;
    EXPECT_TRUE(on(C::Larger));
    EXPECT_FALSE(on(C::Smaller));
    EXPECT_FALSE(CommandChecked(C::Contents, view));
    view.ContentsVisible = true;
    EXPECT_TRUE(CommandChecked(C::Contents, view));
    EXPECT_FALSE(CommandChecked(C::Back, view));

    // A locked book cannot be searched.
    TReaderBook locked(
        books::CompileText(books::SmallBook(books::EncryptPassword("tide", "Simple")), Folder, "locked.exe"));
    TReaderSession lockedSession(locked);
    EXPECT_FALSE(CommandEnabled(C::Search, lockedSession, view));
    ASSERT_TRUE(locked.Unlock("", "tide"));
    EXPECT_TRUE(CommandEnabled(C::Search, lockedSession, view));
}

TEST_F(CommandRules, ToolbarLayoutFromTheBooksDescription) {
    books::TProjectText text = books::SmallBook();
    TToolbarButton gap{tbkSeparator, "", "", {}};
    std::vector<TToolbarButton> buttons = {
        gap,
        {tbkBack, "", "", {}},
        gap,
        gap,
        {tbkNext, "Onward to %{Harbour}", "\\Toolbar.buttons\\2.bmp", {}},
        {tbkFavourites, "", "", {{"To %{Harbour}", "\\ch\\%{Harbour}.htm", true}}},
        {tbkFavourites, "None", "", {}},
        {200, "Unknown", "", {}},
        {tbkFontSize, "", "", {}},
        gap,
    };
    text.Toolbar = BuildToolbarXml(buttons);
    text.SystemFiles = {{"\\Toolbar.buttons\\2.bmp", "BM picture"}, {"\\Logo.bmp", "BM logo"}};
    text.ToolbarOptions.ToolbarBtnW = 1000;
    text.ToolbarOptions.ToolbarBtnH = 2;
    text.ToolbarOptions.ToolbarImgW = 16;
    text.ToolbarOptions.ToolbarImgH = 300;
    text.ToolbarOptions.ToolbarPlacement = tpBottom;
    text.ToolbarOptions.ToolbarTextColor = 0x000000FF;
    text.ToolbarOptions.ToolbarBackColor = int32_t(0xFF00000F);
    text.ToolbarOptions.LogoDisplay = true;
    text.ToolbarOptions.LogoText = "%{Harbour} lamps";
    text.ToolbarOptions.LogoLink = "https://example.org/%{Harbour}";
    TReaderBook book(books::CompileText(text, Folder, "toolbar.exe"));
    const TToolbarLayout layout = ToolbarLayout(book);

    EXPECT_TRUE(layout.Visible);
    EXPECT_TRUE(layout.Bottom);
    EXPECT_EQ(layout.ButtonWidth, 256);
    EXPECT_EQ(layout.ButtonHeight, 8);
    EXPECT_EQ(layout.ImageWidth, 16);
    EXPECT_EQ(layout.ImageHeight, 256);
    EXPECT_TRUE(layout.OwnColors);
    EXPECT_EQ(layout.TextColor.Red, 255);
    EXPECT_TRUE(layout.BackColor.IsSystem);
    EXPECT_EQ(layout.BackColor.SystemIndex, 15);
    EXPECT_TRUE(layout.Logo);
    EXPECT_EQ(layout.LogoText, "Port Ellis lamps");
    EXPECT_EQ(layout.LogoLink, "https://example.org/Port Ellis");

    // Separators neither lead, double nor trail; a kind the reader does not know is left out.
    ASSERT_EQ(layout.Items.size(), 6u);
    const TToolItem& back = layout.Items[0];
    EXPECT_EQ(back.Kind, TToolItemKind::Command);
    EXPECT_EQ(back.Command, C::Back);
    EXPECT_EQ(back.Caption, "Back");
    EXPECT_TRUE(back.Picture.empty());
    EXPECT_TRUE(back.ShowCaption) << "no picture: the caption stands alone";
    EXPECT_EQ(layout.Items[1].Kind, TToolItemKind::Separator);
    const TToolItem& next = layout.Items[2];
    EXPECT_EQ(next.Command, C::Next);
    EXPECT_EQ(next.Caption, "Onward to Port Ellis");
    EXPECT_EQ(next.Picture, "\\Toolbar.buttons\\2.bmp");
    EXPECT_FALSE(next.ShowCaption) << "captions under pictures are not asked for";
    const TToolItem& marks = layout.Items[3];
    EXPECT_EQ(marks.Kind, TToolItemKind::Bookmarks);
    ASSERT_EQ(marks.Bookmarks.size(), 1u);
    EXPECT_EQ(marks.Bookmarks[0].Caption, "To Port Ellis");
    EXPECT_EQ(marks.Bookmarks[0].URL, "\\ch\\Port Ellis.htm");
    EXPECT_TRUE(marks.Bookmarks[0].NewWindow);
    EXPECT_TRUE(marks.Enabled);
    EXPECT_FALSE(layout.Items[4].Enabled) << "bookmarks without bookmarks";
    EXPECT_EQ(layout.Items[5].Kind, TToolItemKind::FontSize);

    // The same colours would hide the captions; no placement, no toolbar.
    text.ToolbarOptions.ToolbarTextColor = text.ToolbarOptions.ToolbarBackColor;
    EXPECT_FALSE(ToolbarLayout(TReaderBook(books::CompileText(text, Folder, "same.exe"))).OwnColors);
    text.ToolbarOptions.ToolbarPlacement = tpNoToolbar;
    EXPECT_FALSE(ToolbarLayout(TReaderBook(books::CompileText(text, Folder, "none.exe"))).Visible);
    // Neither buttons nor a logo picture: nothing to show.
    books::TProjectText bare = books::SmallBook();
    bare.ToolbarOptions.LogoDisplay = true;
    const TToolbarLayout empty = ToolbarLayout(TReaderBook(books::CompileText(bare, Folder, "bare.exe")));
    EXPECT_FALSE(empty.Logo) << "no logo picture in the book";
    EXPECT_FALSE(empty.Visible);
}

TEST(ReaderSettingsKey, OneKeyPerBookPath) {
    const std::string key = BookSettingsKey("C:\\Books\\Tides.exe");
    EXPECT_EQ(key.rfind("Software\\Brevant\\Quarvel\\Reader\\Books\\", 0), 0u) << key;
    EXPECT_EQ(key, BookSettingsKey("C:\\Books\\Tides.exe"));
    EXPECT_NE(key, BookSettingsKey("C:\\Books\\Tides2.exe"));
    EXPECT_NE(key, BookSettingsKey("C:\\Other\\Tides.exe"));
    EXPECT_EQ(key.find('\\', std::string("Software\\Brevant\\Quarvel\\Reader\\Books\\").size()), std::string::npos)
        << "one key, no subkeys from the path";
}

TEST(ReaderNavigation, EngineUrlsAndPageWindows) {
    EXPECT_EQ(EngineUrl("\\index.htm"), "book:/index.htm");
    EXPECT_EQ(EngineUrl("\\a b\\c.htm?x=1#f"), "book:/a%20b/c.htm?x=1#f");
    EXPECT_EQ(EngineUrl("\\?pagelamp=search&q=dawn"), "book:/?pagelamp=search&q=dawn");
    EXPECT_EQ(EngineUrl("ch\\..\\one.htm#top"), "book:/one.htm#top");
    const TReaderForm window = PageWindowForm("\\ch\\one.htm?q=x#f", 1000, 500);
    EXPECT_EQ(window.Path, "\\ch\\one.htm");
    EXPECT_EQ(window.Width, 800);
    EXPECT_EQ(window.Height, 400);
    EXPECT_FALSE(window.Center);
    EXPECT_TRUE(window.Sizeable);
    EXPECT_TRUE(window.ScrollBars);
}
